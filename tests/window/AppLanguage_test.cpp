#include "window/AppLanguage.h"

#include "platform/UserDefaults.h"
#include "support/SimTest.h"

namespace {

using V = AppLanguage::Value;

TEST(AppLanguage, StoredValuesReadAsAChoice)
{
    const struct {
        const char* name;
        QVariant stored;
        V expected;
    } cases[] = {
        {"regional English", QVariantList{"en-GB", "tr"}, V::en},
        {"regional Turkish", QVariantList{"tr-TR"}, V::tr},
        {"only the first element counts", QVariantList{"de", "en"}, V::system},
        {"empty array", QVariantList{}, V::system},
        {"a plain string", QString("en"), V::system},
        {"absent", QVariant(), V::system},
        {"not an array of strings", QVariantList{qlonglong(1), "en"}, V::system},
        {"a string list", QStringList{"en"}, V::en},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AppLanguage::fromStored(c.stored).value(), c.expected);
    }
}

TEST(AppLanguage, RawValuesAreExact)
{
    for (AppLanguage l : AppLanguage::allCases())
        EXPECT_EQ(AppLanguage::fromRawValue(l.rawValue()), l);
    EXPECT_EQ(AppLanguage::allCases()[0].rawValue(), "system");
    for (const char* raw : {"System", "EN", "en-GB", "", "de"})
        EXPECT_FALSE(AppLanguage::fromRawValue(raw).has_value()) << raw;
}

// The language the application runs in: the choice, else the system's first language that the
// application has, else Turkish.
TEST(AppLanguage, Localization)
{
    const struct {
        const char* name;
        QVariant chosen;
        QVariant system;
        const char* expected;
    } cases[] = {
        {"nothing anywhere", QVariant(), QVariant(), "tr"},
        {"English chosen", QVariantList{"en"}, QVariantList{"tr-TR"}, "en"},
        {"Turkish chosen on an English system", QVariantList{"tr"}, QVariantList{"en-US"}, "tr"},
        {"system's English", QVariant(), QVariantList{"en_GB"}, "en"},
        {"system's first language we have", QVariant(), QVariantList{"fr-FR", "de", "en-US", "tr"}, "en"},
        {"system without ours", QVariant(), QVariantList{"fr", "de"}, "tr"},
        {"foreign choice follows the system", QVariantList{"de", "en"}, QVariantList{"en"}, "en"},
        {"foreign choice, no system list", QVariantList{"de", "en"}, QVariant(), "tr"},
        {"unreadable system list", QVariant(), QString("en"), "tr"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AppLanguage::localization(c.chosen, c.system), c.expected);
    }
}

class AppLanguageStoreTest : public SimTest {};

TEST_F(AppLanguageStoreTest, ApplyStoresAndCurrentReadsOnlyTheApplicationsOwnChoice)
{
    auto& store = platform::UserDefaults::standard();
    store.setGlobalObject("AppleLanguages", QVariantList{"en-US"});
    EXPECT_EQ(AppLanguage::current(), AppLanguage::system) << "the system's list is no choice";

    AppLanguage(AppLanguage::en).apply();
    EXPECT_EQ(store.persistentDomain().value("AppleLanguages"), QVariantList{"en"});
    store.reload();
    EXPECT_EQ(AppLanguage::current(), AppLanguage::en);

    AppLanguage(AppLanguage::tr).apply();
    EXPECT_EQ(AppLanguage::current(), AppLanguage::tr);

    AppLanguage(AppLanguage::system).apply();
    EXPECT_FALSE(store.persistentDomain().contains("AppleLanguages"));
    EXPECT_EQ(AppLanguage::current(), AppLanguage::system);
}

} // namespace
