#include "platform/sim/PowerAssertionTable.h"

#include <QStringList>
#include <algorithm>
#include <mutex>

namespace sim {

struct PowerAssertionTable::Impl {
    mutable std::mutex mutex;
    std::vector<Entry> entries;
    platform::power::AssertionID nextId = 1;
    int failures = 0;
};

PowerAssertionTable& PowerAssertionTable::shared()
{
    static PowerAssertionTable* table = new PowerAssertionTable();
    return *table;
}

PowerAssertionTable::PowerAssertionTable() : d(new Impl()) {}

void PowerAssertionTable::reset()
{
    std::lock_guard lock(d->mutex);
    d->entries.clear();
    d->failures = 0;
    // Ids keep counting up, so an id from a previous machine never names a new assertion.
}

std::vector<PowerAssertionTable::Entry> PowerAssertionTable::entries() const
{
    std::lock_guard lock(d->mutex);
    return d->entries;
}

int PowerAssertionTable::count(const QString& type) const
{
    std::lock_guard lock(d->mutex);
    return int(std::count_if(d->entries.begin(), d->entries.end(), [&](auto& e) { return e.type == type; }));
}

void PowerAssertionTable::failNextCreations(int count)
{
    std::lock_guard lock(d->mutex);
    d->failures = std::max(0, count);
}

int32_t PowerAssertionTable::create(const QString& type, uint32_t level, const QString& name,
                                    platform::power::AssertionID* id)
{
    static const QStringList known{"PreventUserIdleSystemSleep", "PreventUserIdleDisplaySleep",
                                   "PreventSystemSleep", "NoIdleSleepAssertion", "NoDisplaySleepAssertion"};
    if (!id || !known.contains(type)
        || (level != platform::power::kAssertionLevelOn && level != platform::power::kAssertionLevelOff))
        return platform::power::kErrorBadArgument;
    std::lock_guard lock(d->mutex);
    if (d->failures > 0) {
        --d->failures;
        return platform::power::kErrorNoResources;
    }
    *id = d->nextId++;
    d->entries.push_back({*id, type, level, name});
    return platform::power::kSuccess;
}

int32_t PowerAssertionTable::release(platform::power::AssertionID id)
{
    std::lock_guard lock(d->mutex);
    auto it = std::find_if(d->entries.begin(), d->entries.end(), [&](auto& e) { return e.id == id; });
    if (it == d->entries.end())
        return platform::power::kErrorBadArgument;
    d->entries.erase(it);
    return platform::power::kSuccess;
}

} // namespace sim

namespace platform::power {

int32_t createAssertionWithName(const QString& type, uint32_t level, const QString& name, AssertionID* id)
{
    return sim::PowerAssertionTable::shared().create(type, level, name, id);
}

int32_t releaseAssertion(AssertionID id) { return sim::PowerAssertionTable::shared().release(id); }

} // namespace platform::power
