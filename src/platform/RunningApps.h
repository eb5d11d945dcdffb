#pragma once
// The running applications as the workspace sees them, this process's id, and the
// process-responsibility lookup that the platform exports only by name.
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>

namespace platform::apps {

enum class ActivationPolicy { regular, accessory, prohibited };

struct RunningApplication {
    int32_t pid = 0;
    std::optional<QString> bundleIdentifier;
    std::optional<QString> localizedName;
    ActivationPolicy policy = ActivationPolicy::regular;
    QImage icon; // null when the application has none
};

std::optional<RunningApplication> runningApplication(int32_t pid);
int32_t currentProcessID();

// The responsible process of a process, found by symbol name at run time; nullptr when the
// platform does not export it.
using ResponsibleForPID = int32_t (*)(int32_t);
ResponsibleForPID lookupResponsibleForPID();

} // namespace platform::apps
