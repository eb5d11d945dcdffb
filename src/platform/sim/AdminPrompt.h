#pragma once
// The dialog of the simulated administrator prompt: the person allows or cancels a command that
// an application wants to run as administrator.
#include <QString>

class QDialog;

namespace sim::adminprompt {

// Asks on the main thread (a caller on another thread waits for the answer); true when allowed.
// Without a screen to ask on, nobody can allow it.
bool ask(const QString& application);

// The dialog while it is open, for a test that answers it.
QDialog* current();

} // namespace sim::adminprompt
