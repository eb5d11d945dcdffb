// The three service methods, their refusals in order, and who may call them.
#include "HelperFixture.h"
#include "HelperProcess.h"

#include "platform/CodeSigning.h"
#include "shared/HelperProtocol.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Xpc.h"
#include "platform/sim/CodeSigning.h"
#include "platform/sim/Smc.h"
#include "platform/sim/Xpc.h"
#include "support/TestPaths.h"

#include <QCborValue>
#include <QCryptographicHash>
#include <QDir>
#include <QLibraryInfo>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QElapsedTimer>
#include <cstdio>
#include <limits>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

QString servicePath() { return platform::xpc::servicePath(QString::fromUtf8(HelperConstants::label.data())); }

// A raw connection to the helper, admitted: the nonce its greeting carried, or empty.
QByteArray admitted(QLocalSocket& socket)
{
    socket.connectToServer(platform::xpc::servicePath(QString::fromUtf8(HelperConstants::label.data())));
    if (!socket.waitForConnected(2000) || !waitUntil([&] { return socket.bytesAvailable() >= 4; }))
        return {};
    const QByteArray length = socket.peek(4);
    const qint64 n = qint64(uchar(length[0])) << 24 | uchar(length[1]) << 16 | uchar(length[2]) << 8 | uchar(length[3]);
    if (!waitUntil([&] { return socket.bytesAvailable() >= 4 + n; }))
        return {};
    socket.read(4);
    const QCborArray greeting = QCborValue::fromCbor(socket.read(n)).toArray();
    return greeting.size() == 2 && greeting[0].toInteger(-1) == 0 ? greeting[1].toArray()[0].toByteArray() : QByteArray();
}

QByteArray framed(const QCborArray& message)
{
    const QByteArray body = QCborValue(message).toCbor();
    const quint32 n = quint32(body.size());
    const char length[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    return QByteArray(length, 4) + body;
}

TEST_F(HelperService, MalformedMessagesCloseOnlyTheirConnection)
{
    startHelper();
    platform::xpc::Listener listener(QString::fromUtf8(HelperConstants::label.data()));
    listener.setDelegate(helper.get());
    ASSERT_TRUE(listener.resume());

    const std::function<QByteArray(const QByteArray& nonce)> garbage[] = {
        [](const QByteArray&) { return QByteArray("\xff\xff\xff\xff", 4); },         // absurd length
        [](const QByteArray&) { return QByteArray("\x00\x00\x00\x02\xff\xff", 6); }, // not CBOR
        [](const QByteArray&) { return framed({}).replace(4, 1, QByteArray(1, 0x01)); }, // not an array
        [](const QByteArray& nonce) { return framed({1, "pwnKey:", QCborArray{}, nonce}); }, // unknown selector
        [](const QByteArray& nonce) { return framed({1, "startDischargeTo:reply:", QCborArray{"40"}, nonce}); },
        [](const QByteArray& nonce) { return framed({1, "startDischargeTo:reply:", QCborArray{}, nonce}); },
        // Well formed, but not bound to this connection's check.
        [](const QByteArray&) { return framed({1, "startDischargeTo:reply:", QCborArray{40}}); },
        [](const QByteArray& nonce) {
            return framed({1, "startDischargeTo:reply:", QCborArray{40}, QByteArray(nonce).replace(0, 1, "?")});
        },
    };
    for (const auto& bytes : garbage) {
        QLocalSocket socket;
        const QByteArray nonce = admitted(socket);
        ASSERT_EQ(nonce.size(), 16);
        socket.write(bytes(nonce));
        socket.flush();
        EXPECT_TRUE(waitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }))
            << bytes(nonce).toHex().data();
    }
    EXPECT_EQ(chie(), 0);
    {
        QLocalSocket socket; // the well-formed request, echoing its nonce
        socket.write(framed({1, "startDischargeTo:reply:", QCborArray{40}, admitted(socket)}));
        EXPECT_TRUE(waitUntil([] { return chie() == 0x08; }));
        ASSERT_TRUE(stop());
    }
    TestClient client;
    EXPECT_TRUE(client.start(40)->first);
}

// What a peer writes before the helper has checked it never counts: its code may have been
// another's then.
TEST_F(HelperService, RequestWrittenBeforeTheGreetingClosesTheConnection)
{
    startHelper();
    platform::xpc::Listener listener(QString::fromUtf8(HelperConstants::label.data()));
    listener.setDelegate(helper.get());
    ASSERT_TRUE(listener.resume());
    QLocalSocket socket;
    socket.connectToServer(platform::xpc::servicePath(QString::fromUtf8(HelperConstants::label.data())));
    ASSERT_TRUE(socket.waitForConnected(2000));
    socket.write(framed({1, "startDischargeTo:reply:", QCborArray{40}}));
    socket.flush();
    EXPECT_TRUE(waitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(chie(), 0);
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
    ASSERT_FALSE(admitted(socket).isEmpty());
    ASSERT_EQ(listener.connectionCount(), 2);
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

// A service on the helper's name that never greets (one of an older protocol, or stuck) ends
// the application's calls in their error after a minute, instead of leaving them waiting.
TEST_F(HelperService, AServiceThatNeverGreetsEndsTheCallsInTheirError)
{
    const QString name = QString::fromUtf8(HelperConstants::label.data());
    const QString path = platform::xpc::servicePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(path));

    platform::xpc::RemoteConnection connection(name, platform::xpc::RemoteConnection::kPrivileged);
    connection.setRemoteObjectInterface(helperInterface());
    bool invalidated = false, failed = false;
    connection.setInvalidationHandler([&] { invalidated = true; });
    connection.resume();
    connection.send("statusWithReply:", {}, [](const QCborArray&) { ADD_FAILURE() << "an answer without a greeting"; },
                    [&] { failed = true; });
    ASSERT_TRUE(waitUntil([&] { return silent.hasPendingConnections(); }));
    std::unique_ptr<QLocalSocket> peer(silent.nextPendingConnection());

    advance(59);
    int rounds = 0;
    waitUntil([&] { return ++rounds >= 20; });
    EXPECT_FALSE(failed) << "still within its minute";
    advance(2);
    EXPECT_TRUE(waitUntil([&] { return failed; }));
    EXPECT_TRUE(invalidated);
    EXPECT_TRUE(waitUntil([&] { return peer->state() == QLocalSocket::UnconnectedState; })) << "and the socket closed";
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

// A check that cannot get a thread refuses its own connection, and the next one is checked.
TEST_F(HelperService, AThreadThatCannotStartRefusesOnlyItsConnection)
{
    startHelper();
    platform::xpc::Listener listener(QString::fromUtf8(HelperConstants::label.data()));
    listener.setDelegate(helper.get());
    ASSERT_TRUE(listener.resume());
    sim::xpc::failThreadStarts(1);
    TestClient refused;
    EXPECT_EQ(refused.status(), std::nullopt);
    EXPECT_TRUE(refused.invalidated());
    sim::xpc::failThreadStarts(0);
    TestClient answered;
    EXPECT_TRUE(answered.status().has_value());
}

// The client's executable is hashed by its first connection's check only; the checks of the
// running process itself are made for every connection.
TEST_F(HelperService, ASecondConnectionDoesNotHashTheClientAgain)
{
    startHelper();
    platform::xpc::Listener listener(QString::fromUtf8(HelperConstants::label.data()));
    listener.setDelegate(helper.get());
    ASSERT_TRUE(listener.resume());
    TestClient first;
    ASSERT_TRUE(first.status().has_value());
    const int hashed = sim::codesign::hashesMade();
    TestClient second;
    ASSERT_TRUE(second.status().has_value());
    EXPECT_EQ(sim::codesign::hashesMade(), hashed);
}

// Where the system lets only a process's ancestors and the one it names read its memory, a client
// that named no one cannot be checked: it is refused, told why, and the log says so; the
// application's connection names the service and is answered.
TEST_F(HelperService, WhereInspectionIsRestrictedOnlyAClientThatPermitsItIsChecked)
{
    startHelper();
    platform::xpc::Listener listener(QString::fromUtf8(HelperConstants::label.data()));
    listener.setDelegate(helper.get());
    ASSERT_TRUE(listener.resume());
    sim::codesign::setInspectionRestricted(true);
    platform::log::clearRecent();

    QLocalSocket silent; // names no one
    silent.connectToServer(servicePath());
    ASSERT_TRUE(silent.waitForConnected(2000));
    ASSERT_TRUE(waitUntil([&] { return silent.state() == QLocalSocket::UnconnectedState; }));
    QByteArray said = silent.readAll();
    ASSERT_GE(said.size(), 4);
    EXPECT_EQ(QCborValue::fromCbor(said.mid(4)).toArray(), (QCborArray{-1, QCborArray{"not-inspectable"}}));
    EXPECT_TRUE(platform::log::recent().join('\n').contains(
        QString("refused process %1: the system does not let the helper read its memory").arg(QCoreApplication::applicationPid())));

    platform::xpc::RemoteConnection connection(QString::fromUtf8(HelperConstants::label.data()),
                                               platform::xpc::RemoteConnection::kPrivileged);
    connection.setRemoteObjectInterface(helperInterface());
    connection.resume();
    std::optional<int64_t> version;
    PelornHelperProxy(connection, [] {}).status([&](int64_t v, bool, int64_t, std::optional<QString>) { version = v; });
    EXPECT_TRUE(waitUntil([&] { return version.has_value(); }));
    EXPECT_EQ(connection.refusal(), platform::xpc::Refusal::none);
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
// code, as loaded and untraced: code put into it at load time (a preloaded or audit library, a
// plugin from a folder outside the system's), a library that hid itself in anonymous memory,
// a tracer, code rewritten in memory, or another program carrying its copied signature, is
// refused.
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
    // Outside every trusted folder, so only its hiding could let it pass.
    const QString hidden = root() + "/libhidden.so";
    ASSERT_TRUE(QFile::copy(PELORN_TEST_HIDDEN, hidden));

    struct Case {
        const char* what;
        QString program;
        QStringList arguments;
        QStringList environment;
        bool answered;
    };
    const Case cases[] = {
        {"as built", pelorn, {}, {}, true},
        {"preloaded library", pelorn, {}, {"LD_PRELOAD=" + zlib}, false},
        {"audit library", pelorn, {}, {"LD_AUDIT=" + zlib}, false},
        {"plugin from another folder", pelorn, {}, {"QT_PLUGIN_PATH=" + plugins}, false},
        {"copied signature", copied, {}, {}, false},
        {"library hidden in anonymous memory", pelorn, {}, {"LD_PRELOAD=" + hidden}, false},
        {"traced", PELORN_TEST_TRACER, {"stay", pelorn}, {}, false},
        {"code rewritten by a tracer that let go", PELORN_TEST_TRACER, {"rewrite", pelorn}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingHelper object;
        struct Delegate : RequirementDelegate {
            QList<qint64> peers;
            QByteArray firstMaps; // as the first peer stood when it connected
            bool shouldAcceptNewConnection(platform::xpc::Connection& connection) override
            {
                if (peers.isEmpty()) {
                    QFile maps(QString("/proc/%1/maps").arg(connection.peerPid()));
                    if (maps.open(QIODevice::ReadOnly))
                        firstMaps = maps.readAll();
                }
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
        app.start(c.program, c.arguments);
        ASSERT_TRUE(app.waitForStarted(5000));
        EXPECT_TRUE(waitUntil([&] { return !delegate.peers.isEmpty(); }, 30000));
        EXPECT_TRUE(waitUntil([&] { return object.calls > 0 || listener.connectionCount() == 0; }));
        EXPECT_EQ(object.calls > 0, c.answered);
        if (c.environment.value(0).endsWith(hidden)) { // the hiding worked: no trace but its code
            EXPECT_FALSE(delegate.firstMaps.contains("libhidden.so"));
            EXPECT_TRUE(delegate.firstMaps.contains("r-xp 00000000 00:00 0"));
        }
        app.kill();
        app.waitForFinished(5000);
    }
}

// The racer fixture padded with zeros to `size` bytes (sparse), carrying this test program's
// valid signature, which does not hold for it: checking it means hashing all of it.
QString paddedRacer(const QString& path, qint64 size)
{
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(PELORN_TEST_RACER, path));
    QFile f(path);
    const QByteArray trailer = sim::codesign::trailer("/proc/self/exe");
    EXPECT_TRUE(f.resize(size - trailer.size()));
    EXPECT_TRUE(f.open(QIODevice::Append));
    f.write(trailer);
    f.close();
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}

// Starts a racer that holds its connection and returns once it has connected.
bool startHolding(QProcess& racer, const QString& program)
{
    racer.start(program, {servicePath(), "hold"});
    return racer.waitForStarted(5000) && waitUntil([&] { return racer.canReadLine(); }, 30000);
}

// A client connects, sends its request and execs the signed application while the helper is
// busy: the request was written by the code before the exec, and is not answered as the
// application's, however the helper's check of the exec'd application turns out.
TEST_F(HelperServiceProcess, RequestSentBeforeTheCheckIsNeverAnswered)
{
    HelperProcess helper;
    ASSERT_TRUE(helper.start());
    QProcess slow; // over any size the application could have
    ASSERT_TRUE(startHolding(slow, paddedRacer(root() + "/racer-padded", qint64(1) << 30)));

    QProcess racer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("ASAN_OPTIONS", "detect_leaks=0");
    racer.setProcessEnvironment(environment);
    racer.setStandardOutputFile(QProcess::nullDevice());
    const QString pelorn = testpaths::buildDir() + "/src/Pelorn";
    racer.start(PELORN_TEST_RACER, {servicePath(), "exec", pelorn});
    ASSERT_TRUE(racer.waitForStarted(5000));
    const QString exe = QString("/proc/%1/exe").arg(racer.processId());
    EXPECT_TRUE(waitUntil([&] { return QFileInfo(exe).canonicalFilePath() == QFileInfo(pelorn).canonicalFilePath(); },
                          30000))
        << "racer state " << racer.state() << ", exit code " << racer.exitCode();

    EXPECT_TRUE(slow.state() == QProcess::NotRunning || slow.waitForFinished(30000)); // refused
    TestClient client; // comes after the racer, so the helper has dealt with it first
    const auto status = client.status();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->target, 0);
    EXPECT_EQ(chie(), 0);
    racer.kill();
    racer.waitForFinished(5000);
}

// Peers whose executables take long to hash hold up neither an admitted client's answer nor,
// being under the size bound, their own refusal.
TEST_F(HelperServiceProcess, SlowChecksHoldUpNoOtherAnswer)
{
    HelperProcess helper;
    ASSERT_TRUE(helper.start());
    TestClient client;
    ASSERT_TRUE(client.status()); // admitted before the slow peers come

    QProcess slow[3];
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(startHolding(
            slow[i], paddedRacer(QString("%1/racer-slow-%2").arg(root()).arg(i), sim::codesign::kMaxCodeSize)));
    const auto status = client.status();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->version, 2);
    for (QProcess& peer : slow)
        EXPECT_EQ(peer.state(), QProcess::Running) << "answered only after a slow peer's check";
    for (QProcess& peer : slow)
        EXPECT_TRUE(peer.state() == QProcess::NotRunning || peer.waitForFinished(60000)); // refused in the end
}

// Only the process the helper checked may speak on its connection: a child that shares its
// socket (as one forked before the checked client exec'd would) or a tracer attached since the
// check closes it unanswered, while the checked process itself is answered.
TEST_F(HelperServiceProcess, OnlyTheCheckedProcessSpeaks)
{
    HelperProcess helper;
    ASSERT_TRUE(helper.start());
    auto request = [](const QByteArray& nonce) { return framed({1, "startDischargeTo:reply:", QCborArray{40}, nonce}); };
    auto closed = [](QLocalSocket& socket) {
        return waitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; });
    };
    {
        QLocalSocket socket;
        const QByteArray bytes = request(admitted(socket));
        ASSERT_EQ(bytes.size(), framed({1, "startDischargeTo:reply:", QCborArray{40}, QByteArray(16, 0)}).size());
        const pid_t talker = ::fork();
        if (talker == 0) {
            const ssize_t n = ::write(int(socket.socketDescriptor()), bytes.constData(), size_t(bytes.size()));
            ::_exit(n == bytes.size() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(talker, &status, 0), talker);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_TRUE(closed(socket)) << "a forked talker";
        EXPECT_EQ(chie(), 0);
    }
    {
        QLocalSocket socket;
        const QByteArray bytes = request(admitted(socket));
        int ready[2], release[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(release), 0);
        const pid_t tracer = ::fork();
        if (tracer == 0) { // holds this process traced until released, then lets go as it ends
            const char attached = ::ptrace(PTRACE_SEIZE, ::getppid(), nullptr, nullptr) == 0 ? 1 : 0;
            char byte = 0;
            [[maybe_unused]] ssize_t n = ::write(ready[1], &attached, 1);
            ::close(release[1]);
            n = ::read(release[0], &byte, 1);
            ::_exit(0);
        }
        ::close(release[0]);
        char attached = 0;
        ASSERT_EQ(::read(ready[0], &attached, 1), 1);
        EXPECT_EQ(attached, 1);
        socket.write(bytes);
        socket.flush();
        EXPECT_TRUE(closed(socket)) << "traced since the check";
        ::close(release[1]);
        ::close(ready[0]);
        ::close(ready[1]);
        ::waitpid(tracer, nullptr, 0);
        EXPECT_EQ(chie(), 0);
    }
    QLocalSocket socket; // the checked process itself, untraced again
    socket.write(request(admitted(socket)));
    EXPECT_TRUE(waitUntil([] { return chie() == 0x08; }));
    EXPECT_EQ(socket.state(), QLocalSocket::ConnectedState);
}

// The helper's resident memory, in KiB.
qint64 residentKiB(qint64 pid)
{
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

qint64 openFiles(qint64 pid) { return QDir(QString("/proc/%1/fd").arg(pid)).entryList(QDir::Files | QDir::System).size(); }

// A thousand connections held open by one peer hold up neither another client's answer nor,
// once they close, the helper's memory.
TEST_F(HelperServiceProcess, AFloodOfIdleConnectionsHoldsUpNoAnswer)
{
    constexpr int kFlood = 1000;
    rlimit files{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
    files.rlim_cur = std::max<rlim_t>(files.rlim_cur, std::min<rlim_t>(files.rlim_max, 4096));
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &files), 0); // the helper inherits it
    if (files.rlim_cur < 2 * kFlood + 100)
        GTEST_SKIP() << "too few files allowed here";

    HelperProcess helper;
    ASSERT_TRUE(helper.start());
    {
        TestClient warm; // the helper as it stands between a client's calls
        ASSERT_TRUE(warm.status());
    }
    ASSERT_TRUE(waitUntil([&] { return openFiles(helper.pid()) > 0; }));
    const qint64 idleFiles = openFiles(helper.pid());
    const qint64 idle = residentKiB(helper.pid());

    std::vector<std::unique_ptr<QLocalSocket>> flood;
    for (int i = 0; i < kFlood; ++i) {
        flood.push_back(std::make_unique<QLocalSocket>());
        flood.back()->connectToServer(servicePath());
    }
    ASSERT_TRUE(waitUntil([&] { return openFiles(helper.pid()) >= idleFiles + kFlood; }, 60000));

    QElapsedTimer elapsed;
    elapsed.start();
    TestClient client;
    const auto status = client.status();
    const qint64 latency = elapsed.elapsed();
    EXPECT_TRUE(status.has_value());
    const qint64 during = residentKiB(helper.pid());

    flood.clear();
    EXPECT_TRUE(waitUntil([&] { return openFiles(helper.pid()) <= idleFiles + 1; }, 60000));
    ASSERT_TRUE(client.status()); // a turn of the helper's loop after the last close
    const qint64 after = residentKiB(helper.pid());
    std::printf("status under %d connections: %lld ms; resident memory idle %lld KiB, during %lld KiB, after %lld KiB\n",
                kFlood, qint64(latency), idle, during, after);
    // A thread per connection kept hundreds of MiB after the flood; the allocator (or the
    // sanitizer's quarantine, which holds freed memory by design) may keep a little.
    EXPECT_LT(after - idle, 64 * 1024) << "the flood's memory is kept";
}

} // namespace
