#include "platform/sim/PowerSources.h"

#include "platform/Clock.h"
#include "platform/PowerSources.h"
#include "platform/SmartBattery.h"
#include "platform/sim/Battery.h"
#include "platform/sim/Smc.h"

#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <cmath>
#include <cstring>
#include <mutex>
#include <set>

namespace sim::power {
namespace {

struct State {
    std::mutex mutex;
    Controls controls;
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
    if (f.reportsCapacity)
        d["Current Capacity"] = integer(f.percent);
    d["Max Capacity"] = integer(100);
    d["Is Charging"] = f.charging;
    d["Is Charged"] = f.externalConnected && f.percent >= 100;
    d["Power Source State"] = QString(f.onAC ? "AC Power" : "Battery Power");
    d["Time to Empty"] = integer(f.onAC ? 0 : f.minutesToEmpty);
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
        {"SystemPowerIn", integer(f.systemPowerIn)},
    };
    if (f.onAC) {
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

Figures figures()
{
    const battery::State b = battery::read();
    Figures f;
    f.hasBattery = b.present;
    f.percent = int(std::lround(b.percent));
    f.reportsCapacity = b.reportsCapacity;
    f.charging = b.charging;
    f.externalConnected = b.externalConnected;
    f.onAC = b.externalConnected && b.adapterEnabled;
    f.remainingCapacity = int(std::lround(f.fullCapacity * b.percent / 100.0));
    f.voltage = 11000 + int(std::lround(b.percent * 20)); // a cell's voltage follows its charge
    // The current that moves the charge at the battery's rate: capacity x %/min -> mA.
    const double mAhPerMinute = f.fullCapacity / 100.0;
    if (b.charging) {
        f.amperage = int(std::lround(b.chargePerMinute * mAhPerMinute * 60));
        f.minutesToFull = b.chargePerMinute > 0 ? int(std::ceil((b.chargeLimit - b.percent) / b.chargePerMinute)) : -1;
    } else if (!f.onAC) {
        f.amperage = -int(std::lround(b.dischargePerMinute * mAhPerMinute * 60));
        f.minutesToEmpty = b.dischargePerMinute > 0 ? int(b.percent / b.dischargePerMinute) : -1;
    }
    const int batteryPower = int(qlonglong(f.amperage) * f.voltage / 1000); // mW
    if (!f.onAC) {
        f.systemLoad = -batteryPower;
        f.systemPowerIn = 0;
    } else {
        f.systemPowerIn = f.systemLoad + std::max(0, batteryPower);
    }
    if (const auto tb0t = smc::value("TB0T"); tb0t && tb0t->size() == 4) {
        float t = 0;
        std::memcpy(&t, tb0t->constData(), 4);
        f.temperature = t;
    }
    return f;
}

void reset()
{
    std::lock_guard lock(state().mutex);
    state().controls = Controls();
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

std::optional<QList<QVariantMap>> descriptions()
{
    const auto snapshot = copyInfo();
    if (!snapshot)
        return std::nullopt;
    const QVariant list = copyList(*snapshot);
    if (list.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QList<QVariantMap> out;
    for (const QVariant& source : list.toList()) {
        const QVariant d = description(*snapshot, source);
        if (d.typeId() == QMetaType::QVariantMap)
            out.append(d.toMap());
    }
    return out;
}

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

// Looks for a change at a short interval and calls back on the thread that made it, as a
// run-loop source would deliver the system's notification. On the real clock the looking is done
// on a thread of the simulation's own, so that the application's thread wakes only for a change;
// on the virtual clock it is a timer that the test's advance runs.
class PollingSource : public NotificationSource {
public:
    explicit PollingSource(std::function<void()> changed) : changed_(std::move(changed))
    {
        last_ = sim::power::sourceDescriptions();
        {
            std::lock_guard lock(livingMutex());
            living().insert(this);
        }
        if (platform::clock::testing::isVirtual()) {
            timer_.start(sim::power::kNotificationPoll, [this] {
                if (look())
                    changed_();
            }, true);
            return;
        }
        thread_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            const auto interval = std::chrono::duration<double>(sim::power::kNotificationPoll);
            while (!wake_.wait_for(lock, interval, [this] { return stopping_ || poked_; }) || !stopping_) {
                poked_ = false;
                if (look())
                    QMetaObject::invokeMethod(&context_, [this] { changed_(); }, Qt::QueuedConnection);
            }
        });
    }
    ~PollingSource() override
    {
        {
            std::lock_guard lock(livingMutex());
            living().erase(this);
        }
        if (thread_.joinable()) {
            {
                std::lock_guard lock(mutex_);
                stopping_ = true;
            }
            wake_.notify_all();
            thread_.join();
        }
    }

    void poke()
    {
        if (!thread_.joinable()) {
            QMetaObject::invokeMethod(&context_, [this] {
                if (look())
                    changed_();
            }, Qt::QueuedConnection);
            return;
        }
        {
            std::lock_guard lock(mutex_);
            poked_ = true;
        }
        wake_.notify_all();
    }

    static std::mutex& livingMutex()
    {
        static std::mutex m;
        return m;
    }
    static std::set<PollingSource*>& living()
    {
        static auto* s = new std::set<PollingSource*>();
        return *s;
    }

private:
    bool look()
    {
        QVariantList now = sim::power::sourceDescriptions();
        if (now == last_)
            return false;
        last_ = std::move(now);
        return true;
    }

    std::function<void()> changed_;
    QVariantList last_;
    platform::Timer timer_;
    QObject context_; // lives on the making thread; a pending call dies with it
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool poked_ = false;
};

} // namespace

void pokeSources()
{
    std::lock_guard lock(PollingSource::livingMutex());
    for (PollingSource* s : PollingSource::living())
        s->poke();
}

std::unique_ptr<NotificationSource> createNotificationSource(std::function<void()> changed)
{
    if (!sim::power::controls().notifications || !changed)
        return nullptr;
    return std::make_unique<PollingSource>(std::move(changed));
}

} // namespace platform::powersources

namespace sim::power {
void sourcesChanged() { platform::powersources::pokeSources(); }
} // namespace sim::power

namespace platform::smartbattery {

std::optional<QVariant> copyProperties() { return sim::power::smartBatteryProperties(); }

bool present() { return copyProperties().has_value(); }

QVariant property(const QString& key)
{
    const auto properties = copyProperties();
    if (!properties || properties->typeId() != QMetaType::QVariantMap)
        return {};
    return properties->toMap().value(key);
}

} // namespace platform::smartbattery
