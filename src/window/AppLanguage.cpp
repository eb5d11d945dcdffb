#include "window/AppLanguage.h"

#include "app/Prefs.h"
#include "platform/Bundle.h"
#include "platform/Launch.h"
#include "platform/Process.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>

namespace {

constexpr const char* kKey = "AppleLanguages";

// The strings of a stored array, or nothing when the value is not an array of strings.
std::optional<QStringList> strings(const QVariant& value)
{
    if (value.typeId() != QMetaType::QVariantList && value.typeId() != QMetaType::QStringList)
        return std::nullopt;
    QStringList out;
    for (const QVariant& e : value.toList()) {
        if (e.typeId() != QMetaType::QString)
            return std::nullopt;
        out << e.toString();
    }
    return out;
}

} // namespace

const std::array<AppLanguage, 3>& AppLanguage::allCases()
{
    static const std::array<AppLanguage, 3> all{system, tr, en};
    return all;
}

std::optional<AppLanguage> AppLanguage::fromRawValue(const QString& raw)
{
    for (AppLanguage l : allCases())
        if (l.rawValue() == raw)
            return l;
    return std::nullopt;
}

QString AppLanguage::rawValue() const
{
    switch (value_) {
    case tr: return QStringLiteral("tr");
    case en: return QStringLiteral("en");
    case system: break;
    }
    return QStringLiteral("system");
}

AppLanguage AppLanguage::fromStored(const QVariant& stored)
{
    const auto list = strings(stored);
    if (!list || list->isEmpty())
        return system;
    const QString& first = list->first();
    if (first.startsWith(QLatin1String("en")))
        return en;
    if (first.startsWith(QLatin1String("tr")))
        return tr;
    return system;
}

AppLanguage AppLanguage::current()
{
    return fromStored(platform::UserDefaults::standard().persistentDomain().value(kKey));
}

AppLanguage AppLanguage::launched()
{
    static const AppLanguage atLaunch = current();
    return atLaunch;
}

void AppLanguage::apply() const
{
    // Through Prefs, so that the showcase mode leaves the user's choice alone.
    if (value_ == system)
        Prefs::remove(kKey);
    else
        Prefs::set(kKey, QVariantList{rawValue()});
}

void AppLanguage::relaunch()
{
    // Give up the single-instance channel first: the new instance must start as the running
    // one, not hand itself to this one while it is still on its way out.
    platform::launch::stopReceiving();
    platform::UserDefaults::standard().flush(); // the new instance reads the store as it starts
    platform::process::Task shell(QStringLiteral("/bin/sh"),
                                  {QStringLiteral("-c"), QString::fromLatin1(kRelaunchCommand), platform::bundle::mainPath()});
    (void)shell.run(); // without the shell there is no new instance, but the request to quit stands
    QCoreApplication::quit();
}

QString AppLanguage::localization(const QVariant& chosen, const QVariant& systemLanguages)
{
    const AppLanguage choice = fromStored(chosen);
    if (choice != system)
        return choice.rawValue();
    for (const QString& language : strings(systemLanguages).value_or(QStringList())) {
        const QString code = language.section(u'-', 0, 0).section(u'_', 0, 0).toLower();
        if (code == QLatin1String("en") || code == QLatin1String("tr"))
            return code;
    }
    return QStringLiteral("tr"); // the development language
}
