#include "app/Prefs.h"
#include "app/Texts.h"

#include "support/SimTest.h"

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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Texts::fill(QString::fromUtf8(c.text), c.args), QString::fromUtf8(c.expected));
    }
}

TEST_F(TextsTest, ArgumentsAreFormattedInTheInterfaceLanguage)
{
    EXPECT_EQ(Texts::tr("%1 · %2 · %3", 12345, QString("Dell & Co"), Texts::decimal(8.26, 1)), "12345 · Dell & Co · 8,3");
    EXPECT_EQ(Texts::tr("%1", -3LL, 7u), "-3");
    Texts::useEnglishForTesting(true);
    EXPECT_EQ(Texts::decimal(8.25, 2), "8.25");
}

} // namespace
