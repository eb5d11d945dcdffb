#include "platform/sim/Battery.h"

#include "platform/sim/Smc.h"
#include "support/SimTest.h"

namespace {

class SimBattery : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        installDesk(R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0]}]},
                        "battery": {"percent": 50, "chargeLimit": 60,
                                    "chargePerMinute": 1, "dischargePerMinute": 0.5}})");
    }
};

// The charge follows the adapter key and the cable over the shared clock.
TEST_F(SimBattery, ChargeFollowsAdapterKeyAndCable)
{
    advance(600); // charging, 1 %/min
    EXPECT_NEAR(sim::battery::read().percent, 60, 1e-6);
    advance(600); // held at the limit
    EXPECT_NEAR(sim::battery::read().percent, 60, 1e-6);
    EXPECT_FALSE(sim::battery::read().charging);

    sim::smc::setValue("CHIE", QByteArray(1, 0x08)); // adapter off: drains with the cable in
    advance(120);
    EXPECT_NEAR(sim::battery::read().percent, 59, 1e-6);
    EXPECT_FALSE(sim::battery::read().adapterEnabled);

    sim::smc::setValue("CHIE", QByteArray(1, 0x00));
    sim::battery::setExternalConnected(false);
    advance(120);
    EXPECT_NEAR(sim::battery::read().percent, 58, 1e-6);

    sim::battery::setExternalConnected(true);
    sim::battery::setChargeLimit(80);
    advance(60);
    EXPECT_NEAR(sim::battery::read().percent, 59, 1e-6);
    EXPECT_TRUE(sim::battery::read().charging);
}

TEST_F(SimBattery, NeverDrainsBelowEmpty)
{
    sim::battery::setExternalConnected(false);
    advance(3 * 3600);
    EXPECT_EQ(sim::battery::read().percent, 0);
}

TEST(DeskPowerSections, ErrorsNameTheField)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"smc": {"keys": [{"name": "CHI", "bytes": [0]}]}})", "smc.keys[0].name"},
        {R"({"smc": {"keys": [{"name": "CHIE"}]}})", "smc.keys[0].bytes"},
        {R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0, 256]}]}})", "smc.keys[0].bytes[1]"},
        {R"({"smc": {"keys": [{"name": "CHIE", "bytes": [0]}, {"name": "CHIE", "bytes": [0]}]}})",
         "smc.keys[1].name"},
        {R"({"smc": {"kyes": []}})", "smc.kyes"},
        {R"({"battery": {"percent": 101}})", "battery.percent"},
        {R"({"battery": {"externalConnected": 1}})", "battery.externalConnected"},
    };
    for (const auto& [json, field] : cases) {
        const sim::DeskResult desk = sim::Desk::parse(json);
        ASSERT_FALSE(desk.ok()) << json;
        EXPECT_EQ(desk.error().field.toStdString(), field) << json;
    }
}

} // namespace
