#pragma once
// The machine state that several processes see at once (the SMC keys, the battery, the power
// settings) lives in small JSON documents under "<sim root>/.sim/". A Transaction holds the
// machine lock (a mutex in this process, flock across processes), so a read-modify-write is
// atomic for the helper process and the application process alike. Transactions nest.
#include <QJsonObject>
#include <QString>

namespace sim::machine {

QString stateFolder(); // "<sim root>/.sim"

class Transaction {
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // An absent or unreadable document reads as empty.
    QJsonObject read(const QString& name) const;
    bool exists(const QString& name) const;
    // Whether the document is on disk now.
    bool write(const QString& name, const QJsonObject& document);
};

// The machine's state that lives in a process's memory (displays, monitors, audio, input
// access) has one holder at a time: a running Pelorn, or the desk program while no Pelorn
// runs. Only the holder loads and saves it, so no process overwrites what another changed.
// Held until the process ends; waits up to `seconds` for the holder before; true once held.
bool hold(double seconds);

} // namespace sim::machine
