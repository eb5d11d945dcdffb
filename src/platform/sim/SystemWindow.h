#pragma once
// The simulated system's own windows (the administrator prompt, System Settings, the update
// framework) follow the system's appearance, as the real ones do, not the application's.
#include "design/Theme.h"

#include <QWidget>

namespace sim {

inline void useSystemAppearance(QWidget* window) { window->setPalette(Theme::appearancePalette(Theme::systemIsDark())); }

} // namespace sim
