#pragma once
// The simulated power-management side: the assertions processes hold.
#include "platform/PowerAssertions.h"

#include <QString>
#include <vector>

namespace sim {

class PowerAssertionTable {
public:
    struct Entry {
        platform::power::AssertionID id = 0;
        QString type;
        uint32_t level = 0;
        QString name;
    };

    static PowerAssertionTable& shared();
    void reset();

    std::vector<Entry> entries() const; // in creation order
    int count(const QString& type) const;
    // The next `count` creations fail as if the system were out of resources.
    void failNextCreations(int count);

    // The platform operations, served here.
    int32_t create(const QString& type, uint32_t level, const QString& name, platform::power::AssertionID* id);
    int32_t release(platform::power::AssertionID id);

    struct Impl;

private:
    PowerAssertionTable();
    Impl* d;
};

} // namespace sim
