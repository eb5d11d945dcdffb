#pragma once
// The simulated administrator prompt and the root shell behind it. The command line is run by
// a small interpreter of the shell's quoting and its ";" and "&&" lists, whose commands
// (launchctl, mkdir, cp, chown, chmod, xattr, rm, true) act under the sim root.
#include <QString>
#include <QStringList>

namespace sim::adminscript {

// How the administrator prompt is answered: the person is asked in a dialog, or the machine
// answers by itself (a desk's "adminPrompt": "allow" or "deny", for unattended runs).
enum class Prompt { ask, approve, cancel };

// A fresh scripting service whose prompt is answered as given (the machine passes its desk's).
void reset(Prompt answer = Prompt::approve);
void setPrompt(Prompt answer);
void setCreationFails(bool fails);            // the scripting service cannot create the script
void setFailingCommand(const QString& path);  // that command exits 1 ("" for none)

QStringList commandLines(); // every line the shell ran, as the shell saw it
int prompts();              // how often the user was asked

// Runs a command line in the simulated root shell; returns its exit status, stderr in *error.
int runShell(const QString& line, QString* error);

} // namespace sim::adminscript
