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

    static void storeRaw(const QString& key, const QByteArray& json) { Prefs::d().set(key, json); }
    static QJsonValue storedJson(const QString& key)
    {
        return QJsonDocument::fromJson(Prefs::d().object(key).toByteArray()).array();
    }
    static sim::Displays& world() { return sim::Mac::shared().displays(); }

    // The event text without its time stamp.
    QString lastMessage() const
    {
        const QString event = automation->lastEvent().value_or(QString());
        const qsizetype dot = event.indexOf(QStringLiteral(" · "));
        return dot < 0 ? event : event.mid(dot + 3);
    }

    std::unique_ptr<DisplayManager> display;
    std::unique_ptr<AudioManager> audio;
    std::unique_ptr<ScrollManager> scroll;
    std::unique_ptr<BatteryManager> battery;
    std::unique_ptr<AutomationManager> automation;
    double reportedAt = 0;                             // the last display change the manager was told of
    std::vector<std::pair<double, QString>> events;    // each new event text, with its time
};
