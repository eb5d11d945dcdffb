#include "app/Prefs.h"

#include "support/SimTest.h"

#include <QFile>
#include <cmath>
#include <limits>

namespace {

class PrefsTest : public SimTest {};

struct TypedCase {
    const char* name;
    QVariant stored; // invalid: key absent
    bool boolResult;
    double doubleResult;
    int intResult;
};

// Defaults used below: bool true, double 7.5, int 42.
TEST_F(PrefsTest, TypedReadersConvertOrFallBack)
{
    const TypedCase cases[] = {
        {"absent", QVariant(), true, 7.5, 42},
        {"bool false", QVariant(false), false, 0.0, 0},
        {"integer 1", QVariant(qlonglong(1)), true, 1.0, 1},
        {"integer 5", QVariant(qlonglong(5)), true /*not 0 or 1*/, 5.0, 5},
        {"whole double", QVariant(3.0), true, 3.0, 3},
        {"fractional double", QVariant(2.5), true, 2.5, 42},
        {"string YES", QVariant(QString("YES")), true, 7.5, 42},
        {"string false", QVariant(QString("false")), true, 7.5, 42},
        {"data", QVariant(QByteArray("1")), true, 7.5, 42},
        {"too big for int", QVariant(qlonglong(1) << 40), true, double(qlonglong(1) << 40), 42},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Prefs::d().set("k", c.stored);
        EXPECT_EQ(Prefs::boolValue("k", true), c.boolResult);
        EXPECT_DOUBLE_EQ(Prefs::doubleValue("k", 7.5), c.doubleResult);
        EXPECT_EQ(Prefs::intValue("k", 42), c.intResult);
    }
    // A read never writes its default back.
    Prefs::d().remove("k");
    Prefs::boolValue("k", true);
    EXPECT_FALSE(Prefs::d().persistentDomain().contains("k"));
}

TEST_F(PrefsTest, CodableRoundTripAndFailures)
{
    using Table = std::map<QString, double>;
    Prefs::setCodable(std::optional<Table>(Table{{"AA:1:0", 40.0}, {"BB:2:7", 12.5}}), "display.dimming");
    EXPECT_EQ(Prefs::d().object("display.dimming").typeId(), QMetaType::QByteArray);
    const auto back = Prefs::codable<Table>("display.dimming");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->at("BB:2:7"), 12.5);

    // Wrong shapes and malformed JSON decode to nothing.
    Prefs::d().set("display.dimming", QByteArray("{\"a\": \"x\"}"));
    EXPECT_FALSE(Prefs::codable<Table>("display.dimming"));
    Prefs::d().set("display.dimming", QByteArray("{not json"));
    EXPECT_FALSE(Prefs::codable<Table>("display.dimming"));
    Prefs::d().set("display.dimming", QString("{\"a\": 1}")); // a string, not Data
    EXPECT_FALSE(Prefs::codable<Table>("display.dimming"));

    // Input codes out of the 16-bit range do not decode.
    Prefs::d().set("display.reportedInputs", QByteArray("{\"k\": [15, 70000]}"));
    EXPECT_FALSE((Prefs::codable<std::map<QString, std::vector<uint16_t>>>("display.reportedInputs")));

    // nil removes.
    Prefs::setCodable(std::optional<Table>(), "display.dimming");
    EXPECT_FALSE(Prefs::d().object("display.dimming").isValid());
    EXPECT_FALSE(Prefs::codable<Table>("display.dimming"));
}

TEST_F(PrefsTest, UnencodableValueLeavesTheStoredTable)
{
    using Table = std::map<QString, double>;
    Prefs::setCodable(std::optional<Table>(Table{{"A", 30.0}}), "display.dimming");
    Prefs::setCodable(std::optional<Table>(Table{{"A", 30.0}, {"B", std::nan("")}}), "display.dimming");
    const auto kept = Prefs::codable<Table>("display.dimming");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->size(), 1u);
    Prefs::setCodable(std::optional<Table>(Table{{"C", std::numeric_limits<double>::infinity()}}), "fresh");
    EXPECT_FALSE(Prefs::d().object("fresh").isValid());
}

// 20 entries with names of 1 MB make a store the next start would set aside: the table is not
// stored, the caller is told, and the stored table and every other setting stay.
TEST_F(PrefsTest, ATableThatWouldPassTheStoresBoundIsNotStored)
{
    using Table = std::map<QString, double>;
    Prefs::set("scroll.step", 42.0);
    ASSERT_TRUE(Prefs::setCodable(std::optional<Table>(Table{{"A", 30.0}}), "kvm.profiles"));
    Table huge;
    for (int i = 0; i < 20; ++i)
        huge[QString(1 << 20, QChar(u'a' + i))] = i;
    EXPECT_FALSE(Prefs::setCodable(std::optional<Table>(huge), "kvm.profiles"));
    Prefs::d().reload();
    const auto kept = Prefs::codable<Table>("kvm.profiles");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->size(), 1u);
    EXPECT_EQ(Prefs::doubleValue("scroll.step", 0), 42.0);
}

TEST_F(PrefsTest, NothingIsWrittenInShowcaseMode)
{
    Prefs::d().set("audio.step", 5.0);
    Prefs::setCodable(std::optional<std::map<QString, double>>({{"A", 1.0}}), "display.dimming");
    const QVariantMap before = Prefs::d().persistentDomain();
    Showcase::setEnabledForTesting(true);
    Prefs::set("audio.step", 10.0);
    Prefs::setCodable(std::optional<std::map<QString, double>>({{"B", 2.0}}), "display.dimming");
    Prefs::setCodable(std::optional<std::map<QString, double>>(), "display.dimming");
    EXPECT_EQ(Prefs::d().persistentDomain(), before);
    Showcase::setEnabledForTesting(false);
    // A relaunch without the mode sees the user's settings unchanged.
    Prefs::d().reload();
    EXPECT_EQ(Prefs::doubleValue("audio.step", 0), 5.0);
}

TEST_F(PrefsTest, LocaleFromPreferredLocalizations)
{
    EXPECT_EQ(Locale::fromPreferred({}).name(), QLocale("tr").name());
    EXPECT_EQ(Locale::fromPreferred({"en"}).language(), QLocale::English);
    Prefs::d().set("AppleLanguages", QVariantList{"en-GB", "tr"});
    EXPECT_EQ(Locale::preferredLocalizations(), QStringList{"en"});
    Prefs::d().set("AppleLanguages", QVariantList{"fr", "de"});
    EXPECT_EQ(Locale::preferredLocalizations(), QStringList{"tr"});
    EXPECT_EQ(Locale::fromPreferred({"tr"}).toString(8.0, 'f', 1), "8,0");
}

} // namespace
