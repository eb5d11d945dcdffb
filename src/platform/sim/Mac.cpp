#include "platform/sim/Mac.h"

#include "platform/sim/AdminScript.h"
#include "platform/sim/DeskServer.h"
#include "platform/sim/Machine.h"
#include "platform/sim/Persistence.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
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
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/sim/WindowInput.h"
#include "platform/SystemSettings.h"

namespace sim {

Mac& Mac::shared()
{
    static Mac* mac = new Mac(); // outlives every thread that may still talk to it
    return *mac;
}

void Mac::install(const Desk& desk)
{
    persistence::disable();
    installParts(desk, false, {});
}

void Mac::installParts(const Desk& desk, bool keepShared, const QJsonObject& state)
{
    std::lock_guard lock(mutex_);
    desk_ = desk;
    if (!keepShared) {
        sim::smc::install(desk.smc);
        sim::battery::install(desk.battery);
    }
    AudioSystem::shared().install(desk.audio);
    std::vector<DeskDisplay> displays = desk.displays;
    if (state.contains("displays"))
        Displays::restore(displays, state["displays"].toObject());
    displays_.install(displays);
    chargelimit::reset();
    power::reset();
    launchd::reset();
    adminscript::reset(desk.adminPrompt);
    EventSystem::shared().reset();
    EventSystem::shared().setTrusted(state["accessibility"].toBool(desk.accessibility));
    PowerAssertionTable::shared().reset();
    Session::shared().reset();
    Updates::shared().reset();
    Processes::shared().reset();
    loginitems::reset();
    systemsettings::clear();
    if (state.contains("audio"))
        AudioSystem::shared().restore(state["audio"].toObject());
}

Mac::Boot Mac::boot(const Desk& desk, Role role)
{
    persistence::disable();
    // A Pelorn that is still on its way out (the language relaunch) saves its last changes
    // first; this one then finds them.
    if (!machine::hold(role == Role::application ? kHoldSeconds : 0))
        platform::log::write("machine: another process still holds the machine under " + platform::paths::simRoot());
    Boot result;
    QJsonObject state;
    {
        machine::Transaction tx;
        state = tx.read("machine");
        const bool found = state["desk"].toString() == persistence::fingerprint(desk);
        // The SMC and the battery are documents of their own: a machine.json that cannot be
        // read loses neither the battery's level nor its charge limit.
        const bool sameDesk = found || tx.read("desk") == desk.raw;
        result.rebuilt = !found;
        if (!found)
            state = {};
        installParts(desk, sameDesk && tx.exists("smc") && tx.exists("battery"), state);
        if (tx.read("desk") != desk.raw)
            tx.write("desk", desk.raw);
    }
    Updates::shared().publishInstalledVersion(false);
    // Applications that run on this Mac besides Pelorn receive the events posted to them; the
    // pointer rests over the first of them.
    EventSystem& events = EventSystem::shared();
    pid_t pointed = 0;
    for (const DeskAudioApp& app : desk.audio.apps)
        if (app.pid != desk.audio.selfPid && app.policy == "regular") {
            events.setApplication(app.pid, app.bundleID);
            if (!pointed)
                pointed = app.pid;
        }
    events.setPointerTarget(pointed);
    persistence::enable(state);
    persistence::flush();
    if (role == Role::application) {
        // What changed in the last moment before quitting is written too.
        static bool flushesAtExit = false;
        if (!std::exchange(flushesAtExit, true))
            qAddPostRoutine([] { persistence::flush(); });
        events.runDisplayClock();
        windowinput::install();
        launchd::bootInstalled();
        deskserver::listen();
    }
    return result;
}

std::optional<Desk> Mac::stored()
{
    if (!QFile::exists(machine::stateFolder() + "/machine.json"))
        return std::nullopt; // and nothing made under a sim root that holds no machine
    machine::Transaction tx;
    if (!tx.exists("machine") || !tx.exists("desk"))
        return std::nullopt;
    const QByteArray json = QJsonDocument(tx.read("desk")).toJson(QJsonDocument::Compact);
    DeskResult desk = Desk::parse(json);
    if (!desk)
        return std::nullopt;
    return desk.value();
}

QJsonObject Mac::snapshot() const
{
    Desk desk;
    {
        std::lock_guard lock(mutex_);
        desk = desk_;
    }
    return QJsonObject{{"desk", persistence::fingerprint(desk)},
                       {"displays", displays_.snapshot()},
                       {"audio", AudioSystem::shared().snapshot()},
                       {"accessibility", EventSystem::shared().trusted()}};
}

Desk Mac::desk() const
{
    std::lock_guard lock(mutex_);
    return desk_;
}

} // namespace sim
