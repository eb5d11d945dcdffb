#pragma once
// The simulated System Settings window: its privacy pane lists Pelorn with the switch that grants
// or revokes its input access (sim::systemsettings::setInputAccess).
#include <QString>

class QCheckBox;
class QWidget;

namespace sim::settingspane {

// Shows the pane a settings URL names, raised when it is already open; the accessibility URL
// opens the privacy pane, other panes have nothing to show here. Main thread only.
void show(const QString& url);
// The open window and its switch, or null.
QWidget* window();
QCheckBox* inputSwitch();
// The switch follows the permission, however it changed.
void sync();
void close();

} // namespace sim::settingspane
