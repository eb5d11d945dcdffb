#include "design/Buttons.h"
#include "design/Shapes.h"

#include "DesignTest.h"

#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>

namespace {

class ButtonsTest : public DesignTest {
protected:
    // A button in a root that carries the accent, at its natural size.
    struct Rendered {
        std::unique_ptr<QWidget> root;
        GlassButton* button;
        QImage image;
    };
    static Rendered show(GlassButton* button, bool dark, bool enabled = true)
    {
        Rendered r{std::make_unique<QWidget>(), button, {}};
        r.root->setPalette(Theme::appearancePalette(dark));
        KVMAccentRoot::install(r.root.get());
        button->setParent(r.root.get());
        button->setEnabled(enabled);
        const QSize size = button->sizeHint() + QSize(8, 8);
        button->setGeometry(QRect(QPoint(4, 4), button->sizeHint()));
        r.image = render(r.root.get(), size, 2.0);
        return r;
    }
    // The middle of the button's right end: inside the capsule, clear of the label.
    static QPointF rightEnd(const GlassButton* b) { return b->geometry().topLeft() + QPointF(b->width() - 6, b->height() / 2.0); }
};

TEST_F(ButtonsTest, FormsTintsAndTheDestructiveRoleColourTheButton)
{
    Theme::setSetting(Theme::kAccentKey, QString("purple"));
    for (bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        const QColor purple = systemColor(SystemColor::purple, dark), orange = systemColor(SystemColor::orange, dark),
                     red = systemColor(SystemColor::red, dark);
        const QColor window = Theme::appearancePalette(dark).color(QPalette::Window);
        struct Case {
            const char* name;
            GlassButton::Form form;
            Tint tint;
            bool destructive;
            QColor fill;  // invalid: none
            QColor label;
        };
        const Case cases[] = {
            {"glass", GlassButton::Form::glass, {}, false, {}, Theme::appearancePalette(dark).color(QPalette::WindowText)},
            {"tinted", GlassButton::Form::glass, SystemColor::orange, false, {}, orange},
            {"destructive", GlassButton::Form::glass, {}, true, {}, red},
            {"prominent", GlassButton::Form::prominent, {}, false, purple, Qt::white},
            {"prominent tinted", GlassButton::Form::prominent, SystemColor::orange, false, orange, Qt::white},
            {"prominent destructive", GlassButton::Form::prominent, {}, true, red, Qt::white},
            {"plain", GlassButton::Form::plain, {}, false, {}, Theme::appearancePalette(dark).color(QPalette::WindowText)},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            auto* b = new GlassButton("Kaldır", QString(), c.form);
            b->setTint(c.tint);
            b->setDestructive(c.destructive);
            const Rendered r = show(b, dark);
            EXPECT_EQ(b->labelColor(), c.label);
            EXPECT_EQ(b->fillColor().has_value(), c.fill.isValid());
            const QPointF end = rightEnd(b);
            if (c.fill.isValid())
                EXPECT_LT(distance(at(r.image, end.x(), end.y()), c.fill), 30);
            else if (c.form == GlassButton::Form::plain)
                EXPECT_EQ(at(r.image, b->x() + 0.5, b->y() + 0.5), window) << "no capsule";
            else
                EXPECT_GT(distance(at(r.image, end.x(), end.y()), purple), 150) << "glass, not a fill";
            // The label's ink is in the label colour.
            EXPECT_LT(nearest(r.image, QRectF(b->geometry()).adjusted(10, 4, -10, -4), c.label), 60);
        }

        // Disabled: the same button, faded towards what lies behind it.
        auto* on = new GlassButton("Uygula", QString(), GlassButton::Form::prominent);
        const Rendered enabled = show(on, dark);
        auto* off = new GlassButton("Uygula", QString(), GlassButton::Form::prominent);
        const Rendered disabled = show(off, dark, false);
        const QPointF end = rightEnd(on);
        const QColor a = at(enabled.image, end.x(), end.y()), d = at(disabled.image, end.x(), end.y());
        EXPECT_GT(distance(a, d), 60);
        EXPECT_LT(distance(d, window), distance(a, window));
    }
}

TEST_F(ButtonsTest, SizesFollowTheLabel)
{
    GlassButton shortOne("Kur…"), longOne("Güncellemeleri Denetle");
    EXPECT_GT(longOne.sizeHint().width(), shortOne.sizeHint().width());
    EXPECT_EQ(longOne.sizeHint().height(), shortOne.sizeHint().height());
    GlassButton withSymbol("Şimdi uyut", "moon.fill");
    GlassButton without("Şimdi uyut");
    EXPECT_GT(withSymbol.sizeHint().width(), without.sizeHint().width());
    GlassButton small("Uygula");
    small.setControlSize(GlassButton::ControlSize::small);
    EXPECT_LT(small.sizeHint().height(), GlassButton("Uygula").sizeHint().height());
    GlassButton round(QString(), "ellipsis");
    EXPECT_EQ(round.sizeHint().width(), round.sizeHint().height()) << "a symbol alone is round";
    EXPECT_TRUE(round.accessibleName().isEmpty()) << "a symbol's name is not read out; a hint names the button";
}

TEST_F(ButtonsTest, ClicksAndKeysPressIt)
{
    GlassButton b("Uygula");
    render(&b, b.sizeHint(), 1.0);
    QSignalSpy clicked(&b, &QPushButton::clicked);
    QTest::mouseClick(&b, Qt::LeftButton);
    QTest::keyClick(&b, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(b.focusPolicy(), Qt::TabFocus);
    b.setEnabled(false);
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 2);
}

TEST_F(ButtonsTest, MenuTextsShowAmpersandsAsWritten)
{
    EXPECT_EQ(menuText("Ofis & Ev"), "Ofis && Ev");
    EXPECT_EQ(menuText("A&&B"), "A&&&&B");
    QMenu menu;
    const QList<QAction*> choices = addMenuChoices(menu, {"Dell & HP", "LG"}, 0, {});
    QAction* plain = addMenuAction(menu, "R&D Hoparlörü", {});
    QAction* section = addMenuSection(menu, "Ses & Görüntü");
    // What a menu shows is the text without shortcut markers.
    EXPECT_EQ(choices[0]->iconText(), "Dell & HP");
    EXPECT_EQ(plain->iconText(), "R&D Hoparlörü");
    EXPECT_EQ(section->iconText(), "Ses & Görüntü");
    EXPECT_TRUE(plain->shortcut().isEmpty());

    // A picker showing such a name draws it as written and makes no keyboard shortcut of it.
    MenuPickerView picker({"Dell & HP"}, 0, {});
    EXPECT_TRUE(picker.shortcut().isEmpty());
    EXPECT_EQ(picker.text(), "Dell && HP");
}

TEST_F(ButtonsTest, AMenuIsFilledWhenItOpensAndNotWhileOpen)
{
    QStringList devices{"MacBook Hoparlörü", "LG UltraFine"};
    int current = 1;
    std::vector<int> chosen;
    GlassMenuButton button("Çıkış", "speaker.wave.2");
    int fills = 0;
    button.setMenuFill([&](QMenu& menu) {
        ++fills;
        addMenuSection(menu, "Çıkış aygıtı");
        addMenuChoices(menu, devices, current, [&](int i) { chosen.push_back(i); });
        menu.addSeparator();
        addMenuAction(menu, "Ses Ayarları…", {}, "gearshape");
    });
    render(&button, button.sizeHint(), 1.0);
    EXPECT_EQ(fills, 0) << "nothing is built before it opens";

    QTest::mouseClick(&button, Qt::LeftButton);
    LiveMenu* menu = button.liveMenu();
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(fills, 1);
    const auto checked = [&] {
        QStringList out;
        for (QAction* a : menu->actions())
            if (a->isChecked())
                out << a->iconText();
        return out;
    };
    EXPECT_EQ(checked(), QStringList{"LG UltraFine"});

    devices << "AirPods"; // a sync while the menu is open changes nothing in it
    current = 0;
    processEvents();
    EXPECT_EQ(menu->actions().size(), 5);
    EXPECT_EQ(checked(), QStringList{"LG UltraFine"});

    // Choosing: the exclusive group keeps one check, the owner hears the index.
    QAction* first = menu->actions()[1];
    first->trigger();
    EXPECT_EQ(chosen, std::vector<int>{0});
    EXPECT_EQ(checked(), QStringList{"MacBook Hoparlörü"});
    menu->hide();

    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(fills, 2);
    EXPECT_EQ(menu->actions().size(), 6) << "opened again: filled from the new state";
    EXPECT_EQ(checked(), QStringList{"MacBook Hoparlörü"});
    menu->hide();
}

TEST_F(ButtonsTest, APickerShowsTheChosenTitleAndAsksTheOwnerToChange)
{
    enum class Target { macOS, monitor };
    using Picker = MenuPicker<Target>;
    std::vector<Target> asked;
    Picker picker({{Target::macOS, "macOS"}, {Target::monitor, "Monitör"}}, Target::monitor,
                  [&](const Target& t) { asked.push_back(t); });
    EXPECT_EQ(picker.text(), "Monitör");
    EXPECT_EQ(picker.selectedIndex(), 1);

    picker.liveMenu()->refill();
    picker.liveMenu()->actions()[0]->trigger();
    EXPECT_EQ(asked, std::vector<Target>{Target::macOS});
    EXPECT_EQ(picker.text(), "Monitör") << "the owner decides; its sync shows the choice";
    picker.setSelection(Target::macOS);
    EXPECT_EQ(picker.text(), "macOS");

    // New options in place; no selection shows the placeholder.
    picker.setPlaceholder("Yok");
    picker.setOptions({{Target::monitor, "Harici"}}, std::nullopt);
    EXPECT_EQ(picker.text(), "Yok");
    picker.liveMenu()->refill();
    ASSERT_EQ(picker.liveMenu()->actions().size(), 1);
    EXPECT_FALSE(picker.liveMenu()->actions()[0]->isChecked());
    picker.liveMenu()->actions()[0]->trigger();
    EXPECT_EQ(asked.back(), Target::monitor);
}

TEST_F(ButtonsTest, ButtonGallery)
{
    auto row = [](std::function<void(QHBoxLayout*)> fill) {
        return [fill] {
            auto* w = new QWidget;
            KVMAccentRoot::install(w);
            auto* l = new QHBoxLayout(w);
            l->setContentsMargins(0, 0, 0, 0);
            l->setSpacing(8);
            fill(l);
            l->addStretch();
            return static_cast<QWidget*>(w);
        };
    };
    auto forms = [](bool enabled) {
        return [enabled](QHBoxLayout* l) {
            auto add = [&](GlassButton* b) {
                b->setEnabled(enabled);
                l->addWidget(b);
                return b;
            };
            add(new GlassButton("Uygula"));
            add(new GlassButton("Ana ekran yap", "display"))->setTint(Tint(SystemColor::green));
            add(new GlassButton("Kur…", QString(), GlassButton::Form::prominent));
            add(new GlassButton("Sistem Ayarlarını Aç", QString(), GlassButton::Form::prominent))
                ->setTint(Tint(SystemColor::orange));
            add(new GlassButton("Kaldır"))->setDestructive(true);
            add(new GlassButton(QString(), "ellipsis", GlassButton::Form::plain));
        };
    };
    const QString path = writeGallery(
        "buttons",
        {{"forms", {560, 30}, row(forms(true))},
         {"disabled", {560, 30}, row(forms(false))},
         {"menus", {560, 30}, row([](QHBoxLayout* l) {
              l->addWidget(new GlassMenuButton("Monitör"));
              auto* small = new GlassButton("Şimdi uygula", QString(), GlassButton::Form::prominent);
              small->setControlSize(GlassButton::ControlSize::small);
              l->addWidget(small);
              l->addWidget(new MenuPicker<int>({{1, "Dell & HP U2720Q"}, {2, "LG"}}, 1, {}));
              auto* none = new MenuPickerView({"A"}, -1, {});
              none->setPlaceholder("Yok");
              l->addWidget(none);
              auto* more = new GlassMenuButton(QString(), "ellipsis");
              more->setForm(GlassButton::Form::plain);
              more->setIndicatorVisible(false);
              l->addWidget(more);
          })}});
    EXPECT_FALSE(QImage(path).isNull());
}

} // namespace
