#pragma once
// The simulated SMC behind platform/Smc.h. Its key table is shared machine state (every process
// on this sim root sees the same values); the requests a process sent are kept per process, so
// a test can look at the exact records.
#include "platform/sim/Desk.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <optional>

namespace sim::machine {
class Transaction;
}

namespace sim::smc {

// Result bytes the simulated SMC answers with.
constexpr quint8 kResultKeyNotFound = 0x84;
constexpr quint8 kResultBadCommand = 0x82;
constexpr quint8 kResultBadSize = 0x85;
constexpr quint8 kResultWriteRefused = 0x86;

// Replaces the key table (the desk's "smc" section).
void install(const SmcDesk& desk);
std::optional<QByteArray> value(const QString& key);
void setValue(const QString& key, const QByteArray& bytes); // adds the key when it is missing
void setWriteFailure(const QString& key, bool fails);

// The shared key table document, made from the environment's desk when none exists yet.
QJsonObject state(machine::Transaction& tx);

// The 80-byte requests this process sent, oldest first.
QList<QByteArray> requests();
void clearRequests();

} // namespace sim::smc
