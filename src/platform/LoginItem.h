#pragma once
// The main-application service of the login-item framework: registers or unregisters the
// application as one of the user's login items.
#include <QString>
#include <optional>

namespace platform::loginitem {

enum class Status { notRegistered, enabled, requiresApproval, notFound };

// Each returns the error's description when the service refused.
std::optional<QString> registerMainApp();
std::optional<QString> unregisterMainApp();
Status mainAppStatus();

} // namespace platform::loginitem
