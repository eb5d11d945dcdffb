// The desk's "displays" section: the built-in panel and the monitors, with their identity,
// modes, place on the desktop and DDC/CI behaviour.
#include "platform/sim/Desk.h"

#include <set>

namespace sim {
namespace {

const QStringList kFaults{"silent", "nakWrites", "badChecksum", "wrongOpcode"};

// A VCP code written as two hexadecimal digits ("10", "0x62").
std::optional<uint8_t> vcpCode(QString text)
{
    if (text.startsWith("0x", Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = false;
    const uint code = text.toUInt(&ok, 16);
    if (!ok || text.isEmpty() || code > 0xFF)
        return std::nullopt;
    return uint8_t(code);
}

DeskMode parseMode(Fields& f)
{
    DeskMode m;
    m.width = int(f.integer("width", 0, 1, 16384));
    m.height = int(f.integer("height", 0, 1, 16384));
    m.pixelWidth = int(f.integer("pixelWidth", m.width, 1, 32768));
    m.refresh = f.number("refresh", 60, 0, 1000);
    m.usable = f.boolean("usable", true);
    if (!f.has("width"))
        f.fail(f.path("width"), "missing");
    if (!f.has("height"))
        f.fail(f.path("height"), "missing");
    f.rejectUnknown({"width", "height", "pixelWidth", "refresh", "usable"});
    return m;
}

DeskDdc parseDdc(Fields& f, std::optional<DeskError>* error)
{
    DeskDdc ddc;
    const QJsonObject vcp = f.object("vcp");
    for (auto it = vcp.begin(); it != vcp.end(); ++it) {
        const QString path = f.path("vcp") + "." + it.key();
        const auto code = vcpCode(it.key());
        if (!code) {
            f.fail(path, "expected a VCP code in hexadecimal");
            break;
        }
        DeskVcp v;
        if (it.value().isObject()) {
            Fields vf(it.value().toObject(), path, error);
            v.value = uint16_t(vf.integer("value", 0, 0, 0xFFFF));
            v.maximum = uint16_t(vf.integer("max", 100, 0, 0xFFFF));
            vf.rejectUnknown({"value", "max"});
        } else {
            // Shorthand: "10": 50 is value 50 of maximum 100.
            const double n = it.value().toDouble(-1);
            if (!it.value().isDouble() || n != double(int(n)) || n < 0 || n > 0xFFFF) {
                f.fail(path, "expected a whole number 0-65535 or {\"value\", \"max\"}");
                break;
            }
            v.value = uint16_t(n);
        }
        ddc.vcp[*code] = v;
    }
    const QJsonArray unsupported = f.array("unsupported");
    for (int i = 0; i < unsupported.size(); ++i) {
        const auto code = unsupported[i].isString() ? vcpCode(unsupported[i].toString()) : std::nullopt;
        if (!code) {
            f.fail(f.path("unsupported") + QString("[%1]").arg(i), "expected a VCP code in hexadecimal");
            break;
        }
        ddc.unsupported.insert(*code);
    }
    ddc.capabilities = f.string("capabilities").toLatin1();
    ddc.fragmentSize = int(f.integer("fragmentSize", 32, 1, 32));
    ddc.endsWithEmptyFragment = f.boolean("endsWithEmptyFragment", true);
    ddc.replyDelay = f.number("replyDelay", 0.040, 0, 10);
    if (f.has("macInput"))
        ddc.macInput = uint16_t(f.integer("macInput", 0, 0, 0xFFFF));
    const QJsonArray faults = f.array("faults");
    for (int i = 0; i < faults.size(); ++i) {
        if (!faults[i].isString() || !kFaults.contains(faults[i].toString())) {
            f.fail(f.path("faults") + QString("[%1]").arg(i), "expected one of " + kFaults.join(", "));
            break;
        }
        ddc.faults.append(faults[i].toString());
    }
    f.rejectUnknown({"vcp", "unsupported", "capabilities", "fragmentSize", "endsWithEmptyFragment", "replyDelay",
                     "macInput", "faults"});
    return ddc;
}

DeskDisplay parseDisplay(Fields& f, int index, std::optional<DeskError>* error)
{
    DeskDisplay d;
    if (!f.has("id"))
        f.fail(f.path("id"), "missing");
    d.id = uint32_t(f.integer("id", 0, 1, 0xFFFFFFFF));
    d.name = f.string("name");
    d.builtin = f.boolean("builtin", false);
    d.vendor = uint32_t(f.integer("vendor", 0, 0, 0xFFFFFFFF));
    d.model = uint32_t(f.integer("model", 0, 0, 0xFFFFFFFF));
    d.serial = uint32_t(f.integer("serial", 0, 0, 0xFFFFFFFF));
    d.online = f.boolean("online", true);
    const QJsonArray origin = f.array("origin");
    if (f.has("origin")) {
        if (origin.size() != 2 || !origin[0].isDouble() || !origin[1].isDouble())
            f.fail(f.path("origin"), "expected [x, y]");
        else {
            d.x = origin[0].toInt();
            d.y = origin[1].toInt();
        }
    }
    d.mirrorOf = uint32_t(f.integer("mirrorOf", 0, 0, 0xFFFFFFFF));
    const QJsonArray modes = f.array("modes");
    for (int i = 0; i < modes.size(); ++i) {
        const QString path = f.path("modes") + QString("[%1]").arg(i);
        if (!modes[i].isObject()) {
            f.fail(path, "expected an object");
            break;
        }
        Fields mf(modes[i].toObject(), path, error);
        d.modes.push_back(parseMode(mf));
    }
    if (d.modes.empty())
        d.modes.push_back(d.builtin ? DeskMode{1512, 982, 3024, 120, true} : DeskMode{1920, 1080, 1920, 60, true});
    d.mode = int(f.integer("mode", 0, 0, qint64(d.modes.size()) - 1));
    if (f.has("brightness"))
        d.brightness = f.number("brightness", 0, 0, 1);
    if (f.has("ddc")) {
        if (d.builtin)
            f.fail(f.path("ddc"), "the built-in panel has no DDC/CI channel");
        Fields df(f.object("ddc"), f.path("ddc"), error);
        d.ddc = parseDdc(df, error);
    }
    d.registryIndex = int(f.integer("registryIndex", index, 0, 1000));
    d.wallpaper = f.string("wallpaper", QString("/Library/Desktop Pictures/Display %1.jpg").arg(d.id));
    f.rejectUnknown({"id", "name", "builtin", "vendor", "model", "serial", "online", "origin", "mirrorOf", "modes",
                     "mode", "brightness", "ddc", "registryIndex", "wallpaper"});
    return d;
}

} // namespace

std::vector<DeskDisplay> parseDisplays(Fields& top)
{
    std::vector<DeskDisplay> out;
    const QJsonArray list = top.array("displays");
    std::optional<DeskError> local;
    std::set<uint32_t> ids;
    for (int i = 0; i < list.size() && !local; ++i) {
        const QString path = top.path("displays") + QString("[%1]").arg(i);
        if (!list[i].isObject()) {
            local = DeskError{path, "expected an object"};
            break;
        }
        Fields f(list[i].toObject(), path, &local);
        DeskDisplay d = parseDisplay(f, i, &local);
        if (!local && !ids.insert(d.id).second)
            local = DeskError{path + ".id", QString("display id %1 is used twice").arg(d.id)};
        out.push_back(std::move(d));
    }
    for (size_t i = 0; i < out.size() && !local; ++i)
        if (out[i].mirrorOf != 0 && (!ids.count(out[i].mirrorOf) || out[i].mirrorOf == out[i].id))
            local = DeskError{top.path("displays") + QString("[%1].mirrorOf").arg(i), "names no other display"};
    if (local)
        top.fail(local->field, local->message);
    return out;
}

} // namespace sim
