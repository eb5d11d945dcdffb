#pragma once
// The simulated administrator prompt and the root shell behind it. The command line is run by
// a small interpreter of the shell's quoting and its ";" and "&&" lists, whose commands
// (launchctl, mkdir, cp, chown, chmod, xattr, rm, true) act under the sim root.
#include <QString>
#include <QStringList>

namespace sim::adminscript {

enum class Prompt { approve, cancel };

void reset();
void setPrompt(Prompt answer);
void setCreationFails(bool fails);            // the scripting service cannot create the script
void setFailingCommand(const QString& path);  // that command exits 1 ("" for none)

QStringList commandLines(); // every line the shell ran, as the shell saw it
int prompts();              // how often the user was asked

// Runs a command line in the simulated root shell; returns its exit status, stderr in *error.
int runShell(const QString& line, QString* error);

} // namespace sim::adminscript
