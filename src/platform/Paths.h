#pragma once
// The sim root: every absolute macOS path the system uses lives below one folder, so nothing
// touches the real machine and a test gets a fresh Mac by pointing at a fresh folder.
#include <QString>

namespace platform::paths {

QString simRoot();                        // PELORN_SIM_ROOT, else a per-user data folder
void setSimRoot(const QString& root);     // tests; also exported to child processes
QString map(const QString& macPath);      // "/Library/X" -> "<root>/Library/X"
QString home();                           // the user's home folder, below the root
QString applicationSupport();             // "~/Library/Application Support/Pelorn"
bool ensureParent(const QString& filePath);

} // namespace platform::paths
