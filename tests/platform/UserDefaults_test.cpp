#include "platform/UserDefaults.h"

#include "support/SimTest.h"

#include <QDir>
#include <QFile>

namespace {

class UserDefaultsTest : public SimTest {
protected:
    platform::UserDefaults& store() { return platform::UserDefaults::standard(); }
};

TEST_F(UserDefaultsTest, KindsStayDistinctAcrossARestart)
{
    const QVariantMap dict{{"n", qlonglong(3)}, {"d", 3.0}, {"s", QString("3")}};
    store().set("bool", true);
    store().set("int", 3);
    store().set("big", qlonglong(1) << 60);
    store().set("double", 3.0);
    store().set("string", QString("3"));
    store().set("data", QByteArray("\x00\x01\xff", 3));
    store().set("array", QVariantList{1, 2.5, QString("x")});
    store().set("dict", dict);
    store().reload();

    EXPECT_EQ(store().object("bool").typeId(), QMetaType::Bool);
    EXPECT_EQ(store().object("int").typeId(), QMetaType::LongLong);
    EXPECT_EQ(store().object("big").toLongLong(), qlonglong(1) << 60);
    EXPECT_EQ(store().object("double").typeId(), QMetaType::Double);
    EXPECT_EQ(store().object("string").typeId(), QMetaType::QString);
    EXPECT_EQ(store().object("data").toByteArray(), QByteArray("\x00\x01\xff", 3));
    const QVariantList array = store().object("array").toList();
    ASSERT_EQ(array.size(), 3);
    EXPECT_EQ(array[0].typeId(), QMetaType::LongLong);
    EXPECT_EQ(array[1].typeId(), QMetaType::Double);
    EXPECT_EQ(store().object("dict").toMap()["d"].typeId(), QMetaType::Double);
}

TEST_F(UserDefaultsTest, DomainsSearchedInOrder)
{
    store().setGlobalObject("com.apple.sound.beep.feedback", qlonglong(1));
    store().reload({"-audio.step", "9", "stray", "-flag"});
    store().set("audio.step", 5.0);
    EXPECT_EQ(store().object("audio.step").toString(), "9"); // launch arguments win, as text
    EXPECT_FALSE(store().object("flag").isValid());           // a flag without a value is no setting
    EXPECT_EQ(store().object("com.apple.sound.beep.feedback").toLongLong(), 1);

    store().setVolatileDomain({{"audio.step", 2.0}}, platform::UserDefaults::kArgumentDomain);
    EXPECT_EQ(store().object("audio.step").toDouble(), 2.0);
    store().removeVolatileDomain(platform::UserDefaults::kArgumentDomain);
    store().setVolatileDomain({{"x", 1}}, "other"); // only the two named domains are searched
    EXPECT_FALSE(store().object("x").isValid());
    store().setVolatileDomain({{"x", 1}, {"audio.step", 0.0}}, platform::UserDefaults::kRegistrationDomain);
    EXPECT_TRUE(store().object("x").isValid());
    EXPECT_EQ(store().object("audio.step").toString(), "9");
}

// "-AppleLanguages (en)" is how a launch picks its language: an argument in the text form of an
// array is an array; anything that only looks like one stays the text it was.
TEST_F(UserDefaultsTest, ArrayLaunchArguments)
{
    const struct {
        const char* argument;
        QVariant expected;
    } cases[] = {
        {"(en)", QVariantList{"en"}},
        {"(en, tr)", QVariantList{"en", "tr"}},
        {" ( \"en-GB\" ,tr ) ", QVariantList{"en-GB", "tr"}},
        {"(\"a, b\")", QString("(\"a, b\")")}, // a comma inside quotes: not split, kept as text
        {"()", QVariantList{}},
        {"(en,)", QString("(en,)")},
        {"(en", QString("(en")},
        {"en", QString("en")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        store().reload({"-AppleLanguages", c.argument});
        const QVariant v = store().object("AppleLanguages");
        EXPECT_EQ(v.typeId(), c.expected.typeId());
        EXPECT_EQ(v, c.expected);
    }
}

TEST_F(UserDefaultsTest, ACrashDuringAWriteKeepsTheStore)
{
    store().set("scroll.step", 90.72);
    store().set("kvm.enabled", false);
    store().failNextWriteForTesting();
    store().set("scroll.step", 10.0); // the process "dies" half-way through this write
    store().reload();
    EXPECT_EQ(store().object("scroll.step").toDouble(), 90.72);
    EXPECT_EQ(store().object("kvm.enabled").toBool(), false);
}

TEST_F(UserDefaultsTest, AnUnreadableStoreIsKeptAsideAndTheAppStartsEmpty)
{
    const QString path = store().storePath();
    const QByteArray cases[] = {"{truncated", "[1,2]", "{\"type\":\"dictionary\",\"value\":{\"k\":{\"type\":\"bool\",\"value\":3}}}"};
    for (const QByteArray& bad : cases) {
        SCOPED_TRACE(bad.toStdString());
        QDir(QFileInfo(path).absolutePath()).removeRecursively();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bad);
        f.close();
        store().reload();
        EXPECT_TRUE(store().persistentDomain().isEmpty());
        const QStringList aside = QDir(QFileInfo(path).absolutePath()).entryList({"*.corrupt-*"});
        ASSERT_EQ(aside.size(), 1);
        QFile kept(QFileInfo(path).absolutePath() + "/" + aside.first());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), bad);
        // The next write makes a fresh store and leaves the kept file alone.
        store().set("a", 1);
        store().reload();
        EXPECT_EQ(store().object("a").toLongLong(), 1);
    }
}

} // namespace
