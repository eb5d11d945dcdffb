#include "app/Prefs.h"
#include "app/Texts.h"
#include "battery/BatteryTexts.h"
#include "design/Gauges.h"
#include "window/Router.h"

#include "support/SimTest.h"

#include <QCoreApplication>

namespace {

class TextsTest : public SimTest {
protected:
    void TearDown() override
    {
        Texts::useEnglishForTesting(false);
        SimTest::TearDown();
    }
};

TEST(TextsFill, PlaceholdersAndLiteralPercentSigns)
{
    struct Case {
        const char* text;
        std::initializer_list<QString> args;
        const char* expected;
    };
    const Case cases[] = {
        {"Ekran %1", {"2"}, "Ekran 2"},
        {"%2 için %1", {"a", "b"}, "b için a"},                       // a translation reorders
        {"Pil şarj oluyor ve %%1'de duracak.", {"80"}, "Pil şarj oluyor ve %80'de duracak."},
        {"%100'de bekleniyor (%1 dk)", {"3"}, "%100'de bekleniyor (3 dk)"}, // "%100" is no placeholder
        {"%1%", {"85"}, "85%"},
        {"%1 ve %2", {"x"}, "x ve %2"},                               // a missing argument stays visible
        {"%1 %1", {"a"}, "a a"},
        {"sonda %", {"a"}, "sonda %"},
        {"%0 %a %1", {"z"}, "%0 %a z"},
        {"%1", {"%2"}, "%2"},                                         // an argument is not scanned again
        // A suffix after a number follows the number as it is read aloud.
        {"Pil şarj oluyor ve %%1'de duracak.", {"85"}, "Pil şarj oluyor ve %85'te duracak."},
        {"Pil şarj oluyor ve %%1'de duracak.", {"90"}, "Pil şarj oluyor ve %90'da duracak."},
        {"Sınırın üstünde · %%1'e iniyor", {"60"}, "Sınırın üstünde · %60'a iniyor"},
        {"%%1'un altına inmez.", {"20"}, "%20'nin altına inmez."},
        {"Kapasite tasarımın %%1'i; Apple", {"76"}, "Kapasite tasarımın %76'sı; Apple"},
        {"%1'e, %2'de", {"Ada", "3"}, "Ada'e, 3'te"},                // only after a number
        {"%1 W'de", {"8,5"}, "8,5 W'de"},                             // a unit between: left alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Texts::fill(QString::fromUtf8(c.text), c.args), QString::fromUtf8(c.expected));
    }
}

// Every number 0-100 takes the suffix of the word it ends on when read: the ones, else the tens,
// else "yüz".
TEST(TextsFill, SuffixesAfterANumberFollowTheNumberAsItIsRead)
{
    struct Forms {
        const char* dative;
        const char* locative;
        const char* possessive;
        const char* genitive;
    };
    const Forms ones[] = {
        {"a", "da", "ı", "ın"},     // sıfır
        {"e", "de", "i", "in"},     // bir
        {"ye", "de", "si", "nin"},  // iki
        {"e", "te", "ü", "ün"},     // üç
        {"e", "te", "ü", "ün"},     // dört
        {"e", "te", "i", "in"},     // beş
        {"ya", "da", "sı", "nın"},  // altı
        {"ye", "de", "si", "nin"},  // yedi
        {"e", "de", "i", "in"},     // sekiz
        {"a", "da", "u", "un"},     // dokuz
    };
    const Forms tens[] = {
        {}, {"a", "da", "u", "un"},    // on
        {"ye", "de", "si", "nin"},      // yirmi
        {"a", "da", "u", "un"},         // otuz
        {"a", "ta", "ı", "ın"},         // kırk
        {"ye", "de", "si", "nin"},      // elli
        {"a", "ta", "ı", "ın"},         // altmış
        {"e", "te", "i", "in"},         // yetmiş
        {"e", "de", "i", "in"},         // seksen
        {"a", "da", "ı", "ın"},         // doksan
    };
    const Forms hundred{"e", "de", "ü", "ün"}; // yüz
    for (int n = 0; n <= 100; ++n) {
        SCOPED_TRACE(n);
        const Forms& f = n == 100 ? hundred : (n % 10 != 0 || n == 0) ? ones[n % 10] : tens[n / 10];
        EXPECT_EQ(Texts::suffixAfterNumber(n, "e"), QString::fromUtf8(f.dative));
        EXPECT_EQ(Texts::suffixAfterNumber(n, "de"), QString::fromUtf8(f.locative));
        EXPECT_EQ(Texts::suffixAfterNumber(n, "i"), QString::fromUtf8(f.possessive));
        EXPECT_EQ(Texts::suffixAfterNumber(n, "in"), QString::fromUtf8(f.genitive));
        EXPECT_EQ(Texts::fill(QString::fromUtf8("%%1'de duracak"), {QString::number(n)}),
                  "%" + QString::number(n) + "'" + QString::fromUtf8(f.locative) + " duracak");
    }
    EXPECT_EQ(Texts::suffixAfterNumber(1000, "e"), "e");             // bin
    EXPECT_EQ(Texts::suffixAfterNumber(5, "den"), "ten");
    EXPECT_EQ(Texts::suffixAfterNumber(6, "yi"), "yı") << "the accusative";
    EXPECT_EQ(Texts::suffixAfterNumber(5, "yi"), "i");
    EXPECT_EQ(Texts::suffixAfterNumber(5, "ile"), "ile") << "no case suffix: as written";
}

TEST_F(TextsTest, ArgumentsAreFormattedInTheInterfaceLanguage)
{
    EXPECT_EQ(Texts::tr("%1 · %2 · %3", 12345, QString("Dell & Co"), Texts::decimal(8.26, 1)),
              "12345 · Dell & Co · 8,3");
    EXPECT_EQ(Texts::tr("%1", -3LL, 7u), "-3");
    Texts::useEnglishForTesting(true);
    EXPECT_EQ(Texts::decimal(8.25, 2), "8.25");
}

// The application's start: the language comes from a launch argument, the stored choice or the
// system's list, and then the battery texts, a gauge's label and the page titles speak it.
TEST_F(TextsTest, TheChosenLanguageReachesWhatTheApplicationShows)
{
    const struct {
        const char* name;
        QStringList arguments;
        QVariant stored;
        QVariant system;
        bool english;
    } cases[] = {
        {"nothing chosen", {}, QVariant(), QVariant(), false},
        {"English chosen", {}, QVariantList{"en-GB"}, QVariant(), true},
        {"the system's English", {}, QVariant(), QVariantList{"en-US", "tr"}, true},
        {"Turkish chosen on an English system", {}, QVariantList{"tr"}, QVariantList{"en-US"}, false},
        {"a launch argument wins", {"-AppleLanguages", "(en)"}, QVariantList{"tr"}, QVariant(), true},
    };
    batterytexts::State discharging;
    discharging.hasBattery = true;
    discharging.percent = 45;
    discharging.onAC = true;
    discharging.dischargeTarget = 40;
    discharging.telemetry.remainingCapacity = 2000;
    discharging.telemetry.fullCapacity = 5000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Prefs::d().set("AppleLanguages", c.stored);
        Prefs::d().setGlobalObject("AppleLanguages", c.system);
        Prefs::d().reload(c.arguments);
        EXPECT_EQ(Texts::installTranslator(), c.english);

        const QString explanation = batterytexts::explanation(discharging);
        if (c.english) {
            EXPECT_TRUE(explanation.startsWith("The adapter is plugged in but turned off;")) << explanation.toStdString();
            EXPECT_TRUE(explanation.endsWith(" After a full charge macOS shows 45% for a while; the battery's real "
                                             "level is 40.0% right now."))
                << explanation.toStdString();
            EXPECT_EQ(BatteryBar::accessibilityLabel(80, 90), "Battery 80 percent, charge limit 90 percent");
            EXPECT_EQ(Router::Page(Router::Page::battery).title(), "Charge Control");
            // Qt's own widgets speak the interface language too: a text field's context menu.
            EXPECT_EQ(QCoreApplication::translate("QLineEdit", "&Undo"), "&Undo");
        } else {
            EXPECT_NE(QCoreApplication::translate("QLineEdit", "&Undo"), "&Undo") << "Qt's Turkish catalogue";
            EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
            EXPECT_TRUE(explanation.startsWith("Adaptör takılı ama devre dışı;")) << explanation.toStdString();
            EXPECT_TRUE(explanation.endsWith("pilin gerçek doluluğu şu an %40,0.")) << explanation.toStdString();
            EXPECT_EQ(BatteryBar::accessibilityLabel(80, 90), "Pil yüzde 80, şarj sınırı yüzde 90");
            EXPECT_EQ(Router::Page(Router::Page::battery).title(), "Şarj Kontrolü");
        }
    }
}

} // namespace
