#include "showcase/Showcase.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

Showcase::Info mainWindowRun()
{
    Showcase::Info info;
    info.page = "display";
    info.active = true;
    info.language = "tr";
    info.anchors["oled"] = QRectF(220, 640.5, 560, 180);
    info.windows = {
        {.id = 7, .className = "MainWindow", .title = "Pelorn", .identifier = "main-AppWindow-1",
         .frame = QRectF(40, 132, 1440, 900)},
        {.id = 3, .className = "Backdrop", .title = "Quendrel Showcase Backdrop", .identifier = "",
         .frame = QRectF(0, 0, 1920, 1080)},
    };
    info.main = 7;
    info.backdrop = 3;
    return info;
}

// Keys of the object as they appear in the text, which is what a reader of the file sees.
QStringList keysInTextOrder(const QByteArray& json, int indent)
{
    QStringList keys;
    const QRegularExpression key(QString("^ {%1}\"([^\"]+)\":").arg(indent), QRegularExpression::MultilineOption);
    for (auto it = key.globalMatch(QString::fromUtf8(json)); it.hasNext();)
        keys << it.next().captured(1);
    return keys;
}

TEST(ShowcaseInfo, KeysSortedAtEveryLevelWithRectanglesAsFourNumbers)
{
    const QByteArray json = Showcase::infoJson(mainWindowRun());
    EXPECT_EQ(keysInTextOrder(json, 4),
              QStringList({"active", "anchors", "backdrop", "language", "main", "page", "windows"}));
    EXPECT_EQ(keysInTextOrder(json, 12), QStringList({"class", "frame", "id", "identifier", "title",  // first window
                                                      "class", "frame", "id", "identifier", "title"}));
    EXPECT_TRUE(json.contains("\n    \"")) << "not pretty-printed";

    const QJsonObject o = QJsonDocument::fromJson(json).object();
    EXPECT_EQ(o["page"], "display");
    EXPECT_EQ(o["active"], true);
    EXPECT_EQ(o["language"], "tr");
    EXPECT_EQ(o["anchors"].toObject()["oled"].toArray(), QJsonArray({220, 640.5, 560, 180}));
    EXPECT_EQ(o["main"].toInteger(), 7);
    EXPECT_EQ(o["backdrop"].toInteger(), 3);
    EXPECT_FALSE(o.contains("panel"));
    const QJsonArray windows = o["windows"].toArray();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0].toObject(), QJsonObject({{"id", 7},
                                                  {"class", "MainWindow"},
                                                  {"title", "Pelorn"},
                                                  {"identifier", "main-AppWindow-1"},
                                                  {"frame", QJsonArray({40, 132, 1440, 900})}}));
    EXPECT_EQ(windows[1].toObject()["identifier"], "") << "a window without an identifier still has the key";
}

TEST(ShowcaseInfo, PanelRunWithoutBackdropOrAnchors)
{
    Showcase::Info info;
    info.page = "overview";
    info.windows = {{.id = 12, .className = "PanelWindow", .title = "", .identifier = "", .frame = QRectF(1400, 500, 360, 560)}};
    info.panel = 12;
    const QByteArray json = Showcase::infoJson(info);
    EXPECT_EQ(keysInTextOrder(json, 4), QStringList({"active", "anchors", "language", "page", "panel", "windows"}));
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    EXPECT_EQ(o["anchors"], QJsonObject());
    EXPECT_EQ(o["active"], false);
    EXPECT_EQ(o["language"], "");
    EXPECT_EQ(o["panel"].toInteger(), 12);
}

TEST(ShowcaseInfo, WrittenOnlyWithAPathReplacingWhatWasThereAndFailingQuietly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("info.json");

    Showcase::writeInfo(mainWindowRun(), std::nullopt);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(4096, ' ')); // longer than what replaces it
    old.close();
    Showcase::writeInfo(mainWindowRun(), path);
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), Showcase::infoJson(mainWindowRun()));

    Showcase::writeInfo(mainWindowRun(), dir.filePath("missing/info.json"));
    Showcase::writeInfo(mainWindowRun(), dir.path()); // a folder
    EXPECT_FALSE(QFile::exists(dir.filePath("missing")));
}

// Only a regular file or a new one is written: a link at the path is not followed (nor
// replaced), and a FIFO, which would block the writer, is left alone.
TEST(ShowcaseInfo, LeavesALinkAndAFIFOAlone)
{
    QTemporaryDir dir;
    const QByteArray kept = "kept";
    QFile target(dir.filePath("target"));
    ASSERT_TRUE(target.open(QIODevice::WriteOnly) && target.write(kept) == kept.size());
    target.close();
    ASSERT_TRUE(QFile::link(dir.filePath("target"), dir.filePath("link.json")));
    Showcase::writeInfo(mainWindowRun(), dir.filePath("link.json"));
    EXPECT_TRUE(QFileInfo(dir.filePath("link.json")).isSymLink());
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    EXPECT_EQ(target.readAll(), kept);

    const QByteArray fifo = QFile::encodeName(dir.filePath("fifo.json"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    Showcase::writeInfo(mainWindowRun(), dir.filePath("fifo.json")); // returns at once
    struct stat st = {};
    ASSERT_EQ(::lstat(fifo.constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"fifo.json", "link.json", "target"}))
        << "nothing left beside it";
}

} // namespace
