#include "platform/UserDefaults.h"

#include "platform/Log.h"
#include "platform/Paths.h"
#include "support/NotAFile.h"
#include "support/SimTest.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <csignal>
#include <cstdio>
#include <unistd.h>

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
    store().flush();
    store().failNextWriteForTesting();
    store().set("scroll.step", 10.0); // the process "dies" half-way through this write
    store().reload();
    EXPECT_EQ(store().object("scroll.step").toDouble(), 90.72);
    EXPECT_EQ(store().object("kvm.enabled").toBool(), false);
}

TEST_F(UserDefaultsTest, AnUnreadableStoreIsKeptAsideAndTheAppStartsEmpty)
{
    const QString path = store().storePath();
    const QByteArray cases[] = {"{truncated", "[1,2]", "{\"type\":\"dictionary\",\"value\":[]}",
                                "{\"type\":\"dictionary\",\"value\":{\"k\":{\"type\":\"bool\",\"value\":true}}} trailing"};
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

TEST_F(UserDefaultsTest, AStoreThatIsNoRegularFileOrTooLargeIsMovedAsideAtOnce)
{
    const QString folder = QFileInfo(store().storePath()).absolutePath();
    const QString global = folder + "/.GlobalPreferences.json";
    const QByteArray valid = "{\"type\":\"dictionary\",\"value\":{\"a\":{\"type\":\"bool\",\"value\":true}}}";
    for (const QString& path : {store().storePath(), global}) {
        for (int kind = -1; kind < int(std::size(support::kNotAFile)); ++kind) {
            SCOPED_TRACE((path + " " + (kind < 0 ? "too large" : support::name(support::kNotAFile[kind]))).toStdString());
            QDir(folder).removeRecursively();
            if (kind < 0)
                support::plantOversized(path, valid, platform::UserDefaults::kMaxReadBytes);
            else
                support::plant(support::kNotAFile[kind], path);
            store().reload(); // would block on the FIFO and never end on /dev/zero
            EXPECT_TRUE(store().persistentDomain().isEmpty());
            EXPECT_FALSE(store().globalObject("a").isValid());
            EXPECT_EQ(QDir(folder).entryList({"*.corrupt-*"}, QDir::AllEntries | QDir::System | QDir::Hidden).size(), 1)
                << "kept aside, not read";

            store().set("b", 2);
            store().setGlobalObject("c", 3);
            store().reload();
            EXPECT_EQ(store().object("b").toLongLong(), 2);
            EXPECT_EQ(store().globalObject("c").toLongLong(), 3);
        }
    }

    // A link planted after start is replaced by the next write, not written through.
    const QString fifo = folder + "/elsewhere.fifo";
    support::plant(support::NotAFile::fifo, fifo);
    QFile::remove(store().storePath());
    ASSERT_TRUE(QFile::link(fifo, store().storePath()));
    store().set("d", 4);
    store().flush();
    EXPECT_FALSE(QFileInfo(store().storePath()).isSymLink());
    EXPECT_FALSE(QFileInfo(fifo).isFile());
    store().reload();
    EXPECT_EQ(store().object("d").toLongLong(), 4);
}

// A nested array entry `depth` levels deep.
static QByteArray nestedArray(int depth)
{
    QByteArray json = "{\"type\":\"bool\",\"value\":true}";
    for (int i = 0; i < depth; ++i)
        json = "{\"type\":\"array\",\"value\":[" + json + "]}";
    return json;
}

TEST_F(UserDefaultsTest, OneUndecodableEntryIsLeftOutAndKeptAsideWhileEveryOtherSettingSurvives)
{
    const QString path = store().storePath();
    const QString folder = QFileInfo(path).absolutePath();
    const QByteArray badEntries[] = {
        "{\"type\":\"real\",\"value\":-1e400}",                  // refused by the JSON parser itself
        "{\"type\":\"integer\",\"value\":\"99999999999999999999\"}", // beyond 64 bits
        "{\"type\":\"integer\",\"value\":99999999999999999999}",
        "{\"type\":\"bool\",\"value\":3}",
        "[true]",
        nestedArray(600), // deeper than the JSON parser goes
    };
    for (const QByteArray& bad : badEntries) {
        SCOPED_TRACE(bad.left(60).toStdString());
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        const QByteArray file = "{\"type\": \"dictionary\", \"value\": {"
                                "\"scroll.step\": {\"type\":\"real\",\"value\":42.5},"
                                "\"display.broken\": " + bad + ","
                                "\"say \\\"}\\\" ]\": {\"type\":\"string\",\"value\":\"{[\\\"\"},"
                                "\"deep\": " + nestedArray(100) + ","
                                "\"kvm.enabled\": {\"type\":\"bool\",\"value\":false}}}";
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(file);
        f.close();
        platform::log::clearRecent();
        store().reload();

        EXPECT_EQ(store().object("scroll.step").toDouble(), 42.5);
        EXPECT_EQ(store().object("kvm.enabled").typeId(), QMetaType::Bool);
        EXPECT_FALSE(store().object("kvm.enabled").toBool());
        EXPECT_EQ(store().object("say \"}\" ]").toString(), "{[\"");
        EXPECT_TRUE(store().object("deep").isValid());
        EXPECT_FALSE(store().object("display.broken").isValid());

        const QStringList aside = QDir(folder).entryList({"*.corrupt-*"});
        ASSERT_EQ(aside.size(), 1);
        QFile kept(folder + "/" + aside.first());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), file) << "the file as it was, byte for byte";
        const QStringList said = platform::log::recent().filter("display.broken");
        ASSERT_EQ(said.size(), 1);
        EXPECT_TRUE(said.first().contains(aside.first()));

        // Said and kept once: the next start finds the store without the bad entry.
        platform::log::clearRecent();
        store().reload();
        EXPECT_EQ(store().object("scroll.step").toDouble(), 42.5);
        EXPECT_EQ(QDir(folder).entryList({"*.corrupt-*"}).size(), 1);
        EXPECT_TRUE(platform::log::recent().filter("display.broken").isEmpty());
    }
}

// A drag stores on every move: each change is read back at once, while the file is written a
// few times a second, holding the last change and every other setting.
TEST_F(UserDefaultsTest, ABurstOfChangesIsReadAtOnceAndWrittenAFewTimesASecond)
{
    store().set("scroll.step", 42.0);
    store().flush();
    const quint64 before = store().fileWrites();
    const auto row = [](int i) { return QByteArray(2000, char('a' + i % 26)); };
    QElapsedTimer elapsed;
    elapsed.start();
    constexpr int kMoves = 3000;
    for (int i = 0; i < kMoves; ++i) {
        store().set("audio.apps", row(i));
        ASSERT_EQ(store().object("audio.apps").toByteArray(), row(i));
    }
    const double seconds = elapsed.elapsed() / 1000.0;
    store().flush();
    const quint64 writes = store().fileWrites() - before;
    // One write an interval while the burst ran, and the flush's.
    EXPECT_LE(writes, 2 + seconds / platform::UserDefaults::kWriteSeconds) << writes << " writes in " << seconds << " s";
    EXPECT_GE(writes, 1u);

    store().reload();
    EXPECT_EQ(store().object("audio.apps").toByteArray(), row(kMoves - 1));
    EXPECT_EQ(store().object("scroll.step").toDouble(), 42.0);
}

// The child side of the kill test below: a drag that stores on every move until it is killed.
[[noreturn]] void burstUntilKilled(const QString& root)
{
    auto& store = platform::UserDefaults::standard();
    platform::paths::setSimRoot(root);
    store.reload();
    for (qlonglong i = store.object("burst.a").toLongLong() + 1;; ++i) {
        store.set("burst.a", i);
        store.set("burst.b", i);
        std::printf("move %lld\n", i);
        if (store.fileWrites() > 0)
            std::printf("written\n");
        std::fflush(stdout);
        ::usleep(1000);
    }
}

// Killed at any moment of a burst, the process leaves the file as it was after some change:
// "burst.b" is stored right after "burst.a", so a file with any other pair, or without the
// other settings, was torn or mixed. A large setting makes each write long, so that some kills
// land inside a write.
TEST_F(UserDefaultsTest, AKillDuringABurstLeavesTheStoreAsItWasAfterSomeChange)
{
    if (qEnvironmentVariableIsSet("PELORN_STORE_BURST"))
        burstUntilKilled(qEnvironmentVariable("PELORN_STORE_BURST"));
    const QByteArray large(4 << 20, 'L');
    store().set("keep.large", large);
    store().set("keep.flag", false);
    store().flush();
    const QString folder = QFileInfo(store().storePath()).absolutePath();
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    qlonglong last = 0;
    const int kMoves[] = {20, 130, 260, 310, 480, 600, 770};
    for (int moves : kMoves) {
        SCOPED_TRACE(moves);
        // The last child runs until one of its writes has reached the file, however slow a loaded
        // machine makes them, so that the bursts are seen to be stored at all.
        const bool untilWritten = moves == kMoves[std::size(kMoves) - 1];
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PELORN_STORE_BURST", root());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QString("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name())});
        ASSERT_TRUE(child.waitForStarted(5000));
        QByteArray out;
        while ((out.count("move ") < moves || (untilWritten && !out.contains("written")))
               && child.state() == QProcess::Running) {
            child.waitForReadyRead(1000);
            out += child.readAllStandardOutput();
        }
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished(5000);
        ASSERT_GE(out.count("move "), moves) << out.toStdString();

        store().reload();
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), files) << "nothing set aside or left over";
        EXPECT_EQ(store().object("keep.large").toByteArray().size(), large.size());
        EXPECT_EQ(store().object("keep.flag"), QVariant(false));
        const qlonglong a = store().object("burst.a").toLongLong();
        const qlonglong b = store().object("burst.b").toLongLong();
        EXPECT_TRUE(b == a || b == a - 1) << a << " " << b;
        EXPECT_GE(a, last);
        last = a;
    }
    EXPECT_GT(last, 0) << "the bursts reached the file while they ran";
}

// The writer never grows the store past its bound: the change that would is dropped and said,
// the rest stays.
TEST_F(UserDefaultsTest, AChangeThatWouldPassTheReadersBoundIsRefused)
{
    constexpr qint64 kMax = platform::UserDefaults::kMaxFileBytes;
    store().set("kvm.enabled", false);
    store().set("name", QString());
    const QString fits(kMax - store().storedBytes(), u'x');
    ASSERT_TRUE(store().set("name", fits));
    store().flush();
    EXPECT_EQ(QFileInfo(store().storePath()).size(), kMax) << "up to the bound";

    platform::log::clearRecent();
    EXPECT_FALSE(store().set("name", fits + u'x'));
    EXPECT_FALSE(store().set("other", true));
    EXPECT_EQ(platform::log::recent().filter("not stored").size(), 2);
    EXPECT_EQ(store().object("name").toString().size(), fits.size());
    EXPECT_FALSE(store().object("other").isValid());

    store().reload();
    EXPECT_EQ(store().object("name").toString().size(), fits.size()) << "read back, not set aside";
    EXPECT_EQ(store().object("kvm.enabled"), QVariant(false));
    EXPECT_TRUE(store().set("name", QString("short")));
    EXPECT_TRUE(store().set("other", true)) << "room again";
}

// The size the writer holds against the bound is the size of the file it writes, whatever the
// values and keys need escaped.
TEST_F(UserDefaultsTest, TheSizeCheckedIsTheSizeWritten)
{
    const QVariant values[] = {
        true,
        qlonglong(-1) << 62,
        0.1,
        -1e300,
        3.0,
        QString("\"\\/\n\t\x01\x7f ğüşİ 🙂"),
        QString(QChar(0xD800)), // a lone surrogate
        QByteArray(),
        QByteArray(1, '\xff'),
        QByteArray(2, '\0'),
        QByteArray(3, '?'),
        QByteArray(1000, '>'),
        QDateTime::fromMSecsSinceEpoch(1765400000123, Qt::UTC),
        QDateTime(),
        QStringList{"a", "b\""},
        QVariantList{},
        QVariantList{1, QString("x"), QVariantList{}, QVariantList{QByteArray("xy")}},
        QVariantMap{},
        QVariantMap{{"k\"ey", 1}, {"ü", QVariantMap{{"", QByteArray("x")}}}},
    };
    int i = 0;
    for (const QVariant& v : values) {
        SCOPED_TRACE(i);
        store().set(QString("key %1 \"\x02ş").arg(i++), v);
        store().flush();
        EXPECT_EQ(QFileInfo(store().storePath()).size(), store().storedBytes());
    }
    store().set("key 3 \"\x02ş", 1); // a key changes kind
    store().remove("key 0 \"\x02ş");
    store().flush();
    EXPECT_EQ(QFileInfo(store().storePath()).size(), store().storedBytes());
    store().reload();
    EXPECT_EQ(QFileInfo(store().storePath()).size(), store().storedBytes()) << "counted again at load";
}

TEST_F(UserDefaultsTest, AStoreThatBeginsWithAByteOrderMarkIsRead)
{
    const QString path = store().storePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBF{\"type\":\"dictionary\",\"value\":{\"scroll.step\":{\"type\":\"real\",\"value\":42.5}}}");
    f.close();
    store().reload();
    EXPECT_EQ(store().object("scroll.step").toDouble(), 42.5);
    EXPECT_TRUE(QDir(QFileInfo(path).absolutePath()).entryList({"*.corrupt-*"}).isEmpty());
}

} // namespace

namespace {

// A store larger than the writer's bound (written elsewhere) is read whole rather than reset;
// it may change and shrink, and only growth is refused.
TEST_F(UserDefaultsTest, AStoreFoundOverTheBoundIsReadAndRefusedOnlyGrowth)
{
    constexpr qint64 kMax = platform::UserDefaults::kMaxFileBytes;
    const QString folder = QFileInfo(store().storePath()).absolutePath();
    QDir().mkpath(folder);
    {
        QFile f(store().storePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\"type\":\"dictionary\",\"value\":{\"kvm.enabled\":{\"type\":\"bool\",\"value\":false},"
                "\"name\":{\"type\":\"string\",\"value\":\"" + QByteArray(kMax, 'x') + "\"}}}");
    }
    store().reload();
    EXPECT_EQ(store().object("name").toString().size(), kMax);
    EXPECT_EQ(store().object("kvm.enabled"), QVariant(false));
    EXPECT_TRUE(QDir(folder).entryList({"*.corrupt-*"}, QDir::Files | QDir::Hidden).isEmpty()) << "nothing set aside";

    const struct {
        const char* what;
        QString key;
        QVariant value;
        bool stored;
    } changes[] = {
        {"a new setting grows the store", "other", true, false},
        {"a longer value grows it", "name", QString(kMax + 1, u'x'), false},
        {"a value of the same size", "kvm.enabled", true, true}, // "false" -> "true" is shorter
        {"a shorter value", "name", QString(kMax - 10, u'y'), true},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(store().set(c.key, c.value), c.stored);
    }
    store().reload();
    EXPECT_FALSE(store().object("other").isValid());
    EXPECT_EQ(store().object("kvm.enabled"), QVariant(true));
    EXPECT_EQ(store().object("name").toString(), QString(kMax - 10, u'y'));
}

// Temporary files that a killed write left beside a store are removed at start; the files kept
// aside and other files are not.
TEST_F(UserDefaultsTest, LeftoversOfInterruptedWritesAreRemovedAtStart)
{
    store().set("a", 1);
    store().flush();
    const QString path = store().storePath();
    const QString folder = QFileInfo(path).absolutePath();
    const QString global = folder + "/.GlobalPreferences.json";
    const QStringList leftovers = {path + ".Ab3dEf", path + ".zzzzzz", global + ".q1W2e3"};
    const QStringList kept = {path + ".corrupt-20260101-000000000", path + ".bak", path + ".Ab3dEfg", folder + "/other.json.Ab3dEf"};
    for (const QString& name : leftovers + kept) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\"type\":\"dictionary\",\"value\":{");
    }
    store().reload();
    for (const QString& name : leftovers)
        EXPECT_FALSE(QFileInfo::exists(name)) << name.toStdString();
    for (const QString& name : kept)
        EXPECT_TRUE(QFileInfo::exists(name)) << name.toStdString();
    EXPECT_EQ(store().object("a").toLongLong(), 1);
}

} // namespace
