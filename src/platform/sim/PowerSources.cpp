#include "platform/sim/PowerSources.h"

#include "platform/Clock.h"
#include "platform/PowerSources.h"

#include <mutex>

namespace sim::power {
namespace {

struct State {
    std::mutex mutex;
    Controls controls;
    std::function<Figures()> provider;
};

State& state()
{
    static State* s = new State();
    return *s;
}

QVariant integer(long long v) { return QVariant(qlonglong(v)); }

QVariantList derivedSources(const Figures& f)
{
    if (!f.hasBattery)
        return {};
    QVariantMap d;
    d["Type"] = QString("InternalBattery");
    d["Name"] = QString("InternalBattery-0");
    d["Transport Type"] = QString("Internal");
    d["Is Present"] = true;
    d["Current Capacity"] = integer(f.percent);
    d["Max Capacity"] = integer(100);
    d["Is Charging"] = f.charging;
    d["Is Charged"] = f.externalConnected && f.percent >= 100;
    d["Power Source State"] = QString(f.externalConnected ? "AC Power" : "Battery Power");
    d["Time to Empty"] = integer(f.charging || f.externalConnected ? 0 : f.minutesToEmpty);
    d["Time to Full Charge"] = integer(f.charging ? f.minutesToFull : 0);
    return {d};
}

QVariantMap derivedProperties(const Figures& f)
{
    QVariantMap p;
    p["CycleCount"] = integer(f.cycleCount);
    p["DesignCapacity"] = integer(f.designCapacity);
    p["NominalChargeCapacity"] = integer(f.fullCapacity);
    p["AppleRawMaxCapacity"] = integer(f.fullCapacity);
    p["AppleRawCurrentCapacity"] = integer(f.remainingCapacity);
    p["CurrentCapacity"] = integer(f.percent);
    p["MaxCapacity"] = integer(100);
    p["Temperature"] = integer(qRound64(f.temperature * 100));
    p["Amperage"] = integer(f.amperage);
    p["InstantAmperage"] = integer(f.amperage);
    p["Voltage"] = integer(f.voltage);
    p["ExternalConnected"] = f.externalConnected;
    p["IsCharging"] = f.charging;
    p["FullyCharged"] = f.externalConnected && f.percent >= 100;
    p["PowerTelemetryData"] = QVariantMap{
        {"BatteryPower", integer(qlonglong(f.amperage) * f.voltage / 1000)},
        {"SystemLoad", integer(f.systemLoad)},
        {"SystemPowerIn", integer(f.externalConnected ? f.systemPowerIn : 0)},
    };
    if (f.externalConnected) {
        p["AdapterDetails"] = QVariantMap{
            {"Watts", integer(f.adapterWatts)},
            {"AdapterVoltage", integer(f.adapterVoltage)},
            {"Current", integer(f.adapterCurrent)},
            {"Description", f.adapterName},
        };
    } else {
        p["AdapterDetails"] = QVariantMap{{"FamilyCode", integer(0)}};
    }
    p["BatteryData"] = QVariantMap{
        {"DesignCapacity", integer(f.designCapacity)},
        {"CycleCount", integer(f.cycleCount)},
    };
    return p;
}

} // namespace

void setFiguresProvider(std::function<Figures()> provider)
{
    std::lock_guard lock(state().mutex);
    state().provider = std::move(provider);
}

Figures figures()
{
    std::function<Figures()> provider;
    {
        std::lock_guard lock(state().mutex);
        provider = state().provider;
    }
    return provider ? provider() : Figures();
}

void reset()
{
    std::lock_guard lock(state().mutex);
    state().controls = Controls();
    state().provider = nullptr;
}

Controls controls()
{
    std::lock_guard lock(state().mutex);
    return state().controls;
}

void setControls(const Controls& controls)
{
    std::lock_guard lock(state().mutex);
    state().controls = controls;
}

QVariantList sourceDescriptions()
{
    const Controls c = controls();
    QVariantList sources = derivedSources(figures());
    if (c.editSources)
        c.editSources(sources);
    return sources;
}

std::optional<QVariant> smartBatteryProperties()
{
    const Controls c = controls();
    const Figures f = figures();
    if (!f.hasBattery || !c.service)
        return std::nullopt;
    if (!c.readable)
        return QVariant();
    QVariantMap p = derivedProperties(f);
    if (c.editProperties)
        c.editProperties(p);
    return p;
}

} // namespace sim::power

namespace platform::powersources {

std::optional<Snapshot> copyInfo()
{
    const auto c = sim::power::controls();
    if (!c.info)
        return std::nullopt;
    Snapshot s;
    s.descriptions = sim::power::sourceDescriptions();
    if (c.list) {
        s.list = *c.list;
    } else {
        QVariantList handles;
        for (int i = 0; i < s.descriptions.size(); ++i)
            handles << QVariant(qlonglong(i));
        s.list = handles;
    }
    return s;
}

QVariant copyList(const Snapshot& snapshot) { return snapshot.list; }

QVariant description(const Snapshot& snapshot, const QVariant& source)
{
    if (source.typeId() != QMetaType::LongLong)
        return {};
    const qlonglong i = source.toLongLong();
    if (i < 0 || i >= snapshot.descriptions.size())
        return {};
    return snapshot.descriptions[i];
}

namespace {

// Looks for a change at a short interval, on the thread that made it, as a run-loop source
// would deliver the system's notification.
class PollingSource : public NotificationSource {
public:
    explicit PollingSource(std::function<void()> changed) : changed_(std::move(changed))
    {
        last_ = sim::power::sourceDescriptions();
        timer_.start(sim::power::kNotificationPoll, [this] { look(); }, true);
    }

private:
    void look()
    {
        QVariantList now = sim::power::sourceDescriptions();
        if (now == last_)
            return;
        last_ = std::move(now);
        changed_();
    }

    std::function<void()> changed_;
    QVariantList last_;
    platform::Timer timer_;
};

} // namespace

std::unique_ptr<NotificationSource> createNotificationSource(std::function<void()> changed)
{
    if (!sim::power::controls().notifications || !changed)
        return nullptr;
    return std::make_unique<PollingSource>(std::move(changed));
}

} // namespace platform::powersources

namespace platform::smartbattery {

std::optional<QVariant> copyProperties() { return sim::power::smartBatteryProperties(); }

} // namespace platform::smartbattery
