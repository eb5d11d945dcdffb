#pragma once
// The one way a text reaches the user. The Turkish text is the source string and the key of the
// English catalogue (i18n/pelorn_en.ts); every message lives in the translation context "Texts",
// which lupdate takes from the `Texts::` qualifier at the call.
//
//   title->setText(Texts::tr("Parlaklık"));
//   line->setText(Texts::tr("Pil şarj oluyor ve %%1'de duracak.", limit));   // "... %80'de ..."
//   value->setText(Texts::tr("%1 W", Texts::decimal(watts, 1)));             // "8,5 W" in Turkish
//
// Rules that keep the catalogue whole:
// - Write the source as a string literal inside the call (adjacent literals are fine), always
//   qualified as `Texts::tr`: lupdate only sees literals, and a bare tr() inside a QObject
//   lands in that class's context, where no translation is ever looked up.
// - A text with a number or a name in it is one message with placeholders %1 ... %9, so that a
//   translation can put them where its grammar wants them; never glue translated pieces.
// - Arguments are integers (written in plain decimal), QStrings (as they stand) or figures
//   formatted by `decimal()`. A string literal as an argument does not compile: lupdate would
//   take it for a disambiguation comment.
// - One Turkish text that needs two texts in another language (the sidebar's "Ekran" is
//   "Displays", a card's "Display") is two messages told apart by a second literal, lupdate's
//   disambiguation: `Texts::tr("Ekran", "sidebar")`. Such a message takes no placeholders.
// - A "%" that is not followed by exactly one digit 1-9 stays as written, so "%100" and a
//   "%" in front of a placeholder ("%%1" gives "%85") need no escaping.
// - After adding or changing a message: `scripts/i18n-update`, then translate it in
//   i18n/pelorn_en.ts (a test fails while any message is missing or unfinished there).
#include <QString>

#include <concepts>
#include <cstddef>
#include <initializer_list>
#include <type_traits>

class Texts {
#ifdef PELORN_LUPDATE_ONLY
    // Never compiled; it tells lupdate that this class owns a translation context. (Qt's own
    // tr(source, disambiguation, n) would take an integer argument for a plural count.)
    Q_DECLARE_TR_FUNCTIONS(Texts)
#endif
public:
    Texts() = delete;

    static constexpr const char* kContext = "Texts";

    // The text in the interface language, its placeholders filled with the arguments in order.
    template <class... Args>
    static QString tr(const char* source, const Args&... args)
    {
        if constexpr (sizeof...(Args) == 0)
            return translated(source);
        else
            return fill(translated(source), {argument(args)...});
    }

    // The message of `source` told apart by `disambiguation` (see above).
    template <size_t N>
    static QString tr(const char* source, const char (&disambiguation)[N])
    {
        return translated(source, disambiguation);
    }
    // The same for a text marked elsewhere with QT_TRANSLATE_NOOP3("Texts", source, disambiguation).
    static QString translateAs(const char* source, const char* disambiguation)
    {
        return translated(source, disambiguation);
    }

    // A Turkish text that arrives at run time (the helper's replies) in the interface language;
    // unknown texts come back as they are. Mark the literal where it is written with
    // QT_TRANSLATE_NOOP("Texts", "...") so that lupdate collects it.
    static QString translate(const QString& source);

    // A figure with a fixed number of decimals in the interface locale ("8,5" in Turkish,
    // "8.5" in English), for a "%.1f"-style place in a message.
    static QString decimal(double value, int places);

    // The Turkish case suffix written after a number ("'de", "'e", "'yi", "'in", "'den", or the
    // possessive "'i", without the apostrophe) in the form the number takes as it is read aloud: 85 ("seksen beş") gives
    // "te", 90 ("doksan") "da". A text that is no such suffix comes back as it is.
    static QString suffixAfterNumber(qint64 number, const QString& suffix);

    // Fills %1 ... %9 of an already translated text; a placeholder without an argument stays.
    // A suffix after a filled-in number ("%%1'de") is fitted to that number.
    static QString fill(const QString& text, std::initializer_list<QString> args);

    // Loads the English catalogue when the interface language (a launch argument, the stored
    // choice or the system's) is English, and sets the interface locale to match. Called once by
    // main, after the settings store is ready and before any manager or window makes a text.
    // True when English is in force.
    static bool installTranslator();
    // Tests: switches this process to English or back to Turkish, catalogue and figures, without
    // touching the stored choice. True when English is in force.
    static bool useEnglishForTesting(bool english);

private:
    static QString translated(const char* source, const char* disambiguation = nullptr);

    template <class T>
    static QString argument(const T& value)
    {
        if constexpr (std::same_as<T, QString>) {
            return value;
        } else {
            static_assert(std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char>,
                          "Texts::tr takes integers, QStrings and Texts::decimal(value, places)");
            if constexpr (std::is_signed_v<T>)
                return QString::number(static_cast<qlonglong>(value));
            else
                return QString::number(static_cast<qulonglong>(value));
        }
    }
};
