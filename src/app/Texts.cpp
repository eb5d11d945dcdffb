#include "app/Texts.h"

#include "app/Prefs.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>

namespace {

constexpr const char* kCatalogue = ":/i18n/pelorn_en.qm";

QTranslator* english = nullptr; // installed while English is in force; main thread
QTranslator* qtTurkish = nullptr; // Qt's own widgets in Turkish, while Turkish is in force

// Qt's texts of its own widgets (a text field's context menu, standard buttons) follow the
// interface language: Turkish from Debian's catalogue of them, English as Qt writes them.
void useQtTurkish(bool on)
{
    if (!on) {
        if (qtTurkish)
            QCoreApplication::removeTranslator(qtTurkish);
        return;
    }
    if (!qtTurkish) {
        qtTurkish = new QTranslator(QCoreApplication::instance());
        if (!qtTurkish->load(QLocale(QLocale::Turkish), QStringLiteral("qtbase"), QStringLiteral("_"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            platform::log::write(QStringLiteral("Pelorn: Qt's Turkish texts are missing (qt6-translations-l10n)"));
            delete qtTurkish;
            qtTurkish = nullptr;
            return;
        }
    }
    QCoreApplication::installTranslator(qtTurkish);
}

bool useEnglish(bool on)
{
    useQtTurkish(!on);
    if (!on) {
        if (english)
            QCoreApplication::removeTranslator(english);
        return false;
    }
    if (!english) {
        english = new QTranslator(QCoreApplication::instance());
        if (!english->load(kCatalogue)) {
            platform::log::write(QStringLiteral("Pelorn: the English catalogue %1 is missing").arg(kCatalogue));
            delete english;
            english = nullptr;
            return false;
        }
    }
    return QCoreApplication::installTranslator(english);
}

} // namespace

QString Texts::translated(const char* source, const char* disambiguation)
{
    return QCoreApplication::translate(kContext, source, disambiguation);
}

QString Texts::translate(const QString& source) { return translated(source.toUtf8().constData()); }

QString Texts::decimal(double value, int places) { return Locale::ui().toString(value, 'f', places); }

namespace {

// How a number ends when it is read aloud: its last vowel and whether its last sound is a
// vowel or a voiceless consonant, which choose the suffix's vowel and first consonant.
struct Ending {
    QChar vowel;
    bool endsInVowel;
    bool voiceless;
};

Ending endingOf(qint64 n)
{
    // The last word read: the ones, else the tens, else the largest round unit.
    static const char16_t* const ones[] = {u"sıfır", u"bir", u"iki", u"üç", u"dört", u"beş", u"altı", u"yedi", u"sekiz", u"dokuz"};
    static const char16_t* const tens[] = {u"", u"on", u"yirmi", u"otuz", u"kırk", u"elli", u"altmış", u"yetmiş", u"seksen", u"doksan"};
    n = n < 0 ? -n : n;
    QString word;
    if (n % 10 != 0 || n == 0)
        word = QString::fromUtf16(ones[n % 10]);
    else if (n % 100 != 0)
        word = QString::fromUtf16(tens[(n / 10) % 10]);
    else if (n % 1000 != 0)
        word = QStringLiteral("yüz");
    else if (n % 1000000 != 0)
        word = QStringLiteral("bin");
    else if (n % 1000000000 != 0)
        word = QStringLiteral("milyon");
    else
        word = QStringLiteral("milyar");
    static const QString vowels = QStringLiteral("aıoueiöü");
    static const QString voiceless = QStringLiteral("fstkçşhp");
    Ending e{u'e', false, false};
    for (qsizetype i = word.size() - 1; i >= 0; --i)
        if (vowels.contains(word[i])) {
            e.vowel = word[i];
            break;
        }
    const QChar last = word.back();
    e.endsInVowel = vowels.contains(last);
    e.voiceless = voiceless.contains(last);
    return e;
}

bool isTurkishLetter(QChar c) { return c.isLetter() && c.isLower(); }

} // namespace

QString Texts::suffixAfterNumber(qint64 number, const QString& suffix)
{
    static const QRegularExpression locative(QStringLiteral("^[dt][ae]$"));
    static const QRegularExpression ablative(QStringLiteral("^[dt][ae]n$"));
    static const QRegularExpression dative(QStringLiteral("^y?[ae]$"));
    // "'i" after a consonant is the possessive ("tasarımın %80'i"), "'si" after a vowel; the
    // accusative is written with its "y" ("'yi") to tell them apart.
    static const QRegularExpression accusative(QStringLiteral("^y[ıiuü]$"));
    static const QRegularExpression possessive(QStringLiteral("^s?[ıiuü]$"));
    static const QRegularExpression genitive(QStringLiteral("^n?[ıiuü]n$"));
    const Ending e = endingOf(number);
    const bool back = QStringLiteral("aıou").contains(e.vowel);
    const QChar two = back ? u'a' : u'e';
    QChar four = u'i';
    if (e.vowel == u'a' || e.vowel == u'ı')
        four = u'ı';
    else if (e.vowel == u'o' || e.vowel == u'u')
        four = u'u';
    else if (e.vowel == u'ö' || e.vowel == u'ü')
        four = u'ü';
    const QString d = e.voiceless ? QStringLiteral("t") : QStringLiteral("d");
    if (locative.match(suffix).hasMatch())
        return d + two;
    if (ablative.match(suffix).hasMatch())
        return d + two + u'n';
    if (dative.match(suffix).hasMatch())
        return (e.endsInVowel ? QStringLiteral("y") : QString()) + two;
    if (accusative.match(suffix).hasMatch())
        return (e.endsInVowel ? QStringLiteral("y") : QString()) + four;
    if (possessive.match(suffix).hasMatch())
        return (e.endsInVowel ? QStringLiteral("s") : QString()) + four;
    if (genitive.match(suffix).hasMatch())
        return (e.endsInVowel ? QStringLiteral("n") : QString()) + four + u'n';
    return suffix;
}

QString Texts::fill(const QString& text, std::initializer_list<QString> args)
{
    QString out;
    out.reserve(text.size() + 16);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        const bool placeholder = c == u'%' && i + 1 < n && text[i + 1] >= u'1' && text[i + 1] <= u'9'
            && !(i + 2 < n && text[i + 2].isDigit());
        if (!placeholder) {
            out += c;
            continue;
        }
        const size_t index = size_t(text[i + 1].unicode() - u'1');
        if (index >= args.size()) {
            out += QStringView(text).mid(i, 2);
            ++i;
            continue;
        }
        const QString& arg = *(args.begin() + index);
        out += arg;
        i += 1;
        // A suffix after a number follows the number as it is read: "%85'te", "%90'da".
        qsizetype digits = arg.size();
        while (digits > 0 && arg[digits - 1].isDigit())
            --digits;
        if (digits == arg.size() || i + 2 >= n || text[i + 1] != u'\'')
            continue;
        qsizetype end = i + 2;
        while (end < n && isTurkishLetter(text[end]))
            ++end;
        if (end == i + 2)
            continue;
        const qint64 number = QStringView(arg).mid(digits).right(18).toLongLong();
        out += u'\'' + suffixAfterNumber(number, text.mid(i + 2, end - i - 2));
        i = end - 1;
    }
    return out;
}

bool Texts::installTranslator()
{
    const QStringList languages = Locale::preferredLocalizations();
    return useEnglishForTesting(!languages.isEmpty() && languages.first() == QLatin1String("en"));
}

bool Texts::useEnglishForTesting(bool on)
{
    const bool english = useEnglish(on);
    Locale::setUi(QLocale(english ? "en" : "tr")); // figures follow the words
    return english;
}
