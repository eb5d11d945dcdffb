// The helper program as launchd runs it: a real PelornHelper process on the test's sim root.
#include "HelperFixture.h"
#include "HelperProcess.h"

#include "platform/PowerEvents.h"

namespace {

class HelperProgram : public HelperTest {
protected:
    void SetUp() override
    {
        HelperTest::SetUp();
        ASSERT_TRUE(QFile::exists(builtHelperPath())) << "no PelornHelper in " << testpaths::buildDir().toStdString();
    }
};

TEST_F(HelperProgram, DischargeRunsToTheTargetAndEnds)
{
    HelperProcess process;
    ASSERT_TRUE(process.start());
    TestClient client;
    const auto started = client.start(40);
    ASSERT_TRUE(started);
    EXPECT_TRUE(started->first) << started->second.value_or("").toStdString();
    EXPECT_EQ(chie(), 0x08);
    EXPECT_TRUE(sleepDisabled());
    EXPECT_TRUE(markerExists());

    int ticks = 0;
    while (client.status()->target != 0 && ticks++ < 40)
        ASSERT_TRUE(process.advance(15));
    // 0.25 % a tick from 45 %: the level first reads 40 (40.25 rounded) at the 19th tick.
    EXPECT_EQ(ticks, 19);
    EXPECT_EQ(chie(), 0);
    EXPECT_FALSE(sleepDisabled());
    EXPECT_FALSE(markerExists());
    const auto status = client.status();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->version, 2);
    EXPECT_TRUE(status->adapterEnabled);
}

TEST_F(HelperProgram, PulledCableEndsIt)
{
    HelperProcess process;
    ASSERT_TRUE(process.start());
    TestClient client;
    ASSERT_TRUE(client.start(30)->first);
    sim::battery::setExternalConnected(false);
    ASSERT_TRUE(process.advance(15));
    EXPECT_EQ(client.status()->target, 0);
    EXPECT_EQ(chie(), 0);
    EXPECT_FALSE(markerExists());
}

TEST_F(HelperProgram, SleepSwitchesTheAdapterOnAndWakeResumes)
{
    HelperProcess process;
    ASSERT_TRUE(process.start());
    TestClient client;
    ASSERT_TRUE(client.start(30)->first);

    EXPECT_EQ(sim::power::sendMessage(platform::power::kMessageCanSystemSleep), QList<qint64>{process.pid()});
    EXPECT_EQ(chie(), 0x08); // idle sleep is allowed, nothing changes

    EXPECT_EQ(sim::power::sendMessage(platform::power::kMessageSystemWillSleep), QList<qint64>{process.pid()});
    EXPECT_EQ(chie(), 0); // before the system was allowed to sleep
    EXPECT_EQ(client.status()->target, 30);
    EXPECT_TRUE(markerExists());
    ASSERT_TRUE(process.advance(15)); // asleep: the tick does nothing
    EXPECT_EQ(chie(), 0);

    sim::power::sendMessage(platform::power::kMessageSystemHasPoweredOn);
    EXPECT_TRUE(waitUntil([] { return chie() == 0x08; }));
    EXPECT_EQ(client.status()->target, 30);

    const QList<sim::power::Allowed> allowed = sim::power::allowedChanges();
    ASSERT_EQ(allowed.size(), 2);
    EXPECT_EQ(allowed[0].message, platform::power::kMessageCanSystemSleep);
    EXPECT_EQ(allowed[1].message, platform::power::kMessageSystemWillSleep);
    EXPECT_EQ(allowed[1].pid, process.pid());
}

TEST_F(HelperProgram, SigtermRestoresEverythingAndExitsZero)
{
    HelperProcess process;
    ASSERT_TRUE(process.start());
    TestClient client;
    ASSERT_TRUE(client.start(30)->first);
    process.signal(SIGTERM);
    EXPECT_EQ(process.waitForExit(), 0);
    EXPECT_EQ(chie(), 0);
    EXPECT_FALSE(sleepDisabled());
    EXPECT_FALSE(markerExists());
}

TEST_F(HelperProgram, KilledHelperIsRepairedByTheNextStart)
{
    {
        HelperProcess process;
        ASSERT_TRUE(process.start());
        TestClient client;
        ASSERT_TRUE(client.start(30)->first);
        process.signal(SIGKILL);
        EXPECT_EQ(process.waitForExit(), std::nullopt);
    }
    ASSERT_EQ(chie(), 0x08);
    ASSERT_TRUE(markerExists());
    ASSERT_TRUE(sleepDisabled());

    HelperProcess next;
    ASSERT_TRUE(next.start());
    EXPECT_EQ(chie(), 0);
    EXPECT_FALSE(markerExists());
    EXPECT_FALSE(sleepDisabled());
    TestClient client;
    EXPECT_EQ(client.status()->target, 0); // the target lived only in the old process
}

} // namespace
