#pragma once
// The simulated launchd of the system domain: bootstrap reads a job's property list and, with
// RunAtLoad, starts its program as a real process (with the sim root in its environment);
// KeepAlive starts it again a moment after it exits; bootout stops it with SIGTERM and forgets
// the job. Jobs live as long as this process does; their pids are noted under the sim root so
// that the next boot can end what is left of them.
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

// Stops every job (SIGTERM) and forgets them.
void reset();

// The machine starts: the jobs a launch before left running end (this launchd lives in the
// application, so they belong to a machine session that is over), then every property list
// in /Library/LaunchDaemons is bootstrapped, as launchd does at boot.
void bootInstalled();

} // namespace sim::launchd
