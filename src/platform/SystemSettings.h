#pragma once
// Opening a pane of the system settings by its URL, as the workspace's open-URL call does.
#include <QString>
#include <QStringList>

namespace platform::systemsettings {

bool open(const QString& url);

} // namespace platform::systemsettings

namespace sim::systemsettings {
QStringList opened(); // the URLs this process opened, oldest first
void clear();         // and closes the settings window
// The one switch of Pelorn's input access (accessibility) on this Mac: the settings pane and
// the desk both turn it. Event taps start once it is on, at their next try.
void setInputAccess(bool granted);
} // namespace sim::systemsettings
