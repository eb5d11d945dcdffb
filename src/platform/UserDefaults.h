#pragma once
// The user-defaults stand-in. Values are QVariants of the property-list kinds, which stay
// distinct when stored: bool, qlonglong (integer), double, QString, QByteArray (data),
// QDateTime, QVariantList (array) and QVariantMap (dictionary).
//
// Search order of object(): the argument domain ("-key value" launch arguments, a value
// "(en, tr)" being an array of strings; or the volatile domain of that name when one is set),
// the application's persistent domain, the global domain, the registration domain.
//
// A change of the persistent domain is in memory, for every reader, when set() returns; the
// file follows on a writer thread, several changes in one write, at most one write every
// kWriteSeconds. Each write replaces the file whole (never torn), so a process killed at any
// moment leaves the domain as it was after some change: at worst the last kWriteSeconds are lost.
// flush() writes at once; the application calls it when it quits and before it hands over
// to a new instance.
#include <QHash>
#include <QStringList>
#include <QVariant>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform {

class UserDefaults {
public:
    static constexpr const char* kArgumentDomain = "NSArgumentDomain";
    static constexpr const char* kRegistrationDomain = "NSRegistrationDomain";
    static constexpr const char* kAppDomain = "com.ostrane.pelorn";
    // The writer refuses a change that would make the file grow past this. A larger file found
    // at start (written elsewhere, or by an older build) is read all the same, up to
    // kMaxReadBytes, and then only refused growth; one past kMaxReadBytes is no store: it is
    // kept aside unread.
    static constexpr qint64 kMaxFileBytes = 16 << 20;
    static constexpr qint64 kMaxReadBytes = 64 << 20;
    static constexpr double kWriteSeconds = 0.25;

    // The application's store; it reads the launch arguments of the running application.
    static UserDefaults& standard();

    QVariant object(const QString& key) const;          // invalid when absent everywhere
    // Persistent; an invalid value removes. False when the change is refused (the file would
    // grow and be larger than kMaxFileBytes): it is dropped, with a line in the log, and the
    // store stays as it was.
    bool set(const QString& key, const QVariant& value);
    void remove(const QString& key);
    // Every change made so far is in the file when this returns.
    void flush();
    QVariantMap persistentDomain() const;

    QVariantMap argumentDomain() const;
    QVariantMap volatileDomain(const QString& name) const;
    void setVolatileDomain(const QVariantMap& domain, const QString& name);
    void removeVolatileDomain(const QString& name);

    // The global domain is read by the system; the simulated Mac writes it.
    QVariant globalObject(const QString& key) const;
    void setGlobalObject(const QString& key, const QVariant& value);

    // The file of the persistent domain, below the sim root.
    QString storePath() const;
    // Tests: write what is pending, forget everything in memory and read the sim root's files
    // again.
    void reload(const QStringList& launchArguments = {});
    // Tests: the next write stops half-way, as if the process died in it (the changes it held
    // are gone, as they would be with the process).
    void failNextWriteForTesting();
    // Tests: the size of the persistent domain's file as the next write makes it, and how many
    // times the file has been written by this process.
    qint64 storedBytes() const;
    quint64 fileWrites() const;

    static QVariant normalized(const QVariant& value); // integers become qlonglong
    static QVariantMap parseArguments(const QStringList& arguments);

private:
    UserDefaults();
    void loadLocked();
    void writerLoop();
    void persistPending();
    void stopWriter();

    struct EntryBytes {
        qint64 key = 0;   // the key as a JSON string
        qint64 value = 0; // the encoded value
    };

    mutable std::mutex mutex_; // the domains and the bookkeeping below
    std::mutex writeMutex_;    // one file write at a time, in the order of their snapshots
    std::condition_variable wake_;
    std::thread writer_;
    bool stopping_ = false; // once set, every change is written at once by its caller
    quint64 generation_ = 0; // changes of persistent_ so far
    quint64 written_ = 0;    // the generation the last write held
    bool writeFailed_ = false; // the last write failed: the next flush tries again
    quint64 fileWrites_ = 0;
    // Where the pending changes go: the store of the sim root they were made in.
    QString pendingRoot_;
    QString pendingPath_;
    QHash<QString, EntryBytes> entryBytes_;
    qint64 entriesBytes_ = 0; // the sum of the entries, "key":value each

    QVariantMap persistent_;
    QVariantMap global_;
    QVariantMap arguments_;
    QMap<QString, QVariantMap> volatile_;
    bool failNextWrite_ = false;
};

} // namespace platform
