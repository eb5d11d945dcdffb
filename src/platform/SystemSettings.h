#pragma once
// Opening a pane of the system settings by its URL, as the workspace's open-URL call does.
#include <QString>
#include <QStringList>

namespace platform::systemsettings {

bool open(const QString& url);

} // namespace platform::systemsettings

namespace sim::systemsettings {
QStringList opened(); // the URLs this process opened, oldest first
void clear();
} // namespace sim::systemsettings
