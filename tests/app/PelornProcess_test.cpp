// The Pelorn program itself on a fresh simulated Mac: it starts, and opening it again hands the
// request to the running instance instead of starting a second one.
#include "platform/UserDefaults.h"
#include "support/SimTest.h"
#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <csignal>

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

// The system's request to quit (SIGTERM, or Ctrl-C) ends Pelorn through its own quit, which
// runs the will-terminate step, rather than killing it.
TEST_F(PelornProcessTest, ATerminationRequestQuitsNormally)
{
    for (int signal : {SIGTERM, SIGINT}) {
        running.setProcessChannelMode(QProcess::MergedChannels);
        running.start(builtPelornPath(), {});
        ASSERT_TRUE(running.waitForStarted(5000));
        ASSERT_TRUE(logged("Pelorn: running")) << log.toStdString();
        ::kill(pid_t(running.processId()), signal);
        ASSERT_TRUE(running.waitForFinished(10000));
        EXPECT_EQ(running.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(running.exitCode(), 0) << signal;
        log.clear();
    }
}

} // namespace
