#include "app/SleepManager.h"

#include "app/Prefs.h"

namespace {
const QString kSystemType = QStringLiteral("PreventUserIdleSystemSleep");
const QString kDisplayType = QStringLiteral("PreventUserIdleDisplaySleep");
const QString kName = QStringLiteral("Quendrel is running");
} // namespace

SleepManager::SleepManager(QObject* parent) : QObject(parent)
{
    preventSleep_ = Prefs::boolValue("power.preventSleep", true);
    keepDisplayOn_ = Prefs::boolValue("power.keepDisplayOn", false);
    update();
}

SleepManager::~SleepManager()
{
    set(systemAssertion_, kSystemType, false);
    set(displayAssertion_, kDisplayType, false);
}

void SleepManager::setPreventSleep(bool on)
{
    preventSleep_ = on;
    Prefs::set("power.preventSleep", on);
    update();
    emit changed();
}

void SleepManager::setKeepDisplayOn(bool on)
{
    keepDisplayOn_ = on;
    Prefs::set("power.keepDisplayOn", on);
    update();
    emit changed();
}

void SleepManager::update()
{
    set(systemAssertion_, kSystemType, preventSleep_);
    set(displayAssertion_, kDisplayType, preventSleep_ && keepDisplayOn_);
}

void SleepManager::set(platform::power::AssertionID& id, const QString& type, bool on)
{
    if (on && id == 0) {
        // On failure the id stays 0 and the next update tries again.
        platform::power::createAssertionWithName(type, platform::power::kAssertionLevelOn, kName, &id);
    } else if (!on && id != 0) {
        platform::power::releaseAssertion(id);
        id = 0;
    }
}
