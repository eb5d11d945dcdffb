#pragma once
// The simulated system's own windows (the administrator prompt, System Settings, the update
// framework) follow the system's appearance, as the real ones do, not the application's.
#include "design/Theme.h"

#include <QWidget>

class QAbstractButton;

namespace sim {

inline void useSystemAppearance(QWidget* window) { window->setPalette(Theme::appearancePalette(Theme::systemIsDark())); }

// Keeps a system window in the system's appearance from now on, as it changes.
void followSystemAppearance(QWidget* window);

// Puts the close control, the red dot of a Mac's title bar, at the window's top-leading corner,
// above what its layout holds; it closes the window (a dialog takes that as its cancel). It is
// there with or without a window manager, whose own title bar may be missing.
QAbstractButton* addCloseControl(QWidget* window);

} // namespace sim
