#pragma once
// The simulated launchd of the system domain: bootstrap reads a job's property list and, with
// RunAtLoad, starts its program in a session of its own (with the sim root in its environment);
// KeepAlive starts it again a moment after it exits; bootout stops it with SIGTERM and forgets
// the job. Which jobs are loaded and which daemon runs (pid and start time) is the machine's
// state under the sim root: a daemon outlives the application that started it, and every
// process that reads the machine sees it.
#include <QString>
#include <QStringList>

namespace sim::launchd {

constexpr double kThrottle = 1.0; // s before a KeepAlive job is started again

// launchctl's exit status, with its message in *error when not 0.
int bootstrap(const QString& domain, const QString& plistFile, QString* error);
int bootout(const QString& serviceTarget, QString* error);

bool isLoaded(const QString& label);
qint64 pid(const QString& label); // 0 when not running
int launches(const QString& label);
QStringList labels();

// Stops every job this process supervises (SIGTERM) and forgets them.
void reset();

// The machine starts: every property list in /Library/LaunchDaemons is loaded, as launchd does
// at boot. A daemon that still runs from a launch before is taken over when its program is the
// one installed; otherwise it ends and the installed program starts.
void bootInstalled();

} // namespace sim::launchd
