#include "app/Texts.h"

#include "app/Prefs.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QTranslator>

namespace {

constexpr const char* kCatalogue = ":/i18n/pelorn_en.qm";

QTranslator* english = nullptr; // installed while English is in force; main thread

bool useEnglish(bool on)
{
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
        if (index < args.size())
            out += *(args.begin() + index);
        else
            out += QStringView(text).mid(i, 2);
        ++i;
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
