#include "design/Controls.h"
#include "design/Card.h"
#include "design/Rows.h"
#include "design/Sliders.h"
#include "design/ViewSync.h"

#include "DesignTest.h"

#include <QPointer>
#include <QSlider>
#include <QTest>
#include <QVBoxLayout>

namespace {

// A manager as the views see them: getters, setters and one changed() signal.
class FakeManager : public QObject {
    Q_OBJECT
public:
    std::map<QString, bool> flags{{"a", false}, {"b", true}};
    double level = 50;
    QString name = "Ofis";
    // A level the manager reports instead of the one it was given (a slow read-back).
    std::optional<double> readBack;

    void setFlag(const QString& key, bool on)
    {
        flags[key] = on;
        emit changed();
    }
    void setLevel(double v)
    {
        level = readBack.value_or(v);
        emit changed();
    }
    void publish() { emit changed(); }

signals:
    void changed();
};

class ViewSyncTest : public DesignTest {
protected:
    static void runDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(ViewSyncTest, ChangesInOneTurnGiveOneQueuedSync)
{
    FakeManager manager;
    auto view = std::make_unique<QWidget>();
    int syncs = 0;
    auto* binding = new ViewSync(view.get(), [&] { ++syncs; });
    binding->follow(&manager, &FakeManager::changed);

    manager.publish();
    manager.publish();
    manager.setLevel(3);
    EXPECT_EQ(syncs, 0) << "never inside the code that changed the manager";
    EXPECT_TRUE(binding->isPending());
    processEvents();
    EXPECT_EQ(syncs, 1);

    manager.publish();
    binding->flush();
    EXPECT_EQ(syncs, 2);
    processEvents();
    EXPECT_EQ(syncs, 2) << "a flushed sync does not run again";

    manager.publish();
    view.reset(); // the view goes before its sync arrives
    processEvents();
    EXPECT_EQ(syncs, 2);
}

TEST_F(ViewSyncTest, KeyedRowsKeepMoveMakeAndRetire)
{
    QWidget box;
    auto* column = new QVBoxLayout(&box);
    auto* header = new QWidget;
    column->addWidget(header); // before the rows, left alone
    KeyedRows rows(column, 1);
    int made = 0;
    auto make = [&](const QString& key) {
        ++made;
        auto* w = new QWidget;
        w->setObjectName(key);
        return w;
    };

    EXPECT_TRUE(rows.sync({"a", "b", "c"}, make));
    EXPECT_EQ(made, 3);
    QPointer<QWidget> a = rows.row("a"), b = rows.row("b"), c = rows.row("c");
    EXPECT_FALSE(rows.sync({"a", "b", "c"}, make)) << "same keys: nothing to do";

    EXPECT_TRUE(rows.sync({"c", "a", "d"}, make));
    EXPECT_EQ(made, 4);
    EXPECT_EQ(rows.row("c"), c.data());
    EXPECT_EQ(rows.row("a"), a.data());
    EXPECT_EQ(rows.row("b"), nullptr);
    ASSERT_TRUE(b) << "retired later, not at once";
    EXPECT_TRUE(b->isHidden());
    runDeferredDeletes();
    EXPECT_FALSE(b);
    ASSERT_EQ(column->count(), 4);
    EXPECT_EQ(column->itemAt(0)->widget(), header);
    QStringList order;
    for (int i = 1; i < column->count(); ++i)
        order << column->itemAt(i)->widget()->objectName();
    EXPECT_EQ(order, (QStringList{"c", "a", "d"}));

    // On screen, a new row shows and one its maker hid stays hidden.
    render(&box, {100, 200}, 1.0);
    rows.sync({"c", "a", "d", "e", "f"}, [&](const QString& key) {
        QWidget* w = make(key);
        if (key == "f")
            w->hide();
        return w;
    });
    processEvents();
    EXPECT_TRUE(rows.row("e")->isVisible());
    EXPECT_FALSE(rows.row("f")->isVisible());
    EXPECT_TRUE(rows.row("c")->isVisible());
}

// A card of switch rows, one per flag, whose rows are keyed by their state: toggling a switch
// replaces its own row. Run under the sanitizer build, a row deleted under its own mouse
// handler shows up as a use after free.
class FlagsCard : public QWidget {
public:
    explicit FlagsCard(FakeManager& manager) : manager_(manager)
    {
        auto* column = new QVBoxLayout(this);
        rows_ = std::make_unique<KeyedRows>(column);
        auto* binding = new ViewSync(this, [this] { sync(); });
        binding->follow(&manager_, &FakeManager::changed);
        sync();
    }
    void sync()
    {
        QStringList keys;
        for (const auto& [key, on] : manager_.flags)
            keys << key + (on ? ":on" : ":off");
        rows_->sync(keys, [this](const QString& rowKey) {
            const QString key = rowKey.section(':', 0, 0);
            return new SwitchRow(key, std::nullopt, std::nullopt,
                                 BoolBinding{[this, key] { return manager_.flags[key]; },
                                             [this, key](bool on) { manager_.setFlag(key, on); }});
        });
        ++syncs;
    }
    SwitchRow* row(const QString& key) const
    {
        return rows_->row<SwitchRow>(key + (manager_.flags.at(key) ? ":on" : ":off"));
    }
    int syncs = 0;

private:
    FakeManager& manager_;
    std::unique_ptr<KeyedRows> rows_;
};

TEST_F(ViewSyncTest, ASwitchWhoseToggleRebuildsItsOwnCardIsRetiredSafely)
{
    FakeManager manager;
    FlagsCard card(manager);
    render(&card, {240, 90}, 1.0);
    QPointer<SwitchRow> before = card.row("a");
    ASSERT_TRUE(before);

    QTest::mouseClick(before->toggle(), Qt::LeftButton);
    EXPECT_TRUE(manager.flags["a"]);
    processEvents();
    runDeferredDeletes();
    EXPECT_FALSE(before) << "the old row is gone";
    SwitchRow* after = card.row("a");
    ASSERT_TRUE(after);
    EXPECT_TRUE(after->toggle()->isOn());

    // And back, by keyboard this time.
    QPointer<SwitchRow> on = after;
    QTest::keyClick(after->toggle(), Qt::Key_Space);
    processEvents();
    runDeferredDeletes();
    EXPECT_FALSE(on);
    EXPECT_FALSE(manager.flags["a"]);
    EXPECT_EQ(card.syncs, 3);
}

TEST_F(ViewSyncTest, ADraggedSliderIsNotMovedByTheManager)
{
    // Each slider kind, driven the same way: press at 25 %, the manager publishes a stale 80
    // during the drag, move to 75 %, release.
    FakeManager manager;
    const int w = 216;
    struct Kind {
        const char* name;
        std::function<QWidget*(FakeManager&)> make;
        std::function<void(QWidget*, FakeManager&)> sync;
        std::function<double(QWidget*)> shown;
        std::function<void(QWidget*, QEvent::Type, qreal)> drag;
    };
    auto mouse = [](QWidget* target, QEvent::Type type, QPointF pos) {
        QMouseEvent e(type, pos, target->mapToGlobal(pos), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    };
    const Kind kinds[] = {
        {"ControlSlider",
         [](FakeManager& m) {
             return new ControlSlider("sun.max.fill", DoubleBinding{[&m] { return m.level; }, [&m](double v) { m.setLevel(v); }},
                                      {0, 100}, {}, 30);
         },
         [](QWidget* w, FakeManager&) { static_cast<ControlSlider*>(w)->refresh(); },
         [](QWidget* w) { return static_cast<ControlSlider*>(w)->drawnValue(); },
         [&](QWidget* s, QEvent::Type t, qreal f) { mouse(s, t, QPointF(f * w, 15)); }},
        {"MiniSlider",
         [](FakeManager& m) { return new MiniSlider(m.level, [&m](double v) { m.setLevel(v); }, 16); },
         [](QWidget* w, FakeManager& m) { static_cast<MiniSlider*>(w)->setValue(m.level); },
         [](QWidget* w) { return static_cast<MiniSlider*>(w)->value(); },
         [&](QWidget* s, QEvent::Type t, qreal f) { mouse(s, t, QPointF(8 + f * (w - 16), 11)); }},
        {"ValueSlider",
         [](FakeManager& m) {
             return new ValueSlider("Ses", "speaker.wave.2", std::nullopt,
                                    DoubleBinding{[&m] { return m.level; }, [&m](double v) { m.setLevel(v); }}, {0, 100},
                                    {});
         },
         [](QWidget* w, FakeManager&) { static_cast<ValueSlider*>(w)->refresh(); },
         [](QWidget* w) { return static_cast<ValueSlider*>(w)->slider()->value() / 10.0; },
         [](QWidget* s, QEvent::Type t, qreal f) {
             // The platform slider tracks its own drag; press and release are what matter here.
             QSlider* slider = static_cast<ValueSlider*>(s)->slider();
             if (t == QEvent::MouseButtonPress)
                 slider->setSliderDown(true);
             if (t != QEvent::MouseButtonRelease)
                 slider->setSliderPosition(int(f * 1000));
             else
                 slider->setSliderDown(false);
         }},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        manager.level = 50;
        manager.readBack.reset();
        std::unique_ptr<QWidget> slider(kind.make(manager));
        auto* binding = new ViewSync(slider.get(), [&, s = slider.get()] { kind.sync(s, manager); });
        binding->follow(&manager, &FakeManager::changed);
        render(slider.get(), {w, 30}, 1.0);

        kind.drag(slider.get(), QEvent::MouseButtonPress, 0.25);
        processEvents();
        EXPECT_NEAR(manager.level, 25, 0.5);
        manager.level = 80; // published while the person drags
        manager.publish();
        processEvents();
        EXPECT_NEAR(kind.shown(slider.get()), 25, 0.5) << "the knob stays under the pointer";
        kind.drag(slider.get(), QEvent::MouseMove, 0.75);
        processEvents();
        EXPECT_NEAR(kind.shown(slider.get()), 75, 0.5);

        // The manager answers the last drag value with its own (it refuses above 60).
        manager.readBack = 60;
        kind.drag(slider.get(), QEvent::MouseMove, 0.9);
        processEvents();
        EXPECT_NEAR(kind.shown(slider.get()), 90, 0.5);
        kind.drag(slider.get(), QEvent::MouseButtonRelease, 0.9);
        processEvents();
        EXPECT_NEAR(kind.shown(slider.get()), 60, 0.5) << "after the drag, the manager's value shows";
    }
}

TEST_F(ViewSyncTest, AFieldBeingEditedIsNotOverwritten)
{
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* field = new TextField("Profil adı");
    auto* other = new TextField();
    column->addWidget(field);
    column->addWidget(other);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();

    field->syncText("Ofis");
    EXPECT_EQ(field->text(), "Ofis");
    field->setFocus();
    ASSERT_TRUE(field->hasFocus());
    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClicks(field, " 2");
    field->syncText("Ofis"); // a sync from an unrelated change
    EXPECT_EQ(field->text(), "Ofis 2");
    other->setFocus();
    field->syncText("Ev");
    EXPECT_EQ(field->text(), "Ev") << "once the edit ends, syncs show again";
}

} // namespace

#include "ViewSync_test.moc"
