#include "app/Texts.h"
#include "battery/BatteryManager.h"
#include "battery/HelperClient.h"

#include "FakeHelper.h"
#include "helper/HelperProcess.h"
#include "platform/Paths.h"
#include "platform/Xpc.h"
#include "platform/sim/Battery.h"
#include "platform/sim/Launchd.h"
#include "platform/sim/Smc.h"
#include "app/Prefs.h"
#include "shared/HelperConstants.h"
#include "shared/HelperProtocol.h"
#include "support/SimTest.h"

#include <QCborArray>
#include <QCborValue>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QFile>
#include <QThread>

namespace {

class HelperClientTest : public SimTest {
protected:
    void TearDown() override
    {
        sim::launchd::reset();
        SimTest::TearDown();
    }
    static void putInstalledHelper() { ASSERT_TRUE(installHelperProgram()); }
    // Waits for the completion and checks that it ran once, on the main thread.
    template <class T>
    static std::optional<T> answer(const std::function<void(std::function<void(T)>)>& call)
    {
        std::optional<T> result;
        int calls = 0;
        call([&](T value) {
            ++calls;
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            result = std::move(value);
        });
        EXPECT_TRUE(waitUntil([&] { return calls > 0; }));
        processEvents();
        EXPECT_EQ(calls, 1);
        return result;
    }
    using Start = std::pair<bool, std::optional<QString>>;
    std::optional<std::optional<HelperStatus>> status()
    {
        return answer<std::optional<HelperStatus>>([&](auto done) { client.status(done); });
    }
    std::optional<Start> start(int target)
    {
        return answer<Start>([&](auto done) {
            client.startDischarge(target, [done](bool ok, std::optional<QString> e) { done({ok, e}); });
        });
    }
    std::optional<bool> stop() { return answer<bool>([&](auto done) { client.stopDischarge(done); }); }

    HelperClient client;
};

TEST_F(HelperClientTest, NotInstalledAnswersAtOnceWithoutAConnection)
{
    bool answered = false;
    client.status([&](std::optional<HelperStatus> s) {
        answered = true;
        EXPECT_FALSE(s);
    });
    EXPECT_TRUE(answered) << "before status returns";
    EXPECT_FALSE(client.isConnected());
}

// A helper that could not check Pelorn because the system forbids it says so, and the refused
// discharge tells the person the cause; any other refusal stays the plain text.
TEST_F(HelperClientTest, ARefusalForWantOfInspectionShowsItsCause)
{
    const QString path = platform::xpc::servicePath(QString::fromUtf8(HelperConstants::label.data()));
    QDir().mkpath(QFileInfo(path).absolutePath());
    struct Case {
        QByteArray said; // CBOR after its length, before the service closes
        QString text;
    };
    const Case cases[] = {
        {QCborValue(QCborArray{-1, QCborArray{"not-inspectable"}}).toCbor(),
         "Yardımcıya bağlanılamadı: sistem, yardımcının Pelorn'u incelemesine izin vermiyor"},
        {QCborValue(QCborArray{-1, QCborArray{"something else"}}).toCbor(), "Yardımcıya bağlanılamadı"},
        {{}, "Yardımcıya bağlanılamadı"},
    };
    for (const Case& c : cases) {
        QLocalServer service;
        QLocalServer::removeServer(path);
        ASSERT_TRUE(service.listen(path));
        QObject::connect(&service, &QLocalServer::newConnection, [&] {
            QLocalSocket* peer = service.nextPendingConnection();
            if (!c.said.isEmpty()) {
                const quint32 n = quint32(c.said.size());
                const char length[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
                peer->write(QByteArray(length, 4) + c.said);
                peer->flush();
            }
            peer->abort();
        });
        const auto refused = start(40);
        ASSERT_TRUE(refused);
        EXPECT_FALSE(refused->first);
        EXPECT_EQ(refused->second, c.text) << c.said.toHex().constData();
    }
}

TEST_F(HelperClientTest, AHelperThatIsDownFailsThenAnswersAfterItRestarts)
{
    putInstalledHelper();
    EXPECT_EQ(status(), std::make_optional(std::optional<HelperStatus>())) << "answered, with nothing";
    EXPECT_EQ(start(40), Start(false, QString("Yardımcıya bağlanılamadı")));
    EXPECT_EQ(stop(), false);
    processEvents();
    EXPECT_FALSE(client.isConnected()) << "the failed connection was invalidated and cleared";

    HelperProcess helper;
    ASSERT_TRUE(helper.start(platform::paths::map(sv(HelperConstants::installPath))));
    ASSERT_TRUE(waitUntil([&] {
        std::optional<HelperStatus> s;
        bool done = false;
        client.status([&](std::optional<HelperStatus> r) { s = r; done = true; });
        waitUntil([&] { return done; });
        return s.has_value();
    }));
    const auto s = status();
    ASSERT_TRUE(s && *s);
    EXPECT_EQ((*s)->version, 2);
    EXPECT_EQ((*s)->dischargeTarget, 0);
    EXPECT_EQ(start(40), Start(true, std::nullopt));
    EXPECT_EQ((*status())->dischargeTarget, 40);
    EXPECT_EQ(stop(), true);

    // Killed, the helper fails the next call; started again, a later call reconnects.
    helper.signal(SIGKILL);
    helper.waitForExit();
    EXPECT_EQ(start(40), Start(false, QString("Yardımcıya bağlanılamadı")));
    HelperProcess again;
    ASSERT_TRUE(again.start(platform::paths::map(sv(HelperConstants::installPath))));
    EXPECT_TRUE(waitUntil([&] { return status().value_or(std::nullopt).has_value(); }));
}

TEST_F(HelperClientTest, ADischargeRunsThroughTheHelperToItsTarget)
{
    putInstalledHelper();
    HelperProcess helper;
    ASSERT_TRUE(helper.start(platform::paths::map(sv(HelperConstants::installPath))));
    BatteryManager manager;
    ASSERT_TRUE(waitUntil([&] { return status().value_or(std::nullopt).has_value(); }));

    manager.startDischarge(70);
    ASSERT_TRUE(waitUntil([&] { processEvents(); return manager.dischargeTarget() == 70; }));
    EXPECT_FALSE(manager.onAC()) << "the adapter is switched off with the cable in";
    EXPECT_TRUE(manager.explanation().startsWith("Adaptör takılı ama devre dışı; Mac pilden çalışıyor. Pil %70'e"));

    // 80 % at 0.5 %/min: twenty minutes to the target, then the helper's watchdog ends it.
    int minutes = 0;
    for (; minutes < 25 && manager.dischargeTarget() != 0; ++minutes) {
        ASSERT_TRUE(helper.advance(60));
        waitUntil([&] { return false; }, 2);
    }
    EXPECT_GE(minutes, 18);
    EXPECT_EQ(manager.dischargeTarget(), 0);
    EXPECT_LE(manager.percent(), 71);
    EXPECT_TRUE(manager.onAC());
}

TEST_F(HelperClientTest, AStatusWithAnErrorTextIsStillAStatus)
{
    putInstalledHelper();
    sim::smc::install({}); // this Mac has no adapter control key
    HelperProcess helper;
    ASSERT_TRUE(helper.start(platform::paths::map(sv(HelperConstants::installPath))));
    std::optional<HelperStatus> s;
    ASSERT_TRUE(waitUntil([&] { return (s = status().value_or(std::nullopt)).has_value(); }));
    EXPECT_EQ(s->error, QString("Bu Mac'te adaptör kontrol anahtarı bulunamadı"));

    // The helper always replies in Turkish; an English interface shows its text in English.
    Texts::useEnglishForTesting(true);
    s.reset();
    EXPECT_TRUE(waitUntil([&] { return (s = status().value_or(std::nullopt)).has_value(); }));
    Texts::useEnglishForTesting(false);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->error, QString("No SMC key for adapter control was found on this Mac"));
}

TEST_F(HelperClientTest, AfterInstallTheNextStatusReachesTheNewDaemon)
{
    const QString bundle = root() + "/Applications/Pelorn.app";
    qputenv("PELORN_BUNDLE", bundle.toLocal8Bit());
    const QString inBundle = bundle + "/Contents/Library/LaunchServices/" + sv(HelperConstants::label);
    QDir().mkpath(QFileInfo(inBundle).path());
    ASSERT_TRUE(QFile::copy(builtHelperPath(), inBundle));

    {
        FakeHelper old(1); // an old helper that answers with version 1
        BatteryManager manager;
        putInstalledHelper();
        ASSERT_TRUE(waitUntil([&] {
            manager.refresh();
            return manager.helperOutdated();
        }));
        EXPECT_TRUE(manager.helper().isConnected());
        manager.installHelper(); // the battery views offer this for an outdated helper
        EXPECT_FALSE(manager.actionError());
        EXPECT_FALSE(manager.helper().isConnected()) << "the old connection is dropped";
    }
    ASSERT_TRUE(sim::launchd::isLoaded(sv(HelperConstants::label)));
    std::optional<HelperStatus> s;
    EXPECT_TRUE(waitUntil([&] { return (s = status().value_or(std::nullopt)).has_value(); }));
    EXPECT_EQ(s->version, 2);
    qunsetenv("PELORN_BUNDLE");
}

TEST_F(HelperClientTest, ARefusedCalibrationDischargeWaitsForTheTimedRefresh)
{
    putInstalledHelper();
    FakeHelper helper(2);
    helper.refuses = true;
    helper.refusal = "Deşarj için adaptör takılı olmalı";
    Prefs::d().set("battery.calibration", QByteArray(R"({"step":"discharge","savedLimit":80})"));
    BatteryManager manager;
    ASSERT_TRUE(waitUntil([&] { return helper.startCalls >= 1 && manager.actionError().has_value(); }));
    // The refusal's refresh and the change notifications must not ask again.
    for (int i = 0; i < 20; ++i) {
        manager.refresh();
        waitUntil([&] { return false; }, 5);
    }
    EXPECT_EQ(helper.startCalls, 1);
    EXPECT_EQ(manager.actionError(), QString("Deşarj için adaptör takılı olmalı"));
    EXPECT_EQ(manager.calibration()->step, BatteryCalibration::Step::discharge);

    advance(BatteryManager::kRefreshInterval);
    waitUntil([&] { return helper.startCalls >= 2; });
    EXPECT_EQ(helper.startCalls, 2) << "tried again at the timed refresh";

    // Accepted, the manager mirrors the helper's discharge.
    helper.refuses = false;
    advance(BatteryManager::kRefreshInterval);
    EXPECT_TRUE(waitUntil([&] {
        processEvents();
        return manager.dischargeTarget() == 15;
    }));
    EXPECT_FALSE(manager.actionError());

    // Stopping the cycle mid-way tells the helper to stop and puts the user's limit back.
    ASSERT_TRUE(manager.setLimit(100));
    manager.stopCalibration();
    EXPECT_TRUE(waitUntil([&] { processEvents(); return helper.target == 0 && manager.dischargeTarget() == 0; }));
    EXPECT_FALSE(manager.calibration());
    EXPECT_EQ(manager.limit(), 80);
}

TEST_F(HelperClientTest, AnOldConnectionsInvalidationLeavesTheNewOneAlone)
{
    // The bundle's helper here is a stand-in that never answers; the in-process service does.
    const QString bundle = root() + "/Applications/Pelorn.app";
    qputenv("PELORN_BUNDLE", bundle.toLocal8Bit());
    const QString inBundle = bundle + "/Contents/Library/LaunchServices/" + sv(HelperConstants::label);
    QDir().mkpath(QFileInfo(inBundle).path());
    QFile f(inBundle);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nexec sleep 600\n");
    f.close();

    FakeHelper helper(2);
    putInstalledHelper();
    ASSERT_TRUE(status().value_or(std::nullopt));
    ASSERT_TRUE(client.isConnected());

    ASSERT_TRUE(client.install()); // drops the connection; its invalidation reaches main later
    EXPECT_FALSE(client.isConnected());
    std::optional<HelperStatus> s;
    client.status([&](std::optional<HelperStatus> r) { s = r; }); // a new connection at once
    EXPECT_TRUE(waitUntil([&] { return s.has_value(); }));
    processEvents();
    EXPECT_TRUE(client.isConnected());
    qunsetenv("PELORN_BUNDLE");
}

TEST_F(HelperClientTest, DischargeRequestsAndStatusMirror)
{
    putInstalledHelper();
    FakeHelper helper(2);
    BatteryManager manager;
    manager.startDischarge(40);
    EXPECT_TRUE(waitUntil([&] { processEvents(); return manager.dischargeTarget() == 40; }));
    EXPECT_FALSE(manager.helperOutdated());

    manager.stopDischarge();
    EXPECT_TRUE(waitUntil([&] { processEvents(); return manager.dischargeTarget() == 0; }));

    // The helper program removed while a discharge shows: no contact, the mirror falls back.
    manager.startDischarge(30);
    ASSERT_TRUE(waitUntil([&] { processEvents(); return manager.dischargeTarget() == 30; }));
    const int calls = helper.statusCalls;
    QFile::remove(platform::paths::map(sv(HelperConstants::installPath)));
    manager.refresh();
    EXPECT_EQ(manager.dischargeTarget(), 0);
    EXPECT_FALSE(manager.helperInstalled());
    EXPECT_EQ(helper.statusCalls, calls);

    // A refusal without a text leaves no message behind.
    putInstalledHelper();
    helper.refuses = true;
    manager.startDischarge(50);
    EXPECT_TRUE(waitUntil([&] { processEvents(); return helper.startCalls == 3; }));
    processEvents();
    EXPECT_FALSE(manager.actionError());
}

} // namespace
