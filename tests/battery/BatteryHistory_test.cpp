#include "battery/BatteryHistory.h"

#include "app/Codable.h"
#include "support/NotAFile.h"
#include "support/SimTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>

namespace {

constexpr double kNow = 1796896800.0; // 2026-12-10 10:00 UTC

class BatteryHistoryTest : public SimTest {
protected:
    QByteArray fileBytes() const
    {
        QFile f(BatteryHistory::defaultPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void put(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(BatteryHistoryTest, FileHoldsReferenceDatesAndOptionalTemperature)
{
    BatteryHistory store(BatteryHistory::defaultPath());
    EXPECT_TRUE(store.path().endsWith("/Library/Application Support/Pelorn/battery-history.json"));
    ASSERT_TRUE(store.write({{kNow - 60.25, 81, 30.5, 7.25}, {kNow, 80, std::nullopt, 6.0}}));

    const QJsonArray a = QJsonDocument::fromJson(fileBytes()).array();
    ASSERT_EQ(a.size(), 2);
    const QJsonObject first = a[0].toObject();
    EXPECT_DOUBLE_EQ(first["date"].toDouble(), kNow - 60.25 - pelorn::json::kReferenceDate);
    EXPECT_EQ(first["percent"].toInt(), 81);
    EXPECT_EQ(first["temperature"].toDouble(), 30.5);
    EXPECT_EQ(first["systemLoad"].toDouble(), 7.25);
    EXPECT_FALSE(a[1].toObject().contains("temperature"));

    const auto back = store.load(kNow);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_DOUBLE_EQ(back[0].date, kNow - 60.25);
    EXPECT_EQ(back[0].temperature, 30.5);
    EXPECT_FALSE(back[1].temperature);
}

TEST_F(BatteryHistoryTest, LoadKeepsOnlyTheLast24Hours)
{
    BatteryHistory store(BatteryHistory::defaultPath());
    // Out of order on purpose: old samples are dropped wherever they stand.
    store.write({{kNow - 90000, 50, {}, 1}, {kNow - 3600, 60, {}, 1}, {kNow - 86400, 55, {}, 1},
                 {kNow - 86399, 56, {}, 1}});
    const auto kept = store.load(kNow);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].percent, 60);
    EXPECT_EQ(kept[1].percent, 56);

    store.write({{kNow - 90000, 50, {}, 1}});
    EXPECT_TRUE(store.load(kNow).empty());
}

TEST_F(BatteryHistoryTest, EachCorruptFileIsKeptAsideUnderItsOwnName)
{
    const QByteArray corrupt[] = {"not json", "{\"date\": 1}", "[{\"date\": 1, \"percent\": 5.5, \"systemLoad\": 0}]",
                                  "[{\"date\": 1, \"percent\": 5, \"systemLoad\": 0, \"temperature\": \"hot\"}]"};
    BatteryHistory store(BatteryHistory::defaultPath());
    for (const QByteArray& bytes : corrupt) {
        SCOPED_TRACE(bytes.toStdString());
        put(store.path(), bytes);
        EXPECT_TRUE(store.load(kNow).empty());
        EXPECT_FALSE(QFileInfo::exists(store.path()));

        ASSERT_TRUE(store.write({{kNow, 70, {}, 3}}));
        EXPECT_EQ(store.load(kNow).size(), 1u);
        QFile::remove(store.path());
    }
    const QDir folder = QFileInfo(store.path()).dir();
    const QStringList kept = folder.entryList({"battery-history.corrupt*.json"}, QDir::Files, QDir::Name);
    EXPECT_EQ(kept, (QStringList{"battery-history.corrupt-2.json", "battery-history.corrupt-3.json",
                                 "battery-history.corrupt-4.json", "battery-history.corrupt.json"}));
    EXPECT_EQ(folder.filePath(kept.last()), store.asidePath()) << "the first keeps the plain name";
    QStringList contents;
    for (const QString& name : kept) {
        QFile f(folder.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        contents << QString::fromUtf8(f.readAll());
    }
    EXPECT_EQ(contents, (QStringList{QString::fromUtf8(corrupt[1]), QString::fromUtf8(corrupt[2]),
                                     QString::fromUtf8(corrupt[3]), QString::fromUtf8(corrupt[0])}));
    // A missing file is simply an empty history.
    EXPECT_TRUE(BatteryHistory(BatteryHistory::defaultPath()).load(kNow).empty());
}

TEST_F(BatteryHistoryTest, AHistoryThatIsNoRegularFileReadsAsEmptyAtOnceAndIsReplacedNotWrittenThrough)
{
    BatteryHistory store(BatteryHistory::defaultPath());
    for (support::NotAFile kind : support::kNotAFile) {
        SCOPED_TRACE(support::name(kind));
        support::plant(kind, store.path());
        EXPECT_TRUE(store.load(kNow).empty()); // would block on the FIFO and never end on /dev/zero
        EXPECT_FALSE(QFileInfo::exists(store.asidePath())) << "unreadable, not corrupt: nothing to keep";
    }

    // The next write replaces what stands at the path, never what a link there names; a folder
    // stays and the write fails silently.
    const QString fifo = QFileInfo(store.path()).dir().filePath("elsewhere.fifo");
    support::plant(support::NotAFile::fifo, fifo);
    const std::function<void()> plants[] = {
        [&] { support::plant(support::NotAFile::fifo, store.path()); },
        [&] {
            QFile::remove(store.path());
            QDir(store.path()).removeRecursively();
            ASSERT_TRUE(QFile::link(fifo, store.path()));
        },
        [&] { support::plant(support::NotAFile::folder, store.path()); },
    };
    for (size_t i = 0; i < std::size(plants); ++i) {
        SCOPED_TRACE(i);
        plants[i]();
        const bool folder = i == 2;
        EXPECT_EQ(store.write({{kNow, 70, {}, 3}}), !folder);
        EXPECT_EQ(store.load(kNow).size(), folder ? 0u : 1u);
        EXPECT_EQ(QFileInfo(store.path()).isFile() && !QFileInfo(store.path()).isSymLink(), !folder);
    }
    EXPECT_FALSE(QFileInfo(fifo).isFile()) << "the link's target is left alone";

    // A regular file past the bound is no history this system wrote: kept, not replaced.
    const QByteArray samples = "[{\"date\": 1, \"percent\": 5, \"systemLoad\": 0}]";
    support::plantOversized(store.path(), samples, BatteryHistory::kMaxFileBytes);
    EXPECT_TRUE(store.load(kNow).empty());
    EXPECT_EQ(QFileInfo(store.asidePath()).size(), BatteryHistory::kMaxFileBytes + 1);
}

TEST_F(BatteryHistoryTest, WritesEveryTenthSampleEvenWithAFullWindow)
{
    BatteryHistory store(BatteryHistory::defaultPath());
    std::vector<BatterySample> history;
    std::vector<int> writes;
    double t = kNow;
    for (int i = 1; i <= 21; ++i, t += 60) {
        if (store.record(history, {t, 50, {}, 0}))
            writes.push_back(i);
    }
    EXPECT_EQ(writes, (std::vector<int>{10, 20}));

    // A window that is full keeps its length at every sample; the file must still follow.
    history.clear();
    for (int i = 0; i < 1440; ++i)
        history.push_back({t - 86400 + 60.0 * (i + 1), 50, {}, 0});
    writes.clear();
    for (int i = 1; i <= 30; ++i) {
        t += 60;
        if (store.record(history, {t, 40, {}, 0}))
            writes.push_back(i);
        ASSERT_EQ(history.size(), 1440u) << "one in, one out";
    }
    EXPECT_EQ(writes, (std::vector<int>{9, 19, 29})); // one sample was left from the first run
    const auto back = store.load(t);
    EXPECT_EQ(back.size(), 1439u); // its oldest sample has left the window since
    EXPECT_DOUBLE_EQ(back.back().date, t - 60); // the 30th sample came after the last write
}

} // namespace
