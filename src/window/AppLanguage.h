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
    // Stores the choice at once; the running application keeps its language.
    void apply() const;

    // The localisation the application runs in, "tr" or "en": the chosen one, or for the
    // system's choice the first of the system's languages that the application has, or Turkish.
    static QString localization(const QVariant& chosen, const QVariant& systemLanguages);

    friend bool operator==(AppLanguage a, AppLanguage b) { return a.value_ == b.value_; }

private:
    Value value_;
};
