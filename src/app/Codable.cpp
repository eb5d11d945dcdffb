#include "app/Codable.h"

#include <QJsonDocument>

namespace pelorn::json {

bool isEncodable(const QJsonValue& value)
{
    if (value.isDouble())
        return std::isfinite(value.toDouble());
    if (value.isArray()) {
        for (const QJsonValue& e : value.toArray())
            if (!isEncodable(e))
                return false;
    }
    if (value.isObject()) {
        const QJsonObject o = value.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!isEncodable(it.value()))
                return false;
    }
    return true;
}

QByteArray toBytes(const QJsonValue& value)
{
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    // A top-level scalar: wrap and strip, as QJsonDocument holds only arrays and objects.
    QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

std::optional<QJsonValue> fromBytes(const QByteArray& bytes)
{
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson("[" + bytes + "]", &err);
    if (err.error != QJsonParseError::NoError || !doc.isArray() || doc.array().size() != 1)
        return std::nullopt;
    return doc.array().at(0);
}

} // namespace pelorn::json
