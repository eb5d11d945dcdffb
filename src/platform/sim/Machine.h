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
    void write(const QString& name, const QJsonObject& document);
};

} // namespace sim::machine
