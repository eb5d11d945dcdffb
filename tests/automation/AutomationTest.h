#pragma once
// The automation manager on the default simulated desk, with every manager it drives, wired to
// the display list the way the application wires them at start.
#include "app/Prefs.h"
#include "app/ScrollManager.h"
#include "audio/AudioManager.h"
#include "automation/AutomationManager.h"
#include "battery/BatteryManager.h"
#include "bridge/Bridge.h"
#include "bridge/ChargeLimitBridge.h"
#include "display/DisplayManager.h"
#include "platform/Clock.h"
#include "platform/sim/Mac.h"
#include "platform/sim/Monitor.h"
#include "support/SimTest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <memory>

class AutomationTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        mcl_reset_for_testing();
        bridge_forget_cached_clients();
    }
    void TearDown() override
    {
        automation.reset();
        battery.reset();
        scroll.reset();
        audio.reset();
        AudioManager::waitForBackgroundStops();
        display.reset();
        mcl_reset_for_testing();
        SimTest::TearDown();
    }

    // Makes the managers; with `wire`, display changes reach the automation manager and it is
    // told the current displays once, as at application start.
    void start(bool wire = true)
    {
        display = std::make_unique<DisplayManager>();
        settle();
        audio = std::make_unique<AudioManager>(*display);
        scroll = std::make_unique<ScrollManager>();
        battery = std::make_unique<BatteryManager>();
        processEvents();
        automation = std::make_unique<AutomationManager>(*display, *audio, *scroll, *battery);
        if (wire) {
            display->onDisplaysChanged = [this](const std::vector<DisplayInfo>& list) {
                reportedAt = platform::clock::now();
                automation->displaysChanged(list);
                audio->refresh();
            };
            reportedAt = platform::clock::now();
            automation->displaysChanged(display->displays());
        }
        QObject::connect(automation.get(), &AutomationManager::changed, [this] {
            const auto event = automation->lastEvent();
            if (event && (events.empty() || events.back().second != *event))
                events.emplace_back(platform::clock::now(), *event);
        });
        settle();
    }
    // Runs the DDC queue and the main-thread hops until both are quiet.
    void settle()
    {
        for (int i = 0; i < 6; ++i) {
            display->ddcQueue().drain();
            processEvents();
        }
    }
    // Moves the clock on and lets the DDC/CI work that fell due finish.
    void wait(double seconds)
    {
        advance(seconds);
        settle();
    }

    // The KVM switch: the monitors leave, or come back, in one reconfiguration; the display list
    // reports it after its quiet time.
    void kvm(std::initializer_list<uint32_t> ids, bool online)
    {
        for (uint32_t id : ids)
            world().setOnline(id, online);
        processEvents();
        wait(1.0);
    }
    // The values written to a monitor for a code, one per write (the bridge sends every Set
    // VCP request twice).
    static std::vector<int> setsOf(uint32_t id, uint8_t code)
    {
        std::vector<int> out;
        for (const auto& t : world().monitor(id)->transfers())
            if (t.write && t.bytes.size() == 6 && uint8_t(t.bytes[0]) == 0x84 && uint8_t(t.bytes[2]) == code)
                out.push_back(uint8_t(t.bytes[3]) << 8 | uint8_t(t.bytes[4]));
        EXPECT_EQ(out.size() % 2, 0u) << "a write reached the monitor once";
        std::vector<int> writes;
        for (size_t i = 0; i < out.size(); i += 2)
            writes.push_back(out[i]);
        return writes;
    }

    static void storeRaw(const QString& key, const QByteArray& json) { Prefs::d().set(key, json); }
    static QJsonValue storedJson(const QString& key)
    {
        return QJsonDocument::fromJson(Prefs::d().object(key).toByteArray()).array();
    }
    static sim::Displays& world() { return sim::Mac::shared().displays(); }

    // An event text without its time stamp.
    static QString withoutTime(const QString& event)
    {
        const qsizetype dot = event.indexOf(QStringLiteral(" · "));
        return dot < 0 ? event : event.mid(dot + 3);
    }
    QString lastMessage() const { return withoutTime(automation->lastEvent().value_or(QString())); }

    std::unique_ptr<DisplayManager> display;
    std::unique_ptr<AudioManager> audio;
    std::unique_ptr<ScrollManager> scroll;
    std::unique_ptr<BatteryManager> battery;
    std::unique_ptr<AutomationManager> automation;
    double reportedAt = 0;                             // the last display change the manager was told of
    std::vector<std::pair<double, QString>> events;    // each new event text, with its time
};
