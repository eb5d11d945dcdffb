// The Pelorn program itself on a fresh simulated Mac: it starts, and opening it again hands the
// request to the running instance instead of starting a second one.
#include "platform/Bundle.h"
#include "platform/Launch.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Processes.h"
#include "window/AppLanguage.h"
#include "support/SimTest.h"
#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString builtPelornPath() { return testpaths::buildDir() + "/src/Pelorn"; }

class PelornProcessTest : public SimTest {
protected:
    void TearDown() override
    {
        if (running.state() != QProcess::NotRunning) {
            running.kill();
            running.waitForFinished(5000);
        }
        SimTest::TearDown();
    }
    // Collects the running instance's log until it holds `line`, or 10 s.
    bool logged(const QString& line)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!log.contains(line) && elapsed.elapsed() < 10000) {
            running.waitForReadyRead(50);
            log += QString::fromLocal8Bit(running.readAll());
        }
        return log.contains(line);
    }
    static int launch(const QStringList& arguments)
    {
        QProcess later;
        later.setProcessChannelMode(QProcess::MergedChannels);
        later.start(builtPelornPath(), arguments);
        if (!later.waitForFinished(10000))
            return -1;
        return later.exitStatus() == QProcess::NormalExit ? later.exitCode() : -1;
    }

    QProcess running;
    QString log;
};

TEST_F(PelornProcessTest, OpeningTheRunningApplicationAgainReachesItsDelegate)
{
    running.setProcessChannelMode(QProcess::MergedChannels);
    running.start(builtPelornPath(), {});
    ASSERT_TRUE(running.waitForStarted(5000));
    ASSERT_TRUE(logged("Pelorn: running")) << log.toStdString();
    EXPECT_TRUE(log.contains("Pelorn: desk \"default\"")) << log.toStdString();

    EXPECT_EQ(launch({"quendrel://check-updates", "quendrel://check-updates"}), 0);
    EXPECT_TRUE(logged("launch: URLs delivered: quendrel://check-updates quendrel://check-updates")) << log.toStdString();
    EXPECT_EQ(launch({}), 0);
    EXPECT_TRUE(logged("launch: reopen delivered")) << log.toStdString();
    EXPECT_EQ(running.state(), QProcess::Running) << "the later launches did not stop it";
}

// The language chosen in the settings, or on the command line, is in force from the start, with
// the catalogue built into the program.
TEST_F(PelornProcessTest, StartsInTheChosenLanguage)
{
    const struct {
        QStringList arguments;
        const char* expected;
    } cases[] = {
        {{}, "Pelorn: interface language en"},
        {{"-AppleLanguages", "(tr)"}, "Pelorn: interface language tr"},
    };
    platform::UserDefaults::standard().set("AppleLanguages", QVariantList{"en"});
    platform::UserDefaults::standard().flush(); // the program reads the file
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        running.setProcessChannelMode(QProcess::MergedChannels);
        running.start(builtPelornPath(), c.arguments);
        ASSERT_TRUE(running.waitForStarted(5000));
        EXPECT_TRUE(logged(c.expected)) << log.toStdString();
        running.terminate();
        ASSERT_TRUE(running.waitForFinished(10000));
        log.clear();
    }
}

// The system's request to quit (SIGTERM, Ctrl-C, or the terminal closed) ends Pelorn through its
// own quit, which runs the will-terminate step, rather than killing it.
TEST_F(PelornProcessTest, ATerminationRequestQuitsNormally)
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        running.setProcessChannelMode(QProcess::MergedChannels);
        running.start(builtPelornPath(), {});
        ASSERT_TRUE(running.waitForStarted(5000));
        ASSERT_TRUE(logged("Pelorn: running")) << log.toStdString();
        ::kill(pid_t(running.processId()), signal);
        ASSERT_TRUE(running.waitForFinished(10000));
        EXPECT_EQ(running.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(running.exitCode(), 0) << signal;
        // What the run stored (its first start migrates the scroll settings) is in the file,
        // however soon after the change the request came.
        platform::UserDefaults::standard().reload();
        EXPECT_EQ(platform::UserDefaults::standard().object("scroll.engine4"), QVariant(true)) << signal;
        log.clear();
    }
}

// The Pelorn processes of this test's simulated Mac.
QList<qint64> pelornsOnThisMac(const QString& root)
{
    QList<qint64> out;
    const QByteArray marker = "PELORN_SIM_ROOT=" + root.toLocal8Bit();
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number || QFile::symLinkTarget("/proc/" + entry + "/exe") != QFileInfo(builtPelornPath()).canonicalFilePath())
            continue;
        QFile environ("/proc/" + entry + "/environ");
        if (environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(marker))
            out << pid;
    }
    return out;
}

// Launches at the same moment on one Mac: exactly one runs on, every other hands its request to
// it and ends.
TEST_F(PelornProcessTest, OfLaunchesAtOnceExactlyOneRunsAndTheOthersHandOver)
{
    constexpr int kLaunches = 3;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const QString mac = QDir(root()).filePath(QString("mac%1").arg(round));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PELORN_SIM_ROOT", mac);
        std::vector<std::unique_ptr<QProcess>> launches;
        for (int i = 0; i < kLaunches; ++i) {
            launches.push_back(std::make_unique<QProcess>());
            launches.back()->setProcessEnvironment(env);
            launches.back()->setProcessChannelMode(QProcess::MergedChannels);
        }
        for (auto& p : launches)
            p->start(builtPelornPath(), {});
        QElapsedTimer elapsed;
        elapsed.start();
        const auto running = [&] {
            return int(std::count_if(launches.begin(), launches.end(),
                                     [](const auto& p) { return p->state() != QProcess::NotRunning; }));
        };
        while (running() > 1 && elapsed.elapsed() < 30000)
            for (auto& p : launches)
                p->waitForFinished(20);
        EXPECT_EQ(running(), 1);
        QString survivorLog;
        for (auto& p : launches) {
            if (p->state() == QProcess::NotRunning) {
                EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
                EXPECT_EQ(p->exitCode(), 0) << p->readAll().toStdString();
                continue;
            }
            while (survivorLog.count("launch: reopen delivered") < kLaunches - 1 && elapsed.elapsed() < 30000) {
                p->waitForReadyRead(50);
                survivorLog += QString::fromLocal8Bit(p->readAll());
            }
            p->terminate();
            p->waitForFinished(10000);
        }
        EXPECT_EQ(survivorLog.count("launch: reopen delivered"), kLaunches - 1) << survivorLog.toStdString();
    }
}

// A process that holds the channel but never takes the request: the launch says so and ends
// instead of running as a second instance.
TEST_F(PelornProcessTest, AHandOverWithoutAnAnswerIsAnError)
{
    ASSERT_EQ(platform::launch::claimOrHandOver({}, 0.2), platform::launch::Start::instance) << "this test holds it";
    running.setProcessChannelMode(QProcess::MergedChannels);
    running.start(builtPelornPath(), {});
    ASSERT_TRUE(running.waitForFinished(30000));
    EXPECT_EQ(running.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(running.readAll()).contains("did not take the request"));
    platform::launch::stopReceiving();
}

// The relaunch from an instance that is slow to end: it gives up its channel first, so the new
// Pelorn runs as the one instance (in the stored language) instead of handing itself to the old
// one and leaving none. This test process plays the old instance.
TEST_F(PelornProcessTest, RelaunchLeavesExactlyOneInstanceInTheNewLanguage)
{
    platform::launch::Receiver old([](const QStringList&) {}, [] {});
    ASSERT_TRUE(old.isListening());
    AppLanguage(AppLanguage::en).apply();
    sim::Processes::shared().setOpenableApplication(platform::bundle::mainPath(), builtPelornPath());

    // The new instance inherits the shell's standard error: catch its log in a file.
    QTemporaryFile captured;
    ASSERT_TRUE(captured.open());
    const int saved = ::dup(2);
    ::dup2(captured.handle(), 2);
    AppLanguage::relaunch();
    ::dup2(saved, 2);
    ::close(saved);
    EXPECT_FALSE(old.isListening());

    QElapsedTimer elapsed;
    elapsed.start();
    QString newLog;
    while (!newLog.contains("Pelorn: running") && elapsed.elapsed() < 10000) {
        QThread::msleep(50);
        captured.seek(0);
        newLog = QString::fromLocal8Bit(captured.readAll());
    }
    ASSERT_TRUE(newLog.contains("Pelorn: running")) << newLog.toStdString();
    EXPECT_TRUE(newLog.contains("Pelorn: interface language en")) << newLog.toStdString();
    const QList<qint64> instances = pelornsOnThisMac(root());
    EXPECT_EQ(instances.size(), 1);
    EXPECT_EQ(launch({}), 0) << "a later launch reaches the new instance";
    EXPECT_EQ(pelornsOnThisMac(root()).size(), 1);
    for (qint64 pid : instances)
        ::kill(pid_t(pid), SIGTERM);
    elapsed.restart();
    while (!pelornsOnThisMac(root()).isEmpty() && elapsed.elapsed() < 10000)
        QThread::msleep(50);
}

} // namespace
