#pragma once
// The system log stand-in: lines go to stderr and to a small in-memory tail that tests read.
#include <QString>
#include <QStringList>

namespace platform::log {

void write(const QString& line);
QStringList recent();   // oldest first, at most a few hundred lines
void clearRecent();
void setQuiet(bool quiet); // tests keep stderr clean

} // namespace platform::log
