#pragma once
// A helper object in the test process, on a simulated laptop whose battery drains 1 % a minute
// with the adapter held off. The protocol calls wait for their reply.
#include "helper/Helper.h"
#include "platform/sim/Battery.h"
#include "platform/sim/Power.h"
#include "platform/sim/Smc.h"
#include "support/SimTest.h"

#include <QFileInfo>
#include <future>
#include <memory>

struct StartAnswer {
    bool ok;
    std::optional<QString> error;
};

struct StatusAnswer {
    int64_t version;
    bool adapterEnabled;
    int64_t target;
    std::optional<QString> error;
};

class HelperTest : public SimTest {
protected:
    static constexpr const char* kLaptop = R"({
        "smc": {"keys": [{"name": "CHIE", "bytes": [0]}, {"name": "TB0T", "float": 31}]},
        "battery": {"percent": 45, "externalConnected": true, "chargePerMinute": 1, "dischargePerMinute": 1}})";

    void SetUp() override
    {
        SimTest::SetUp();
        installDesk(kLaptop);
    }

    void TearDown() override
    {
        helper.reset();
        SimTest::TearDown();
    }

    void startHelper()
    {
        helper = Helper::make();
        helper->start();
    }

    StartAnswer start(int64_t target)
    {
        std::promise<StartAnswer> p;
        helper->startDischarge(target, [&](bool ok, std::optional<QString> e) { p.set_value({ok, e}); });
        return p.get_future().get();
    }
    bool stop()
    {
        std::promise<bool> p;
        helper->stopDischarge([&](bool enabled) { p.set_value(enabled); });
        return p.get_future().get();
    }
    StatusAnswer status()
    {
        std::promise<StatusAnswer> p;
        helper->status([&](int64_t v, bool a, int64_t t, std::optional<QString> e) { p.set_value({v, a, t, e}); });
        return p.get_future().get();
    }

    static uint8_t chie() { return uint8_t(sim::smc::value("CHIE").value_or(QByteArray(1, 0x7F))[0]); }
    static bool markerExists() { return QFileInfo::exists(Helper::sleepMarkerPath()); }
    static bool sleepDisabled() { return sim::power::systemSetting("SleepDisabled").toBool(); }

    std::shared_ptr<Helper> helper;
};
