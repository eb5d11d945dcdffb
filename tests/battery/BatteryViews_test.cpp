#include "battery/BatteryActionTiles.h"
#include "battery/BatteryExplanation.h"
#include "battery/BatteryManager.h"
#include "battery/BatterySummary.h"
#include "battery/ChargeLimitPicker.h"
#include "battery/LivePowerSplitBar.h"

#include "FakeHelper.h"
#include "app/Prefs.h"
#include "app/Texts.h"
#include "bridge/ChargeLimitBridge.h"
#include "design/Buttons.h"
#include "design/DesignTest.h"
#include "design/Gauges.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/Tiles.h"
#include "design/ViewSync.h"
#include "platform/sim/Battery.h"
#include "platform/sim/ChargeLimit.h"
#include "platform/sim/Launchd.h"
#include "platform/sim/PowerSources.h"
#include "platform/sim/Smc.h"

#include <QMenu>
#include <QTest>
#include <QVBoxLayout>

namespace {

using Entry = BatteryActionTiles::DrainEntry;

class BatteryViewsTest : public DesignTest {
protected:
    void SetUp() override
    {
        DesignTest::SetUp();
        mcl_reset_for_testing();
    }
    void TearDown() override
    {
        views.clear();
        manager.reset();
        sim::launchd::reset();
        mcl_reset_for_testing();
        DesignTest::TearDown();
    }
    // The default desk: a laptop at 80 % on its charger, no limit, no helper.
    BatteryManager& start()
    {
        manager = std::make_unique<BatteryManager>();
        processEvents();
        return *manager;
    }
    template <class W>
    W* place(W* w, int width = 360) { return SimTest::place(w, width); }
    static void setLimitControls(const std::function<void(sim::chargelimit::Controls&)>& edit)
    {
        auto c = sim::chargelimit::controls();
        edit(c);
        sim::chargelimit::setControls(c);
    }
    static QStringList texts(QMenu& menu)
    {
        QStringList out;
        for (QAction* a : menu.actions())
            out << a->text();
        return out;
    }
    static void tap(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QRect(QPoint(), w->size()).center()); }

    std::unique_ptr<BatteryManager> manager;
};

TEST_F(BatteryViewsTest, SummaryShowsChargeStatusAndStateColour)
{
    auto& m = start();
    auto* summary = place(new BatterySummary(m, false));
    EXPECT_EQ(summary->percentLine()->text(), "%80");
    EXPECT_EQ(summary->statusLine()->text(), "Şarj oluyor");
    EXPECT_EQ(summary->statusLine()->toolTip(), m.explanation());
    EXPECT_EQ(summary->symbol()->symbol(), "bolt.fill");
    EXPECT_EQ(summary->ring()->tint().resolve(summary->ring()), systemColor(SystemColor::green, summary));
    EXPECT_EQ(summary->ring()->sizeHint(), BatteryRing(0, 100, SystemColor::green, 40, 4).sizeHint());

    // At a limit of 80 on the charger the line follows the level around the limit; below it
    // the simulated Mac charges again.
    ASSERT_TRUE(m.setLimit(80));
    const struct {
        int percent;
        const char* status;
        const char* symbol;
    } levels[] = {
        {81, "Sınırın üstünde · %80'e iniyor", "powerplug.fill"},
        {80, "Sınırda tutuluyor · adaptörden", "powerplug.fill"},
        {79, "Şarj oluyor → %80", "bolt.fill"},
    };
    for (const auto& l : levels) {
        SCOPED_TRACE(l.percent);
        sim::battery::setPercent(l.percent);
        m.refresh();
        processEvents();
        EXPECT_EQ(summary->statusLine()->text(), l.status);
        EXPECT_EQ(summary->symbol()->symbol(), l.symbol);
        EXPECT_EQ(summary->percentLine()->text(), "%" + QString::number(l.percent));
    }

    // Unplugged at 20 %: red, the battery symbol, the time left.
    sim::battery::setPercent(20);
    sim::battery::setExternalConnected(false);
    advance(sim::power::kNotificationPoll);
    processEvents();
    EXPECT_EQ(summary->symbol()->symbol(), "battery.75percent");
    EXPECT_EQ(summary->ring()->tint().resolve(summary->ring()), systemColor(SystemColor::red, summary));
    EXPECT_EQ(summary->bar()->tint().resolve(summary->bar()), systemColor(SystemColor::red, summary));
    ASSERT_TRUE(m.minutesRemaining());
    EXPECT_EQ(summary->statusLine()->text(), QString("Pilde · %1 sa %2 dk")
                                                 .arg(*m.minutesRemaining() / 60)
                                                 .arg(*m.minutesRemaining() % 60));

    // The dark look takes the dark variant of the state colour.
    summary->setPalette(Theme::appearancePalette(true));
    processEvents();
    EXPECT_EQ(summary->ring()->tint().resolve(summary->ring()), systemColor(SystemColor::red, true));
}

TEST_F(BatteryViewsTest, SummarySymbolFollowsChargingThenDischargingThenAdapter)
{
    const struct {
        bool charging;
        int target;
        bool ac;
        const char* symbol;
    } cases[] = {
        {true, 40, true, "bolt.fill"}, // a Mac that reports charging during a discharge shows the bolt
        {false, 40, true, "arrow.down"},
        {false, 0, true, "powerplug.fill"},
        {false, 0, false, "battery.75percent"},
        {true, 0, false, "bolt.fill"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BatterySummary::symbolFor(c.charging, c.target, c.ac), c.symbol) << c.symbol;
}

TEST_F(BatteryViewsTest, ExplanationAndLivePowerFollowTheirObjects)
{
    auto& m = start();
    auto* explanation = place(new BatteryExplanation(m, m.live()));
    auto* power = place(new LivePowerSplitBar(m.live()));
    EXPECT_EQ(explanation->text(), "Pil %100'e kadar şarj oluyor.");
    EXPECT_GT(explanation->heightForWidth(120), explanation->heightForWidth(360)) << "it wraps";
    auto showsTelemetry = [&] {
        const auto& t = m.live().telemetry();
        const PowerSplitBar expected(t.adapterPower, t.batteryPower, t.systemLoad);
        return power->consumptionText(Locale::ui()) == expected.consumptionText(Locale::ui())
            && power->chargingText(Locale::ui()) == expected.chargingText(Locale::ui());
    };
    EXPECT_TRUE(showsTelemetry());
    EXPECT_TRUE(power->chargingText(Locale::ui()));

    sim::battery::setExternalConnected(false);
    advance(sim::power::kNotificationPoll);
    processEvents();
    EXPECT_TRUE(explanation->text().startsWith("Mac pilden çalışıyor."));
    EXPECT_TRUE(showsTelemetry());
    EXPECT_FALSE(power->chargingText(Locale::ui()));
}

TEST_F(BatteryViewsTest, ALimitSegmentSetsTheSimulatedChargeLimit)
{
    auto& m = start();
    auto* picker = place(new ChargeLimitPicker(m));
    ASSERT_FALSE(picker->isHidden());
    auto* choice = picker->segments()->choice();
    EXPECT_EQ(static_cast<SegmentedChoiceView*>(choice)->titles(), (QStringList{"80", "85", "90", "95", "Yok"}));
    EXPECT_EQ(choice->selected(), (std::vector<bool>{false, false, false, false, true}));

    QTest::mouseClick(choice, Qt::LeftButton, {}, choice->segmentRect(1).center().toPoint());
    EXPECT_EQ(sim::chargelimit::limit(), 85);
    processEvents();
    EXPECT_EQ(choice->selected(), (std::vector<bool>{false, true, false, false, false}));

    // macOS refusing: the segment stays with the limit macOS has.
    setLimitControls([](auto& c) { c.failing << "setMCLLimit:error:"; });
    QTest::mouseClick(choice, Qt::LeftButton, {}, choice->segmentRect(0).center().toPoint());
    processEvents();
    EXPECT_EQ(sim::chargelimit::limit(), 85);
    EXPECT_EQ(choice->selected(), (std::vector<bool>{false, true, false, false, false}));
    setLimitControls([](auto& c) { c.failing.clear(); });

    // A top-up holds the limit: the segments show but take no taps.
    m.startTopUp();
    processEvents();
    EXPECT_FALSE(picker->isHidden());
    EXPECT_FALSE(choice->isEnabled());
    QTest::mouseClick(choice, Qt::LeftButton, {}, choice->segmentRect(0).center().toPoint());
    EXPECT_EQ(sim::chargelimit::limit(), 100);
    m.stopTopUp();
    processEvents();
    EXPECT_TRUE(choice->isEnabled());
    EXPECT_EQ(sim::chargelimit::limit(), 85);
}

TEST_F(BatteryViewsTest, WithoutALimitThePickerTakesNoHeight)
{
    for (bool supported : {false, true}) {
        SCOPED_TRACE(supported);
        sim::chargelimit::reset();
        mcl_reset_for_testing();
        setLimitControls([&](auto& c) {
            if (supported)
                c.offered = QVariantList{}; // supported, but nothing on offer
            else
                c.supported = false;
        });
        auto& m = start();
        auto* column = new QWidget;
        auto* layout = new QVBoxLayout(column);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* above = new QWidget;
        above->setFixedHeight(30);
        layout->addWidget(above);
        auto* picker = new ChargeLimitPicker(m);
        layout->addWidget(picker);
        place(column);
        EXPECT_TRUE(picker->isHidden());
        EXPECT_EQ(column->sizeHint().height(), 30);

        // The limit coming back brings the picker back.
        setLimitControls([](auto& c) { c = sim::chargelimit::Controls(); });
        m.refresh();
        processEvents();
        EXPECT_FALSE(picker->isHidden());
        EXPECT_GT(column->sizeHint().height(), 50);
        views.clear();
    }
}

TEST_F(BatteryViewsTest, DrainMenuEntries)
{
    const struct {
        int percent, limit;
        std::vector<Entry> entries;
    } cases[] = {
        {85, 80, {{80, true}, {80, false}, {60, false}, {40, false}, {20, false}}},
        {50, 100, {{40, false}, {20, false}}},
        {20, 100, {}},
        {20, 10, {{10, true}}},
        {80, 80, {{60, false}, {40, false}, {20, false}}}, // at the limit: nothing to discharge to
        {100, 99, {{99, true}, {80, false}, {60, false}, {40, false}, {20, false}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BatteryActionTiles::drainEntries(c.percent, c.limit), c.entries) << c.percent << " " << c.limit;

    // The menu is filled as it opens, with the header as a disabled item.
    ASSERT_TRUE(installHelperProgram());
    FakeHelper helper(2);
    auto& m = start();
    ASSERT_TRUE(m.setLimit(80));
    sim::battery::setPercent(85);
    m.refresh();
    ASSERT_TRUE(waitUntil([&] { processEvents(); return m.helperInstalled() && m.percent() == 85; }));
    auto* tiles = place(new BatteryActionTiles(m, false));
    ASSERT_TRUE(tiles->drainTile()->isEnabled());
    tiles->drainMenu()->refill();
    EXPECT_EQ(texts(*tiles->drainMenu()),
              (QStringList{"Adaptör takılıyken pili kullan", "Şarj sınırına (%80)", "%80", "%60", "%40", "%20"}));
    EXPECT_FALSE(tiles->drainMenu()->actions().first()->isEnabled());
    EXPECT_TRUE(tiles->drainMenu()->actions().last()->isEnabled());

    // The menu is not rebuilt while the battery refreshes; it is filled anew the next time.
    sim::battery::setPercent(50);
    m.refresh();
    processEvents();
    EXPECT_EQ(tiles->drainMenu()->actions().size(), 6);
    tiles->drainMenu()->refill();
    EXPECT_EQ(texts(*tiles->drainMenu()), (QStringList{"Adaptör takılıyken pili kullan", "%40", "%20"}));

    tiles->drainMenu()->actions().last()->trigger();
    EXPECT_TRUE(waitUntil([&] { processEvents(); return m.dischargeTarget() == 20; }));
    EXPECT_EQ(helper.target, 20);
}

// The tiles' enabled states and the install offer, against the manager in each situation.
struct EnabledCase {
    const char* name;
    std::optional<int> helperVersion; // none: no helper installed
    bool onAC;
    bool calibrating;
    bool toppingUp;
    int limit;
    // what the tiles show
    std::optional<const char*> install; // the offer's text, none when hidden
    bool drain, topUp, calibration;
};

class BatteryTilesEnabledTest : public BatteryViewsTest, public ::testing::WithParamInterface<EnabledCase> {};

TEST_P(BatteryTilesEnabledTest, TilesTakeTapsOnlyWhereTheyCanAct)
{
    const EnabledCase& c = GetParam();
    std::unique_ptr<FakeHelper> helper;
    if (c.helperVersion) {
        ASSERT_TRUE(installHelperProgram());
        helper = std::make_unique<FakeHelper>(*c.helperVersion);
    }
    auto& m = start();
    ASSERT_TRUE(m.setLimit(c.limit));
    if (c.toppingUp)
        m.startTopUp();
    if (c.calibrating)
        m.startCalibration();
    sim::battery::setExternalConnected(c.onAC);
    m.refresh();
    const bool outdated = c.helperVersion && *c.helperVersion < 2;
    ASSERT_TRUE(waitUntil([&] { processEvents(); return m.helperOutdated() == outdated && m.onAC() == c.onAC; }));
    ASSERT_EQ(m.calibration().has_value(), c.calibrating);
    ASSERT_EQ(m.topUpRestoreLimit().has_value(), c.toppingUp);

    auto* tiles = place(new BatteryActionTiles(m, true));
    EXPECT_EQ(!tiles->installButton()->isHidden(), c.install.has_value());
    if (c.install) {
        EXPECT_EQ(tiles->installButton()->text(), *c.install);
    }
    EXPECT_EQ(tiles->drainTile()->isEnabled(), c.drain);
    EXPECT_EQ(tiles->topUpTile()->isEnabled(), c.topUp);
    EXPECT_EQ(tiles->calibrationTile()->isEnabled(), c.calibration);
    EXPECT_EQ(tiles->topUpTile()->subtitle(), c.toppingUp ? "Durdur" : "Bir kez %100");
    EXPECT_EQ(tiles->topUpTile()->isActive(), c.toppingUp);
    EXPECT_EQ(tiles->calibrationTile()->subtitle(), c.calibrating ? "İptal et" : "100→15→100");

    // A tap on a disabled tile changes nothing; an enabled calibration tile starts or cancels.
    tap(tiles->calibrationTile());
    processEvents();
    EXPECT_EQ(m.calibration().has_value(), c.calibration ? !c.calibrating : c.calibrating);
}

const char* const kInstall = "Boşaltma için pil yardımcısını kur";
const char* const kUpdate = "Pil yardımcısını güncelle";

INSTANTIATE_TEST_SUITE_P(
    Situations, BatteryTilesEnabledTest,
    ::testing::Values(
        //            name                  helper AC    calib  top-up limit  install   drain  topUp  calib
        EnabledCase{"HelperMissing", {}, true, false, false, 80, kInstall, false, true, false},
        EnabledCase{"HelperOutdated", 1, true, false, false, 80, kUpdate, false, true, false},
        EnabledCase{"Ready", 2, true, false, false, 80, {}, true, true, true},
        EnabledCase{"OnBattery", 2, false, false, false, 80, {}, false, true, true},
        EnabledCase{"NoLimitToLift", 2, true, false, false, 100, {}, true, false, true},
        EnabledCase{"Calibrating", 2, true, true, false, 80, {}, false, false, true},
        EnabledCase{"CalibratingWithAnOutdatedHelper", 1, true, true, false, 80, kUpdate, false, false, true},
        EnabledCase{"ToppingUp", 2, true, false, true, 80, {}, true, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BatteryViewsTest, ADrainEntryStartsADischargeTheHelperRuns)
{
    ASSERT_TRUE(installHelperProgram());
    HelperProcess helper;
    ASSERT_TRUE(helper.start(platform::paths::map(sv(HelperConstants::installPath))));
    auto& m = start();
    ASSERT_TRUE(waitUntil([&] {
        m.refresh();
        processEvents();
        return m.helperInstalled() && !m.helperError() && m.onAC();
    }));
    auto* tiles = place(new BatteryActionTiles(m, false));
    auto* summary = place(new BatterySummary(m, true));
    ASSERT_TRUE(tiles->drainTile()->isEnabled());
    tiles->drainMenu()->refill();
    QAction* to60 = nullptr;
    for (QAction* a : tiles->drainMenu()->actions())
        if (a->text() == "%60")
            to60 = a;
    ASSERT_TRUE(to60);
    to60->trigger();

    ASSERT_TRUE(waitUntil([&] { processEvents(); return m.dischargeTarget() == 60; }));
    processEvents();
    EXPECT_FALSE(m.onAC()) << "the helper switched the adapter off with the cable in";
    EXPECT_EQ(tiles->drainTile()->subtitle(), "Durdur");
    EXPECT_TRUE(tiles->drainTile()->isActive());
    EXPECT_EQ(summary->symbol()->symbol(), "arrow.down");
    EXPECT_EQ(summary->ring()->tint().resolve(summary->ring()), systemColor(SystemColor::orange, summary));
    EXPECT_TRUE(summary->statusLine()->text().startsWith("Boşalıyor → %60"));

    // The battery really falls under the helper's watchdog.
    ASSERT_TRUE(helper.advance(120));
    m.refresh();
    ASSERT_TRUE(waitUntil([&] { processEvents(); return m.percent() <= 79; }));

    // "Durdur" ends it: the adapter is back on.
    tap(tiles->drainTile());
    ASSERT_TRUE(waitUntil([&] { processEvents(); return m.dischargeTarget() == 0; }));
    processEvents();
    EXPECT_TRUE(m.onAC());
    EXPECT_EQ(tiles->drainTile()->subtitle(), "Hedef seç");
    EXPECT_FALSE(tiles->drainTile()->isActive());
}

TEST_F(BatteryViewsTest, StoppingATopUpThatMacOSRefusesKeepsTheSavedLimit)
{
    auto& m = start();
    ASSERT_TRUE(m.setLimit(80));
    auto* tiles = place(new BatteryActionTiles(m, false));
    processEvents();
    tap(tiles->topUpTile());
    processEvents();
    ASSERT_EQ(m.topUpRestoreLimit(), 80);
    ASSERT_EQ(sim::chargelimit::limit(), 100);
    EXPECT_EQ(tiles->topUpTile()->subtitle(), "Durdur");

    setLimitControls([](auto& c) { c.failing << "setMCLLimit:error:"; });
    tap(tiles->topUpTile());
    processEvents();
    EXPECT_EQ(m.topUpRestoreLimit(), 80) << "the user's limit is not lost";
    EXPECT_EQ(Prefs::d().object("battery.topUp"), QVariant(qlonglong(80)));
    EXPECT_EQ(tiles->topUpTile()->subtitle(), "Durdur");
    EXPECT_TRUE(tiles->topUpTile()->isActive());
    EXPECT_FALSE(tiles->errorLine()->isHidden()) << "the refusal shows";
    EXPECT_EQ(tiles->errorText()->text(), "macOS şarj sınırını (%80) geri almadı; tam doldurma sürüyor.");

    setLimitControls([](auto& c) { c.failing.clear(); });
    tap(tiles->topUpTile());
    processEvents();
    EXPECT_TRUE(tiles->errorLine()->isHidden()) << "and goes once the limit is back";
    EXPECT_FALSE(m.topUpRestoreLimit());
    EXPECT_FALSE(Prefs::d().object("battery.topUp").isValid());
    EXPECT_EQ(sim::chargelimit::limit(), 80);
    EXPECT_EQ(tiles->topUpTile()->subtitle(), "Bir kez %100");
    EXPECT_FALSE(tiles->topUpTile()->isActive());
}

TEST_F(BatteryViewsTest, TheHelpersErrorWinsOverTheActionError)
{
    // No helper in the application bundle: installing fails with the installer's message.
    qputenv("PELORN_BUNDLE", QString(root() + "/Applications/Pelorn.app").toLocal8Bit());
    auto& m = start();
    auto* tiles = place(new BatteryActionTiles(m, false));
    EXPECT_TRUE(tiles->errorLine()->isHidden());
    tap(tiles->installButton());
    processEvents();
    ASSERT_TRUE(m.actionError());
    EXPECT_FALSE(tiles->errorLine()->isHidden());
    EXPECT_EQ(tiles->errorText()->text(), *m.actionError());
    EXPECT_EQ(tiles->errorText()->shownColor(), systemColor(SystemColor::orange, tiles));

    // A helper on a Mac without the adapter key reports that in every status.
    ASSERT_TRUE(installHelperProgram());
    sim::smc::install({});
    HelperProcess helper;
    ASSERT_TRUE(helper.start(platform::paths::map(sv(HelperConstants::installPath))));
    ASSERT_TRUE(waitUntil([&] {
        m.refresh();
        processEvents();
        return m.helperError().has_value();
    }));
    processEvents();
    ASSERT_TRUE(m.actionError());
    EXPECT_EQ(tiles->errorText()->text(), "Bu Mac'te adaptör kontrol anahtarı bulunamadı");
    qunsetenv("PELORN_BUNDLE");
}

TEST_F(BatteryViewsTest, Galleries)
{
    auto& m = start();
    ASSERT_TRUE(m.setLimit(80));
    sim::battery::setPercent(64);
    m.refresh();
    processEvents();
    auto column = [&](bool large, bool calibrate) {
        auto* w = new QWidget;
        auto* c = new QVBoxLayout(w);
        c->setContentsMargins(12, 12, 12, 12);
        c->setSpacing(12);
        c->addWidget(new BatterySummary(m, large));
        c->addWidget(new ChargeLimitPicker(m));
        c->addWidget(new LivePowerSplitBar(m.live()));
        c->addWidget(new BatteryActionTiles(m, calibrate));
        c->addWidget(new BatteryExplanation(m, m.live()));
        c->addStretch(1);
        return w;
    };
    writeGallery("battery-views", {
        {"panel", {360, 400}, [&] { return column(false, false); }},
        {"page", {520, 400}, [&] { return column(true, true); }},
    });

    // A top-up and an error: active tiles, the orange line.
    qputenv("PELORN_BUNDLE", QString(root() + "/Applications/Pelorn.app").toLocal8Bit());
    m.startTopUp();
    m.installHelper();
    sim::battery::setExternalConnected(false);
    m.refresh();
    processEvents();
    writeGallery("battery-views-busy", {
        {"panel", {360, 420}, [&] { return column(false, false); }},
        {"narrow page", {300, 480}, [&] { return column(true, true); }},
    });
    qunsetenv("PELORN_BUNDLE");

    // The English texts in the same places.
    Texts::useEnglishForTesting(true);
    writeGallery("battery-views-en", {
        {"panel", {360, 420}, [&] { return column(false, false); }},
        {"narrow page", {300, 480}, [&] { return column(true, true); }},
    });
    Texts::useEnglishForTesting(false);
    SUCCEED();
}

} // namespace
