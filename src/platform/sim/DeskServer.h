#pragma once
// The desk's door into a running machine: the process that runs the machine listens on
// "<sim root>/.sim/desk.sock"; the desk program hands it a command line there and gets the
// outcome back. The command runs on the machine's main thread, so what it changes reaches the
// application as the system's own callbacks and notifications.
#include "platform/sim/DeskCommands.h"

#include <optional>

namespace sim::deskserver {

QString socketPath();
// Starts listening (again, for a new sim root). A client has a few seconds to send its line;
// the door stays open when descriptors run out and come back.
void listen();
// Hands a command line to the running machine and waits for its answer; nothing when no
// machine took the command (none listens, or it closed the connection without running it).
std::optional<deskcommands::Outcome> send(const QStringList& args, int answerMs = 60000);

} // namespace sim::deskserver
