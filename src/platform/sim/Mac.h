#pragma once
// The simulated Mac: the one implementation of the platform stand-in on this machine. It is
// built from a desk file and holds the machine's state; tests change it at run time (plug a
// monitor, switch the KVM away) and look at what the system's own code did to it.
#include "platform/sim/Desk.h"
#include "platform/sim/Displays.h"

#include <QJsonObject>
#include <mutex>
#include <optional>

namespace sim {

class Mac {
public:
    static Mac& shared();

    // Replaces the whole simulated machine with the one the desk describes.
    void install(const Desk& desk);

    // Starts the machine kept under the sim root, as it was left; the desk describes it when
    // the sim root holds none yet or the desk changed (new hardware). From then on this process
    // keeps the machine's state there. The application also boots the launchd jobs whose
    // property lists are installed, and opens the desk's door (sim/DeskServer.h).
    enum class Role { application, desk };
    // How long an application waits for the process that holds the machine to let it go.
    static constexpr double kHoldSeconds = 60;
    struct Boot {
        bool rebuilt = false; // made from the desk, not found
    };
    Boot boot(const Desk& desk, Role role);
    // Whether the sim root holds a machine; its desk when it does.
    static std::optional<Desk> stored();
    // The state this process keeps in memory, as saved (sim/Persistence.h).
    QJsonObject snapshot() const;
    Desk desk() const;
    Displays& displays() { return displays_; }

private:
    Mac() = default;
    void installParts(const Desk& desk, bool keepShared, const QJsonObject& state);
    mutable std::recursive_mutex mutex_;
    Desk desk_;
    Displays displays_;
};

} // namespace sim
