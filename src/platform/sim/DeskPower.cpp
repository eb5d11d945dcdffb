// The desk's "smc" and "battery" sections.
#include "platform/sim/Desk.h"

#include <cfloat>

namespace sim {
namespace {

quint32 packCode(const QString& code) // four ASCII characters, first in the high byte
{
    quint32 v = 0;
    for (QChar c : code)
        v = v << 8 | quint32(c.unicode() & 0xFF);
    return v;
}

bool isFourAscii(const QString& s)
{
    if (s.size() != 4)
        return false;
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return true;
}

// Runs a nested reader and hands its first error to the outer one.
template <class F>
void nested(Fields& outer, const QJsonObject& object, const QString& path, F&& read)
{
    std::optional<DeskError> error;
    Fields f(object, path, &error);
    read(f);
    if (error)
        outer.fail(error->field, error->message);
}

void parseKey(Fields& f, SmcKeyDesk& key)
{
    key.name = f.requireString("name");
    if (!f.failed() && !isFourAscii(key.name))
        f.fail(f.path("name"), "must be four ASCII characters");
    const QString type = f.string("type", "hex_");
    if (!isFourAscii(type))
        f.fail(f.path("type"), "must be four ASCII characters");
    key.type = packCode(type);
    key.attributes = quint8(f.integer("attributes", 0, 0, 255));
    key.failWrites = f.boolean("failWrites", false);
    if (f.has("bytes") == f.has("float")) {
        f.fail(f.path("bytes"), "give either bytes or float");
        return;
    }
    if (f.has("float")) {
        const float v = float(f.number("float", 0, -FLT_MAX, FLT_MAX)); // beyond, float has no value
        key.bytes = QByteArray(reinterpret_cast<const char*>(&v), sizeof v);
    } else {
        const QJsonArray bytes = f.array("bytes");
        if (bytes.isEmpty() || bytes.size() > 32)
            f.fail(f.path("bytes"), "must hold 1 to 32 bytes");
        for (int i = 0; i < bytes.size(); ++i) {
            const double b = bytes[i].toDouble(-1);
            if (!bytes[i].isDouble() || b < 0 || b > 255 || b != int(b)) {
                f.fail(f.path("bytes") + QString("[%1]").arg(i), "expected a byte (0-255)");
                return;
            }
            key.bytes.append(char(int(b)));
        }
    }
    f.rejectUnknown({"name", "type", "attributes", "bytes", "float", "failWrites"});
}

} // namespace

void parseSmc(Fields& top, SmcDesk& out)
{
    if (!top.has("smc"))
        return;
    nested(top, top.object("smc"), top.path("smc"), [&](Fields& f) {
        out.present = f.boolean("present", true);
        const QJsonArray keys = f.array("keys");
        for (int i = 0; i < keys.size() && !f.failed(); ++i) {
            const QString path = f.path("keys") + QString("[%1]").arg(i);
            if (!keys[i].isObject()) {
                f.fail(path, "expected an object");
                break;
            }
            SmcKeyDesk key;
            nested(f, keys[i].toObject(), path, [&](Fields& k) { parseKey(k, key); });
            for (const SmcKeyDesk& other : out.keys)
                if (!f.failed() && other.name == key.name)
                    f.fail(path + ".name", "the key " + key.name + " is listed twice");
            out.keys.append(key);
        }
        f.rejectUnknown({"present", "keys"});
    });
}

void parseBattery(Fields& top, BatteryDesk& out)
{
    if (!top.has("battery"))
        return;
    nested(top, top.object("battery"), top.path("battery"), [&](Fields& f) {
        out.present = f.boolean("present", true);
        out.percent = f.number("percent", out.percent, 0, 100);
        out.externalConnected = f.boolean("externalConnected", out.externalConnected);
        out.chargeLimit = int(f.integer("chargeLimit", out.chargeLimit, 0, 100));
        out.chargePerMinute = f.number("chargePerMinute", out.chargePerMinute, 0, 100);
        out.dischargePerMinute = f.number("dischargePerMinute", out.dischargePerMinute, 0, 100);
        out.reportsCapacity = f.boolean("reportsCapacity", out.reportsCapacity);
        f.rejectUnknown({"present", "percent", "externalConnected", "chargeLimit", "chargePerMinute",
                         "dischargePerMinute", "reportsCapacity"});
    });
}

} // namespace sim
