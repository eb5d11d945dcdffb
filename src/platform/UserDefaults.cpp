#include "platform/UserDefaults.h"

#include "platform/DispatchQueue.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>

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

// The length of encode(v) as compact JSON, the form of the file. Data, usually the largest
// values, are counted rather than encoded, so that knowing the file's size at every change costs
// little; every other leaf and every key is measured by the JSON writer itself.
qint64 jsonBytes(const QJsonValue& v)
{
    return QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact).size() - 2; // less "[]"
}

qint64 keyBytes(const QString& key) { return jsonBytes(key); }

struct Overheads {
    qint64 data = jsonBytes(encode(QByteArray()));
    qint64 array = jsonBytes(encode(QVariantList()));
    qint64 dictionary = jsonBytes(encode(QVariantMap()));
};

const Overheads& overheads()
{
    static const Overheads o;
    return o;
}

qint64 separators(qsizetype count) { return std::max<qsizetype>(count - 1, 0); }

template <class Entry>
qint64 entryTotal(const Entry& e) // "key":value
{
    return e.key + 1 + e.value;
}

qint64 encodedBytes(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QByteArray:
        return overheads().data + (v.toByteArray().size() + 2) / 3 * 4; // base64
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        const QVariantList list = v.toList();
        qint64 n = overheads().array + separators(list.size());
        for (const QVariant& e : list)
            n += encodedBytes(e);
        return n;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = v.toMap();
        qint64 n = overheads().dictionary + separators(map.size());
        for (auto it = map.begin(); it != map.end(); ++it)
            n += keyBytes(it.key()) + 1 + encodedBytes(it.value()); // "key":value
        return n;
    }
    default:
        return jsonBytes(encode(v));
    }
}

QByteArray domainBytes(const QVariantMap& domain)
{
    return QJsonDocument(encode(domain).toObject()).toJson(QJsonDocument::Compact);
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

// The stored domain is split into its entries before any value is parsed, so that one value the
// JSON parser refuses (-1e400, nesting deeper than it goes) costs that entry, not every setting.
// Only the structure is checked here (strings, brackets, colons, commas); each entry's text is
// then parsed on its own.
struct MemberText {
    QByteArray key;   // the JSON string, quotes included
    QByteArray value; // the JSON value
};

void skipSpace(const QByteArray& s, qsizetype& i)
{
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r'))
        ++i;
}

bool skipString(const QByteArray& s, qsizetype& i) // at the opening quote
{
    for (++i; i < s.size(); ++i) {
        if (s[i] == '\\')
            ++i;
        else if (s[i] == '"') {
            ++i;
            return true;
        }
    }
    return false;
}

bool skipValue(const QByteArray& s, qsizetype& i)
{
    if (i >= s.size())
        return false;
    if (s[i] == '"')
        return skipString(s, i);
    if (s[i] == '{' || s[i] == '[') {
        qsizetype depth = 0; // counted, not recursed: any depth costs no stack
        while (i < s.size()) {
            const char c = s[i];
            if (c == '"') {
                if (!skipString(s, i))
                    return false;
                continue;
            }
            if (c == '{' || c == '[')
                ++depth;
            else if ((c == '}' || c == ']') && --depth == 0) {
                ++i;
                return true;
            }
            ++i;
        }
        return false;
    }
    const qsizetype start = i;
    while (i < s.size() && !std::strchr(",}] \t\r\n", s[i]))
        ++i;
    return i > start;
}

bool splitObject(const QByteArray& s, qsizetype& i, QList<MemberText>& members)
{
    skipSpace(s, i);
    if (i >= s.size() || s[i] != '{')
        return false;
    ++i;
    skipSpace(s, i);
    if (i < s.size() && s[i] == '}') {
        ++i;
        return true;
    }
    for (;;) {
        MemberText m;
        skipSpace(s, i);
        qsizetype start = i;
        if (i >= s.size() || s[i] != '"' || !skipString(s, i))
            return false;
        m.key = s.mid(start, i - start);
        skipSpace(s, i);
        if (i >= s.size() || s[i] != ':')
            return false;
        ++i;
        skipSpace(s, i);
        start = i;
        if (!skipValue(s, i))
            return false;
        m.value = s.mid(start, i - start);
        members.append(m);
        skipSpace(s, i);
        if (i >= s.size())
            return false;
        if (s[i++] == '}')
            return true;
        if (s[i - 1] != ',')
            return false;
    }
}

std::optional<QJsonValue> parseValue(const QByteArray& text)
{
    QJsonParseError err{};
    const QJsonArray a = QJsonDocument::fromJson("[" + text + "]", &err).array();
    if (err.error != QJsonParseError::NoError || a.size() != 1)
        return std::nullopt;
    return a.first();
}

// Decodes a stored domain entry by entry. False when the text is not a stored dictionary at all;
// otherwise the keys of the entries that do not decode are in `unreadable`.
bool decodeEntries(const QByteArray& bytes, QVariantMap& values, QStringList& unreadable)
{
    QList<MemberText> top;
    qsizetype i = 0;
    if (!splitObject(bytes, i, top))
        return false;
    skipSpace(bytes, i);
    if (i != bytes.size())
        return false;
    bool isDictionary = false;
    QByteArray entriesText;
    for (const MemberText& m : top) {
        const auto key = parseValue(m.key);
        if (key && key->toString() == "type")
            isDictionary = parseValue(m.value) == QJsonValue("dictionary");
        else if (key && key->toString() == "value")
            entriesText = m.value;
    }
    QList<MemberText> entries;
    qsizetype j = 0;
    if (!isDictionary || !splitObject(entriesText, j, entries))
        return false;
    for (const MemberText& e : entries) {
        const auto key = parseValue(e.key);
        const auto value = parseValue(e.value);
        QVariant v;
        if (key && value && decode(*value, v))
            values.insert(key->toString(), v);
        else
            unreadable << (key ? key->toString() : QString::fromUtf8(e.key));
    }
    return true;
}

QString asideStem(const QString& path)
{
    return path + ".corrupt-" + QDateTime::currentDateTimeUtc().toString("yyyyMMdd-hhmmsszzz");
}

enum class Written { ok, tooLarge, failed };

Written writeDomain(const QString& path, const QVariantMap& domain, bool fail, qint64 maxBytes)
{
    const QByteArray bytes = domainBytes(domain);
    if (bytes.size() > maxBytes) { // the reader would set it aside whole
        log::write(QString("Pelorn: settings not written to %1: %2 bytes, more than a store holds")
                       .arg(path)
                       .arg(bytes.size()));
        return Written::tooLarge;
    }
    paths::ensureParent(path);
    files::removeIfNotRegular(path); // replaced, never written through
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return Written::failed;
    if (fail) {
        f.write(bytes.left(bytes.size() / 2));
        f.cancelWriting(); // the process "died": the old file stays as it was
        return Written::failed;
    }
    f.write(bytes);
    return f.commit() ? Written::ok : Written::failed;
}

// A write killed between making its temporary file and renaming it over the store leaves the
// temporary file beside it, "<store>.XXXXXX"; nothing else there has that form (the files kept
// aside are "<store>.corrupt-<time>").
void removeLeftoverTemporaries(const QString& path)
{
    const QFileInfo store(path);
    static const QRegularExpression temporary("^\\.[A-Za-z0-9]{6}$");
    const QDir folder = store.absoluteDir();
    for (const QString& name : folder.entryList({store.fileName() + ".*"}, QDir::Files | QDir::Hidden | QDir::System)) {
        if (!temporary.match(QStringView(name).mid(store.fileName().size())).hasMatch())
            continue;
        if (QFile::remove(folder.filePath(name)))
            log::write("Pelorn: removed the leftover of an interrupted settings write: " + folder.filePath(name));
    }
}

// Reads a domain file. A file that exists but cannot be read (no regular file, larger than
// kMaxReadBytes, not a stored dictionary) is moved aside, never overwritten, and the domain
// starts empty. Entries that do not decode are left out; the file as it was is kept aside once,
// and the domain is written again without them.
QVariantMap readDomain(const QString& path)
{
    removeLeftoverTemporaries(path);
    const files::Contents file = files::readRegular(path, UserDefaults::kMaxReadBytes);
    if (file.status == files::ReadStatus::missing)
        return {};
    // A byte-order mark is no part of the JSON, but an editor may have put one there.
    const QByteArray bytes = file.bytes.startsWith("\xEF\xBB\xBF") ? file.bytes.mid(3) : file.bytes;
    QVariantMap result;
    QStringList unreadable;
    if (file.status != files::ReadStatus::ok || !decodeEntries(bytes, result, unreadable)) {
        const QString aside = files::moveAside(path, asideStem(path), {});
        log::write(aside.isEmpty() ? "Pelorn: settings file unreadable and could not be moved aside: " + path
                                   : "Pelorn: settings file unreadable, kept aside as " + aside);
        return {};
    }
    if (!unreadable.isEmpty()) {
        const QString aside = files::keepAside(file.bytes, asideStem(path), {});
        if (aside.isEmpty()) {
            log::write("Pelorn: settings left out, unreadable: " + unreadable.join(", ")
                       + "; the file could not be copied aside and is left as it is");
            return result;
        }
        log::write("Pelorn: settings left out, unreadable: " + unreadable.join(", ") + "; the file as it was is kept as "
                   + aside);
        writeDomain(path, result, false, UserDefaults::kMaxReadBytes);
    }
    return result;
}

} // namespace

UserDefaults& UserDefaults::standard()
{
    static UserDefaults* store = new UserDefaults(); // lives for the process, like the platform's
    // At exit the writer ends before what it uses goes; a change made after that is written by
    // its caller.
    static const struct StopAtExit {
        ~StopAtExit() { store->stopWriter(); }
    } stopAtExit;
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
    writer_ = std::thread([this] { writerLoop(); });
}

void UserDefaults::writerLoop()
{
    setThreadName("Pelorn.settings");
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || generation_ != written_; });
        // What follows within the interval goes into the same write: a drag costs a few writes
        // a second, not one a move.
        wake_.wait_for(lock, std::chrono::duration<double>(kWriteSeconds), [this] { return stopping_; });
        if (stopping_)
            return;
        lock.unlock();
        persistPending();
        lock.lock();
    }
}

void UserDefaults::persistPending()
{
    std::lock_guard writing(writeMutex_); // snapshots are written in the order they were taken
    QVariantMap snapshot;
    QString path;
    QString root;
    quint64 generation = 0;
    bool die = false;
    bool failedBefore = false;
    {
        std::lock_guard lock(mutex_);
        if (written_ == generation_ && !writeFailed_)
            return;
        snapshot = persistent_; // shared, not copied: the write runs without the lock
        path = pendingPath_;
        root = pendingRoot_;
        generation = generation_;
        die = std::exchange(failNextWrite_, false);
        failedBefore = writeFailed_;
    }
    // A test's sim root that is gone takes its settings with it; it is not made again.
    const bool rootGone = !QFileInfo(root).isDir();
    const bool ok = !rootGone && writeDomain(path, snapshot, die, kMaxReadBytes) == Written::ok;
    {
        std::lock_guard lock(mutex_);
        written_ = generation;
        // A simulated death loses the changes with the process; a failed write is tried again
        // by the next change or flush.
        writeFailed_ = !ok && !die && !rootGone;
        if (ok)
            ++fileWrites_;
    }
    if (!ok && !die && !rootGone && !failedBefore)
        log::write("Pelorn: settings could not be written to " + path);
}

void UserDefaults::stopWriter()
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        stopping_ = true;
    }
    wake_.notify_all();
    if (writer_.joinable())
        writer_.join();
    persistPending();
}

void UserDefaults::flush() { persistPending(); }

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
    entryBytes_.clear();
    entriesBytes_ = 0;
    for (auto it = persistent_.begin(); it != persistent_.end(); ++it) {
        const EntryBytes e{keyBytes(it.key()), encodedBytes(it.value())};
        entryBytes_.insert(it.key(), e);
        entriesBytes_ += entryTotal(e);
    }
    written_ = generation_;
    writeFailed_ = false;
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

bool UserDefaults::set(const QString& key, const QVariant& value)
{
    const QVariant stored = value.isValid() ? normalized(value) : QVariant();
    const qint64 valueBytes = stored.isValid() ? encodedBytes(stored) : 0; // without the lock
    std::unique_lock lock(mutex_);
    const auto known = entryBytes_.constFind(key);
    const bool present = known != entryBytes_.cend();
    if (!stored.isValid() && !present)
        return true;
    if (stored.isValid()) {
        const EntryBytes entry{present ? known->key : keyBytes(key), valueBytes};
        const qint64 entries = entriesBytes_ - (present ? entryTotal(*known) : 0) + entryTotal(entry);
        const qint64 file = overheads().dictionary + entries + separators(persistent_.size() + (present ? 0 : 1));
        const qint64 now = overheads().dictionary + entriesBytes_ + separators(persistent_.size());
        // Only growth is refused: a store found larger than the bound can still change and shrink.
        if (file > kMaxFileBytes && file > now) {
            lock.unlock();
            log::write(QString("Pelorn: setting %1 not stored: the settings file would grow to %2 bytes, more than "
                               "the %3 a store holds")
                           .arg(key)
                           .arg(file)
                           .arg(kMaxFileBytes));
            return false;
        }
        entriesBytes_ = entries;
        entryBytes_.insert(key, entry);
        persistent_.insert(key, stored);
    } else {
        entriesBytes_ -= entryTotal(*known);
        entryBytes_.erase(known);
        persistent_.remove(key);
    }
    const bool wasWritten = generation_ == written_;
    ++generation_;
    pendingRoot_ = paths::simRoot();
    pendingPath_ = storePath();
    if (stopping_) { // no writer any more
        lock.unlock();
        persistPending();
    } else if (wasWritten) { // a writer already on its way needs no wake, each move would cost one
        wake_.notify_one();
    }
    return true;
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
    QVariantMap changed = global_;
    if (value.isValid())
        changed.insert(key, normalized(value));
    else
        changed.remove(key);
    if (writeDomain(globalPath(), changed, false, kMaxFileBytes) != Written::tooLarge)
        global_ = changed; // kept in memory when only the disk failed
}

void UserDefaults::reload(const QStringList& launchArguments)
{
    flush();
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

qint64 UserDefaults::storedBytes() const
{
    std::lock_guard lock(mutex_);
    return overheads().dictionary + entriesBytes_ + separators(persistent_.size());
}

quint64 UserDefaults::fileWrites() const
{
    std::lock_guard lock(mutex_);
    return fileWrites_;
}

} // namespace platform
