#include "platform/Launch.h"
#include "platform/sim/Machine.h"
#include "support/SimTest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <future>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using platform::launch::Receiver;

namespace {

class LaunchTest : public SimTest {
protected:
    // A later launch hands its request over from its own thread while this one runs the
    // receiver's event loop.
    static bool handOver(const QStringList& urls, double seconds = 10)
    {
        auto result = std::async(std::launch::async,
                                 [urls, seconds] { return platform::launch::handToRunningInstance(urls, seconds); });
        while (result.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
            QCoreApplication::processEvents();
        processEvents();
        return result.get();
    }
    static QString socketPath() { return sim::machine::stateFolder() + "/launch/Pelorn"; }

    QList<QStringList> opened;
    int reopened = 0;
    std::unique_ptr<Receiver> receiver()
    {
        return std::make_unique<Receiver>([this](const QStringList& urls) { opened << urls; }, [this] { ++reopened; });
    }
};

TEST_F(LaunchTest, ALaterLaunchHandsItsURLsOrAReopenToTheRunningInstance)
{
    EXPECT_FALSE(handOver({"quendrel://check-updates"})) << "nothing runs yet: the launch goes on";

    auto running = receiver();
    ASSERT_TRUE(running->isListening());
    EXPECT_TRUE(handOver({"quendrel://check-updates", "quendrel://check-updates"}));
    EXPECT_TRUE(handOver({}));
    EXPECT_EQ(opened, (QList<QStringList>{{"quendrel://check-updates", "quendrel://check-updates"}}));
    EXPECT_EQ(reopened, 1);

    running.reset();
    EXPECT_FALSE(handOver({})) << "the instance has quit";
}

TEST_F(LaunchTest, WhateverACrashedInstanceLeftAtThePathIsReplacedButALiveSocketIsNot)
{
    const std::function<void()> leftovers[] = {
        [] { // a file
            QFile stale(socketPath());
            ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        },
        [] { // a folder, not empty
            ASSERT_TRUE(QDir().mkpath(socketPath() + "/inner"));
        },
        [] { // a link to nowhere
            ASSERT_TRUE(QFile::link(socketPath() + ".gone", socketPath()));
        },
    };
    for (size_t i = 0; i < std::size(leftovers); ++i) {
        SCOPED_TRACE(i);
        reopened = 0;
        QDir(QFileInfo(socketPath()).path()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(QFileInfo(socketPath()).path()));
        leftovers[i]();
        EXPECT_FALSE(handOver({}));

        auto first = receiver();
        EXPECT_TRUE(first->isListening());
        auto second = receiver();
        EXPECT_FALSE(second->isListening());
        EXPECT_TRUE(handOver({}));
        EXPECT_EQ(reopened, 1) << "delivered once, to the first";
        second.reset();
        EXPECT_TRUE(handOver({})) << "the second leaves the first's socket in place";
        EXPECT_EQ(reopened, 2);
    }
}

// Sends bytes on a connection of its own and waits until the receiver has closed it.
static bool sendAndWaitForClose(const QString& path, const QByteArray& bytes, double advanceBy = 0)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(bytes);
    QElapsedTimer t;
    t.start();
    while (socket.bytesToWrite() > 0 && socket.state() == QLocalSocket::ConnectedState && t.elapsed() < 2000) {
        QCoreApplication::processEvents();
        socket.waitForBytesWritten(5);
    }
    if (advanceBy > 0)
        SimTest::advanceClock(advanceBy);
    while (socket.state() == QLocalSocket::ConnectedState && t.elapsed() < 3000) {
        QCoreApplication::processEvents();
        socket.waitForReadyRead(5);
    }
    return socket.state() != QLocalSocket::ConnectedState;
}

TEST_F(LaunchTest, ARequestLinePastTheCapDropsTheConnectionUnread)
{
    auto running = receiver();
    // Valid JSON once the newline comes, but far longer than any request: the receiver must not
    // hold on to it.
    const QByteArray oversized = QByteArray(64 * 1024, ' ') + "{\"urls\": [\"quendrel://check-updates\"]}\n";
    EXPECT_TRUE(sendAndWaitForClose(socketPath(), oversized));
    processEvents();
    EXPECT_TRUE(opened.isEmpty());

    const QByteArray nearCap = QByteArray(4000, ' ') + "{\"urls\": [\"quendrel://check-updates\"]}\n";
    EXPECT_TRUE(sendAndWaitForClose(socketPath(), nearCap));
    processEvents();
    EXPECT_EQ(opened, (QList<QStringList>{{"quendrel://check-updates"}})) << "a long request within the cap";
}

TEST_F(LaunchTest, IdleConnectionsAreCappedAndClosedSoonWhileALaunchStillGetsThrough)
{
    auto running = receiver();
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 40; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(socketPath());
        ASSERT_TRUE(idle.back()->waitForConnected(1000));
        if (i % 2)
            idle.back()->write("{\"urls\": "); // half a request, then nothing
        processEvents();
    }
    const auto open = [&] {
        processEvents();
        int n = 0;
        for (auto& s : idle) {
            s->waitForReadyRead(0);
            n += s->state() == QLocalSocket::ConnectedState;
        }
        return n;
    };
    EXPECT_LE(open(), 16) << "the oldest idle connections make room for new ones";
    EXPECT_TRUE(handOver({}));
    EXPECT_EQ(reopened, 1);

    advance(10);
    EXPECT_EQ(open(), 0) << "an idle connection is closed after a few seconds";
}

TEST_F(LaunchTest, AFailedAcceptLeavesTheChannelListening)
{
    auto running = receiver();
    ASSERT_TRUE(running->isListening());

    const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(client, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath());
    ASSERT_LT(size_t(path.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));

    // Run this process out of file descriptors, so the receiver's accept fails.
    rlimit saved = {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 4096);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> hogs;
    for (int fd; (fd = ::dup(client)) >= 0;)
        hogs.push_back(fd);
    ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    processEvents();
    const bool listeningWhileOut = running->isListening();
    for (int fd : hogs)
        ::close(fd);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_TRUE(listeningWhileOut);

    // The queued connection is taken once descriptors are free again.
    const QByteArray request = "{\"urls\": []}\n";
    ASSERT_EQ(::write(client, request.constData(), size_t(request.size())), request.size());
    advance(1);
    EXPECT_EQ(reopened, 1);
    ::close(client);
    EXPECT_TRUE(handOver({}));
    EXPECT_EQ(reopened, 2);
}

// A sender must learn whether its request was taken: a connection closed without the
// acknowledgement is not a delivery.
TEST_F(LaunchTest, ARequestClosedUnreadIsNotReportedAsHandedOver)
{
    QLocalServer closer;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(socketPath()).path()));
    ASSERT_TRUE(closer.listen(socketPath()));
    QObject::connect(&closer, &QLocalServer::newConnection, [&] {
        while (QLocalSocket* s = closer.nextPendingConnection()) {
            s->abort();
            s->deleteLater();
        }
    });
    EXPECT_FALSE(handOver({}, 0.5));
}

TEST_F(LaunchTest, ThreeHundredLaunchesAtOnceAreAllDelivered)
{
    auto running = receiver();
    constexpr int kSenders = 300;
    std::vector<std::future<bool>> senders;
    for (int i = 0; i < kSenders; ++i)
        senders.push_back(std::async(std::launch::async, [] { return platform::launch::handToRunningInstance({}); }));
    int taken = 0;
    for (auto& sender : senders) {
        while (sender.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
            QCoreApplication::processEvents();
        taken += sender.get();
    }
    processEvents();
    EXPECT_EQ(taken, kSenders);
    EXPECT_EQ(reopened, kSenders) << "every acknowledged request reached the instance";
}

// The claim is a lock, so only one process can hold it; this process holds it once it runs as
// the instance, and a later claim in it is the same claim.
TEST_F(LaunchTest, TheClaimIsHeldUntilHandedOver)
{
    EXPECT_EQ(platform::launch::claimOrHandOver({}, 0.2), platform::launch::Start::instance);
    EXPECT_EQ(platform::launch::claimOrHandOver({}, 0.2), platform::launch::Start::instance);
    const QByteArray lock = QFile::encodeName(socketPath() + ".lock");
    const auto lockedElsewhere = [&] {
        const int fd = ::open(lock.constData(), O_RDWR | O_CLOEXEC);
        const bool busy = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        if (fd >= 0)
            ::close(fd);
        return busy;
    };
    EXPECT_TRUE(lockedElsewhere());
    auto running = receiver();
    ASSERT_TRUE(running->isListening()) << "the receiver takes over this process's claim";
    running->stop();
    EXPECT_FALSE(lockedElsewhere()) << "a hand-over gives the claim up";
}

TEST_F(LaunchTest, ALineThatIsNoRequestIsIgnored)
{
    auto running = receiver();
    for (const QByteArray& line : {QByteArray("not json\n"), QByteArray("{\"urls\": 3}\n"), QByteArray("[]\n")}) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(line);
        socket.waitForBytesWritten(1000);
        QElapsedTimer t;
        t.start();
        while (socket.state() == QLocalSocket::ConnectedState && t.elapsed() < 2000) {
            processEvents();
            socket.waitForReadyRead(5);
        }
    }
    processEvents();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(reopened, 0);
}

} // namespace
