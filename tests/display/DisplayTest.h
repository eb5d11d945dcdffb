#pragma once
// A DisplayManager on a simulated desk, with helpers to let its DDC/CI work finish.
#include "bridge/Bridge.h"
#include "display/DisplayManager.h"
#include "platform/sim/Mac.h"
#include "support/SimTest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <memory>

class DisplayTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        bridge_forget_cached_clients();
    }
    void TearDown() override
    {
        manager.reset();
        SimTest::TearDown();
    }

    static QJsonObject builtinJson(uint32_t id = 1)
    {
        return QJsonObject{{"id", double(id)}, {"name", "Yerleşik"}, {"builtin", true}, {"brightness", 0.5},
                           {"modes", QJsonArray{QJsonObject{{"width", 1512}, {"height", 982}, {"pixelWidth", 3024}}}}};
    }
    static QJsonObject monitorJson(uint32_t id, uint32_t model = 200, uint32_t serial = 0, QJsonObject vcp = {})
    {
        if (vcp.isEmpty())
            vcp = QJsonObject{{"10", 60}, {"12", 70}, {"60", 15}, {"62", 30}};
        return QJsonObject{{"id", double(id)},
                           {"name", QString("Monitor %1").arg(id)},
                           {"vendor", 100},
                           {"model", double(model)},
                           {"serial", double(serial)},
                           {"origin", QJsonArray{1512 + 2000 * int(id), 0}},
                           {"ddc", QJsonObject{{"vcp", vcp}, {"capabilities", "vcp(10 12 60(0F 11 12) 62)"}}}};
    }
    void useDisplays(const QJsonArray& displays)
    {
        installDesk(QJsonDocument(QJsonObject{{"name", "test"}, {"displays", displays}}).toJson());
    }
    void start()
    {
        manager = std::make_unique<DisplayManager>();
        settle();
    }
    // Runs the DDC queue and the main-thread hops until both are quiet.
    void settle()
    {
        for (int i = 0; i < 6; ++i) {
            manager->ddcQueue().drain();
            processEvents();
        }
    }
    // The debounced refresh after a reconfiguration.
    void refreshed()
    {
        processEvents();
        advance(1.0);
        settle();
    }
    static sim::Displays& world() { return sim::Mac::shared().displays(); }
    static std::shared_ptr<sim::Monitor> monitor(uint32_t id) { return world().monitor(id); }
    // The values of the Set VCP requests a monitor received for a code, one per message sent.
    static std::vector<int> setsOf(uint32_t id, uint8_t code)
    {
        std::vector<int> out;
        for (const auto& t : monitor(id)->transfers())
            if (t.write && t.bytes.size() == 6 && uint8_t(t.bytes[0]) == 0x84 && uint8_t(t.bytes[2]) == code)
                out.push_back(uint8_t(t.bytes[3]) << 8 | uint8_t(t.bytes[4]));
        return out;
    }
    static void clearTransfers()
    {
        for (const auto& d : world().all())
            if (auto m = monitor(d.id))
                m->clearTransfers();
    }

    std::unique_ptr<DisplayManager> manager;
};
