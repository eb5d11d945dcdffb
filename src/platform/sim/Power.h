#pragma once
// The simulated system power: the system power settings (shared machine state) and the delivery
// of sleep and wake messages to the processes that registered for them. The power sources and
// the smart battery are described in sim/PowerSources.h.
//
// A registered process listens on a local socket "<sim root>/.sim/power/<pid>"; sendMessage
// plays the system: it hands the message to every registered process and, for can-sleep and
// will-sleep, waits (like the system, for a bounded time) until each has allowed the change.
#include <QList>
#include <QString>
#include <QVariant>

namespace sim::power {

struct Allowed {
    qint64 pid;
    quint32 message;
};

// Returns the pids of the processes that allowed the change in time (all that were reached
// for has-powered-on, which needs no answer).
QList<qint64> sendMessage(quint32 message, int timeoutMs = 10000);
QList<Allowed> allowedChanges(); // every allow call, oldest first, across processes

// Sleep on request. A request is recorded, then the system goes to sleep and wakes on a thread
// of its own: will-sleep, then has-powered-on, reach every registered process.
int sleepRequests();
// Makes opening the power-management connection fail (for this sim root).
void setPowerManagementAvailable(bool available);
int openConnections(); // power-management connections not closed yet
// Waits until every sleep started so far has woken again, serving this thread's events.
void waitForSleeps();

QVariant systemSetting(const QString& key);
int settingWrites(const QString& key); // how often the setting was written, across processes

// Whether the run-time lookup finds the system power setting call (this process only).
void setSettingCallAvailable(bool available);

} // namespace sim::power
