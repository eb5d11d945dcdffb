#pragma once
// The user-defaults stand-in. Values are QVariants of the property-list kinds, which stay
// distinct when stored: bool, qlonglong (integer), double, QString, QByteArray (data),
// QDateTime, QVariantList (array) and QVariantMap (dictionary).
//
// Search order of object(): the argument domain ("-key value" launch arguments, a value
// "(en, tr)" being an array of strings; or the volatile domain of that name when one is set),
// the application's persistent domain, the global domain, the registration domain.
#include <QStringList>
#include <QVariant>
#include <mutex>

namespace platform {

class UserDefaults {
public:
    static constexpr const char* kArgumentDomain = "NSArgumentDomain";
    static constexpr const char* kRegistrationDomain = "NSRegistrationDomain";
    static constexpr const char* kAppDomain = "com.ostrane.pelorn";

    // The application's store; it reads the launch arguments of the running application.
    static UserDefaults& standard();

    QVariant object(const QString& key) const;          // invalid when absent everywhere
    void set(const QString& key, const QVariant& value); // persistent; an invalid value removes
    void remove(const QString& key);
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
    // Tests: forget everything in memory and read the sim root's files again.
    void reload(const QStringList& launchArguments = {});
    // Tests: the next write stops half-way, as if the process died in it.
    void failNextWriteForTesting();

    static QVariant normalized(const QVariant& value); // integers become qlonglong
    static QVariantMap parseArguments(const QStringList& arguments);

private:
    UserDefaults();
    void loadLocked();
    void writeLocked();

    mutable std::mutex mutex_;
    QVariantMap persistent_;
    QVariantMap global_;
    QVariantMap arguments_;
    QMap<QString, QVariantMap> volatile_;
    bool failNextWrite_ = false;
};

} // namespace platform
