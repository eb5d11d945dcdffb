#include "platform/sim/Mac.h"

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
    displays_.install(desk.displays);
}

Desk Mac::desk() const
{
    std::lock_guard lock(mutex_);
    return desk_;
}

} // namespace sim
