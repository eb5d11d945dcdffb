#include "platform/sim/Mac.h"

#include "platform/sim/ChargeLimit.h"

namespace sim {

Mac& Mac::shared()
{
    static Mac* mac = new Mac(); // outlives every thread that may still talk to it
    return *mac;
}

void Mac::install(const Desk& desk)
{
    std::lock_guard lock(mutex_);
    desk_ = desk;
    chargelimit::reset();
}

Desk Mac::desk() const
{
    std::lock_guard lock(mutex_);
    return desk_;
}

} // namespace sim
