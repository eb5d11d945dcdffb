// The English catalogue keeps up with the code: lupdate collects every message of src/ into a
// fresh catalogue, and each must be in i18n/pelorn_en.ts, translated, with the same placeholders.
// Two different Turkish texts never share one English text unless the catalogue says so.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <tuple>

namespace {

struct Message {
    QString context;
    QString source;
    QString comment; // the disambiguation
    QString translatorComment;
    QString translation;
    QString type; // "unfinished", "obsolete", "vanished" or empty when done
    bool numerus = false;
};

std::vector<Message> readCatalogue(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = "cannot open " + path;
        return {};
    }
    std::vector<Message> out;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"message") {
            Message m;
            m.context = context;
            m.numerus = xml.attributes().value("numerus") == u"yes";
            while (xml.readNextStartElement()) {
                if (xml.name() == u"source") {
                    m.source = xml.readElementText();
                } else if (xml.name() == u"comment") {
                    m.comment = xml.readElementText();
                } else if (xml.name() == u"translatorcomment") {
                    m.translatorComment = xml.readElementText();
                } else if (xml.name() == u"translation") {
                    m.type = xml.attributes().value("type").toString();
                    m.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                } else {
                    xml.skipCurrentElement();
                }
            }
            out.push_back(m);
        }
    }
    if (xml.hasError())
        *error = path + ": " + xml.errorString();
    return out;
}

// The placeholders Texts::fill replaces: "%" and one digit 1-9 that no other digit follows.
QList<int> placeholders(const QString& text)
{
    static const QRegularExpression re("%([1-9])(?![0-9])");
    QList<int> found;
    for (auto it = re.globalMatch(text); it.hasNext();)
        found << it.next().captured(1).toInt();
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

QString quoted(const Message& m)
{
    return "\"" + m.source + "\"" + (m.comment.isEmpty() ? QString() : " [" + m.comment + "]");
}

using Key = std::tuple<QString, QString, QString>; // context, source, disambiguation
Key keyOf(const Message& m) { return {m.context, m.source, m.comment}; }

// The translator's note that lets a message share its English with another source.
constexpr const char* kSameEnglish = "Same English on purpose:";

// Messages whose English is also the English of a different Turkish text, unless one of them
// carries the note saying why that is meant.
QStringList sharedEnglish(const std::vector<Message>& catalogue)
{
    std::map<QString, std::vector<const Message*>> byEnglish;
    for (const Message& m : catalogue)
        if (!m.translation.trimmed().isEmpty())
            byEnglish[m.translation.trimmed()].push_back(&m);
    QStringList faults;
    for (const auto& [english, messages] : byEnglish) {
        QSet<QString> sources;
        bool meant = false;
        for (const Message* m : messages) {
            sources.insert(m->source);
            meant |= m->translatorComment.startsWith(QLatin1String(kSameEnglish));
        }
        if (sources.size() < 2 || meant)
            continue;
        QStringList names;
        for (const Message* m : messages)
            names << quoted(*m);
        faults << "\"" + english + "\" translates " + names.join(" and ") + ": give one its own English, or note \"" +
                      kSameEnglish + " ...\" as a translator comment";
    }
    return faults;
}

TEST(Catalogue, EveryMessageOfTheCodeIsTranslated)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fresh = dir.filePath("collected_en.ts");
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(PELORN_LUPDATE, {QStringLiteral(PELORN_SOURCE_DIR) + "/src", "-extensions", "cpp,h", "-locations",
                                   "none", "-source-language", "tr", "-ts", fresh});
    ASSERT_TRUE(lupdate.waitForFinished(120000)) << "lupdate did not finish";
    const QString output = QString::fromLocal8Bit(lupdate.readAll());
    ASSERT_EQ(lupdate.exitCode(), 0) << output.toStdString();
    // lupdate names a file and line for a call it cannot place (a bare tr() outside a class).
    EXPECT_FALSE(output.contains(QRegularExpression(R"(\.(cpp|h):\d+:)"))) << output.toStdString();

    QString error;
    const std::vector<Message> collected = readCatalogue(fresh, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const std::vector<Message> committed =
        readCatalogue(QStringLiteral(PELORN_SOURCE_DIR) + "/i18n/pelorn_en.ts", &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_GT(collected.size(), 40u) << "lupdate found too few messages: is it looking at src/?";

    std::map<Key, const Message*> byKey;
    for (const Message& m : committed)
        byKey[keyOf(m)] = &m;

    QStringList faults;
    std::set<Key> inCode;
    for (const Message& m : collected) {
        inCode.insert(keyOf(m));
        if (m.context != QLatin1String("Texts"))
            faults << quoted(m) + " is in context " + m.context + ": write Texts::tr(...)";
        // A disambiguation is a second literal; with placeholders it is an argument gone astray.
        if (!m.comment.isEmpty() && !placeholders(m.source).isEmpty())
            faults << quoted(m) + " has placeholders and the literal argument \"" + m.comment +
                          "\": pass texts as QString";
        if (m.numerus)
            faults << quoted(m) + " is a plural form, which the catalogue does not use";
        const auto it = byKey.find(keyOf(m));
        if (it == byKey.end()) {
            faults << quoted(m) + " is missing from i18n/pelorn_en.ts (run scripts/i18n-update)";
            continue;
        }
        const Message& t = *it->second;
        if (!t.type.isEmpty() || t.translation.trimmed().isEmpty())
            faults << quoted(m) + " has no finished English translation";
        else if (placeholders(t.translation) != placeholders(m.source))
            faults << quoted(m) + " and its translation \"" + t.translation + "\" differ in placeholders";
    }
    for (const Message& m : committed)
        if (!inCode.count(keyOf(m)))
            faults << quoted(m) + " is in i18n/pelorn_en.ts but no longer in the code (run scripts/i18n-update)";

    EXPECT_TRUE(faults.isEmpty()) << faults.join("\n").toStdString();
}

TEST(Catalogue, DifferentTurkishTextsShareAnEnglishTextOnlyWhereMeant)
{
    const auto message = [](QString source, QString english, QString comment = {}, QString note = {}) {
        Message m;
        m.context = "Texts";
        m.source = std::move(source);
        m.translation = std::move(english);
        m.comment = std::move(comment);
        m.translatorComment = std::move(note);
        return m;
    };
    // A translation copied from its neighbour: one fault naming both.
    const QStringList copied =
        sharedEnglish({message("Tek ekran bağlı.", "Arrangement"), message("Ekran düzeni", "Arrangement")});
    ASSERT_EQ(copied.size(), 1);
    EXPECT_TRUE(copied[0].contains("Tek ekran bağlı.") && copied[0].contains("Ekran düzeni")) << copied[0].toStdString();
    // The same source in two places (with or without a disambiguation), and a noted sharing: fine.
    EXPECT_TRUE(sharedEnglish({message("Ses", "Sound"), message("Ses", "Sound", "sidebar")}).isEmpty());
    EXPECT_TRUE(sharedEnglish({message("Diğer", "More", {}, QString(kSameEnglish) + " both open more"),
                               message("Daha fazla", "More")})
                    .isEmpty());

    QString error;
    const std::vector<Message> committed =
        readCatalogue(QStringLiteral(PELORN_SOURCE_DIR) + "/i18n/pelorn_en.ts", &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const QStringList faults = sharedEnglish(committed);
    EXPECT_TRUE(faults.isEmpty()) << faults.join("\n").toStdString();
}

} // namespace

namespace {

// English wording kept to one style: straight apostrophes, modifier keys joined with a hyphen,
// words not abbreviated with a full stop, and the messages below as a reader of them expects:
// title case for menu items and section headers, one word for the adapter, and an ellipsis on
// every command that opens the administrator prompt or the update window.
TEST(Catalogue, EnglishWordingKeepsOneStyle)
{
    QString error;
    const std::vector<Message> committed =
        readCatalogue(QStringLiteral(PELORN_SOURCE_DIR) + "/i18n/pelorn_en.ts", &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    std::map<Key, QString> english;
    for (const Message& m : committed) {
        english[keyOf(m)] = m.translation;
        EXPECT_FALSE(m.translation.contains(u'’')) << quoted(m).toStdString() << ": a straight apostrophe";
        EXPECT_FALSE(m.translation.contains(QRegularExpression(R"((Option|Shift|Command|Control)\+)")))
            << quoted(m).toStdString() << ": modifier keys are joined with a hyphen";
        EXPECT_FALSE(m.translation.contains(QRegularExpression(R"(\bMax\.)"))) << quoted(m).toStdString();
    }
    struct Case {
        const char* source;
        const char* comment;
        const char* english;
    };
    const Case cases[] = {
        {"Adaptör takılı, şarj şu an yapılmıyor (macOS sıcaklık ya da optimize şarj nedeniyle bekletiyor olabilir).", "",
         "The adapter is plugged in but not charging right now (macOS may have put charging on hold because of "
         "temperature or Optimized Battery Charging)."},
        {"Adaptörde · şarj beklemede", "", "On adapter · charging on hold"},
        {"Sınırda tutuluyor · adaptörden", "", "Held at the limit · on adapter"},
        {"Genel", "", "Generic"},
        {"Oyun konsolu", "", "Game Console"},
        {"TV kutusu", "", "TV Box"},
        {"Medya oynatıcı", "", "Media Player"},
        {"Şarj sınırına (%%1)", "", "To Charge Limit (%1%)"},
        {"Adaptör takılıyken pili kullan", "", "Use Battery While Plugged In"},
        {"Monitörü şuna geçir", "", "Switch Monitor To"},
        {"Yeniden başlat", "", "Relaunch"},
        {"Option+Shift ile çeyrek adım.", "", "Option-Shift for a quarter step."},
        {"Maks. akım", "", "Max current"},
        {"macOS şarj sınırını (%%1) geri almadı; tam doldurma sürüyor.", "",
         "macOS didn't restore the charge limit (%1%); the full charge continues."},
        {"Güncellemeleri Denetle", "", "Check for Updates…"},
        {"Güncellemeleri Denetle…", "", "Check for Updates…"},
        {"Kur…", "", "Install…"},
        {"Güncelle", "", "Update…"},
        {"Kaldır", "", "Remove…"},
        {"Pil yardımcısını güncelle", "", "Update Battery Helper…"},
        {"Boşaltma için pil yardımcısını kur", "", "Install Battery Helper to Discharge…"},
    };
    for (const Case& c : cases) {
        const auto it = english.find({"Texts", c.source, c.comment});
        ASSERT_NE(it, english.end()) << c.source;
        EXPECT_EQ(it->second, c.english) << c.source;
    }
}

} // namespace
