#include "platform/Launch.h"
#include "platform/sim/Machine.h"
#include "support/SimTest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <future>

using platform::launch::Receiver;

namespace {

class LaunchTest : public SimTest {
protected:
    // A later launch hands its request over from its own thread while this one runs the
    // receiver's event loop.
    static bool handOver(const QStringList& urls)
    {
        auto result = std::async(std::launch::async, [urls] { return platform::launch::handToRunningInstance(urls); });
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

TEST_F(LaunchTest, ACrashedInstancesSocketIsTakenOverButALiveOneIsNot)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(socketPath()).path()));
    QFile stale(socketPath());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
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
