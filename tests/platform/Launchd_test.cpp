// The simulated launchd keeps its jobs in the machine: a daemon outlives the process that
// started it, the next boot takes it over unless its program changed, and a recorded pid that
// now names another process is not taken for the daemon.
#include "platform/Paths.h"
#include "platform/sim/Launchd.h"
#include "platform/sim/Machine.h"
#include "support/SimTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>

namespace {

const QString kLabel = "com.example.daemon";

class Launchd : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        writeProgram("exec sleep 600");
        ASSERT_TRUE(QDir().mkpath(platform::paths::map("/Library/LaunchDaemons")));
        QFile plist(platform::paths::map("/Library/LaunchDaemons/" + kLabel + ".plist"));
        ASSERT_TRUE(plist.open(QIODevice::WriteOnly));
        plist.write("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Label</key><string>" + kLabel.toUtf8()
                    + "</string><key>Program</key><string>/Library/PrivilegedHelperTools/" + kLabel.toUtf8()
                    + "</string><key>RunAtLoad</key><true/><key>KeepAlive</key><true/></dict></plist>");
    }
    void TearDown() override
    {
        sim::launchd::reset();
        SimTest::TearDown();
    }
    static void writeProgram(const QByteArray& body)
    {
        const QString path = platform::paths::map("/Library/PrivilegedHelperTools/" + kLabel);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile::remove(path); // a new file, as an installer's copy makes
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body + "\n");
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    // Alive and not a zombie that nobody reaped.
    static bool running(qint64 pid)
    {
        QFile stat(QString("/proc/%1/stat").arg(pid));
        if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
            return false;
        const QByteArray line = stat.readAll();
        return line.mid(line.lastIndexOf(')') + 2, 1) != "Z";
    }
};

TEST_F(Launchd, TheNextBootTakesTheRunningDaemonOverUnlessItsProgramChanged)
{
    sim::launchd::bootInstalled();
    const qint64 first = sim::launchd::pid(kLabel);
    ASSERT_GT(first, 0);

    // A new boot of the machine, as Pelorn's next start: the daemon that runs is the job's.
    sim::launchd::bootInstalled();
    EXPECT_TRUE(sim::launchd::isLoaded(kLabel));
    EXPECT_EQ(sim::launchd::pid(kLabel), first);
    EXPECT_EQ(sim::launchd::launches(kLabel), 0) << "taken over, not started again";

    // A reinstalled program is another daemon: the old one ends, the new one starts.
    writeProgram("exec sleep 601");
    sim::launchd::bootInstalled();
    const qint64 second = sim::launchd::pid(kLabel);
    EXPECT_GT(second, 0);
    EXPECT_NE(second, first);
    EXPECT_FALSE(running(first));
}

TEST_F(Launchd, ARecordedPidOfAnotherProcessIsNotTheDaemon)
{
    QProcess stranger;
    stranger.start("sleep", {"600"});
    ASSERT_TRUE(stranger.waitForStarted());
    const qint64 reused = stranger.processId();
    for (const QJsonValue& recorded :
         {QJsonValue(QJsonObject{{"program", platform::paths::map("/Library/PrivilegedHelperTools/" + kLabel)},
                                 {"pid", double(reused)},
                                 {"started", 1.0}}),
          QJsonValue(double(reused))}) {
        {
            sim::machine::Transaction tx;
            tx.write("launchd", QJsonObject{{kLabel, recorded}});
        }
        EXPECT_EQ(sim::launchd::pid(kLabel), 0);
        sim::launchd::bootInstalled();
        EXPECT_TRUE(running(reused)) << "a process that is not the daemon is left alone";
        const qint64 daemon = sim::launchd::pid(kLabel);
        EXPECT_GT(daemon, 0);
        EXPECT_NE(daemon, reused);
        sim::launchd::reset();
    }
    stranger.kill();
    stranger.waitForFinished();
}

} // namespace
