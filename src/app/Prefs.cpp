#include "app/Prefs.h"

#include "platform/Log.h"
#include "window/AppLanguage.h"

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

bool Prefs::set(const QString& key, const QVariant& value)
{
    if (Showcase::isEnabled())
        return true;
    return d().set(key, value);
}

void Prefs::remove(const QString& key)
{
    if (Showcase::isEnabled())
        return;
    d().remove(key);
}

bool Prefs::storeJson(const QJsonValue& json, const QString& key)
{
    if (!pelorn::json::isEncodable(json)) {
        platform::log::write("Pelorn: setting " + key + " not stored: the value cannot be encoded");
        return false;
    }
    return d().set(key, pelorn::json::toBytes(json));
}

QLocale Locale::fromPreferred(const QStringList& preferredLocalizations)
{
    if (preferredLocalizations.isEmpty())
        return QLocale("tr");
    return QLocale(preferredLocalizations.first());
}

QStringList Locale::preferredLocalizations()
{
    // The application's own choice (a launch argument, then its settings) or the system's list.
    const auto& store = Prefs::d();
    return {AppLanguage::localization(store.object("AppleLanguages"), store.globalObject("AppleLanguages"))};
}

namespace {
QLocale& uiLocale()
{
    static QLocale locale = Locale::fromPreferred(Locale::preferredLocalizations());
    return locale;
}
} // namespace

const QLocale& Locale::ui() { return uiLocale(); }

void Locale::setUi(const QLocale& locale) { uiLocale() = locale; }
