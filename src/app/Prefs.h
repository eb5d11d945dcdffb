#pragma once
// Typed access to the user's settings. Every manager reads its settings here once, in its
// constructor, and writes them back when its published value changes; nothing is written in
// showcase mode.
#include "app/Codable.h"
#include "platform/UserDefaults.h"
#include "showcase/Showcase.h"

#include <QLocale>
#include <QString>
#include <optional>

class Prefs {
public:
    Prefs() = delete;

    static platform::UserDefaults& d();

    // The stored object converted to the type, or the default when absent or not convertible.
    // (`bool`, `double` and `int` are keywords in C++, hence the suffix.)
    static bool boolValue(const QString& key, bool fallback);
    static double doubleValue(const QString& key, double fallback);
    static int intValue(const QString& key, int fallback);

    // The scalar write of a change observer: skipped in showcase mode. False when the store
    // refused the change (see UserDefaults::set); the caller reports it where it has an error.
    static bool set(const QString& key, const QVariant& value);
    // Removes the key; skipped in showcase mode.
    static void remove(const QString& key);

    // The JSON Data under the key, decoded; nullopt when absent, not Data, or undecodable.
    template <class T>
    static std::optional<T> codable(const QString& key)
    {
        const QVariant v = d().object(key);
        if (v.typeId() != QMetaType::QByteArray)
            return std::nullopt;
        const auto json = pelorn::json::fromBytes(v.toByteArray());
        if (!json)
            return std::nullopt;
        return pelorn::json::decode<T>(*json);
    }

    // Stores the JSON of the value, or removes the key for nullopt. A value that cannot be
    // encoded leaves what is stored untouched: one bad value must never delete the user's
    // stored table. False when nothing was stored.
    template <class T>
    static bool setCodable(const std::optional<T>& value, const QString& key)
    {
        if (Showcase::isEnabled())
            return true;
        if (!value) {
            d().remove(key);
            return true;
        }
        const QJsonValue json = pelorn::json::encode(*value);
        return storeJson(json, key);
    }

private:
    static bool storeJson(const QJsonValue& json, const QString& key);
};

// The formatting locale of the views.
class Locale {
public:
    Locale() = delete;
    // The locale of the localisation in force: "tr" or "en" (decimal comma or point).
    static const QLocale& ui();
    static QLocale fromPreferred(const QStringList& preferredLocalizations);
    // The application's localisation in force: "tr" or "en", as the interface language chooses.
    static QStringList preferredLocalizations();
    // Set with the catalogue by Texts::installTranslator, so figures and words agree.
    static void setUi(const QLocale& locale);
};
