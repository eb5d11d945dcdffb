#include "battery/BatteryManager.h"

#include "app/Prefs.h"
#include "bridge/ChargeLimitBridge.h"
#include "platform/Clock.h"
#include "platform/PowerSources.h"
#include "platform/SystemSettings.h"
#include "showcase/Showcase.h"
#include "platform/sim/Battery.h"
#include "platform/sim/ChargeLimit.h"
#include "platform/sim/PowerSources.h"
#include "platform/sim/Smc.h"
#include "support/SimTest.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <cstring>

namespace {

using Step = BatteryCalibration::Step;

class BatteryManagerTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        mcl_reset_for_testing();
    }
    void TearDown() override
    {
        manager.reset();
        mcl_reset_for_testing();
        SimTest::TearDown();
    }
    BatteryManager& start()
    {
        manager = std::make_unique<BatteryManager>();
        processEvents();
        return *manager;
    }
    // A new process: the manager goes away and comes back on the same Mac.
    BatteryManager& restart()
    {
        manager.reset();
        mcl_reset_for_testing();
        return start();
    }
    static void editProperties(std::function<void(QVariantMap&)> edit)
    {
        auto c = sim::power::controls();
        c.editProperties = std::move(edit);
        sim::power::setControls(c);
    }
    static void editSources(std::function<void(QVariantList&)> edit)
    {
        auto c = sim::power::controls();
        c.editSources = std::move(edit);
        sim::power::setControls(c);
    }
    static void changeLimitControls(const std::function<void(sim::chargelimit::Controls&)>& edit)
    {
        auto c = sim::chargelimit::controls();
        edit(c);
        sim::chargelimit::setControls(c);
    }
    static QByteArray floatBytes(float v)
    {
        return QByteArray(reinterpret_cast<const char*>(&v), 4);
    }

    std::unique_ptr<BatteryManager> manager;
};

// The default desk: a laptop at 80 % on its charger (1 %/min), no limit, "TB0T" 30.5 °C.
TEST_F(BatteryManagerTest, ReadingsReachThePublishedState)
{
    auto& m = start();
    EXPECT_TRUE(m.hasBattery());
    EXPECT_EQ(m.percent(), 80);
    EXPECT_TRUE(m.isCharging());
    EXPECT_TRUE(m.onAC());
    EXPECT_EQ(m.minutesRemaining(), 20);
    EXPECT_EQ(m.cycleCount(), 120);
    EXPECT_EQ(m.healthPercent(), 92); // 4600 of 5000 mAh
    EXPECT_EQ(m.temperature(), 30.5);
    const auto& t = m.live().telemetry();
    EXPECT_GT(t.amperage, 0);
    EXPECT_GT(t.adapterPower, 0);
    EXPECT_EQ(t.adapterRated, 96);
    EXPECT_EQ(t.adapterName, QString("96W USB-C Power Adapter"));
    EXPECT_EQ(t.designCapacity, 5000);
    EXPECT_EQ(t.fullCapacity, 4600);
    EXPECT_EQ(t.remainingCapacity, 3680);

    advance(300); // the change notification follows the charge
    EXPECT_EQ(m.percent(), 85);

    sim::battery::setExternalConnected(false);
    advance(sim::power::kNotificationPoll);
    EXPECT_FALSE(m.onAC());
    EXPECT_FALSE(m.isCharging());
    EXPECT_EQ(m.minutesRemaining(), 169); // just under 85 % at 0.5 %/min
    const auto& b = m.live().telemetry();
    EXPECT_LT(b.amperage, 0);
    EXPECT_LT(b.batteryPower, 0);
    EXPECT_GT(b.systemLoad, 0);
    EXPECT_EQ(b.adapterPower, 0);
    EXPECT_FALSE(b.adapterRated);
    EXPECT_FALSE(b.adapterVoltage);
    EXPECT_FALSE(b.adapterCurrent);
    EXPECT_FALSE(b.adapterName);
}

TEST_F(BatteryManagerTest, PowerSourceListEdgeCases)
{
    auto& m = start();
    QVariantMap second;
    editSources([&](QVariantList& list) {
        QVariantMap ups{{"Type", "UPS"}, {"Current Capacity", qlonglong(5)}};
        second = list[0].toMap();
        second["Current Capacity"] = qlonglong(42);
        second["Is Charging"] = false;
        second["Time to Empty"] = qlonglong(0);
        list = {ups, list[0], QVariant(qlonglong(7)), second};
    });
    m.readPowerSource();
    EXPECT_EQ(m.percent(), 42) << "the last internal battery wins";
    EXPECT_FALSE(m.isCharging());
    EXPECT_FALSE(m.minutesRemaining()) << "a time of 0 is unknown";

    editSources([](QVariantList& list) {
        QVariantMap d = list[0].toMap();
        d.remove("Current Capacity");
        d["Is Charging"] = QString("yes");
        d["Power Source State"] = QString("Battery Power");
        d["Time to Empty"] = qlonglong(-1);
        list = {d};
    });
    m.readPowerSource();
    EXPECT_EQ(m.percent(), 0);
    EXPECT_FALSE(m.isCharging());
    EXPECT_FALSE(m.onAC());
    EXPECT_FALSE(m.minutesRemaining());

    // No snapshot, a list that is no array or is empty: nothing is touched.
    editSources(nullptr);
    m.readPowerSource();
    for (int i = 0; i < 3; ++i) {
        auto c = sim::power::controls();
        c.info = i != 0;
        c.list = i == 1 ? std::optional<QVariant>(QVariant(QString("x"))) : std::optional<QVariant>(QVariantList{});
        sim::power::setControls(c);
        sim::battery::setPercent(10);
        m.readPowerSource();
        EXPECT_EQ(m.percent(), 80) << i;
        EXPECT_TRUE(m.hasBattery());
    }
}

TEST_F(BatteryManagerTest, SmartBatteryFallbacks)
{
    auto& m = start();
    struct Case {
        const char* name;
        std::function<void(QVariantMap&)> edit;
        std::optional<QByteArray> tb0t;
        std::optional<double> temperature;
        std::optional<int> health;
    };
    const Case cases[] = {
        {"Temperature in hundredths", [](QVariantMap& p) { p["Temperature"] = qlonglong(3050); }, {}, 30.5, 92},
        {"TB0T when Temperature is missing", [](QVariantMap& p) { p.remove("Temperature"); }, floatBytes(25.25f),
         25.25, 92},
        {"Temperature of another kind", [](QVariantMap& p) { p["Temperature"] = QString("31"); }, floatBytes(26.0f),
         26.0, 92},
        {"a 2-byte TB0T gives nothing", [](QVariantMap& p) { p.remove("Temperature"); }, QByteArray(2, 0x10),
         std::nullopt, 92},
        {"TB0T at 0", [](QVariantMap& p) { p.remove("Temperature"); }, floatBytes(0.0f), std::nullopt, 92},
        {"TB0T at 100", [](QVariantMap& p) { p.remove("Temperature"); }, floatBytes(100.0f), std::nullopt, 92},
        {"raw max capacity inside BatteryData",
         [](QVariantMap& p) {
             p.remove("NominalChargeCapacity");
             p.remove("AppleRawMaxCapacity");
             p.remove("DesignCapacity");
             QVariantMap data = p["BatteryData"].toMap();
             data["AppleRawMaxCapacity"] = qlonglong(4025); // 80.5 % rounds up
             p["BatteryData"] = data;
         },
         {}, 30.5, 81},
        {"full above design is capped", [](QVariantMap& p) { p["NominalChargeCapacity"] = qlonglong(5600); }, {},
         30.5, 100},
        {"design 0 keeps the health", [](QVariantMap& p) { p["DesignCapacity"] = qlonglong(0); p.remove("BatteryData"); },
         {}, 30.5, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        editProperties(nullptr);
        sim::smc::setValue("TB0T", floatBytes(30.5f));
        m.readSmartBattery(); // back to 30.5 °C and 92 %
        if (c.tb0t)
            sim::smc::setValue("TB0T", *c.tb0t);
        editProperties(c.edit);
        m.readSmartBattery();
        EXPECT_EQ(m.temperature(), c.temperature.value_or(30.5)) << "unknown keeps the last value";
        EXPECT_EQ(m.healthPercent(), c.health.value_or(92));
    }

    editProperties([](QVariantMap& p) { p.remove("CycleCount"); });
    m.readSmartBattery();
    EXPECT_FALSE(m.cycleCount()) << "no BatteryData fallback for the cycle count";
}

TEST_F(BatteryManagerTest, TelemetryFallbacksAndPublishingOnlyChanges)
{
    auto& m = start();
    editProperties([](QVariantMap& p) {
        p.remove("PowerTelemetryData");
        p["Amperage"] = qlonglong(-1500);
        p["Voltage"] = qlonglong(12000);
        p["AdapterDetails"] = QVariantMap{{"Watts", qlonglong(140)}, {"AdapterVoltage", qlonglong(28000)},
                                          {"Current", qlonglong(5000)}, {"Description", QString("140W")}};
    });
    m.readSmartBattery();
    auto t = m.live().telemetry();
    EXPECT_DOUBLE_EQ(t.batteryPower, -18.0);
    EXPECT_EQ(t.systemLoad, 0);
    EXPECT_EQ(t.adapterPower, 0);
    EXPECT_EQ(t.adapterRated, 140);
    EXPECT_EQ(t.adapterVoltage, 28.0);
    EXPECT_EQ(t.adapterCurrent, 5.0);

    editProperties([](QVariantMap& p) {
        p.remove("AppleRawCurrentCapacity");
        p["FullChargeCapacity"] = QString("4500"); // not an integer: the health's value is used
        p["BatteryData"] = QVariantMap{{"RemainingCapacity", qlonglong(1234)}};
    });
    m.readSmartBattery();
    t = m.live().telemetry();
    EXPECT_EQ(t.fullCapacity, 4600);
    EXPECT_EQ(t.remainingCapacity, 1234);

    QSignalSpy live(&m.live(), &BatteryLive::changed);
    QSignalSpy manager(&m, &BatteryManager::changed);
    m.readSmartBattery();
    m.readSmartBattery();
    EXPECT_EQ(live.count(), 0);
    EXPECT_EQ(manager.count(), 0);
}

TEST_F(BatteryManagerTest, ChargeLimitFromThePlatform)
{
    changeLimitControls([](auto& c) { c.offered = QVariantList{100, 80, 90}; });
    auto& m = start();
    EXPECT_TRUE(m.limitSupported());
    EXPECT_EQ(m.availableLimits(), (std::vector<int>{80, 90, 100}));
    EXPECT_EQ(m.limit(), 100);

    EXPECT_TRUE(m.setLimit(80));
    EXPECT_EQ(m.limit(), 80);
    EXPECT_EQ(sim::chargelimit::limit(), 80);
    sim::chargelimit::setLimit(90); // macOS settles on another value
    advance(0.9);
    EXPECT_EQ(m.limit(), 80);
    advance(0.1);
    EXPECT_EQ(m.limit(), 90) << "read back 1.0 s later";

    const int calls = sim::chargelimit::setCalls();
    EXPECT_FALSE(m.setLimit(101));
    EXPECT_FALSE(m.setLimit(-5));
    EXPECT_EQ(sim::chargelimit::setCalls(), calls);
    EXPECT_EQ(m.limit(), 90);

    changeLimitControls([](auto& c) { c.failing << "getMCLLimitWithError:"; });
    sim::chargelimit::setLimit(80);
    m.refresh();
    EXPECT_EQ(m.limit(), 90) << "an unreadable limit keeps the last one";

    QVariantList twenty;
    for (int i = 20; i >= 1; --i)
        twenty << i * 5;
    changeLimitControls([&](auto& c) { c.offered = twenty; });
    m.refresh();
    EXPECT_EQ(m.availableLimits().size(), 16u);
    EXPECT_EQ(m.availableLimits().front(), 25);
    EXPECT_EQ(m.availableLimits().back(), 100);

    changeLimitControls([](auto& c) { c.supported = false; });
    m.refresh();
    EXPECT_FALSE(m.limitSupported());
    EXPECT_EQ(m.availableLimits().size(), 16u) << "kept while unsupported";
    EXPECT_FALSE(m.setLimit(80));
}

TEST_F(BatteryManagerTest, ChargingStopsAtTheLimit)
{
    auto& m = start();
    ASSERT_TRUE(m.setLimit(85));
    advance(600);
    EXPECT_EQ(m.percent(), 85);
    EXPECT_FALSE(m.isCharging());
    EXPECT_TRUE(m.onAC());
    EXPECT_EQ(m.explanation(), "Pil %85 sınırında tutuluyor. Mac doğrudan adaptörden çalışıyor, pil dinleniyor.");
}

TEST_F(BatteryManagerTest, HistoryIsSampledEveryMinuteAndSurvivesARestart)
{
    auto& m = start();
    ASSERT_EQ(m.history().size(), 1u) << "one sample at start";
    const QString file = BatteryHistory::defaultPath();
    advance(8 * 60);
    EXPECT_EQ(m.history().size(), 9u);
    EXPECT_FALSE(QFileInfo::exists(file));
    advance(60);
    ASSERT_EQ(m.history().size(), 10u);
    EXPECT_TRUE(QFileInfo::exists(file)) << "written at the tenth sample";
    EXPECT_EQ(m.history().front().percent, 80);
    EXPECT_EQ(m.history().back().percent, 89);
    EXPECT_EQ(m.history().back().temperature, 30.5);
    EXPECT_DOUBLE_EQ(m.history().back().date - m.history().front().date, 540);

    auto& again = restart();
    ASSERT_EQ(again.history().size(), 11u) << "the ten from the file and the new one";
    EXPECT_EQ(again.history()[9].percent, 89);


    // Started a day later, only the samples of the last 24 hours come back.
    manager.reset();
    platform::clock::testing::advance(86400 - 300);
    auto& later = restart();
    ASSERT_EQ(later.history().size(), 6u) << "the newest five of the file and the new one";
    EXPECT_GT(later.history().front().date, platform::clock::wallNow() - 86400);
}

TEST_F(BatteryManagerTest, CorruptHistoryIsKeptAsideAndTheAppStartsEmpty)
{
    const QString file = BatteryHistory::defaultPath();
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[{\"date\": \"yesterday\"}]");
    }
    auto& m = start();
    EXPECT_EQ(m.history().size(), 1u);
    EXPECT_TRUE(QFileInfo::exists(BatteryHistory(file).asidePath()));
}

TEST_F(BatteryManagerTest, NoBatteryRecordsNothing)
{
    installDesk(R"({"smc": {"keys": []}})");
    auto& m = start();
    EXPECT_FALSE(m.hasBattery());
    EXPECT_TRUE(m.history().empty());
    EXPECT_FALSE(m.temperature());
    EXPECT_EQ(m.live().telemetry(), BatteryTelemetry());
    EXPECT_EQ(m.explanation(), "Bu Mac'te pil yok.");
    advance(600);
    EXPECT_TRUE(m.history().empty());
    EXPECT_FALSE(QFileInfo::exists(BatteryHistory::defaultPath()));
    EXPECT_TRUE(m.limitSupported()) << "the charge-limit step still runs";
}

TEST_F(BatteryManagerTest, StoredStateIsCheckedAtStart)
{
    Prefs::d().set("battery.topUp", QString("80"));
    Prefs::d().set("battery.calibration", QByteArray(R"({"step":"dance","savedLimit":80})"));
    auto& m = start();
    EXPECT_FALSE(m.topUpRestoreLimit());
    EXPECT_FALSE(m.calibration());
    EXPECT_FALSE(Prefs::d().object("battery.topUp").isValid());
    EXPECT_FALSE(Prefs::d().object("battery.calibration").isValid());

    // A hold without an end time is due at once: the first refresh ends it.
    manager.reset();
    sim::chargelimit::setLimit(100);
    Prefs::d().set("battery.calibration", QByteArray(R"({"step":"hold","savedLimit":80})"));
    auto& again = restart();
    EXPECT_FALSE(again.calibration());
    EXPECT_FALSE(Prefs::d().object("battery.calibration").isValid());
    EXPECT_EQ(again.limit(), 80);
}

TEST_F(BatteryManagerTest, ShowcaseModeStoresNothing)
{
    Showcase::setEnabledForTesting(true);
    Prefs::d().set("battery.topUp", QString("stale"));
    auto& m = start();
    EXPECT_TRUE(Prefs::d().object("battery.topUp").isValid()) << "not even the clean-up is written";
    ASSERT_TRUE(m.setLimit(80));
    m.startTopUp();
    m.startCalibration();
    EXPECT_EQ(Prefs::d().object("battery.topUp"), QVariant(QString("stale")));
    EXPECT_FALSE(Prefs::d().object("battery.calibration").isValid());
    EXPECT_TRUE(m.calibration());
}

TEST_F(BatteryManagerTest, TopUpLiftsTheLimitOnceAndPutsItBack)
{
    auto& m = start();
    m.startTopUp(); // limit 100: nothing to do
    EXPECT_FALSE(m.topUpRestoreLimit());

    ASSERT_TRUE(m.setLimit(80));
    advance(1);
    m.startTopUp();
    EXPECT_EQ(m.topUpRestoreLimit(), 80);
    EXPECT_EQ(Prefs::d().object("battery.topUp"), QVariant(qlonglong(80)));
    EXPECT_EQ(m.limit(), 100);
    EXPECT_EQ(m.explanation(), "Pil bir seferliğine %100'e dolduruluyor; dolunca şarj sınırı %80'e geri döner.");

    // It survives a restart, and macOS refusing the limit at the end keeps the user's limit.
    auto& again = restart();
    EXPECT_EQ(again.topUpRestoreLimit(), 80);
    changeLimitControls([](auto& c) { c.failing << "setMCLLimit:error:"; });
    advance(20 * 60);
    EXPECT_EQ(again.percent(), 100);
    EXPECT_EQ(again.topUpRestoreLimit(), 80);
    changeLimitControls([](auto& c) { c.failing.clear(); });
    advance(30);
    EXPECT_FALSE(again.topUpRestoreLimit());
    EXPECT_FALSE(Prefs::d().object("battery.topUp").isValid());
    EXPECT_EQ(again.limit(), 80);
    EXPECT_EQ(sim::chargelimit::limit(), 80);
}

TEST_F(BatteryManagerTest, CalibrationRunsAcrossRefreshesAndRestarts)
{
    ASSERT_TRUE(start().setLimit(80));
    manager->startTopUp();
    manager->startCalibration(); // absorbs the top-up
    auto c = manager->calibration();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->step, Step::chargeFull);
    EXPECT_EQ(c->savedLimit, 80);
    EXPECT_FALSE(manager->topUpRestoreLimit());
    EXPECT_FALSE(Prefs::d().object("battery.topUp").isValid());
    EXPECT_EQ(manager->calibrationText(), "Kalibrasyon 1/4: %100'e şarj ediliyor");

    restart();
    advance(20 * 60);
    EXPECT_EQ(manager->calibration()->step, Step::discharge);
    // No helper on this Mac yet: the request fails and the cycle waits in the discharge step.
    EXPECT_EQ(manager->actionError(), "Yardımcıya bağlanılamadı");
    EXPECT_EQ(manager->calibrationText(), "Kalibrasyon 2/4: %15'e deşarj ediliyor");

    restart();
    EXPECT_EQ(manager->calibration()->step, Step::discharge);
    sim::battery::setPercent(17);
    advance(30);
    EXPECT_EQ(manager->calibration()->step, Step::discharge);
    sim::battery::setPercent(16);
    advance(30);
    EXPECT_EQ(manager->calibration()->step, Step::rechargeFull);

    restart();
    advance(84 * 60);
    ASSERT_EQ(manager->percent(), 100);
    c = manager->calibration();
    ASSERT_EQ(c->step, Step::hold);
    ASSERT_TRUE(c->holdUntil);
    EXPECT_EQ(manager->limit(), 100);

    restart();
    advance(3500);
    EXPECT_TRUE(manager->calibration());
    advance(100);
    EXPECT_FALSE(manager->calibration());
    EXPECT_FALSE(Prefs::d().object("battery.calibration").isValid());
    EXPECT_EQ(manager->limit(), 80);
    EXPECT_EQ(sim::chargelimit::limit(), 80);
}

TEST_F(BatteryManagerTest, StoppingMidWayRestoresTheUsersLimit)
{
    auto& m = start();
    ASSERT_TRUE(m.setLimit(85));
    m.startCalibration();
    EXPECT_EQ(m.limit(), 100);
    m.stopCalibration();
    EXPECT_FALSE(m.calibration());
    EXPECT_EQ(m.limit(), 85);
    EXPECT_FALSE(m.topUpRestoreLimit());

    // macOS refusing the limit at that moment: it is put back when the battery is full instead.
    m.startCalibration();
    changeLimitControls([](auto& c) { c.failing << "setMCLLimit:error:"; });
    m.stopCalibration();
    EXPECT_FALSE(m.calibration());
    EXPECT_EQ(m.topUpRestoreLimit(), 85);
    changeLimitControls([](auto& c) { c.failing.clear(); });
    advance(20 * 60);
    EXPECT_EQ(m.limit(), 85);
    EXPECT_FALSE(m.topUpRestoreLimit());
}

TEST_F(BatteryManagerTest, OpensTheSystemBatterySettings)
{
    sim::systemsettings::clear();
    BatteryManager::openSystemBatterySettings();
    EXPECT_EQ(sim::systemsettings::opened(),
              QStringList{"x-apple.systempreferences:com.apple.Battery-Settings.extension"});
}

} // namespace
