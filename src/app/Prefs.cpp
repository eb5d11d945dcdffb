#include "app/Prefs.h"

#include "platform/Log.h"

#include <cmath>
#include <limits>

platform::UserDefaults& Prefs::d() { return platform::UserDefaults::standard(); }

bool Prefs::boolValue(const QString& key, bool fallback)
{
    const QVariant v = d().object(key);
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::LongLong:
        // A number bridges to Bool only when it is exactly 0 or 1.
        if (v.toLongLong() == 0 || v.toLongLong() == 1)
            return v.toLongLong() == 1;
        return fallback;
    case QMetaType::Double:
        if (v.toDouble() == 0.0 || v.toDouble() == 1.0)
            return v.toDouble() == 1.0;
        return fallback;
    default:
        return fallback;
    }
}

double Prefs::doubleValue(const QString& key, double fallback)
{
    const QVariant v = d().object(key);
    switch (v.typeId()) {
    case QMetaType::Double:
        return v.toDouble();
    case QMetaType::LongLong:
        return double(v.toLongLong());
    case QMetaType::Bool:
        return v.toBool() ? 1.0 : 0.0;
    default:
        return fallback;
    }
}

int Prefs::intValue(const QString& key, int fallback)
{
    const QVariant v = d().object(key);
    switch (v.typeId()) {
    case QMetaType::LongLong: {
        const qlonglong n = v.toLongLong();
        if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
            return fallback;
        return int(n);
    }
    case QMetaType::Double: {
        const double x = v.toDouble();
        if (!std::isfinite(x) || x != std::floor(x) || x < std::numeric_limits<int>::min()
            || x > std::numeric_limits<int>::max())
            return fallback;
        return int(x);
    }
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    default:
        return fallback;
    }
}

void Prefs::set(const QString& key, const QVariant& value)
{
    if (Showcase::isEnabled())
        return;
    d().set(key, value);
}

void Prefs::storeJson(const QJsonValue& json, const QString& key)
{
    if (!pelorn::json::isEncodable(json)) {
        platform::log::write("Pelorn: setting " + key + " not stored: the value cannot be encoded");
        return;
    }
    d().set(key, pelorn::json::toBytes(json));
}

QLocale Locale::fromPreferred(const QStringList& preferredLocalizations)
{
    if (preferredLocalizations.isEmpty())
        return QLocale("tr");
    return QLocale(preferredLocalizations.first());
}

QStringList Locale::preferredLocalizations()
{
    static const QStringList available{"tr", "en"};
    QStringList wanted;
    const QVariant languages = Prefs::d().object("AppleLanguages");
    if (languages.typeId() == QMetaType::QVariantList) {
        for (const QVariant& l : languages.toList())
            wanted << l.toString();
    }
    if (wanted.isEmpty())
        wanted = QLocale::system().uiLanguages();
    for (const QString& w : wanted) {
        const QString lang = w.section('-', 0, 0).section('_', 0, 0).toLower();
        if (available.contains(lang))
            return {lang};
    }
    return {"tr"}; // the development language
}

const QLocale& Locale::ui()
{
    static const QLocale locale = fromPreferred(preferredLocalizations());
    return locale;
}
