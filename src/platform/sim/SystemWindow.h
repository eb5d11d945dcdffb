#pragma once
// The simulated system's own windows (the administrator prompt, System Settings, the update
// framework) follow the system's appearance, as the real ones do, not the application's.
#include <QPalette>
#include <QString>
#include <QWidget>

class QAbstractButton;

namespace sim {

// The system's own texts: the Turkish one, or its English when the process's preferred
// languages put English before Turkish, as a Mac's frameworks choose their localization.
QString systemText(const char* turkish);
bool systemSpeaksEnglish();

// The system's look: its light or dark palette, as the global domain's appearance says.
bool systemIsDark();
QPalette systemPalette(bool dark);
inline void useSystemAppearance(QWidget* window) { window->setPalette(systemPalette(systemIsDark())); }

// Keeps a system window in the system's appearance from now on, as it changes.
void followSystemAppearance(QWidget* window);

// Puts the close control, the red dot of a Mac's title bar, at the window's top-leading corner,
// above what its layout holds; it closes the window (a dialog takes that as its cancel). It is
// there with or without a window manager, whose own title bar may be missing.
QAbstractButton* addCloseControl(QWidget* window);

} // namespace sim
