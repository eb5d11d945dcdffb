// Sleep on request reaches the running helper: it is told the system will sleep, allows it,
// and is told the system woke again.
#include "HelperFixture.h"
#include "HelperProcess.h"

#include "panel/PanelHeader.h"
#include "platform/PowerEvents.h"
#include "platform/sim/Power.h"

namespace {

class HelperSleepNow : public HelperTest {};

TEST_F(HelperSleepNow, TheHelperSeesWillSleepAndWake)
{
    ASSERT_TRUE(QFile::exists(builtHelperPath()));
    HelperProcess process;
    ASSERT_TRUE(process.start());
    TestClient client;
    ASSERT_TRUE(client.start(30)->first);

    sleepNow();
    sim::power::waitForSleeps();
    EXPECT_EQ(sim::power::sleepRequests(), 1);
    EXPECT_EQ(sim::power::openConnections(), 0);
    const QList<sim::power::Allowed> allowed = sim::power::allowedChanges();
    ASSERT_EQ(allowed.size(), 1);
    EXPECT_EQ(allowed[0].message, platform::power::kMessageSystemWillSleep);
    EXPECT_EQ(allowed[0].pid, process.pid());
    // Woken again: the helper switches the adapter back off to go on discharging.
    EXPECT_TRUE(waitUntil([] { return chie() == 0x08; }));
}

} // namespace
