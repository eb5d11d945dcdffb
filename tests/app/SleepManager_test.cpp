#include "app/SleepManager.h"
#include "platform/UserDefaults.h"
#include "platform/sim/PowerAssertionTable.h"
#include "showcase/Showcase.h"
#include "support/SimTest.h"

namespace {

const QString kSystem = "PreventUserIdleSystemSleep";
const QString kDisplay = "PreventUserIdleDisplaySleep";

class SleepTest : public SimTest {
protected:
    sim::PowerAssertionTable& table = sim::PowerAssertionTable::shared();

    // The held assertions as "S" and "D", by the type they keep awake.
    QString held() const
    {
        QString out;
        for (const auto& e : table.entries()) {
            EXPECT_EQ(e.level, 255u);
            EXPECT_EQ(e.name, "Quendrel is running");
            out += e.type == kSystem ? "S" : e.type == kDisplay ? "D" : "?";
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    platform::power::AssertionID idOf(const QString& type) const
    {
        for (const auto& e : table.entries())
            if (e.type == type)
                return e.id;
        return 0;
    }
};

TEST_F(SleepTest, LaunchHoldsTheSystemAssertionWithTheDefaults)
{
    SleepManager m;
    EXPECT_TRUE(m.preventSleep());
    EXPECT_FALSE(m.keepDisplayOn());
    EXPECT_EQ(held(), "S");
}

TEST_F(SleepTest, SwitchChangesKeepTheAssertionsInLine)
{
    SleepManager m;
    const struct {
        const char* change;
        bool preventSleep;
        bool keepDisplayOn;
        QString held;
    } steps[] = {
        {"display on", true, true, "DS"},
        {"prevent off releases both", false, true, ""},
        {"prevent on again re-creates both", true, true, "DS"},
        {"display off", true, false, "S"},
        {"prevent off", false, false, ""},
        {"display on alone holds nothing", false, true, ""},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.change);
        const auto systemBefore = idOf(kSystem);
        if (m.preventSleep() != s.preventSleep)
            m.setPreventSleep(s.preventSleep);
        if (m.keepDisplayOn() != s.keepDisplayOn)
            m.setKeepDisplayOn(s.keepDisplayOn);
        EXPECT_EQ(held(), s.held);
        if (systemBefore && s.preventSleep) {
            EXPECT_EQ(idOf(kSystem), systemBefore) << "the system assertion is left alone";
        }
        m.update(); // an update with nothing to change changes nothing
        EXPECT_EQ(held(), s.held);
    }
    const QVariantMap stored = platform::UserDefaults::standard().persistentDomain();
    EXPECT_EQ(stored.value("power.preventSleep"), QVariant(false));
    EXPECT_EQ(stored.value("power.keepDisplayOn"), QVariant(true));
}

TEST_F(SleepTest, FailedCreationIsTriedAgainAtTheNextUpdate)
{
    table.failNextCreations(1);
    SleepManager m;
    EXPECT_EQ(held(), "");
    EXPECT_TRUE(m.preventSleep()) << "the switch still shows the user's choice";
    m.update();
    EXPECT_EQ(held(), "S");
}

TEST_F(SleepTest, StoredSwitchesAreReadAndShowcaseStoresNothing)
{
    auto& store = platform::UserDefaults::standard();
    store.set("power.preventSleep", true);
    store.set("power.keepDisplayOn", true);
    {
        SleepManager m;
        EXPECT_EQ(held(), "DS");
    }
    EXPECT_EQ(held(), "") << "released with the manager";

    Showcase::setEnabledForTesting(true);
    SleepManager m;
    m.setPreventSleep(false);
    EXPECT_EQ(held(), "") << "the switch works for the run";
    EXPECT_EQ(store.object("power.preventSleep"), QVariant(true));
}

} // namespace
