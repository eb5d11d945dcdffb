#pragma once
// The Dock icon: shown only while the main window is open and the "ui.showInDock" setting
// allows it. Main thread only.
#include "platform/Windowing.h"

namespace DockIcon {

inline constexpr const char* kShowInDockKey = "ui.showInDock";

// Written by the main window as it appears and disappears.
extern bool windowOpen;
// The setting; absent or not a Bool reads as true.
bool enabled();
// The activation policy for the window state and the setting.
platform::windowing::ActivationPolicy policy();
// Sets the policy; with the window open it also brings the application forward.
void apply();

} // namespace DockIcon
