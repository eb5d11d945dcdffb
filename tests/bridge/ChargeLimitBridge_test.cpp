#include "bridge/ChargeLimitBridge.h"

#include "platform/sim/ChargeLimit.h"
#include "support/SimTest.h"

#include <vector>

namespace {

class ChargeLimitBridgeTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        mcl_reset_for_testing();
    }
    void TearDown() override
    {
        mcl_reset_for_testing();
        SimTest::TearDown();
    }
    static void change(const std::function<void(sim::chargelimit::Controls&)>& edit)
    {
        auto c = sim::chargelimit::controls();
        edit(c);
        sim::chargelimit::setControls(c);
    }
    static std::vector<int> available(int max)
    {
        std::vector<int32_t> out(std::max(max, 1), -7);
        const int n = mcl_available(out.data(), max);
        return {out.begin(), out.begin() + n};
    }
};

TEST_F(ChargeLimitBridgeTest, ReadsAndSetsTheLimit)
{
    EXPECT_TRUE(mcl_supported());
    EXPECT_EQ(mcl_get_limit(), 100);
    EXPECT_EQ(mcl_set_limit(80), 1);
    EXPECT_EQ(mcl_get_limit(), 80);
    EXPECT_EQ(sim::chargelimit::limit(), 80);
    EXPECT_EQ(mcl_set_limit(83), 0) << "a limit the client does not offer";
    EXPECT_EQ(mcl_get_limit(), 80);

    const int before = sim::chargelimit::setCalls();
    for (int refused : {101, -5, -1, 1000})
        EXPECT_EQ(mcl_set_limit(refused), 0) << refused;
    EXPECT_EQ(sim::chargelimit::setCalls(), before) << "out-of-range values are never sent";
}

TEST_F(ChargeLimitBridgeTest, AvailableKeepsOrderSkipsNonNumbersAndStopsAtMax)
{
    EXPECT_EQ(available(16), (std::vector<int>{80, 85, 90, 95, 100}));
    EXPECT_EQ(available(2), (std::vector<int>{80, 85}));
    EXPECT_EQ(available(0), std::vector<int>{});

    change([](auto& c) { c.offered = QVariantList{100, QVariantMap{}, "90", QVariant(), 80.0, QVariantList{}}; });
    EXPECT_EQ(available(16), (std::vector<int>{100, 90, 80})) << "skipped elements use no position";
    change([](auto& c) { c.offered = QVariant(qlonglong(80)); });
    EXPECT_EQ(available(16), std::vector<int>{}) << "not an array";
}

TEST_F(ChargeLimitBridgeTest, EachMissingPieceDegradesSilently)
{
    struct Case {
        const char* name;
        std::function<void(sim::chargelimit::Controls&)> edit;
        bool supported;
        int limit;
        int set;
        int available;
    };
    const Case cases[] = {
        {"no framework", [](auto& c) { c.framework = false; }, false, -1, 0, 0},
        {"no class", [](auto& c) { c.clientClass = false; }, false, -1, 0, 0},
        {"no initialiser", [](auto& c) { c.missing << "initWithClientName:"; }, false, -1, 0, 0},
        {"not supported", [](auto& c) { c.supported = false; }, false, 100, 0, 5},
        {"no supported check", [](auto& c) { c.missing << "isMCLSupported"; }, false, 100, 1, 5},
        {"get missing", [](auto& c) { c.missing << "getMCLLimitWithError:"; }, true, -1, 1, 5},
        {"get fails", [](auto& c) { c.failing << "getMCLLimitWithError:"; }, true, -1, 1, 5},
        {"set missing", [](auto& c) { c.missing << "setMCLLimit:error:"; }, true, 100, 0, 5},
        {"set fails", [](auto& c) { c.failing << "setMCLLimit:error:"; }, true, 100, 0, 5},
        {"list missing", [](auto& c) { c.missing << "availableChargeLimitsWithError:"; }, true, 100, 1, 0},
        {"list fails", [](auto& c) { c.failing << "availableChargeLimitsWithError:"; }, true, 100, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::chargelimit::reset();
        change(c.edit);
        mcl_reset_for_testing();
        EXPECT_EQ(mcl_supported(), c.supported);
        EXPECT_EQ(mcl_get_limit(), c.limit);
        EXPECT_EQ(mcl_set_limit(100), c.set);
        EXPECT_EQ(int(available(16).size()), c.available);
    }
}

TEST_F(ChargeLimitBridgeTest, TheClientIsMadeOncePerProcess)
{
    EXPECT_TRUE(mcl_supported());
    change([](auto& c) { c.framework = false; }); // too late: the client exists
    EXPECT_TRUE(mcl_supported());

    mcl_reset_for_testing();
    EXPECT_FALSE(mcl_supported());
    change([](auto& c) { c.framework = true; }); // a missing framework stays missing
    EXPECT_FALSE(mcl_supported());
}

} // namespace
