// The desk file's "audio" section.
#include "platform/sim/Desk.h"

#include <cmath>
#include <set>

namespace sim {
namespace {

std::vector<uint32_t> unsignedList(Fields& f, const char* key, uint32_t min, uint32_t max)
{
    std::vector<uint32_t> out;
    const QJsonArray a = f.array(key);
    for (int i = 0; i < a.size(); ++i) {
        const double d = a[i].toDouble(-1);
        if (!a[i].isDouble() || d < min || d > max || d != std::trunc(d)) {
            f.fail(f.path(key) + QString("[%1]").arg(i), QString("expected a whole number between %1 and %2").arg(min).arg(max));
            return {};
        }
        out.push_back(uint32_t(d));
    }
    return out;
}

} // namespace

uint32_t DeskAudioDirection::channels() const
{
    uint32_t n = 0;
    for (uint32_t c : buffers)
        n += c;
    return n;
}

void parseAudio(Fields& top, DeskAudio& audio)
{
    if (!top.has("audio"))
        return;
    std::optional<DeskError> error;
    Fields a(top.object("audio"), top.path("audio"), &error);
    const auto finish = [&] {
        if (error)
            top.fail(error->field, error->message);
    };
    if (top.failed())
        return;

    audio.selfPid = int32_t(a.integer("selfPid", 500, 1, INT32_MAX));
    audio.responsibility = a.boolean("responsibility", true);
    audio.defaultOutput = a.string("defaultOutput");
    audio.defaultInput = a.string("defaultInput");
    audio.systemOutput = a.string("systemOutput", audio.defaultOutput);

    const auto direction = [&](Fields& d, const char* key) {
        DeskAudioDirection dir;
        if (!d.has(key))
            return dir;
        Fields f(d.object(key), d.path(key), &error);
        dir.present = true;
        if (f.has("buffers"))
            dir.buffers = unsignedList(f, "buffers", 1, 64);
        else
            dir.buffers = {uint32_t(f.integer("channels", 2, 1, 64))};
        if (dir.buffers.empty() && !f.failed())
            f.fail(f.path("buffers"), "needs at least one buffer");
        if (f.has("volume")) {
            Fields v(f.object("volume"), f.path("volume"), &error);
            DeskAudioVolume vol;
            vol.elements = unsignedList(v, "elements", 0, 64);
            vol.value = v.number("value", 0.5, 0.0, 1.0);
            vol.settable = v.boolean("settable", true);
            v.rejectUnknown({"elements", "value", "settable"});
            dir.volume = vol;
        }
        if (f.has("mute"))
            dir.mute = f.boolean("mute", false);
        f.rejectUnknown({"channels", "buffers", "volume", "mute"});
        return dir;
    };

    std::set<uint32_t> ids;
    const QJsonArray devices = a.array("devices");
    for (int i = 0; i < devices.size() && !error; ++i) {
        const QString path = a.path(QString("devices[%1]").arg(i));
        if (!devices[i].isObject()) {
            a.fail(path, "expected an object");
            break;
        }
        Fields d(devices[i].toObject(), path, &error);
        DeskAudioDevice dev;
        dev.id = uint32_t(d.integer("id", 0, 2, 0xFFFF));
        if (!d.has("id"))
            d.fail(d.path("id"), "missing");
        else if (!ids.insert(dev.id).second)
            d.fail(d.path("id"), "used twice");
        dev.uid = d.requireString("uid");
        dev.name = d.requireString("name");
        dev.transport = d.string("transport");
        if (!dev.transport.isEmpty() && dev.transport.toLatin1().size() != 4)
            d.fail(d.path("transport"), "expected four characters");
        dev.hidden = d.boolean("hidden", false);
        dev.output = direction(d, "output");
        dev.input = direction(d, "input");
        for (const QJsonValue& u : d.array("unreadable")) {
            static const QStringList known{"uid", "name", "streams", "transport", "hidden"};
            if (!known.contains(u.toString()))
                d.fail(d.path("unreadable"), "unknown read " + u.toString());
            dev.unreadable << u.toString();
        }
        d.rejectUnknown({"id", "uid", "name", "transport", "hidden", "output", "input", "unreadable"});
        audio.devices.push_back(dev);
    }

    const QJsonArray processes = a.array("processes");
    for (int i = 0; i < processes.size() && !error; ++i) {
        const QString path = a.path(QString("processes[%1]").arg(i));
        if (!processes[i].isObject()) {
            a.fail(path, "expected an object");
            break;
        }
        Fields p(processes[i].toObject(), path, &error);
        DeskAudioProcess proc;
        proc.object = uint32_t(p.integer("object", 0, 2, 0xFFFF));
        if (!p.has("object"))
            p.fail(p.path("object"), "missing");
        else if (!ids.insert(proc.object).second)
            p.fail(p.path("object"), "used twice");
        proc.pid = int32_t(p.integer("pid", 0, 0, INT32_MAX));
        proc.responsible = int32_t(p.integer("responsible", 0, 0, INT32_MAX));
        proc.playing = p.boolean("playing", false);
        proc.amplitude = p.number("amplitude", 0.5, 0.0, 1.0);
        p.rejectUnknown({"object", "pid", "responsible", "playing", "amplitude"});
        audio.processes.push_back(proc);
    }

    const QJsonArray apps = a.array("apps");
    for (int i = 0; i < apps.size() && !error; ++i) {
        const QString path = a.path(QString("apps[%1]").arg(i));
        if (!apps[i].isObject()) {
            a.fail(path, "expected an object");
            break;
        }
        Fields p(apps[i].toObject(), path, &error);
        DeskAudioApp app;
        if (!p.has("pid"))
            p.fail(p.path("pid"), "missing");
        app.pid = int32_t(p.integer("pid", 0, 1, INT32_MAX));
        app.bundleID = p.string("bundle");
        app.name = p.string("name");
        app.policy = p.string("policy", "regular");
        if (app.policy != "regular" && app.policy != "accessory" && app.policy != "prohibited")
            p.fail(p.path("policy"), "expected regular, accessory or prohibited");
        app.icon = p.string("icon");
        p.rejectUnknown({"pid", "bundle", "name", "policy", "icon"});
        audio.apps.push_back(app);
    }

    a.rejectUnknown({"selfPid", "responsibility", "defaultOutput", "defaultInput", "systemOutput", "devices",
                     "processes", "apps"});
    finish();
}

} // namespace sim
