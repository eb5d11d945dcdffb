#pragma once
// The desk's door into a running machine: the process that runs the machine listens on
// "<sim root>/.sim/desk.sock"; the desk program hands it a command line there and gets the
// outcome back. The command runs on the machine's main thread, so what it changes reaches the
// application as the system's own callbacks and notifications.
#include "platform/sim/DeskCommands.h"

#include <optional>

namespace sim::deskserver {

QString socketPath();
// Starts listening (again, for a new sim root).
void listen();
// Hands a command line to the running machine; nothing when no machine listens.
std::optional<deskcommands::Outcome> send(const QStringList& args, int timeoutMs = 10000);

} // namespace sim::deskserver
