#pragma once
// The interface language: the system's, or fixed to Turkish or English. The choice is the
// application's own "AppleLanguages" setting, read once at launch, so a change takes effect at
// the next start.
#include <QString>
#include <QVariant>
#include <array>
#include <optional>

class AppLanguage {
public:
    enum Value { system, tr, en };
    constexpr AppLanguage(Value v) : value_(v) {}

    static const std::array<AppLanguage, 3>& allCases(); // the picker's order
    // Exactly "system", "tr" or "en".
    static std::optional<AppLanguage> fromRawValue(const QString& raw);

    Value value() const { return value_; }
    QString rawValue() const;
    QString id() const { return rawValue(); }

    // The choice a stored "AppleLanguages" value stands for. Only an array of strings counts,
    // and only its first element: "en…" is English, then "tr…" Turkish; anything else
    // (nothing, an empty array, a plain string, another language first) is the system's.
    static AppLanguage fromStored(const QVariant& stored);
    // The stored choice, from the application's own persistent settings.
    static AppLanguage current();
    // The stored choice as it was when this process first asked (main asks at launch): the one
    // in force until a restart.
    static AppLanguage launched();
    // Stores the choice at once (not in showcase mode); the running application keeps its
    // language.
    void apply() const;

    // Ends this instance and has a shell open the application again once it is gone; the new
    // instance reads the stored language. The shell gets the bundle's path as $0.
    static constexpr const char* kRelaunchCommand = "sleep 0.8; /usr/bin/open \"$0\"";
    static void relaunch();

    // The localisation the application runs in, "tr" or "en": the chosen one, or for the
    // system's choice the first of the system's languages that the application has, or Turkish.
    static QString localization(const QVariant& chosen, const QVariant& systemLanguages);

    friend bool operator==(AppLanguage a, AppLanguage b) { return a.value_ == b.value_; }

private:
    Value value_;
};
