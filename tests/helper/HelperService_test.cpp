// The three service methods, their refusals in order, and who may call them.
#include "HelperFixture.h"
#include "HelperProcess.h"

#include "platform/CodeSigning.h"
#include "platform/Paths.h"
#include "platform/Xpc.h"
#include "platform/sim/CodeSigning.h"
#include "platform/sim/Smc.h"
#include "support/TestPaths.h"

#include <QCborValue>
#include <QCryptographicHash>
#include <QDir>
#include <QLibraryInfo>
#include <QLocalSocket>
#include <QProcess>
#include <limits>

namespace {

const QString kMissingKey = "Bu Mac'te adaptör kontrol anahtarı bulunamadı";
const QString kBelowTarget = "Pil zaten hedefin altında";
const QString kNeedsAdapter = "Deşarj için adaptör takılı olmalı";
const QString kWriteFailed = "SMC yazılamadı";

using HelperService = HelperTest;

TEST_F(HelperService, StartRefusalsComeInTheirOrder)
{
    struct Case {
        const char* desk;
        int64_t target;
        std::optional<QString> refusal; // nullopt: accepted
    };
    const Case cases[] = {
        // No key wins over everything, even a low level without a cable.
        {R"({"smc": {"keys": []}, "battery": {"percent": 5, "externalConnected": false}})", 40, kMissingKey},
        {R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0]}]}, "battery": {"percent": 45}})", 45, kBelowTarget},
        {R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0]}]}, "battery": {"percent": 45}})", 44, std::nullopt},
        {R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0]}]}, "battery": {"percent": 45}})",
         std::numeric_limits<int64_t>::max(), kBelowTarget},
        // A target raised to 10 must still lie below the level.
        {R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0]}]}, "battery": {"percent": 10}})", 3, kBelowTarget},
        {R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0]}]}, "battery": {"percent": 45, "reportsCapacity": false}})",
         20, kBelowTarget},
        {R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0]}]}})", 20, kBelowTarget}, // no battery at all
        // The cable is looked at only after the level.
        {R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0]}]}, "battery": {"percent": 45, "externalConnected": false}})",
         50, kBelowTarget},
        {R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0]}]}, "battery": {"percent": 45, "externalConnected": false}})",
         40, kNeedsAdapter},
        {R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0], "failWrites": true}]}, "battery": {"percent": 45}})", 40,
         kWriteFailed},
    };
    for (const Case& c : cases) {
        installDesk(c.desk);
        startHelper();
        const StartAnswer answer = start(c.target);
        EXPECT_EQ(answer.ok, !c.refusal) << c.desk << " target " << c.target;
        EXPECT_EQ(answer.error, c.refusal) << c.desk << " target " << c.target;
        EXPECT_EQ(status().target, c.refusal ? 0 : c.target) << c.desk;
        EXPECT_EQ(markerExists(), !c.refusal) << c.desk;
        helper->shutdown();
        helper.reset();
    }
}

TEST_F(HelperService, LowTargetsAreRaisedToTheMinimum)
{
    startHelper();
    for (int64_t requested : {int64_t(9), int64_t(0), int64_t(-7), std::numeric_limits<int64_t>::min()}) {
        EXPECT_TRUE(start(requested).ok) << requested;
        EXPECT_EQ(status().target, 10) << requested;
    }
}

TEST_F(HelperService, RefusedReplacementLeavesTheRunningDischarge)
{
    startHelper();
    ASSERT_TRUE(start(30).ok);
    EXPECT_EQ(start(45).error, kBelowTarget);
    EXPECT_EQ(status().target, 30);
    EXPECT_EQ(chie(), 0x08);
    EXPECT_TRUE(markerExists());
}

// A replacement whose write fails leaves no discharge running, so nothing would ever lift the
// block the first one set.
TEST_F(HelperService, FailedReplacementUnblocksSleep)
{
    startHelper();
    ASSERT_TRUE(start(30).ok);
    sim::smc::setWriteFailure("CHIE", true);
    EXPECT_EQ(start(20).error, kWriteFailed);
    EXPECT_EQ(status().target, 0);
    EXPECT_FALSE(sleepDisabled());
    EXPECT_FALSE(markerExists());
}

TEST_F(HelperService, StatusAndStop)
{
    startHelper();
    const StatusAnswer idle = status();
    EXPECT_EQ(idle.version, 2);
    EXPECT_TRUE(idle.adapterEnabled);
    EXPECT_EQ(idle.target, 0);
    EXPECT_EQ(idle.error, std::nullopt);

    ASSERT_TRUE(start(30).ok);
    const StatusAnswer running = status();
    EXPECT_FALSE(running.adapterEnabled);
    EXPECT_EQ(running.target, 30);

    EXPECT_TRUE(stop());
    EXPECT_EQ(status().target, 0);
    EXPECT_FALSE(markerExists());

    sim::smc::clearRequests();
    EXPECT_TRUE(stop()); // idle: still writes 0 to the key
    bool wroteZero = false;
    for (const QByteArray& r : sim::smc::requests())
        wroteZero = wroteZero || (r[42] == 6 && r[48] == 0);
    EXPECT_TRUE(wroteZero);

    installDesk(R"({"smc": {"keys": []}, "battery": {"percent": 45}})");
    startHelper();
    const StatusAnswer keyless = status();
    EXPECT_EQ(keyless.error, kMissingKey);
    EXPECT_TRUE(keyless.adapterEnabled);
    EXPECT_EQ(keyless.version, 2);
}

// Records whether any method was reached.
struct RecordingHelper : PelornHelperProtocol {
    int calls = 0;
    void status(StatusReply reply) override { ++calls, reply(2, true, 0, std::nullopt); }
    void startDischarge(int64_t, StartReply reply) override { ++calls, reply(true, std::nullopt); }
    void stopDischarge(StopReply reply) override { ++calls, reply(true); }
};

struct RequirementDelegate : platform::xpc::ListenerDelegate {
    QString requirement;
    PelornHelperProtocol* object = nullptr;
    bool shouldAcceptNewConnection(platform::xpc::Connection& c) override
    {
        c.setCodeSigningRequirement(requirement);
        c.setExportedInterface(helperInterface());
        c.setExportedObject(exportHelper(*object));
        c.resume();
        return true;
    }
};

// The SHA-1 of the certificate the build signed this test program with, as hex.
QString ownLeaf()
{
    const auto info = platform::codesign::copySigningInformation(
        *platform::codesign::copyStaticCode(*platform::codesign::copySelf()));
    return info && !info->certificates.isEmpty()
               ? QString::fromLatin1(QCryptographicHash::hash(info->certificates.first(), QCryptographicHash::Sha1).toHex())
               : QString();
}

// The peer is this very test program, signed by the build as the application with the
// developer's key; its identity comes from the kernel, not from anything it sends.
TEST_F(HelperService, OnlyAPeerMeetingTheRequirementReachesTheMethods)
{
    const QString leaf = ownLeaf();
    ASSERT_FALSE(leaf.isEmpty());
    const QString otherLeaf = QString::fromLatin1(QCryptographicHash::hash("Other", QCryptographicHash::Sha1).toHex());
    struct Case {
        QString requirement;
        bool reaches;
    };
    const Case cases[] = {
        {"identifier \"com.ostrane.pelorn\" and certificate leaf = H\"" + leaf + "\"", true},
        {"identifier \"com.ostrane.pelorn.other\" and certificate leaf = H\"" + leaf + "\"", false},
        {"identifier \"com.ostrane.pelorn\" and certificate leaf = H\"" + otherLeaf + "\"", false},
        {"identifier \"com.ostrane.pelorn\" or anything", false}, // a requirement we cannot read
    };
    for (const Case& c : cases) {
        RecordingHelper object;
        RequirementDelegate delegate;
        delegate.requirement = c.requirement;
        delegate.object = &object;
        platform::xpc::Listener listener(QString::fromUtf8(HelperConstants::label.data()));
        listener.setDelegate(&delegate);
        ASSERT_TRUE(listener.resume());

        TestClient client;
        const auto answer = client.start(40);
        EXPECT_EQ(answer.has_value(), c.reaches) << c.requirement.toStdString();
        EXPECT_EQ(object.calls, c.reaches ? 1 : 0) << c.requirement.toStdString();
        EXPECT_EQ(client.invalidated(), !c.reaches);
    }
}

TEST_F(HelperService, HelperRequiresTheApplicationWithItsOwnCertificate)
{
    startHelper(); // in this process: signed with the developer's key
    EXPECT_EQ(helper->clientRequirement(),
              "identifier \"com.ostrane.pelorn\" and certificate leaf = H\"" + ownLeaf() + "\"");
}

TEST_F(HelperService, MalformedMessagesCloseOnlyTheirConnection)
{
    startHelper();
    platform::xpc::Listener listener(QString::fromUtf8(HelperConstants::label.data()));
    listener.setDelegate(helper.get());
    ASSERT_TRUE(listener.resume());

    auto framed = [](const QCborArray& message) {
        const QByteArray body = QCborValue(message).toCbor();
        const quint32 n = quint32(body.size());
        const char length[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
        return QByteArray(length, 4) + body;
    };
    const QList<QByteArray> garbage = {
        QByteArray("\xff\xff\xff\xff", 4),         // absurd length
        QByteArray("\x00\x00\x00\x02\xff\xff", 6), // not CBOR
        framed({}).replace(4, 1, QByteArray(1, 0x01)), // not an array
        framed({1, "pwnKey:", QCborArray{}}),      // unknown selector
        framed({1, "startDischargeTo:reply:", QCborArray{"40"}}), // a string for the target
        framed({1, "startDischargeTo:reply:", QCborArray{}}),     // no target
    };
    for (const QByteArray& bytes : garbage) {
        QLocalSocket socket;
        socket.connectToServer(platform::xpc::servicePath(QString::fromUtf8(HelperConstants::label.data())));
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(bytes);
        socket.flush();
        EXPECT_TRUE(waitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; })) << bytes.toHex().data();
    }
    EXPECT_EQ(chie(), 0);
    TestClient client;
    EXPECT_TRUE(client.start(40)->first);
}

// A peer that sends part of a message and then nothing is closed a few seconds later; one
// that is merely idle between whole messages is kept.
TEST_F(HelperService, MessageLeftHalfSentClosesItsConnection)
{
    startHelper();
    platform::xpc::Listener listener(QString::fromUtf8(HelperConstants::label.data()));
    listener.setDelegate(helper.get());
    ASSERT_TRUE(listener.resume());
    TestClient idle;
    ASSERT_TRUE(idle.status().has_value());

    QLocalSocket socket;
    socket.connectToServer(platform::xpc::servicePath(QString::fromUtf8(HelperConstants::label.data())));
    ASSERT_TRUE(socket.waitForConnected(2000));
    ASSERT_TRUE(waitUntil([&] { return listener.connectionCount() == 2; }));
    socket.write(QByteArray("\x00\x00\x00\x20\x83\x01", 6)); // 32 bytes announced, 2 sent
    ASSERT_TRUE(socket.waitForBytesWritten(2000));
    int rounds = 0;
    waitUntil([&] { return ++rounds >= 20; }); // the helper reads what came

    advance(4.5);
    waitUntil([&] { return ++rounds >= 40; });
    EXPECT_EQ(socket.state(), QLocalSocket::ConnectedState);
    advance(1.0);
    EXPECT_TRUE(waitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_TRUE(waitUntil([&] { return listener.connectionCount() == 1; }));

    advance(60);
    const auto answer = idle.status();
    ASSERT_TRUE(answer.has_value());
    EXPECT_FALSE(idle.invalidated());
}

// Calls sent in a burst are answered in the order they arrived.
TEST_F(HelperService, RepliesComeInArrivalOrder)
{
    startHelper();
    platform::xpc::Listener listener(QString::fromUtf8(HelperConstants::label.data()));
    listener.setDelegate(helper.get());
    ASSERT_TRUE(listener.resume());
    platform::xpc::RemoteConnection connection(QString::fromUtf8(HelperConstants::label.data()),
                                               platform::xpc::RemoteConnection::kPrivileged);
    connection.setRemoteObjectInterface(helperInterface());
    connection.resume();
    PelornHelperProxy proxy(connection, [] { ADD_FAILURE() << "call failed"; });

    QStringList answers;
    auto note = [&](const QString& what) { answers.append(what); };
    proxy.status([&](int64_t, bool, int64_t target, std::optional<QString>) { note(QString("status %1").arg(target)); });
    proxy.startDischarge(30, [&](bool ok, std::optional<QString>) { note(ok ? "started" : "refused"); });
    proxy.status([&](int64_t, bool, int64_t target, std::optional<QString>) { note(QString("status %1").arg(target)); });
    proxy.stopDischarge([&](bool enabled) { note(enabled ? "stopped" : "still off"); });
    proxy.status([&](int64_t, bool, int64_t target, std::optional<QString>) { note(QString("status %1").arg(target)); });
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 5; }));
    EXPECT_EQ(answers, QStringList({"status 0", "started", "status 30", "stopped", "status 0"}));
}

class HelperServiceProcess : public HelperTest {
protected:
    // A copy of the built helper, signed with the key given; nullopt: unsigned.
    QString helperCopy(const std::optional<QByteArray>& key)
    {
        const QString path = root() + "/PelornHelper-copy";
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(builtHelperPath(), path));
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        if (key)
            EXPECT_TRUE(sim::codesign::sign(path, "com.ostrane.pelorn.helper", *key));
        else
            EXPECT_TRUE(sim::codesign::unsign(path));
        return path;
    }
};

TEST_F(HelperServiceProcess, RepliesCrossTheConnectionAsTheyStand)
{
    HelperProcess process;
    ASSERT_TRUE(process.start());
    TestClient client;
    EXPECT_EQ(client.start(45)->second, kBelowTarget);
    sim::battery::setExternalConnected(false);
    EXPECT_EQ(client.start(40)->second, kNeedsAdapter);
    sim::battery::setExternalConnected(true);
    const auto accepted = client.start(2);
    EXPECT_TRUE(accepted->first);
    EXPECT_EQ(accepted->second, std::nullopt);
    const auto status = client.status();
    EXPECT_EQ(status->version, 2);
    EXPECT_EQ(status->target, 10);
    EXPECT_FALSE(status->adapterEnabled);
    EXPECT_EQ(client.stop(), true);
}

// A helper signed by another developer, or one that cannot read its own certificate
// (unsigned), lets this application call nothing.
TEST_F(HelperServiceProcess, ClientWithoutTheHelpersCertificateIsRefused)
{
    for (const auto& key : {std::optional<QByteArray>(sim::codesign::makeKey()), std::optional<QByteArray>()}) {
        HelperProcess process;
        ASSERT_TRUE(process.start(helperCopy(key)));
        TestClient client;
        EXPECT_EQ(client.start(40), std::nullopt);
        EXPECT_TRUE(client.invalidated());
        EXPECT_EQ(chie(), 0);
        EXPECT_FALSE(markerExists());
    }
}

// The running application talks to the helper only while it runs nothing but its own signed
// code: code put into it at load time (a preloaded or audit library, a plugin from a folder
// outside the system's), or another program carrying its copied signature, is refused.
TEST_F(HelperServiceProcess, OnlyAnUntamperedApplicationIsAnswered)
{
    const QString installed = platform::paths::map(QString::fromUtf8(HelperConstants::installPath.data()));
    QDir().mkpath(QFileInfo(installed).absolutePath());
    QFile(installed).open(QIODevice::WriteOnly); // the application asks an installed helper only

    const QString pelorn = testpaths::buildDir() + "/src/Pelorn";
    // A system library the application loads anyway, so only the way it came in differs.
    const QString zlib = QLibraryInfo::path(QLibraryInfo::LibrariesPath) + "/libz.so.1";
    ASSERT_TRUE(QFileInfo::exists(zlib));
    const QString plugins = root() + "/plugins";
    QDir().mkpath(plugins + "/platforms");
    ASSERT_TRUE(QFile::copy(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqoffscreen.so",
                            plugins + "/platforms/libqoffscreen.so"));
    const QString copied = root() + "/Pelorn-copied";
    ASSERT_TRUE(QFile::copy(pelorn, copied));
    QFile::setPermissions(copied, QFile::permissions(copied) | QFile::ExeOwner);
    ASSERT_TRUE(sim::codesign::unsign(copied));
    {
        QFile f(copied);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(sim::codesign::trailer("/proc/self/exe")); // this test program's own, valid signature
    }

    struct Case {
        const char* what;
        QString program;
        QStringList environment;
        bool answered;
    };
    const Case cases[] = {
        {"as built", pelorn, {}, true},
        {"preloaded library", pelorn, {"LD_PRELOAD=" + zlib}, false},
        {"audit library", pelorn, {"LD_AUDIT=" + zlib}, false},
        {"plugin from another folder", pelorn, {"QT_PLUGIN_PATH=" + plugins}, false},
        {"copied signature", copied, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingHelper object;
        struct Delegate : RequirementDelegate {
            QList<qint64> peers;
            bool shouldAcceptNewConnection(platform::xpc::Connection& connection) override
            {
                peers.append(connection.peerPid());
                return RequirementDelegate::shouldAcceptNewConnection(connection);
            }
        } delegate;
        delegate.requirement = Helper::makeClientRequirement();
        delegate.object = &object;
        platform::xpc::Listener listener(QString::fromUtf8(HelperConstants::label.data()));
        listener.setDelegate(&delegate);
        ASSERT_TRUE(listener.resume());

        QProcess app;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("ASAN_OPTIONS", "detect_leaks=0:verify_asan_link_order=0");
        for (const QString& variable : c.environment)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        app.setProcessEnvironment(environment);
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.setStandardOutputFile(QProcess::nullDevice());
        app.start(c.program, {});
        ASSERT_TRUE(app.waitForStarted(5000));
        EXPECT_TRUE(waitUntil([&] { return delegate.peers.contains(app.processId()); }, 30000));
        EXPECT_TRUE(waitUntil([&] { return object.calls > 0 || listener.connectionCount() == 0; }));
        EXPECT_EQ(object.calls > 0, c.answered);
        app.kill();
        app.waitForFinished(5000);
    }
}

} // namespace
