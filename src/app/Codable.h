#pragma once
// JSON encoding of stored values, matching a default-configured JSON encoder: numbers as
// numbers, dictionaries as objects, dates as seconds since 2001-01-01, UUIDs as upper-case
// text. A non-finite number cannot be encoded.
//
// A type of our own is codable when it has `QJsonValue toJson() const` and
// `static std::optional<T> fromJson(const QJsonValue&)`.
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QUuid>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <vector>

namespace pelorn::json {

template <class T, class = void>
struct Codec {
    static QJsonValue encode(const T& v) { return v.toJson(); }
    static std::optional<T> decode(const QJsonValue& j) { return T::fromJson(j); }
};

template <>
struct Codec<bool> {
    static QJsonValue encode(bool v) { return v; }
    static std::optional<bool> decode(const QJsonValue& j)
    {
        if (!j.isBool())
            return std::nullopt;
        return j.toBool();
    }
};

template <>
struct Codec<double> {
    static QJsonValue encode(double v) { return v; }
    static std::optional<double> decode(const QJsonValue& j)
    {
        if (!j.isDouble())
            return std::nullopt;
        return j.toDouble();
    }
};

template <>
struct Codec<QString> {
    static QJsonValue encode(const QString& v) { return v; }
    static std::optional<QString> decode(const QJsonValue& j)
    {
        if (!j.isString())
            return std::nullopt;
        return j.toString();
    }
};

// Whole numbers: a JSON number that is not exact in the type does not decode.
template <class T>
struct Codec<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>> {
    static QJsonValue encode(T v) { return double(v); }
    static std::optional<T> decode(const QJsonValue& j)
    {
        if (!j.isDouble())
            return std::nullopt;
        const double d = j.toDouble();
        if (d != std::floor(d) || d < double(std::numeric_limits<T>::min()) || d > double(std::numeric_limits<T>::max()))
            return std::nullopt;
        return T(d);
    }
};

template <class T>
struct Codec<std::vector<T>> {
    static QJsonValue encode(const std::vector<T>& v)
    {
        QJsonArray a;
        for (const auto& e : v)
            a.append(Codec<T>::encode(e));
        return a;
    }
    static std::optional<std::vector<T>> decode(const QJsonValue& j)
    {
        if (!j.isArray())
            return std::nullopt;
        std::vector<T> out;
        for (const QJsonValue& e : j.toArray()) {
            auto d = Codec<T>::decode(e);
            if (!d)
                return std::nullopt;
            out.push_back(std::move(*d));
        }
        return out;
    }
};

template <class T>
struct Codec<std::map<QString, T>> {
    static QJsonValue encode(const std::map<QString, T>& v)
    {
        QJsonObject o;
        for (const auto& [k, e] : v)
            o.insert(k, Codec<T>::encode(e));
        return o;
    }
    static std::optional<std::map<QString, T>> decode(const QJsonValue& j)
    {
        if (!j.isObject())
            return std::nullopt;
        std::map<QString, T> out;
        const QJsonObject o = j.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            auto d = Codec<T>::decode(it.value());
            if (!d)
                return std::nullopt;
            out.emplace(it.key(), std::move(*d));
        }
        return out;
    }
};

template <class T>
QJsonValue encode(const T& v) { return Codec<T>::encode(v); }

template <class T>
std::optional<T> decode(const QJsonValue& j) { return Codec<T>::decode(j); }

// An optional field of a record: written only when set.
template <class T>
void putOptional(QJsonObject& o, const char* key, const std::optional<T>& v)
{
    if (v)
        o.insert(key, encode(*v));
}

// Reads an optional field: absent or null gives nullopt; a present field of the wrong kind
// makes the whole record fail (sets ok to false).
template <class T>
std::optional<T> getOptional(const QJsonObject& o, const char* key, bool& ok)
{
    const QJsonValue v = o.value(key);
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    auto d = decode<T>(v);
    if (!d)
        ok = false;
    return d;
}

// Dates as a default-configured encoder writes them.
constexpr double kReferenceDate = 978307200.0; // 2001-01-01 00:00:00 UTC in Unix seconds
inline QJsonValue encodeDate(double unixSeconds) { return unixSeconds - kReferenceDate; }
inline std::optional<double> decodeDate(const QJsonValue& j)
{
    if (!j.isDouble())
        return std::nullopt;
    return j.toDouble() + kReferenceDate;
}

inline QString uuidText(const QUuid& id) { return id.toString(QUuid::WithoutBraces).toUpper(); }

// False when the value holds a number that JSON cannot carry (NaN or infinity).
bool isEncodable(const QJsonValue& value);

QByteArray toBytes(const QJsonValue& value); // compact UTF-8
std::optional<QJsonValue> fromBytes(const QByteArray& bytes);

} // namespace pelorn::json
