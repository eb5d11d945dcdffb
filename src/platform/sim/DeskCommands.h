#pragma once
// The desk's commands: what a person does to the machine from outside (switch the KVM, pull a
// cable, press a key) and what they read off it. They act on the machine of the process that
// runs them: Pelorn's, reached through its desk door (sim/DeskServer.h), or the desk
// program's own when Pelorn does not run. A command with a bad name or value changes nothing.
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace sim::deskcommands {

constexpr int kBadInput = 2;

struct Outcome {
    int status = 0;
    QString out;
    QString err;
};

// A command line's form (command, words, value ranges), without looking at the machine.
Outcome checkForm(const QStringList& args);
// Runs a command on this process's machine.
Outcome run(const QStringList& args);
// What the machine holds now, as `status --json` prints it.
QJsonObject status();
QString usage();

} // namespace sim::deskcommands
