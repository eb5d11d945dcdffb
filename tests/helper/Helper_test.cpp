#include "HelperFixture.h"

#include "platform/sim/Smc.h"

#include "platform/Paths.h"
#include "platform/PowerEvents.h"

#include <QDir>
#include <QFile>
#include <cmath>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST_F(HelperTest, ProbeTakesTheFirstOneByteAdapterKey)
{
    struct Case {
        const char* desk;
        const char* key; // nullptr: none
        int disabled;
    };
    const Case cases[] = {
        {R"({"smc": {"keys": [{"name": "CH0I", "bytes": [0]}, {"name": "CHIE", "bytes": [0]}]}})", "CHIE", 0x08},
        {R"({"smc": {"keys": [{"name": "CH0I", "bytes": [0]}]}})", "CH0I", 0x01},
        {R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0, 0]}, {"name": "CH0I", "bytes": [0]}]}})", "CH0I", 0x01},
        {R"({"smc": {"keys": [{"name": "CHIX", "bytes": [0]}]}})", nullptr, 0},
        {R"({"smc": {"present": false, "keys": [{"name": "CHIE", "bytes": [0]}]}})", nullptr, 0},
    };
    for (const Case& c : cases) {
        installDesk(c.desk);
        const auto h = Helper::make();
        if (!c.key) {
            EXPECT_FALSE(h->key().has_value()) << c.desk;
            continue;
        }
        ASSERT_TRUE(h->key().has_value()) << c.desk;
        EXPECT_EQ(h->key()->name, c.key);
        EXPECT_EQ(h->key()->disabled, c.disabled);
    }
}

// The watchdog ends the discharge at the first tick after the reported level reaches the
// target, and not before; the adapter, the setting and the marker all come back.
TEST_F(HelperTest, WatchdogEndsTheDischargeAtTheTarget)
{
    startHelper();
    ASSERT_TRUE(start(40).ok);
    EXPECT_EQ(chie(), 0x08);
    EXPECT_TRUE(sleepDisabled());
    EXPECT_TRUE(markerExists());

    int ticks = 0;
    while (helper->target() != 0 && ticks < 100) {
        const int before = int(std::lround(sim::battery::read().percent));
        advance(15);
        ++ticks;
        const int reported = int(std::lround(sim::battery::read().percent));
        if (helper->target() != 0) {
            EXPECT_GT(reported, 40) << "still discharging at " << reported;
            EXPECT_EQ(chie(), 0x08);
        } else {
            EXPECT_LE(reported, 40);
            EXPECT_GT(before, 40) << "ended a tick late";
        }
    }
    EXPECT_EQ(helper->target(), 0);
    EXPECT_EQ(chie(), 0);
    EXPECT_FALSE(sleepDisabled());
    EXPECT_FALSE(markerExists());
    const double ended = sim::battery::read().percent;
    advance(120); // charging again with the adapter on
    EXPECT_GT(sim::battery::read().percent, ended);
}

TEST_F(HelperTest, PulledCableEndsTheDischargeAtTheNextTick)
{
    startHelper();
    ASSERT_TRUE(start(20).ok);
    sim::battery::setExternalConnected(false);
    advance(14.9); // the first tick comes 15 s after start, not at start
    EXPECT_EQ(helper->target(), 20);
    EXPECT_EQ(chie(), 0x08);
    advance(0.1);
    EXPECT_EQ(helper->target(), 0);
    EXPECT_EQ(chie(), 0);
    EXPECT_FALSE(sleepDisabled());
    EXPECT_FALSE(markerExists());
}

TEST_F(HelperTest, TicksRepairAnAdapterKeyInTheWrongState)
{
    startHelper();
    ASSERT_TRUE(start(20).ok);
    sim::smc::setValue("CHIE", QByteArray(1, 0)); // something switched the adapter back on
    advance(15);
    EXPECT_EQ(chie(), 0x08);

    ASSERT_TRUE(stop());
    sim::smc::setValue("CHIE", QByteArray(1, 0x08)); // a stray off while idle
    advance(15);
    EXPECT_EQ(chie(), 0);
    sim::smc::setValue("CHIE", QByteArray(1, 0x03)); // neither value: left alone
    advance(15);
    EXPECT_EQ(chie(), 0x03);
}

TEST_F(HelperTest, SleepWakeKeepsTheTargetAndResumesOrEnds)
{
    startHelper();
    ASSERT_TRUE(start(20).ok);
    helper->willSleep();
    EXPECT_EQ(chie(), 0);
    EXPECT_EQ(helper->target(), 20);
    EXPECT_TRUE(markerExists());
    advance(15); // ticks do nothing while asleep
    EXPECT_EQ(chie(), 0);

    helper->didWake();
    helper->queue().drain();
    EXPECT_EQ(chie(), 0x08); // cable in, level above the target: goes on

    helper->willSleep();
    sim::battery::setExternalConnected(false);
    helper->didWake();
    helper->queue().drain();
    EXPECT_EQ(helper->target(), 0);
    EXPECT_EQ(chie(), 0);
    EXPECT_FALSE(sleepDisabled());
}

TEST_F(HelperTest, ShutdownRestoresEverything)
{
    startHelper();
    ASSERT_TRUE(start(20).ok);
    helper->shutdown();
    EXPECT_EQ(helper->target(), 0);
    EXPECT_EQ(chie(), 0);
    EXPECT_FALSE(sleepDisabled());
    EXPECT_FALSE(markerExists());
}

// What a helper killed mid-discharge leaves behind is undone by the next start.
TEST_F(HelperTest, StartRepairsWhatAKilledHelperLeft)
{
    {
        startHelper();
        ASSERT_TRUE(start(20).ok);
        helper.reset(); // no shutdown: as if killed
    }
    ASSERT_EQ(chie(), 0x08);
    ASSERT_TRUE(markerExists());
    startHelper();
    EXPECT_EQ(chie(), 0);
    EXPECT_FALSE(markerExists());
    EXPECT_FALSE(sleepDisabled());
    EXPECT_EQ(helper->target(), 0);
}

TEST_F(HelperTest, SleepBlockIsIdempotent)
{
    startHelper();
    helper->queue().sync([&] {
        helper->setSleepBlocked(false); // nothing to lift: not even the setting is written
    });
    EXPECT_EQ(sim::power::settingWrites("SleepDisabled"), 0);
    helper->queue().sync([&] {
        helper->setSleepBlocked(true);
        helper->setSleepBlocked(true);
    });
    EXPECT_EQ(sim::power::settingWrites("SleepDisabled"), 1);
    EXPECT_TRUE(markerExists());
    helper->queue().sync([&] { helper->setSleepBlocked(false); });
    EXPECT_EQ(sim::power::settingWrites("SleepDisabled"), 2);
    EXPECT_FALSE(sleepDisabled());
}

// The marker may fail to appear (here nothing can be made below the system's folder); this
// process still knows it blocked sleep and lifts the block.
TEST_F(HelperTest, SleepIsUnblockedWhenTheMarkerCouldNotBeMade)
{
    const QString systemFolder = platform::paths::map("/Library/Application Support");
    QDir().mkpath(QFileInfo(systemFolder).absolutePath());
    QFile blocker(systemFolder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    startHelper();
    ASSERT_TRUE(start(20).ok);
    EXPECT_TRUE(sleepDisabled());
    EXPECT_FALSE(markerExists());
    ASSERT_TRUE(stop());
    EXPECT_FALSE(sleepDisabled());

    ASSERT_TRUE(start(20).ok);
    EXPECT_TRUE(sleepDisabled());
    helper->shutdown();
    EXPECT_FALSE(sleepDisabled());
}

// A block that someone else set (the user, another program) is not the helper's to lift:
// not at start, not by a stop or a shutdown while idle.
TEST_F(HelperTest, SleepBlockTheHelperDidNotMakeIsLeftAlone)
{
    platform::power::setSystemPowerSetting("SleepDisabled", true);
    const int writes = sim::power::settingWrites("SleepDisabled");
    startHelper();
    EXPECT_TRUE(sleepDisabled());
    EXPECT_TRUE(stop());
    helper->shutdown();
    EXPECT_TRUE(sleepDisabled());
    EXPECT_EQ(sim::power::settingWrites("SleepDisabled"), writes);
}

// The helper runs as root: whatever stands at its folder's or its marker's path is removed,
// never followed, and the marker is made as its own file, so sleep is blocked during a
// discharge and nothing appears outside the folder.
TEST_F(HelperTest, MarkerIsMadeInPlaceOfWhateverStandsAtItsPath)
{
    const QString marker = Helper::sleepMarkerPath();
    const QString folder = QFileInfo(marker).absolutePath();
    const QString outside = root() + "/outside";
    struct Case {
        const char* what;
        std::function<void()> plant;
    };
    const Case cases[] = {
        {"dangling link at the marker",
         [&] {
             QDir().mkpath(folder);
             ASSERT_TRUE(QFile::link(outside + "/planted", marker));
         }},
        {"link to a file at the marker",
         [&] {
             QDir().mkpath(folder);
             QFile f(outside + "/kept");
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("kept");
             f.close();
             ASSERT_TRUE(QFile::link(outside + "/kept", marker));
         }},
        {"folder at the marker",
         [&] {
             QDir().mkpath(marker + "/inner");
             QFile f(marker + "/inner/file");
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         }},
        {"link at the folder", [&] { ASSERT_TRUE(QFile::link(outside, folder)); }},
        {"file at the folder",
         [&] {
             QFile f(folder);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(folder).removeRecursively();
        QFile::remove(folder);
        QDir(outside).removeRecursively();
        QDir().mkpath(outside);
        QDir().mkpath(QFileInfo(folder).absolutePath());
        c.plant();
        const QStringList outsideBefore = QDir(outside).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);

        startHelper();
        ASSERT_TRUE(start(20).ok);
        EXPECT_TRUE(sleepDisabled());
        const QFileInfo made(marker);
        EXPECT_TRUE(made.isFile() && !made.isSymLink());
        EXPECT_TRUE(QFileInfo(folder).isDir() && !QFileInfo(folder).isSymLink());
        EXPECT_EQ(QDir(outside).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), outsideBefore);
        if (QFile kept(outside + "/kept"); kept.exists()) {
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), "kept");
        }

        ASSERT_TRUE(stop());
        EXPECT_FALSE(sleepDisabled());
        EXPECT_FALSE(QFileInfo::exists(marker));
        helper.reset();
    }
}

// The helper's folder is its own and writable by no one else, whatever the umask, and one
// found writable by others is closed.
TEST_F(HelperTest, HelperFolderIsNotWritableByOthers)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(Helper::sleepMarkerPath()).absolutePath());
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "found open to all" : "made by the helper");
        ::rmdir(folder.constData());
        const mode_t mask = ::umask(0);
        if (existing) {
            QDir().mkpath(QFileInfo(folder).absolutePath());
            ASSERT_EQ(::mkdir(folder.constData(), 0777), 0);
        }
        startHelper();
        const bool ok = start(20).ok;
        ::umask(mask);
        ASSERT_TRUE(ok);
        struct stat st {};
        ASSERT_EQ(::lstat(folder.constData(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_uid, ::geteuid());
        EXPECT_EQ(st.st_mode & 022, 0u);
        ASSERT_TRUE(stop());
        helper.reset();
    }
}

TEST_F(HelperTest, WithoutTheSettingCallOnlyTheMarkerIsKept)
{
    sim::power::setSettingCallAvailable(false);
    startHelper();
    sim::power::setSettingCallAvailable(true);
    ASSERT_TRUE(start(20).ok);
    EXPECT_TRUE(markerExists());
    EXPECT_EQ(sim::power::settingWrites("SleepDisabled"), 0);
    ASSERT_TRUE(stop());
    EXPECT_FALSE(markerExists());
}

} // namespace
