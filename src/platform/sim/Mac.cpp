#include "platform/sim/Mac.h"

#include "platform/sim/AdminScript.h"
#include "platform/sim/Battery.h"
#include "platform/sim/ChargeLimit.h"
#include "platform/sim/Launchd.h"
#include "platform/sim/LoginItems.h"
#include "platform/sim/PowerSources.h"
#include "platform/sim/Smc.h"
#include "platform/sim/SimAudio.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/PowerAssertionTable.h"
#include "platform/sim/Session.h"
#include "platform/sim/Processes.h"
#include "platform/sim/Updates.h"
#include "platform/SystemSettings.h"

namespace sim {

Mac& Mac::shared()
{
    static Mac* mac = new Mac(); // outlives every thread that may still talk to it
    return *mac;
}

void Mac::install(const Desk& desk)
{
    std::lock_guard lock(mutex_);
    desk_ = desk;
    sim::smc::install(desk.smc);
    sim::battery::install(desk.battery);
    AudioSystem::shared().install(desk.audio);
    displays_.install(desk.displays);
    chargelimit::reset();
    power::reset();
    launchd::reset();
    adminscript::reset(desk.adminPrompt);
    EventSystem::shared().reset();
    EventSystem::shared().setTrusted(desk.accessibility);
    PowerAssertionTable::shared().reset();
    Session::shared().reset();
    Updates::shared().reset();
    Processes::shared().reset();
    loginitems::reset();
    systemsettings::clear();
}

Desk Mac::desk() const
{
    std::lock_guard lock(mutex_);
    return desk_;
}

} // namespace sim
