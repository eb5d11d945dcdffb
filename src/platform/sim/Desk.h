#pragma once
// The desk file: a JSON description of the simulated machine (displays and monitors, audio,
// battery, ...). A desk with an error is refused whole, with a message naming the field.
#include "platform/Result.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <initializer_list>
#include <optional>

namespace sim {

struct DeskError {
    QString field;   // a path such as "displays[1].ddc.vcp.10"
    QString message;
    QString text() const { return field.isEmpty() ? message : field + ": " + message; }
};

// Reads the fields of one JSON object, remembering the first error with its path.
class Fields {
public:
    Fields(QJsonObject object, QString path, std::optional<DeskError>* error);

    bool has(const char* key) const { return object_.contains(key); }
    QString string(const char* key, const QString& fallback = {});
    QString requireString(const char* key);
    double number(const char* key, double fallback, double min = -1e300, double max = 1e300);
    qint64 integer(const char* key, qint64 fallback, qint64 min = INT64_MIN, qint64 max = INT64_MAX);
    bool boolean(const char* key, bool fallback);
    QJsonArray array(const char* key);   // empty when absent
    QJsonObject object(const char* key); // empty when absent
    // A field this reader does not know is an error, so a typo never passes silently.
    void rejectUnknown(std::initializer_list<const char*> known);

    QString path(const char* key) const;
    QString path(const QString& key) const;
    void fail(const QString& field, const QString& message);
    bool failed() const { return error_->has_value(); }
    const QJsonObject& raw() const { return object_; }

private:
    QJsonObject object_;
    QString path_;
    std::optional<DeskError>* error_;
};

// The SMC's key table. A key's size is the length of its bytes.
struct SmcKeyDesk {
    QString name;              // four ASCII characters
    quint32 type = 0;          // four-character type code, packed like a key
    quint8 attributes = 0;
    QByteArray bytes;
    bool failWrites = false;   // the SMC refuses every write to it
};
struct SmcDesk {
    bool present = true;       // false: the machine has no AppleSMC service
    QList<SmcKeyDesk> keys;
};

// The internal battery as its power source and the smart battery report it.
struct BatteryDesk {
    bool present = false;
    double percent = 80;
    bool externalConnected = true;   // the power cable
    int chargeLimit = 100;
    double chargePerMinute = 1.0;    // while the cable is in and the adapter switched on
    double dischargePerMinute = 0.5; // while on battery or with the adapter switched off
    bool reportsCapacity = true;     // false: the source has no "Current Capacity"
};

void parseSmc(Fields& top, SmcDesk& out);
void parseBattery(Fields& top, BatteryDesk& out);

struct Desk;
using DeskResult = pelorn::Result<Desk, DeskError>;

struct Desk {
    QString name;
    QJsonObject raw;
    SmcDesk smc;
    BatteryDesk battery;

    static DeskResult parse(const QByteArray& json);
    static DeskResult load(const QString& path);
    // PELORN_DESK when set, else the built-in default desk.
    static DeskResult fromEnvironment();
    static QByteArray defaultJson();
};

} // namespace sim
