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

struct Desk;
using DeskResult = pelorn::Result<Desk, DeskError>;

struct Desk {
    QString name;
    QJsonObject raw;

    static DeskResult parse(const QByteArray& json);
    static DeskResult load(const QString& path);
    // PELORN_DESK when set, else the built-in default desk.
    static DeskResult fromEnvironment();
    static QByteArray defaultJson();
};

} // namespace sim
