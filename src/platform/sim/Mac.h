#pragma once
// The simulated Mac: the one implementation of the platform stand-in on this machine. It is
// built from a desk file and holds the machine's state; tests change it at run time (plug a
// monitor, switch the KVM away) and look at what the system's own code did to it.
#include "platform/sim/Desk.h"
#include "platform/sim/Displays.h"

#include <mutex>

namespace sim {

class Mac {
public:
    static Mac& shared();

    // Replaces the whole simulated machine with the one the desk describes.
    void install(const Desk& desk);
    Desk desk() const;
    Displays& displays() { return displays_; }

private:
    Mac() = default;
    mutable std::recursive_mutex mutex_;
    Desk desk_;
    Displays displays_;
};

} // namespace sim
