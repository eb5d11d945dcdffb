#include "platform/sim/Battery.h"

#include "platform/Clock.h"
#include "platform/sim/Machine.h"
#include "platform/sim/Smc.h"

#include <QJsonObject>
#include <algorithm>

namespace sim::battery {
namespace {

QJsonObject document(const BatteryDesk& d)
{
    return QJsonObject{{"present", d.present},
                       {"percent", d.percent},
                       {"externalConnected", d.externalConnected},
                       {"chargeLimit", d.chargeLimit},
                       {"chargePerMinute", d.chargePerMinute},
                       {"dischargePerMinute", d.dischargePerMinute},
                       {"reportsCapacity", d.reportsCapacity},
                       {"updatedAt", platform::clock::wallNow()}};
}

QJsonObject stored(machine::Transaction& tx)
{
    if (!tx.exists("battery")) {
        const DeskResult desk = Desk::fromEnvironment();
        tx.write("battery", document(desk ? desk.value().battery : BatteryDesk{}));
    }
    return tx.read("battery");
}

bool adapterEnabled(machine::Transaction& tx)
{
    const QJsonObject keys = smc::state(tx)["keys"].toObject();
    auto holds = [&](const char* name, char disabled) {
        const QByteArray b = QByteArray::fromHex(keys[name].toObject()["bytes"].toString().toLatin1());
        return b.size() == 1 && b[0] == disabled;
    };
    return !holds("CHIE", 0x08) && !holds("CH0I", 0x01);
}

State stateOf(const QJsonObject& d, bool adapter)
{
    State s;
    s.present = d["present"].toBool();
    s.percent = d["percent"].toDouble();
    s.externalConnected = d["externalConnected"].toBool();
    s.chargeLimit = d["chargeLimit"].toInt(100);
    s.chargePerMinute = d["chargePerMinute"].toDouble();
    s.dischargePerMinute = d["dischargePerMinute"].toDouble();
    s.reportsCapacity = d["reportsCapacity"].toBool(true);
    s.adapterEnabled = adapter;
    s.charging = s.present && s.externalConnected && adapter && s.percent < s.chargeLimit;
    return s;
}

// A read writes the charge it worked out back only when it moved and this long has passed
// since it was stored: then a process whose clock lags sees what one ahead of it saw, while an
// idle machine polling every few seconds writes at most once a minute while charging, and not
// at all when the charge holds.
constexpr double kReadSettleInterval = 60.0;

// The document with its charge brought up to now.
QJsonObject settledAtNow(machine::Transaction& tx)
{
    QJsonObject d = stored(tx);
    const double now = platform::clock::wallNow();
    const double elapsed = now - d["updatedAt"].toDouble();
    if (elapsed <= 0)
        return d;
    const State s = stateOf(d, adapterEnabled(tx));
    double p = s.percent;
    if (s.present) {
        if (s.externalConnected && s.adapterEnabled) {
            if (p < s.chargeLimit)
                p = std::min<double>(s.chargeLimit, p + s.chargePerMinute * elapsed / 60.0);
        } else {
            p = std::max(0.0, p - s.dischargePerMinute * elapsed / 60.0);
        }
    }
    d["percent"] = p;
    d["updatedAt"] = now;
    return d;
}

QJsonObject settled(machine::Transaction& tx)
{
    QJsonObject d = settledAtNow(tx);
    tx.write("battery", d);
    return d;
}

template <class F>
void change(F&& edit)
{
    machine::Transaction tx;
    QJsonObject d = settled(tx);
    edit(d);
    tx.write("battery", d);
}

} // namespace

void install(const BatteryDesk& desk)
{
    machine::Transaction tx;
    tx.write("battery", document(desk));
}

State read()
{
    machine::Transaction tx;
    const QJsonObject before = stored(tx);
    const QJsonObject d = settledAtNow(tx);
    if (d["percent"] != before["percent"]
        && d["updatedAt"].toDouble() - before["updatedAt"].toDouble() >= kReadSettleInterval)
        tx.write("battery", d);
    return stateOf(d, adapterEnabled(tx));
}

void setExternalConnected(bool connected)
{
    change([&](QJsonObject& d) { d["externalConnected"] = connected; });
}

void setPercent(double percent)
{
    change([&](QJsonObject& d) { d["percent"] = std::clamp(percent, 0.0, 100.0); });
}

void setChargeLimit(int percent)
{
    change([&](QJsonObject& d) { d["chargeLimit"] = std::clamp(percent, 0, 100); });
}

void settle(machine::Transaction& tx) { settled(tx); }

} // namespace sim::battery
