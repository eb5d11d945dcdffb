#include "WindowTest.h"

#include "app/Texts.h"

#include "app/ScrollManager.h"
#include "automation/AutomationManager.h"
#include "battery/BatteryManager.h"
#include "battery/HistoryChart.h"
#include "design/Gauges.h"
#include "design/LazySection.h"
#include "design/MoreLink.h"
#include "design/Rows.h"
#include "design/Sliders.h"
#include <QSlider>
#include "design/TextLine.h"
#include "design/Controls.h"
#include "design/Buttons.h"
#include "platform/Clock.h"
#include "platform/sim/PowerSources.h"
#include "window/ControlsSection.h"
#include "window/KPIRow.h"
#include "window/OverviewPage.h"
#include "window/PowerSection.h"
#include "window/Router.h"

#include <QAccessible>
#include <QScrollArea>
#include <QScrollBar>

namespace {

class OverviewTest : public WindowTest {};

KPIRow::Inputs batteryDesk()
{
    KPIRow::Inputs in;
    in.hasBattery = true;
    in.percent = 85;
    in.stateTint = SystemColor::green;
    in.shortStatus = "Şarj oluyor";
    in.onAC = true;
    in.systemLoad = 8.04;
    in.adapterPower = 12.34;
    in.temperature = 30.5;
    in.healthPercent = 92;
    in.cycleCount = 120;
    in.brightness = 59.5;
    in.ddcAvailable = true;
    in.volume = 50;
    in.outputName = "Hoparlör";
    return in;
}

TEST(KPIRow, TilesReadTheManagersState)
{
    struct Case {
        const char* name;
        std::function<void(KPIRow::Inputs&)> edit;
        size_t tile;
        QString symbol, value;
        std::optional<QString> detail;
    };
    const Case cases[] = {
        {"charge", [](auto&) {}, 0, "battery.75percent", "%85", "Şarj oluyor"},
        {"adapter with a decimal comma", [](auto&) {}, 1, "bolt.fill", "8,0 W", "Adaptör 12,3 W"},
        {"on battery", [](auto& in) { in.onAC = false; }, 1, "bolt.fill", "8,0 W", "Pilden"},
        {"35.0 °C is normal", [](auto& in) { in.temperature = 35.0; }, 2, "thermometer.medium", "35,0 °C", "Normal"},
        {"35.1 °C is high", [](auto& in) { in.temperature = 35.1; }, 2, "thermometer.medium", "35,1 °C", "Yüksek"},
        {"unknown temperature", [](auto& in) { in.temperature.reset(); }, 2, "thermometer.medium", "–", "Normal"},
        {"health with cycles", [](auto&) {}, 3, "heart.fill", "%92", "120 döngü"},
        {"no cycle count, no detail", [](auto& in) { in.cycleCount.reset(); }, 3, "heart.fill", "%92", std::nullopt},
        {"unknown health", [](auto& in) { in.healthPercent.reset(); }, 3, "heart.fill", "–", "120 döngü"},
        {"monitor brightness, half away from zero", [](auto&) {}, 4, "sun.max.fill", "%60", "Monitör"},
        {"software dimming",
         [](auto& in) { in.brightnessTarget = DisplayManager::BrightnessTarget::macOS; }, 4, "sun.max.fill", "%60",
         "macOS"},
        {"no DDC", [](auto& in) { in.ddcAvailable = false; }, 4, "sun.max.fill", "%60", "macOS"},
        {"volume 0.4", [](auto& in) { in.volume = 0.4; }, 5, "speaker.slash.fill", "%0", "Hoparlör"},
        {"volume 33.9", [](auto& in) { in.volume = 33.9; }, 5, "speaker.wave.1.fill", "%34", "Hoparlör"},
        {"volume 50", [](auto&) {}, 5, "speaker.wave.2.fill", "%50", "Hoparlör"},
        {"volume 67", [](auto& in) { in.volume = 67; }, 5, "speaker.wave.3.fill", "%67", "Hoparlör"},
        {"muted", [](auto& in) { in.muted = true; }, 5, "speaker.slash.fill", "Sessiz", "Hoparlör"},
        {"no default output", [](auto& in) { in.outputName.reset(); }, 5, "speaker.wave.2.fill", "%50",
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KPIRow::Inputs in = batteryDesk();
        c.edit(in);
        const auto tiles = KPIRow::tiles(in);
        ASSERT_EQ(tiles.size(), 6u);
        EXPECT_EQ(tiles[c.tile].symbol, c.symbol);
        EXPECT_EQ(tiles[c.tile].value, c.value);
        EXPECT_EQ(tiles[c.tile].detail, c.detail);
    }
    KPIRow::Inputs desk = batteryDesk();
    desk.hasBattery = false;
    const auto tiles = KPIRow::tiles(desk);
    ASSERT_EQ(tiles.size(), 2u) << "a desk without a battery shows brightness and sound only";
    EXPECT_EQ(tiles[0].title, "Parlaklık");
    EXPECT_EQ(tiles[1].title, "Ses");
}

TEST_F(OverviewTest, KPITitlesShowWholeInATileOfTheDefaultWindowAndACutDetailInItsTooltip)
{
    // Six tiles share the default window's overview: about 158 points each.
    for (bool english : {false, true}) {
        SCOPED_TRACE(english ? "English" : "Turkish");
        Texts::useEnglishForTesting(english);
        KPIRow::Inputs in = batteryDesk();
        in.shortStatus = Texts::tr("Sınırın üstünde · %%1'e iniyor", 80);
        in.outputName = QString("MacBook Pro Hoparlörleri"); // the system names its devices
        const auto faces = KPIRow::tiles(in);
        Texts::useEnglishForTesting(false);
        for (const auto& face : faces) {
            QWidget root;
            auto* tile = new KPITile(face, &root);
            tile->resize(158, tile->sizeHint().height());
            root.show();
            auto* title = tile->findChild<TextLine*>();
            ASSERT_TRUE(title);
            ASSERT_EQ(title->text(), face.title);
            EXPECT_EQ(title->shownText(), face.title);
            // A longer detail may be cut, but never out of reach.
            for (auto* line : tile->findChildren<TextLine*>())
                if (line->isVisibleTo(tile) && line->shownText() != line->text())
                    EXPECT_EQ(line->toolTip(), line->text());
        }
    }
}

TEST(PowerSection, RowsFollowTheTelemetry)
{
    BatteryTelemetry t;
    t.amperage = -1.234;
    t.voltage = 12.5;
    t.batteryPower = -9.876;
    t.systemLoad = 10.05;
    t.remainingCapacity = 4000;
    t.fullCapacity = 3900;
    auto rows = PowerSection::electrics(t, 125, false);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].value, "-1,23 A");
    EXPECT_EQ(rows[2].value, "-9,88 W") << "discharging keeps its minus sign";
    EXPECT_EQ(rows[4].secondary, "%100,0") << "capped at 100";
    EXPECT_EQ(rows[5].label, "Kalan süre");
    EXPECT_EQ(rows[5].value, "2 sa 5 dk");
    t.batteryPower = 3.5;
    t.fullCapacity = 0;
    rows = PowerSection::electrics(t, 125, true);
    EXPECT_EQ(rows[2].value, "+3,50 W");
    EXPECT_EQ(rows[4].secondary, std::nullopt) << "no share of a zero full capacity";
    EXPECT_EQ(rows[5].label, "Dolmasına");
    EXPECT_EQ(PowerSection::electrics(t, std::nullopt, true).size(), 5u);

    struct Health {
        int percent;
        SystemColor tint;
        QString sentence;
    };
    for (const Health& h : {Health{79, SystemColor::yellow, "Kapasite tasarımın %79'u; Apple %80 altını servis eşiği sayar"},
                            Health{69, SystemColor::orange, "Kapasite tasarımın %69'u; Apple %80 altını servis eşiği sayar"},
                            Health{80, SystemColor::green, "Kapasite normal aralıkta"}}) {
        EXPECT_EQ(PowerSection::healthTint(h.percent), h.tint) << h.percent;
        EXPECT_EQ(PowerSection::healthSentence(h.percent), h.sentence);
    }
    t.designCapacity = 5000;
    t.fullCapacity = 4000;
    const auto health = PowerSection::health(t, 80, std::nullopt);
    ASSERT_EQ(health.rows.size(), 2u);
    EXPECT_EQ(health.rows[0].secondary, "%100");
    EXPECT_EQ(health.rows[1].value, "4000 mAh");
    EXPECT_EQ(health.rows[1].secondary, "%80");

    t.adapterPower = 42.84;
    t.adapterRated = 96;
    t.adapterCurrent = 4.7;
    const auto adapter = PowerSection::adapter(t);
    ASSERT_EQ(adapter.size(), 2u);
    EXPECT_EQ(adapter[0].value, "42,8 W");
    EXPECT_EQ(adapter[0].secondary, "96 W");
    EXPECT_EQ(adapter[1].value, "4,70 A");
}

TEST_F(OverviewTest, RereadsEveryFiveSecondsOnlyWhileShown)
{
    startHub();
    // Every read of the smart battery's figures, on the shared clock.
    std::vector<double> reads;
    auto controls = sim::power::controls();
    controls.editProperties = [&reads](QVariantMap&) { reads.push_back(platform::clock::now()); };
    sim::power::setControls(controls);

    MainView& view = openWindow();
    auto* page = qobject_cast<OverviewPage*>(view.page());
    ASSERT_TRUE(page);
    ASSERT_EQ(reads.size(), 1u) << "a visit reads at once";
    advance(15);
    ASSERT_EQ(reads.size(), 4u);
    for (size_t i = 1; i < reads.size(); ++i)
        EXPECT_DOUBLE_EQ(reads[i] - reads[i - 1], OverviewPage::kRereadInterval);

    // The battery manager's own refresh reads too, 30 s after the hub started: the waits below
    // end before it.
    click(view.sidebarRow(Router::Page::mouse));
    advance(6);
    EXPECT_EQ(reads.size(), 4u) << "no reads after the page is left";
    click(view.sidebarRow(Router::Page::overview));
    EXPECT_EQ(reads.size(), 5u) << "coming back reads at once";
    view.hide();
    advance(6);
    EXPECT_EQ(reads.size(), 5u) << "nor once the window is closed";
    sim::power::reset();
}

TEST_F(OverviewTest, ADeskWithoutABatteryShowsIndicatorsAndControlsOnly)
{
    startHub([](QJsonObject& desk) { desk.remove("battery"); });
    ASSERT_FALSE(hub->battery.hasBattery());
    auto* page = place(new OverviewPage(*hub), 1100);
    EXPECT_EQ(page->kpiRow()->shownTiles().size(), 2u);
    EXPECT_FALSE(page->powerSection());
    EXPECT_FALSE(page->historySection());
    EXPECT_FALSE(page->controls()->batteryCard());
}

TEST_F(OverviewTest, ControlsFollowTheManagers)
{
    startHub(withoutDdc);
    auto* page = place(new OverviewPage(*hub), 1100);
    ControlsSection* controls = page->controls();
    EXPECT_TRUE(controls->batteryCard());
    EXPECT_FALSE(controls->inputRow()->isVisibleTo(controls)) << "no input row without DDC/CI";

    // Smooth scrolling off: the step slider is greyed and ignores a drag.
    hub->scroll.setSmoothEnabled(false);
    processEvents();
    ValueSlider* step = controls->mouseCard()->stepSlider();
    EXPECT_FALSE(step->isEnabled());
    const double before = hub->scroll.step();
    QTest::mousePress(step->slider(), Qt::LeftButton, {}, QPoint(4, step->slider()->height() / 2));
    QTest::mouseMove(step->slider(), QPoint(step->slider()->width() - 4, step->slider()->height() / 2));
    QTest::mouseRelease(step->slider(), Qt::LeftButton, {}, QPoint(step->slider()->width() - 4, 5));
    EXPECT_EQ(hub->scroll.step(), before);
}

TEST_F(OverviewTest, KVMCardChipsAndRows)
{
    startHub();
    KVMCard* card = place(new KVMCard(hub->automation, hub->display), 360);
    EXPECT_FALSE(card->headerChip()) << "no profiles, no chip";
    EXPECT_TRUE(card->emptyText()->isVisibleTo(card));

    KVMProfile blank;
    blank.id = QUuid::createUuid();
    blank.name = "   ";
    blank.displayName = "Lumera 24F";
    blank.displayKey = "nothing-connected";
    hub->automation.setProfiles({blank});
    processEvents();
    ASSERT_TRUE(card->headerChip());
    EXPECT_EQ(card->headerChip()->text(), "Ayrık");
    ASSERT_EQ(card->list()->rows().size(), 1u);
    const KVMCardList::Row& row = card->list()->rows().front();
    EXPECT_EQ(row.id, blank.id.toString());
    EXPECT_FALSE(row.lit);
    EXPECT_EQ(row.label, "Lumera 24F") << "a blank name shows the monitor's name";
    EXPECT_FALSE(row.enabled) << "its monitor is not connected";
    EXPECT_FALSE(card->emptyText()->isVisibleTo(card));

    // "Profilleri düzenle" is the link of the panel's cards: text, then the chevron.
    auto* more = card->findChild<MoreLink*>();
    ASSERT_TRUE(more);
    EXPECT_EQ(more->title(), "Profilleri düzenle");
    Router::shared().setPage(Router::Page::overview);
    QTest::mouseClick(more, Qt::LeftButton);
    EXPECT_EQ(Router::shared().page(), Router::Page::kvm);
}

// One widget draws the card's rows: the pointer, the keyboard and a screen reader reach each
// row's button, and a profile whose monitor is away takes none of them.
TEST_F(OverviewTest, KVMCardRowsApplyTheirProfileFromTheirButtonOnly)
{
    startHub();
    const DisplayInfo monitor = hub->display.externals().front();
    std::vector<KVMProfile> profiles(3);
    const char* names[] = {"Masa", "Uzakta", "Ofis"};
    for (size_t i = 0; i < profiles.size(); ++i) {
        profiles[i].id = QUuid::createUuid();
        profiles[i].name = names[i];
        profiles[i].displayKey = i == 1 ? QString("away") : monitor.key;
        profiles[i].displayName = monitor.name;
    }
    hub->automation.setProfiles(profiles);
    Router::shared().setPage(Router::Page::overview);
    MainView& view = openWindow({1100, 780});
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    auto* page = qobject_cast<OverviewPage*>(view.page());
    ASSERT_TRUE(page);
    KVMCardList* list = page->controls()->kvmCard()->list();
    ASSERT_EQ(list->rows().size(), 3u);
    EXPECT_TRUE(list->rows()[0].lit && list->rows()[0].enabled);
    EXPECT_FALSE(list->rows()[1].lit || list->rows()[1].enabled);
    const auto at = [&](int row, bool onButton) {
        return onButton ? list->buttonRect(row).center().toPoint() : QPoint(20, int(list->rowRect(row).center().y()));
    };
    // Every event the manager logs; an applied profile logs its name.
    QStringList events;
    QObject::connect(&hub->automation, &AutomationManager::changed, list, [&] {
        const QString event = hub->automation.lastEvent().value_or(QString());
        if (events.isEmpty() || events.back() != event)
            events << event;
    });

    struct Case {
        const char* name;
        std::function<void()> act;
        QString applied; // the profile named in the last event; empty: none applied
    };
    const Case cases[] = {
        {"click on the first row's button", [&] { QTest::mouseClick(list, Qt::LeftButton, {}, at(0, true)); }, "Masa"},
        {"click on the third row's button", [&] { QTest::mouseClick(list, Qt::LeftButton, {}, at(2, true)); }, "Ofis"},
        {"click on a label", [&] { QTest::mouseClick(list, Qt::LeftButton, {}, at(0, false)); }, {}},
        {"click on an away profile's button", [&] { QTest::mouseClick(list, Qt::LeftButton, {}, at(1, true)); }, {}},
        {"press on a button, release beside it",
         [&] {
             QTest::mousePress(list, Qt::LeftButton, {}, at(0, true));
             QTest::mouseRelease(list, Qt::LeftButton, {}, at(0, false));
         },
         {}},
        {"tab in, space", [&] {
             list->setFocus(Qt::TabFocusReason);
             QTest::keyClick(list, Qt::Key_Space);
         }, "Masa"},
        {"down skips the away profile", [&] {
             list->setFocus(Qt::TabFocusReason);
             QTest::keyClick(list, Qt::Key_Down);
             EXPECT_EQ(list->current(), 2);
             QTest::keyClick(list, Qt::Key_Return);
         }, "Ofis"},
        {"a screen reader's press on the third", [&] {
             QAccessibleInterface* a = QAccessible::queryAccessibleInterface(list);
             ASSERT_TRUE(a);
             EXPECT_EQ(a->role(), QAccessible::List);
             ASSERT_EQ(a->childCount(), 3);
             QAccessibleInterface* item = a->child(2);
             ASSERT_TRUE(item && item->actionInterface());
             EXPECT_EQ(item->role(), QAccessible::Button);
             EXPECT_EQ(item->text(QAccessible::Name), "Ofis");
             EXPECT_EQ(item->text(QAccessible::Description), "Uygula");
             EXPECT_EQ(a->indexOfChild(item), 2);
             EXPECT_TRUE(a->child(1)->state().disabled) << "an away profile cannot be applied";
             EXPECT_TRUE(a->child(1)->actionInterface()->actionNames().isEmpty());
             item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
         }, "Ofis"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        list->clearFocus();
        events.clear();
        c.act();
        processEvents();
        const QStringList applied = events.filter("uygulandı");
        if (c.applied.isEmpty()) {
            EXPECT_TRUE(applied.isEmpty()) << qPrintable(applied.join(" | "));
        } else {
            ASSERT_EQ(applied.size(), 1) << qPrintable(events.join(" | "));
            EXPECT_TRUE(applied.front().contains(c.applied)) << qPrintable(applied.front());
        }
    }

    // The keyboard brings the row it moves to into the page's view.
    std::vector<KVMProfile> many;
    for (int i = 0; i < 80; ++i) {
        KVMProfile p = profiles[0];
        p.id = QUuid::createUuid();
        p.name = QString("Profil %1").arg(i + 1);
        many.push_back(p);
    }
    hub->automation.setProfiles(many);
    processEvents();
    auto* area = view.findChild<QScrollArea*>();
    area->verticalScrollBar()->setValue(0);
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list, Qt::Key_End);
    processEvents();
    EXPECT_EQ(list->current(), 79);
    const QRect last(list->mapTo(area->viewport(), list->rowRect(79).toAlignedRect().topLeft()),
                     list->rowRect(79).toAlignedRect().size());
    EXPECT_TRUE(area->viewport()->rect().contains(last)) << "the last row is scrolled into view";

    // Rows that go take their elements with them.
    hub->automation.setProfiles({profiles[0]});
    processEvents();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(list)->childCount(), 1);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(list)->child(1), nullptr);
}

} // namespace

namespace {

TEST_F(OverviewTest, SectionsBelowTheFoldAreBuiltWhenTheyComeIntoView)
{
    startHub();
    Router::shared().setPage(Router::Page::overview);
    MainView& view = openWindow({1100, 780});
    auto* page = qobject_cast<OverviewPage*>(view.page());
    ASSERT_TRUE(page && page->historySection());
    auto* history = qobject_cast<LazySection*>(page->historySection());
    ASSERT_TRUE(history);
    view.repaint();
    processEvents();
    EXPECT_FALSE(history->content()) << "out of view, not built";

    // Scrolled into view: built, shown and placed before the frame that brings it in.
    QScrollBar* bar = view.findChild<QScrollArea*>()->verticalScrollBar();
    bar->setValue(bar->maximum());
    ASSERT_TRUE(history->content()) << "built once it shows";
    EXPECT_TRUE(history->content()->isVisible());
    EXPECT_GT(history->content()->height(), 100);

    // Brought into view by a taller window: built as the page is laid out, before any paint.
    auto* tall = new OverviewPage(*hub);
    auto* area = new QScrollArea;
    views.emplace_back(area);
    area->setWidgetResizable(true);
    area->setWidget(tall);
    area->setAttribute(Qt::WA_DontShowOnScreen);
    area->resize(900, 300);
    area->show();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    auto* lower = qobject_cast<LazySection*>(tall->powerSection());
    ASSERT_TRUE(lower);
    ASSERT_FALSE(lower->content()) << "below a 300-point fold";
    area->resize(900, 3000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    ASSERT_TRUE(lower->content());
    EXPECT_TRUE(lower->content()->isVisible());
    EXPECT_TRUE(history->content()->findChild<HistoryChart*>());
}

} // namespace
