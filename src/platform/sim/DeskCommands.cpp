#include "platform/sim/DeskCommands.h"

#include "platform/Appearance.h"
#include "platform/Audio.h"
#include "platform/DisplayServices.h"
#include "platform/Events.h"
#include "platform/LoginItem.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Battery.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/Launchd.h"
#include "platform/sim/Mac.h"
#include "platform/sim/Power.h"
#include "platform/sim/PowerAssertionTable.h"
#include "platform/sim/PowerSources.h"
#include "platform/sim/SimAudio.h"
#include "platform/sim/Updates.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <functional>

namespace sim::deskcommands {
namespace {

using platform::audio::kScopeInput;
using platform::audio::kScopeOutput;

Outcome ok(const QString& out = {}) { return Outcome{0, out.isEmpty() || out.endsWith('\n') ? out : out + "\n", {}}; }
Outcome bad(const QString& message) { return Outcome{kBadInput, {}, "pelorn-desk: " + message + "\n"}; }

// A whole number in range, decimal or 0x-hexadecimal.
std::optional<long> number(const QString& text, long min, long max)
{
    bool good = false;
    const long v = text.startsWith("0x", Qt::CaseInsensitive) ? text.mid(2).toLong(&good, 16) : text.toLong(&good, 10);
    if (!good || v < min || v > max)
        return std::nullopt;
    return v;
}

const QStringList kKeys{"volume-up", "volume-down", "mute", "brightness-up", "brightness-down"};

// The auxiliary control button a key sends.
int keyCode(const QString& key)
{
    static const int codes[] = {0, 1, 7, 2, 3};
    return codes[kKeys.indexOf(key)];
}

// The accents of System Settings by the number the system stores; multicolour stores none.
constexpr int kMulticolour = 100;
const QMap<QString, int> kAccents{{"multicolour", kMulticolour}, {"blue", 4}, {"purple", 5}, {"pink", 6}, {"red", 0},
                                  {"orange", 1}, {"yellow", 2}, {"green", 3}, {"graphite", -1}};

QString listed(const QStringList& names) { return names.isEmpty() ? "none" : names.join(", "); }

// --- names on this machine ---

std::optional<DeskDisplay> findDisplay(const std::vector<DeskDisplay>& displays, const QString& name)
{
    for (const DeskDisplay& d : displays)
        if (d.name.compare(name, Qt::CaseInsensitive) == 0 || QString::number(d.id) == name)
            return d;
    return std::nullopt;
}

QStringList displayNames(const std::vector<DeskDisplay>& displays)
{
    QStringList out;
    for (const DeskDisplay& d : displays)
        out << (d.name.isEmpty() ? QString::number(d.id) : d.name) + (d.builtin ? " (built-in)" : "");
    return out;
}

std::optional<DeskAudioDevice> findDevice(const std::vector<DeskAudioDevice>& devices, const QString& name)
{
    for (const DeskAudioDevice& d : devices)
        if (d.uid == name || d.name.compare(name, Qt::CaseInsensitive) == 0)
            return d;
    return std::nullopt;
}

QStringList deviceNames(const std::vector<DeskAudioDevice>& devices)
{
    QStringList out;
    for (const DeskAudioDevice& d : devices)
        out << d.uid;
    return out;
}

// --- status ---

double outputVolume(const QString& uid, const DeskAudioDirection& direction, uint32_t scope)
{
    if (!direction.volume)
        return -1;
    double sum = 0;
    for (uint32_t e : direction.volume->elements)
        sum += AudioSystem::shared().volumeScalar(uid, scope, e);
    return direction.volume->elements.empty() ? -1 : sum / double(direction.volume->elements.size());
}

QJsonObject defaultDevice(uint32_t selector, uint32_t scope)
{
    AudioSystem& audio = AudioSystem::shared();
    const QString uid = audio.defaultDeviceUID(selector);
    const auto device = findDevice(Mac::shared().desk().audio.devices, uid);
    if (uid.isEmpty() || !device)
        return {};
    QJsonObject o{{"uid", uid}, {"name", device->name}};
    const double v = outputVolume(uid, scope == kScopeOutput ? device->output : device->input, scope);
    if (v >= 0)
        o["volume"] = std::round(v * 1000) / 1000;
    if (const auto m = audio.mute(uid, scope))
        o["muted"] = *m;
    return o;
}

QJsonArray launchdJobs()
{
    QJsonArray out;
    const QDir folder(platform::paths::map("/Library/LaunchDaemons"));
    for (const QString& name : folder.entryList({"*.plist"}, QDir::Files, QDir::Name)) {
        QString label = name.chopped(6);
        const qint64 pid = launchd::pid(label);
        out.append(QJsonObject{{"label", label},
                               {"installed", QFile::exists(platform::paths::map("/Library/PrivilegedHelperTools/" + label))},
                               {"loaded", launchd::isLoaded(label)},
                               {"pid", double(pid)}});
    }
    return out;
}

QString human(const QJsonObject& s)
{
    QString t;
    const QJsonObject kvm = s["kvm"].toObject();
    if (!kvm.isEmpty())
        t += QString("KVM %1: %2\n").arg(kvm["name"].toString(), kvm["away"].toBool() ? "away" : "this Mac");
    for (const QJsonValue& v : s["displays"].toArray()) {
        const QJsonObject d = v.toObject();
        t += QString("display %1 (%2): %3").arg(d["name"].toString()).arg(d["id"].toInt()).arg(d["online"].toBool() ? "online" : "offline");
        t += QString(", at %1,%2").arg(d["x"].toInt()).arg(d["y"].toInt());
        if (d.contains("brightness"))
            t += QString(", brightness %1").arg(d["brightness"].toDouble());
        const QJsonObject m = d["monitor"].toObject();
        for (const char* k : {"brightness", "contrast", "volume", "input"})
            if (m.contains(k))
                t += QString(", %1 %2").arg(k).arg(m[k].toInt());
        t += "\n";
    }
    t += QString("pointer on %1; appearance %2, accent %3\n")
             .arg(s["pointer"].toString("no screen"), s["appearance"].toString(), s["accent"].toString());
    const QJsonObject audio = s["audio"].toObject();
    for (const char* k : {"output", "input"}) {
        const QJsonObject d = audio[k].toObject();
        t += QString("%1: %2").arg(k, d.isEmpty() ? "none" : d["name"].toString());
        if (d.contains("volume"))
            t += QString(", volume %1").arg(d["volume"].toDouble());
        if (d["muted"].toBool())
            t += ", muted";
        t += "\n";
    }
    const QJsonObject b = s["battery"].toObject();
    if (b["present"].toBool())
        t += QString("battery: %1 %, limit %2 %, %3\n")
                 .arg(b["percent"].toDouble(), 0, 'f', 1)
                 .arg(b["chargeLimit"].toInt())
                 .arg(b["charging"].toBool() ? "charging" : "not charging");
    t += QString("power: cable %1, adapter %2\n")
             .arg(b["externalConnected"].toBool() ? "in" : "out", b["adapterEnabled"].toBool() ? "on" : "off");
    t += QString("sleep: %1").arg(s["sleepBlocked"].toBool() ? "blocked" : "allowed");
    if (s["sleepDisabled"].toBool())
        t += ", disabled by the system setting";
    for (const QJsonValue& a : s["powerAssertions"].toArray())
        t += QString(", %1 (%2)").arg(a["type"].toString(), a["name"].toString());
    t += "\n";
    t += QString("input access: %1, event taps %2, posted events %3\n")
             .arg(s["inputAccess"].toBool() ? "granted" : "not granted")
             .arg(s["eventTaps"].toInt())
             .arg(qint64(s["postedEvents"].toDouble()));
    const QJsonObject feed = s["updateFeed"].toObject();
    t += feed["reachable"].toBool() ? QString("update feed: offers %1\n").arg(feed["version"].toString())
                                    : QString("update feed: unreachable\n");
    for (const QJsonValue& v : s["launchd"].toArray()) {
        const QJsonObject j = v.toObject();
        t += QString("job %1: %2").arg(j["label"].toString(), j["loaded"].toBool() ? "loaded" : "not loaded");
        if (j["pid"].toDouble() > 0)
            t += QString(", pid %1").arg(qint64(j["pid"].toDouble()));
        t += "\n";
    }
    return t;
}

// --- the commands ---

struct Command {
    QString name;
    QString form;                                      // for the usage text
    std::function<Outcome(const QStringList&)> check;  // the form only
    std::function<Outcome(const QStringList&)> act;
};

Outcome words(const QStringList& a, int count, const QStringList& first = {})
{
    if (a.size() != count)
        return bad(QString("%1: expected %2 word(s) after the command").arg(a.value(0)).arg(count - 1));
    if (!first.isEmpty() && !first.contains(a[1]))
        return bad(QString("%1: unknown action \"%2\" (known: %3)").arg(a[0], a[1], first.join(", ")));
    return ok();
}

Outcome setOnline(const std::vector<uint32_t>& ids, bool online)
{
    for (uint32_t id : ids)
        Mac::shared().displays().setOnline(id, online);
    return ok();
}

const std::vector<Command>& commands()
{
    static const std::vector<Command> all{
        {"kvm", "kvm away|back", [](const QStringList& a) { return words(a, 2, {"away", "back"}); },
         [](const QStringList& a) {
             const auto kvm = Mac::shared().desk().kvm;
             if (!kvm)
                 return bad("this desk has no KVM switch");
             return setOnline(kvm->displays, a[1] == "back");
         }},
        {"display", "display unplug|plug NAME", [](const QStringList& a) { return words(a, 3, {"unplug", "plug"}); },
         [](const QStringList& a) {
             Displays& displays = Mac::shared().displays();
             const auto now = findDisplay(displays.all(), a[2]);
             if (a[1] == "unplug") {
                 if (!now)
                     return bad(QString("unknown display \"%1\" (connected: %2)").arg(a[2], listed(displayNames(displays.all()))));
                 if (now->builtin)
                     return bad(QString("the built-in display \"%1\" has no cable").arg(a[2]));
                 displays.unplug(now->id);
                 return ok();
             }
             const auto desk = findDisplay(Mac::shared().desk().displays, a[2]);
             if (!desk)
                 return bad(QString("unknown display \"%1\" (this desk: %2)")
                                .arg(a[2], listed(displayNames(Mac::shared().desk().displays))));
             if (now)
                 return ok(QString("%1 is plugged in already").arg(a[2]));
             displays.plug(*desk);
             return ok();
         }},
        {"monitor", "monitor NAME input CODE",
         [](const QStringList& a) {
             if (a.size() != 4 || a[2] != "input")
                 return bad("monitor: expected \"monitor NAME input CODE\"");
             if (!number(a[3], 0, 0xFFFF))
                 return bad(QString("monitor: input \"%1\" is not a code from 0 to 65535 (0x0F, 17)").arg(a[3]));
             return ok();
         },
         [](const QStringList& a) {
             Displays& displays = Mac::shared().displays();
             const auto d = findDisplay(displays.all(), a[1]);
             if (d && d->builtin)
                 return bad(QString("\"%1\" is the built-in display: it has no inputs to choose").arg(a[1]));
             const auto monitor = d ? displays.monitor(d->id) : nullptr;
             if (!monitor)
                 return bad(QString("unknown monitor \"%1\" (connected: %2)").arg(a[1], listed(displayNames(displays.all()))));
             // Its own buttons offer only its inputs.
             const auto code = uint16_t(*number(a[3], 0, 0xFFFF));
             const std::vector<uint16_t> offered = monitor->inputs();
             if (std::find(offered.begin(), offered.end(), code) == offered.end()) {
                 QStringList codes;
                 for (uint16_t c : offered)
                     codes << "0x" + QString("%1").arg(c, 2, 16, QChar('0')).toUpper();
                 return bad(QString("monitor: %1 has no input %2 (its inputs: %3)").arg(d->name, a[3], codes.join(", ")));
             }
             monitor->showInput(code);
             // Its picture comes or goes: the window server reconfigures the display.
             displays.setOnline(d->id, d->online);
             return ok();
         }},
        {"power", "power unplug|plug", [](const QStringList& a) { return words(a, 2, {"unplug", "plug"}); },
         [](const QStringList& a) {
             battery::setExternalConnected(a[1] == "plug");
             power::sourcesChanged();
             return ok();
         }},
        {"battery", "battery PERCENT",
         [](const QStringList& a) {
             if (a.size() != 2 || !number(a[1], 0, 100))
                 return bad(QString("battery: \"%1\" is not a percentage from 0 to 100").arg(a.value(1)));
             return ok();
         },
         [](const QStringList& a) {
             if (!battery::read().present)
                 return bad("this desk has no battery");
             battery::setPercent(double(*number(a[1], 0, 100)));
             power::sourcesChanged();
             return ok();
         }},
        {"audio", "audio unplug|plug DEVICE", [](const QStringList& a) { return words(a, 3, {"unplug", "plug"}); },
         [](const QStringList& a) {
             AudioSystem& audio = AudioSystem::shared();
             const auto desk = findDevice(Mac::shared().desk().audio.devices, a[2]);
             if (!desk)
                 return bad(QString("unknown audio device \"%1\" (this desk: %2)")
                                .arg(a[2], listed(deviceNames(Mac::shared().desk().audio.devices))));
             const bool connected = audio.deviceUIDs().contains(desk->uid);
             if (a[1] == "unplug") {
                 if (!connected)
                     return ok(QString("%1 is not connected").arg(a[2]));
                 audio.removeDevice(desk->uid);
             } else {
                 if (connected)
                     return ok(QString("%1 is connected already").arg(a[2]));
                 audio.addDevice(*desk);
             }
             return ok();
         }},
        {"app", "app play|stop NAME", [](const QStringList& a) { return words(a, 3, {"play", "stop"}); },
         [](const QStringList& a) {
             const Desk desk = Mac::shared().desk();
             QStringList names;
             for (const DeskAudioApp& app : desk.audio.apps) {
                 names << app.name;
                 if (app.name.compare(a[2], Qt::CaseInsensitive) != 0 && app.bundleID != a[2])
                     continue;
                 bool any = false;
                 for (const DeskAudioProcess& p : AudioSystem::shared().processes())
                     if (p.pid == app.pid || p.responsible == app.pid) {
                         AudioSystem::shared().setPlaying(p.object, a[1] == "play");
                         any = true;
                     }
                 if (!any)
                     return bad(QString("%1 has no sound of its own on this desk").arg(a[2]));
                 return ok();
             }
             return bad(QString("unknown application \"%1\" (known: %2)").arg(a[2], listed(names)));
         }},
        {"key", "key volume-up|volume-down|mute|brightness-up|brightness-down [--fine]",
         [](const QStringList& a) {
             if (a.size() < 2 || a.size() > 3 || !kKeys.contains(a[1]) || (a.size() == 3 && a[2] != "--fine"))
                 return bad(QString("key: expected one of %1, then --fine or nothing").arg(kKeys.join(", ")));
             return ok();
         },
         [](const QStringList& a) {
             using namespace platform::events;
             const ModifierFlags flags = a.size() == 3 ? (kFlagShift | kFlagOption) : 0;
             EventSystem::shared().post(mediaKeyEvent(keyCode(a[1]), true, flags));
             EventSystem::shared().post(mediaKeyEvent(keyCode(a[1]), false, flags));
             return ok();
         }},
        {"wheel", "wheel NOTCHES",
         [](const QStringList& a) {
             const auto n = a.size() == 2 ? number(a[1], -100, 100) : std::nullopt;
             if (!n || *n == 0)
                 return bad(QString("wheel: \"%1\" is not a number of notches from -100 to 100, not 0").arg(a.value(1)));
             return ok();
         },
         [](const QStringList& a) {
             EventSystem::shared().post(wheelEvent(int(*number(a[1], -100, 100))));
             return ok();
         }},
        {"grant", "grant input", [](const QStringList& a) { return words(a, 2, {"input"}); },
         [](const QStringList&) {
             EventSystem::shared().setTrusted(true);
             return ok();
         }},
        {"revoke", "revoke input", [](const QStringList& a) { return words(a, 2, {"input"}); },
         [](const QStringList&) {
             EventSystem::shared().setTrusted(false);
             return ok();
         }},
        {"update", "update offer VERSION|fail|reset",
         [](const QStringList& a) {
             static const QRegularExpression version("^[0-9]{1,6}(\\.[0-9]{1,6}){0,3}$");
             if (a.size() == 3 && a[1] == "offer") {
                 if (!version.match(a[2]).hasMatch())
                     return bad(QString("update: \"%1\" is not a version (such as 1.2)").arg(a[2]));
                 return ok();
             }
             if (a.size() == 2 && (a[1] == "fail" || a[1] == "reset"))
                 return ok();
             return bad("update: expected \"update offer VERSION\", \"update fail\" or \"update reset\"");
         },
         [](const QStringList& a) {
             Updates& updates = Updates::shared();
             if (a[1] == "offer")
                 updates.writeFeed(a[2], a[2]);
             else if (a[1] == "fail")
                 updates.makeFeedUnreachable();
             else
                 updates.publishInstalledVersion(true);
             return ok();
         }},
        {"pointer", "pointer NAME", [](const QStringList& a) { return words(a, 2); },
         [](const QStringList& a) {
             // The mouse takes the pointer onto the middle of that display's screen.
             Displays& displays = Mac::shared().displays();
             const auto d = findDisplay(displays.all(), a[1]);
             if (!d)
                 return bad(QString("unknown display \"%1\" (connected: %2)").arg(a[1], listed(displayNames(displays.all()))));
             for (const platform::screens::Screen& screen : platform::screens::screens())
                 if (screen.deviceDescription.value("NSScreenNumber").toUInt() == d->id) {
                     displays.setPointer(screen.frame.center());
                     return ok();
                 }
             return bad(QString("display \"%1\" shows no screen of its own (%2)").arg(a[1], d->online ? "it mirrors another" : "offline"));
         }},
        {"appearance", "appearance light|dark", [](const QStringList& a) { return words(a, 2, {"light", "dark"}); },
         [](const QStringList& a) {
             appearance::setDark(a[1] == "dark");
             return ok();
         }},
        {"accent", "accent " + kAccents.keys().join('|'), [](const QStringList& a) { return words(a, 2, kAccents.keys()); },
         [](const QStringList& a) {
             const int n = kAccents.value(a[1]);
             appearance::setAccent(n == kMulticolour ? std::nullopt : std::optional<int>(n));
             return ok();
         }},
        {"status", "status [--json]",
         [](const QStringList& a) {
             if (a.size() > 2 || (a.size() == 2 && a[1] != "--json"))
                 return bad("status: expected --json or nothing");
             return ok();
         },
         [](const QStringList& a) {
             const QJsonObject s = status();
             if (a.size() == 2)
                 return ok(QString::fromUtf8(QJsonDocument(s).toJson(QJsonDocument::Indented)));
             return ok(human(s));
         }},
    };
    return all;
}

const Command* find(const QString& name)
{
    for (const Command& c : commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

} // namespace

QString usage()
{
    QString t = "usage: pelorn-desk COMMAND (the machine under PELORN_SIM_ROOT)\n";
    for (const Command& c : commands())
        t += "  " + c.form + "\n";
    return t;
}

Outcome checkForm(const QStringList& args)
{
    if (args.isEmpty())
        return Outcome{kBadInput, {}, usage()};
    const Command* c = find(args[0]);
    if (!c)
        return Outcome{kBadInput, {}, QString("pelorn-desk: unknown command \"%1\"\n").arg(args[0]) + usage()};
    return c->check(args);
}

Outcome run(const QStringList& args)
{
    Outcome form = checkForm(args);
    if (form.status != 0)
        return form;
    return find(args[0])->act(args);
}

QJsonObject status()
{
    Mac& mac = Mac::shared();
    const Desk desk = mac.desk();
    QJsonObject s;
    QJsonArray displays;
    for (const DeskDisplay& d : mac.displays().all()) {
        QJsonObject o{{"id", double(d.id)}, {"name", d.name},         {"builtin", d.builtin}, {"online", d.online},
                      {"x", d.x},           {"y", d.y},               {"mirrorOf", double(d.mirrorOf)}};
        if (size_t(d.mode) < d.modes.size()) {
            const DeskMode& m = d.modes[size_t(d.mode)];
            o["mode"] = QJsonObject{{"width", m.width}, {"height", m.height}, {"pixelWidth", m.pixelWidth}, {"refresh", m.refresh}};
        }
        if (d.brightness)
            o["brightness"] = std::round(*d.brightness * 1000) / 1000;
        if (const auto monitor = mac.displays().monitor(d.id)) {
            QJsonObject m;
            for (auto [key, code] : {std::pair{"brightness", 0x10}, std::pair{"contrast", 0x12}, std::pair{"volume", 0x62},
                                     std::pair{"input", 0x60}})
                if (const auto v = monitor->vcp(uint8_t(code)))
                    m[key] = v->value;
            m["switchedAway"] = monitor->switchedAway();
            o["monitor"] = m;
        }
        displays.append(o);
    }
    s["displays"] = displays;
    // The pointer's display, and the system's appearance and accent as System Settings shows them.
    for (const platform::screens::Screen& screen : platform::screens::screens())
        if (platform::screens::mouseInRect(mac.displays().pointer(), screen.frame))
            s["pointer"] = screen.localizedName;
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    s["appearance"] = defaults.globalObject("AppleInterfaceStyle").toString() == "Dark" ? "dark" : "light";
    const QVariant accent = defaults.globalObject("AppleAccentColor");
    s["accent"] = accent.isValid() ? kAccents.key(accent.toInt(), "blue") : "multicolour";
    if (desk.kvm) {
        bool away = true;
        for (uint32_t id : desk.kvm->displays) {
            const auto d = mac.displays().display(id);
            away = away && !(d && d->online);
        }
        s["kvm"] = QJsonObject{{"name", desk.kvm->name}, {"away", away}};
    }
    QJsonArray devices;
    for (const QString& uid : AudioSystem::shared().deviceUIDs())
        devices.append(uid);
    s["audio"] = QJsonObject{{"output", defaultDevice(platform::audio::kHardwareDefaultOutputDevice, kScopeOutput)},
                             {"input", defaultDevice(platform::audio::kHardwareDefaultInputDevice, kScopeInput)},
                             {"devices", devices}};
    const battery::State b = battery::read();
    s["battery"] = QJsonObject{{"present", b.present},
                               {"percent", std::round(b.percent * 10) / 10},
                               {"chargeLimit", b.chargeLimit},
                               {"externalConnected", b.externalConnected},
                               {"adapterEnabled", b.adapterEnabled},
                               {"charging", b.charging}};
    // Sleep is blocked by the system setting (the helper's) or by an assertion a process holds.
    QJsonArray held;
    bool asserted = false;
    for (const PowerAssertionTable::Entry& e : PowerAssertionTable::shared().entries()) {
        held.append(QJsonObject{{"type", e.type}, {"name", e.name}});
        asserted = asserted || e.type == "PreventUserIdleSystemSleep" || e.type == "PreventSystemSleep";
    }
    const bool disabled = power::systemSetting("SleepDisabled").toBool();
    s["sleepBlocked"] = disabled || asserted;
    s["sleepDisabled"] = disabled;
    s["powerAssertions"] = held;
    s["inputAccess"] = EventSystem::shared().trusted();
    int taps = 0;
    for (const TapInfo& t : EventSystem::shared().taps())
        taps += t.enabled;
    s["eventTaps"] = taps;
    s["postedEvents"] = EventSystem::shared().postedTotal();
    s["loginItem"] = platform::loginitem::mainAppStatus() != platform::loginitem::Status::notRegistered;
    s["launchd"] = launchdJobs();
    const auto offered = Updates::shared().feedItem();
    s["updateFeed"] = offered ? QJsonObject{{"reachable", true}, {"version", offered->second}} : QJsonObject{{"reachable", false}};
    return s;
}

} // namespace sim::deskcommands
