#include "design/Card.h"
#include "design/Controls.h"
#include "design/Gauges.h"
#include "design/Paint.h"
#include "design/SegmentedChoice.h"
#include "design/Sliders.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/Tiles.h"

#include "DesignTest.h"

#include <QLabel>
#include <functional>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

namespace {

class FormsTest : public DesignTest {
protected:
    static void runDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(FormsTest, ACheckBoxShowsWhatItsOwnerHoldsNotWhatWasClicked)
{
    for (bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        bool value = false;
        bool refuse = false;
        QWidget root;
        root.setPalette(Theme::appearancePalette(dark));
        KVMAccentRoot::install(&root);
        Theme::setSetting(Theme::kAccentKey, QString("green"));
        auto* box = new CheckBox("Tüm uygulamaları göster", {[&] { return value; }, [&](bool on) {
                                                                  if (!refuse)
                                                                      value = on;
                                                              }},
                                 &root);
        box->setGeometry(QRect(QPoint(0, 0), box->sizeHint()));
        const QColor green = systemColor(SystemColor::green, dark);
        const auto boxColour = [&] {
            const QImage img = render(&root, box->sizeHint(), 2.0);
            const QRectF r = box->boxRect();
            return at(img, r.left() + 2, r.center().y());
        };
        EXPECT_GT(distance(boxColour(), green), 150);

        QTest::mouseClick(box, Qt::LeftButton, {}, box->boxRect().center().toPoint());
        EXPECT_TRUE(value);
        EXPECT_LT(distance(boxColour(), green), 20);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 3, box->height() / 2)); // on the title
        EXPECT_FALSE(value);
        QTest::keyClick(box, Qt::Key_Space);
        EXPECT_TRUE(value);

        refuse = true; // the owner keeps its value: the box stays as it is
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_TRUE(value);
        EXPECT_LT(distance(boxColour(), green), 20);

        box->setEnabled(false);
        refuse = false;
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_TRUE(value) << "a disabled box takes no clicks";
        EXPECT_GT(distance(boxColour(), green), 40) << "and looks faded";
    }
}

TEST_F(FormsTest, ADisclosureGroupShowsItsContentWhileExpanded)
{
    bool expanded = false;
    auto* content = new QLabel("içerik");
    QWidget root;
    auto* column = new QVBoxLayout(&root);
    auto* group = new DisclosureGroup("Gizlenen girişler (2)", {[&] { return expanded; }, [&](bool on) { expanded = on; }},
                                      content);
    column->addWidget(group);
    render(&root, {240, 80}, 1.0);
    EXPECT_FALSE(content->isVisible());
    EXPECT_EQ(group->chevron()->symbol(), "chevron.right");

    // The whole header row is the tap target, its far end too.
    QTest::mouseClick(group->header(), Qt::LeftButton, {}, QPoint(group->header()->width() - 2, 4));
    EXPECT_TRUE(expanded);
    EXPECT_TRUE(content->isVisible());
    EXPECT_EQ(group->chevron()->symbol(), "chevron.down");
    QTest::keyClick(group->header(), Qt::Key_Space);
    EXPECT_FALSE(expanded);
    EXPECT_FALSE(content->isVisible());

    // The owner changed it: refresh follows.
    expanded = true;
    group->refresh();
    EXPECT_TRUE(content->isVisible());
    group->setTitle("Gizlenen girişler (3)");

    // New content in place of the old, which is deleted later.
    QPointer<QWidget> old = content;
    auto* fresh = new QLabel("yeni");
    group->setContent(fresh);
    runDeferredDeletes();
    EXPECT_FALSE(old);
    EXPECT_TRUE(fresh->isVisible());

    // Without a binding it keeps its own state; with a custom header row.
    auto* own = new DisclosureGroup(new QLabel("Uygulamalar"), BoolBinding{}, new QLabel("liste"));
    column->addWidget(own);
    render(&root, {240, 120}, 1.0);
    EXPECT_FALSE(own->isExpanded());
    QTest::mouseClick(own->header(), Qt::LeftButton);
    EXPECT_TRUE(own->isExpanded());
    EXPECT_TRUE(own->content()->isVisible());
}

TEST_F(FormsTest, WrappingTextTakesTheLinesItNeeds)
{
    const QString text = "Günde bir kez bakar; yeni sürüm varsa kurmadan önce sorar. Bu metin dar bir kartta birkaç "
                         "satıra bölünür.";
    WrappingText wrapping(text, design::calloutFont(), TextLine::Tone::tertiary);
    EXPECT_EQ(wrapping.lineCount(4000), 1);
    EXPECT_GE(wrapping.lineCount(150), 3);
    EXPECT_GT(wrapping.heightForWidth(150), wrapping.heightForWidth(400));
    EXPECT_EQ(wrapping.shownColor(), tertiaryColor(&wrapping));
    EXPECT_LT(wrapping.shownColor().alphaF(), secondaryColor(&wrapping).alphaF());

    // In a layout, its height follows the width the layout gives it, and every line is drawn.
    QWidget column;
    auto* l = new QVBoxLayout(&column);
    l->setContentsMargins(0, 0, 0, 0);
    auto* inLayout = new WrappingText(text, design::calloutFont(), TextLine::Tone::primary);
    l->addWidget(inLayout);
    l->addStretch();
    const QImage img = render(&column, {150, 200}, 1.0);
    EXPECT_EQ(inLayout->height(), inLayout->heightForWidth(150));
    const qreal lineHeight = QFontMetricsF(design::calloutFont()).lineSpacing();
    const int lines = inLayout->lineCount(150);
    const QColor ink = Theme::appearancePalette(false).color(QPalette::WindowText);
    EXPECT_LT(nearest(img, QRectF(0, (lines - 1) * lineHeight, 150, lineHeight), ink), 120) << "the last line";
    EXPECT_EQ(nearest(img, QRectF(0, lines * lineHeight + 2, 150, 20), ink),
              distance(Theme::appearancePalette(false).color(QPalette::Window), ink))
        << "nothing below it";
}

TEST_F(FormsTest, ACutShortTextCarriesTheWholeTextAsItsTooltip)
{
    const QString whole = "MacBook Pro Hoparlörleri";
    const QString tail = "1920 × 1080 HiDPI · 60 Hz";
    struct Case {
        const char* name;
        std::function<QWidget*(QWidget*)> make; // laid out at `width`
        int width;
        QString tip;
    };
    const Case cases[] = {
        {"a line with room", [&](QWidget* r) { return new TextLine(whole, design::calloutFont(), TextLine::Tone::primary, r); },
         400, {}},
        {"a narrow line", [&](QWidget* r) { return new TextLine(whole, design::calloutFont(), TextLine::Tone::primary, r); },
         60, whole},
        {"a line its owner explains", [&](QWidget* r) {
             auto* line = new TextLine(whole, design::calloutFont(), TextLine::Tone::primary, r);
             line->setToolTip("Kendi açıklaması");
             return line;
         }, 60, "Kendi açıklaması"},
        {"a tile with room", [&](QWidget* r) { return new TileLabel("display", "Ekran", tail, false, Tint(), r); }, 400, {}},
        {"a tile cutting its subtitle", [&](QWidget* r) { return new TileLabel("display", "Ekran", tail, false, Tint(), r); },
         110, "Ekran\n" + tail},
        {"a tile cutting its title", [&](QWidget* r) { return new TileLabel("bolt.fill", whole, std::nullopt, false, Tint(), r); },
         90, whole},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget root;
        QWidget* w = c.make(&root);
        root.show(); // a hidden widget hears of its size only when shown
        w->resize(c.width, w->sizeHint().height());
        EXPECT_EQ(w->toolTip(), c.tip);
    }

    // The tip follows the text: a shorter one that fits takes it away.
    QWidget root;
    auto* line = new TextLine(whole, design::calloutFont(), TextLine::Tone::primary, &root);
    root.show();
    line->resize(60, line->sizeHint().height());
    ASSERT_EQ(line->toolTip(), whole);
    line->setText("Açık");
    EXPECT_EQ(line->toolTip(), QString());
}

TEST_F(FormsTest, ADividerIsAHairlineOfTheSeparatorColour)
{
    for (bool dark : {false, true}) {
        QWidget root;
        root.setPalette(Theme::appearancePalette(dark));
        auto* l = new QVBoxLayout(&root);
        l->setContentsMargins(0, 10, 0, 0);
        auto* divider = new Divider(1.0);
        l->addWidget(divider);
        l->addStretch();
        const QImage img = render(&root, {100, 30}, 1.0);
        EXPECT_EQ(divider->height(), 1);
        const QColor window = Theme::appearancePalette(dark).color(QPalette::Window);
        EXPECT_GT(distance(at(img, 50, 10), window), 10);
        EXPECT_EQ(at(img, 50, 12), window);
    }
}

TEST_F(FormsTest, ATextFieldReportsEditsButNotSyncs)
{
    TextField field("Cihaz adı ekle");
    QSignalSpy edited(&field, &QLineEdit::textEdited);
    field.syncText("Oyun bilgisayarı");
    EXPECT_EQ(edited.count(), 0);
    EXPECT_EQ(field.placeholderText(), "Cihaz adı ekle");
    QTest::keyClick(&field, Qt::Key_End);
    QTest::keyClicks(&field, " 2");
    EXPECT_EQ(edited.count(), 2);
    EXPECT_EQ(field.text(), "Oyun bilgisayarı 2");
}

TEST_F(FormsTest, BuiltControlsChangeInPlace)
{
    // A card header's trailing view is replaced; the old one goes later.
    CardHeader header("Ses", "speaker.wave.2", Tint(SystemColor::gray), new QLabel("eski"));
    QPointer<QWidget> old = header.trailing();
    auto* chip = new StatusChip("Etkin", "checkmark.circle.fill", Tint(SystemColor::green));
    header.setTrailing(chip);
    runDeferredDeletes();
    EXPECT_FALSE(old);
    EXPECT_EQ(header.trailing(), chip);
    EXPECT_EQ(chip->parentWidget(), &header);
    header.setTitle("Çıkış");
    EXPECT_EQ(header.titleLine()->text(), "Çıkış");

    const int narrow = chip->sizeHint().width();
    chip->setText("Bağlı değil");
    chip->setTint(Tint(SystemColor::orange));
    EXPECT_GT(chip->sizeHint().width(), narrow);
    EXPECT_EQ(chip->accessibleName(), "Bağlı değil");

    StatRow stat("Sağlık", "%92");
    EXPECT_EQ(stat.secondaryLine(), nullptr);
    stat.setSecondary(QString("4500 mAh"));
    ASSERT_NE(stat.secondaryLine(), nullptr);
    EXPECT_EQ(stat.secondaryLine()->text(), "4500 mAh");
    stat.setSecondary(std::nullopt);
    EXPECT_TRUE(stat.secondaryLine()->isHidden());
    stat.setValue("%91");
    EXPECT_EQ(stat.valueLine()->text(), "%91");

    // A tile's texts, and a disabled tile takes no taps.
    int taps = 0;
    ControlTile tile("bolt.fill", "Şarj", std::nullopt, false, Tint(), [&] { ++taps; });
    render(&tile, {200, 50}, 1.0);
    tile.setSubtitle(QString("%80'e kadar"));
    tile.setTitle("Şarj sınırı");
    EXPECT_EQ(tile.accessibleName(), "Şarj sınırı, %80'e kadar");
    EXPECT_FALSE(tile.subtitleRect().isEmpty());
    tile.setEnabled(false);
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(100, 25));
    QTest::keyClick(&tile, Qt::Key_Space);
    EXPECT_EQ(taps, 0);
    tile.setEnabled(true);
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(100, 25));
    EXPECT_EQ(taps, 1);

    // A segmented choice's options and selection.
    std::vector<int> picked;
    SegmentedChoice<int> choice({{80, "%80"}, {90, "%90"}}, 80, 300, [&](const int& v) { picked.push_back(v); });
    render(&choice, {300, 28}, 1.0);
    choice.setOptions({{70, "%70"}, {80, "%80"}, {100, "%100"}}, 100);
    EXPECT_EQ(choice.titles(), (QStringList{"%70", "%80", "%100"}));
    EXPECT_EQ(choice.selected(), (std::vector<bool>{false, false, true}));
    QTest::mouseClick(&choice, Qt::LeftButton, {}, choice.segmentRect(2).center().toPoint());
    QTest::mouseClick(&choice, Qt::LeftButton, {}, choice.segmentRect(0).center().toPoint());
    EXPECT_EQ(picked, std::vector<int>{70});
    choice.setSelection(70);
    EXPECT_EQ(choice.selected(), (std::vector<bool>{true, false, false}));

    ValueSlider slider("Parlaklık", "sun.max.fill", std::nullopt, {[] { return 40.0; }, [](double) {}}, {0, 100}, {});
    slider.setTitle("Kontrast");
    EXPECT_EQ(slider.title(), "Kontrast");
}

TEST_F(FormsTest, AMiniSliderRunsOverItsRange)
{
    const ClosedRange dimming{10, 100};
    const qreal w = 216, knob = 16; // usable 200
    EXPECT_DOUBLE_EQ(MiniSlider::levelAt(knob / 2, w, knob, dimming), 10);
    EXPECT_DOUBLE_EQ(MiniSlider::levelAt(108, w, knob, dimming), 55);
    EXPECT_DOUBLE_EQ(MiniSlider::levelAt(-50, w, knob, dimming), 10);
    EXPECT_DOUBLE_EQ(MiniSlider::knobOffset(10, w, knob, dimming), 0);
    EXPECT_DOUBLE_EQ(MiniSlider::knobOffset(5, w, knob, dimming), 0);
    EXPECT_DOUBLE_EQ(MiniSlider::knobOffset(100, w, knob, dimming), 200);

    std::vector<double> changes;
    MiniSlider mini(12, dimming, [&](double v) { changes.push_back(v); }, knob);
    render(&mini, {int(w), 22}, 1.0);
    QTest::keyClick(&mini, Qt::Key_Left);
    EXPECT_EQ(changes, std::vector<double>{10}) << "clamped to the range's floor";
    mini.setRange({0, 100});
    EXPECT_DOUBLE_EQ(mini.range().lower, 0);
}

TEST_F(FormsTest, GaugesTakeANewTint)
{
    BatteryRing ring(100, 100, Tint(SystemColor::green), 40, 4);
    ring.setTint(Tint(SystemColor::red));
    const QImage img = render(&ring, ring.sizeHint(), 2.0);
    const QPointF top = ring.centre() - QPointF(0, ring.radius());
    EXPECT_LT(distance(at(img, top.x() + 3, top.y()), systemColor(SystemColor::red, false)), 30);

    BatteryBar bar(100, 100, Tint(SystemColor::green), 6);
    bar.setTint(Tint(SystemColor::orange));
    const QImage barImg = render(&bar, {200, bar.sizeHint().height()}, 1.0);
    EXPECT_LT(distance(at(barImg, 100, bar.height() / 2.0), systemColor(SystemColor::orange, false)), 10);
}

TEST_F(FormsTest, FormGallery)
{
    static bool on = true, off = false, open = true, closed = false;
    auto column = [](std::function<void(QVBoxLayout*)> fill, bool enabled = true) {
        return [fill, enabled] {
            auto* card = new Card(12);
            KVMAccentRoot::install(card);
            auto* inner = new QWidget;
            auto* l = new QVBoxLayout(inner);
            l->setContentsMargins(0, 0, 0, 0);
            l->setSpacing(8);
            fill(l);
            card->addWidget(inner);
            inner->setEnabled(enabled);
            return static_cast<QWidget*>(card);
        };
    };
    auto checks = [](QVBoxLayout* l) {
        l->addWidget(new CheckBox("Tümü", {[] { return on; }, [](bool) {}}));
        l->addWidget(new CheckBox("Tüm uygulamaları göster", {[] { return off; }, [](bool) {}}));
        auto* field = new TextField("Cihaz adı ekle");
        l->addWidget(field);
        auto* named = new TextField("Profil adı");
        named->setText("Ofis & Ev");
        named->setFont(design::title3Font(QFont::DemiBold));
        l->addWidget(named);
        l->addWidget(new Divider(0.5));
        l->addWidget(new DisclosureGroup("Gizlenen girişler (2)", {[] { return closed; }, [](bool) {}},
                                         new QLabel("gizli")));
    };
    const QString path = writeGallery(
        "forms",
        {{"controls", {240, 240}, column(checks)},
         {"disabled", {240, 240}, column(checks, false)},
         {"texts", {240, 240}, column([](QVBoxLayout* l) {
              auto* group = new DisclosureGroup("Uygulamalar", {[] { return open; }, [](bool) {}},
                                                new WrappingText("Şu an ses çalan uygulama yok.", design::calloutFont()));
              l->addWidget(group);
              l->addWidget(new Divider(0.5));
              l->addWidget(new WrappingText("Günde bir kez bakar; yeni sürüm varsa kurmadan önce sorar.",
                                            design::calloutFont(), TextLine::Tone::secondary));
              l->addWidget(new WrappingText("Sürüm 2.0 (200)", design::calloutFont(), TextLine::Tone::tertiary));
              l->addWidget(new TextLine("Genel Bakış", design::title3Font(QFont::DemiBold)));
              l->addWidget(new TextLine("%87", design::valueFont()));
          })}});
    EXPECT_FALSE(QImage(path).isNull());
}

} // namespace
