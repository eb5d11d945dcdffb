#include "platform/UserDefaults.h"

#include "platform/Log.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace platform {
namespace {

// Stored form: every value carries its kind, so an integer never comes back as a double and
// data never comes back as a string.
QJsonValue encode(const QVariant& v)
{
    QJsonObject o;
    switch (v.typeId()) {
    case QMetaType::Bool:
        o["type"] = "bool";
        o["value"] = v.toBool();
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        o["type"] = "integer";
        o["value"] = QString::number(v.toLongLong()); // exact beyond 2^53
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        o["type"] = "real";
        o["value"] = v.toDouble();
        break;
    case QMetaType::QByteArray:
        o["type"] = "data";
        o["value"] = QString::fromLatin1(v.toByteArray().toBase64());
        break;
    case QMetaType::QDateTime:
        o["type"] = "date";
        o["value"] = v.toDateTime().toUTC().toString(Qt::ISODateWithMs);
        break;
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QJsonArray a;
        for (const QVariant& e : v.toList())
            a.append(encode(e));
        o["type"] = "array";
        o["value"] = a;
        break;
    }
    case QMetaType::QVariantMap: {
        QJsonObject m;
        const QVariantMap map = v.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            m[it.key()] = encode(it.value());
        o["type"] = "dictionary";
        o["value"] = m;
        break;
    }
    default:
        o["type"] = "string";
        o["value"] = v.toString();
        break;
    }
    return o;
}

bool decode(const QJsonValue& j, QVariant& out)
{
    const QJsonObject o = j.toObject();
    const QString type = o.value("type").toString();
    const QJsonValue value = o.value("value");
    if (type == "bool" && value.isBool()) {
        out = value.toBool();
    } else if (type == "integer" && value.isString()) {
        bool ok = false;
        const qlonglong n = value.toString().toLongLong(&ok);
        if (!ok)
            return false;
        out = n;
    } else if (type == "real" && value.isDouble()) {
        out = value.toDouble();
    } else if (type == "string" && value.isString()) {
        out = value.toString();
    } else if (type == "data" && value.isString()) {
        out = QByteArray::fromBase64(value.toString().toLatin1());
    } else if (type == "date" && value.isString()) {
        out = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    } else if (type == "array" && value.isArray()) {
        QVariantList list;
        for (const QJsonValue& e : value.toArray()) {
            QVariant v;
            if (!decode(e, v))
                return false;
            list.append(v);
        }
        out = list;
    } else if (type == "dictionary" && value.isObject()) {
        QVariantMap map;
        const QJsonObject m = value.toObject();
        for (auto it = m.begin(); it != m.end(); ++it) {
            QVariant v;
            if (!decode(it.value(), v))
                return false;
            map.insert(it.key(), v);
        }
        out = map;
    } else {
        return false;
    }
    return true;
}

// A launch argument in the property-list text form of an array of strings, "(en, tr)" or
// '("en-GB", tr)', becomes an array, as the platform reads it; any other text stays a string.
QVariant argumentValue(const QString& text)
{
    const QString t = text.trimmed();
    if (!t.startsWith(u'(') || !t.endsWith(u')'))
        return text;
    QVariantList list;
    const QString inner = t.mid(1, t.size() - 2).trimmed();
    if (inner.isEmpty())
        return list;
    for (QString item : inner.split(u',')) {
        item = item.trimmed();
        if (item.size() >= 2 && item.startsWith(u'"') && item.endsWith(u'"'))
            item = item.mid(1, item.size() - 2);
        else if (item.isEmpty() || item.contains(u'"'))
            return text; // not an array after all
        list.append(item);
    }
    return list;
}

QString globalPath() { return paths::home() + "/Library/Preferences/.GlobalPreferences.json"; }

// Reads a domain file. A file that exists but cannot be read is moved aside, never
// overwritten, and the domain starts empty.
QVariantMap readDomain(const QString& path)
{
    QFile f(path);
    if (!f.exists())
        return {};
    QVariantMap result;
    bool good = f.open(QIODevice::ReadOnly);
    if (good) {
        QJsonParseError err{};
        const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &err);
        f.close();
        QVariant v;
        good = err.error == QJsonParseError::NoError && doc.isObject() && decode(doc.object(), v)
            && v.typeId() == QMetaType::QVariantMap;
        if (good)
            result = v.toMap();
    }
    if (!good) {
        const QString aside = path + ".corrupt-" + QDateTime::currentDateTimeUtc().toString("yyyyMMdd-hhmmsszzz");
        QFile::rename(path, aside);
        log::write("Pelorn: settings file unreadable, kept aside as " + aside);
        return {};
    }
    return result;
}

bool writeDomain(const QString& path, const QVariantMap& domain, bool fail)
{
    paths::ensureParent(path);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = QJsonDocument(encode(domain).toObject()).toJson(QJsonDocument::Compact);
    if (fail) {
        f.write(bytes.left(bytes.size() / 2));
        f.cancelWriting(); // the process "died": the old file stays as it was
        return false;
    }
    f.write(bytes);
    return f.commit();
}

} // namespace

UserDefaults& UserDefaults::standard()
{
    static UserDefaults* store = new UserDefaults(); // lives for the process, like the platform's
    return *store;
}

UserDefaults::UserDefaults()
{
    QStringList args;
    if (QCoreApplication::instance())
        args = QCoreApplication::arguments().mid(1);
    std::lock_guard lock(mutex_);
    arguments_ = parseArguments(args);
    loadLocked();
}

QVariantMap UserDefaults::parseArguments(const QStringList& arguments)
{
    QVariantMap result;
    for (int i = 0; i + 1 < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a.size() > 1 && a.startsWith('-') && !a.startsWith("--")) {
            result.insert(a.mid(1), argumentValue(arguments[i + 1]));
            ++i;
        }
    }
    return result;
}

QVariant UserDefaults::normalized(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QVariant(value.toLongLong());
    case QMetaType::Float:
        return QVariant(value.toDouble());
    case QMetaType::QStringList:
        return QVariant(value.toList());
    default:
        return value;
    }
}

void UserDefaults::loadLocked()
{
    persistent_ = readDomain(storePath());
    global_ = readDomain(globalPath());
}

void UserDefaults::writeLocked()
{
    const bool fail = failNextWrite_;
    failNextWrite_ = false;
    if (!writeDomain(storePath(), persistent_, fail) && !fail)
        log::write("Pelorn: settings could not be written to " + storePath());
}

QString UserDefaults::storePath() const
{
    return paths::home() + "/Library/Preferences/" + kAppDomain + ".json";
}

QVariant UserDefaults::object(const QString& key) const
{
    std::lock_guard lock(mutex_);
    const auto args = volatile_.find(kArgumentDomain);
    const QVariantMap& argumentDomain = args != volatile_.end() ? args.value() : arguments_;
    if (auto it = argumentDomain.find(key); it != argumentDomain.end())
        return it.value();
    if (auto it = persistent_.find(key); it != persistent_.end())
        return it.value();
    if (auto it = global_.find(key); it != global_.end())
        return it.value();
    if (auto reg = volatile_.find(kRegistrationDomain); reg != volatile_.end())
        if (auto it = reg->find(key); it != reg->end())
            return it.value();
    return {};
}

void UserDefaults::set(const QString& key, const QVariant& value)
{
    std::lock_guard lock(mutex_);
    if (!value.isValid())
        persistent_.remove(key);
    else
        persistent_.insert(key, normalized(value));
    writeLocked();
}

void UserDefaults::remove(const QString& key) { set(key, QVariant()); }

QVariantMap UserDefaults::persistentDomain() const
{
    std::lock_guard lock(mutex_);
    return persistent_;
}

QVariantMap UserDefaults::argumentDomain() const
{
    std::lock_guard lock(mutex_);
    return arguments_;
}

QVariantMap UserDefaults::volatileDomain(const QString& name) const
{
    std::lock_guard lock(mutex_);
    return volatile_.value(name);
}

void UserDefaults::setVolatileDomain(const QVariantMap& domain, const QString& name)
{
    std::lock_guard lock(mutex_);
    volatile_.insert(name, domain);
}

void UserDefaults::removeVolatileDomain(const QString& name)
{
    std::lock_guard lock(mutex_);
    volatile_.remove(name);
}

QVariant UserDefaults::globalObject(const QString& key) const
{
    std::lock_guard lock(mutex_);
    return global_.value(key);
}

void UserDefaults::setGlobalObject(const QString& key, const QVariant& value)
{
    std::lock_guard lock(mutex_);
    if (value.isValid())
        global_.insert(key, normalized(value));
    else
        global_.remove(key);
    writeDomain(globalPath(), global_, false);
}

void UserDefaults::reload(const QStringList& launchArguments)
{
    std::lock_guard lock(mutex_);
    volatile_.clear();
    arguments_ = parseArguments(launchArguments);
    failNextWrite_ = false;
    loadLocked();
}

void UserDefaults::failNextWriteForTesting()
{
    std::lock_guard lock(mutex_);
    failNextWrite_ = true;
}

} // namespace platform
