// The real Pelorn in its showcase mode on a real (virtual) screen, started the way the screenshot
// tool starts it: the info file it writes once staged, and the user's settings left alone.
#include "support/TestPaths.h"
#include "support/XServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// What the user had stored before the run; the mode must not write over it.
const QByteArray kStored = R"({"type":"dictionary","value":{"kvm.enabled":{"type":"bool","value":true},)"
                           R"("scroll.engine4":{"type":"bool","value":true},)"
                           R"("ui.accent":{"type":"string","value":"pink"}}})";

class ShowcaseProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!XServer::installed())
            GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_TRUE(x.start()) << x.error().toStdString();
    }

    struct Run {
        QJsonObject info;
        QByteArray raw;
        QByteArray stored; // the settings store's file afterwards
        QString log;
    };
    // Starts Pelorn on a fresh Mac with the variables, waits up to 30 s for the info file (none
    // expected: 5 s), then quits it.
    Run stage(const QMap<QString, QString>& variables, const QString& desk = QString(), bool expectInfo = true)
    {
        Run run;
        QTemporaryDir root;
        QTemporaryDir cwd;
        const QString prefs = root.path() + "/Users/user/Library/Preferences/com.ostrane.pelorn.json";
        QDir().mkpath(QFileInfo(prefs).path());
        QFile seed(prefs);
        EXPECT_TRUE(seed.open(QIODevice::WriteOnly) && seed.write(kStored) == kStored.size());
        seed.close();

        QProcessEnvironment env = x.environment();
        env.insert("PELORN_SIM_ROOT", root.path());
        env.insert("PELORN_SHOWCASE", "1");
        if (!desk.isEmpty())
            env.insert("PELORN_DESK", desk);
        const QString info = cwd.path() + "/info.json";
        for (auto it = variables.begin(); it != variables.end(); ++it)
            env.insert(it.key(), QString(it.value()).replace("$INFO", info));
        QProcess pelorn;
        pelorn.setProcessEnvironment(env);
        pelorn.setWorkingDirectory(cwd.path());
        pelorn.setProcessChannelMode(QProcess::MergedChannels);
        pelorn.start(testpaths::buildDir() + "/src/Pelorn", {});
        EXPECT_TRUE(pelorn.waitForStarted(5000));

        QElapsedTimer elapsed;
        elapsed.start();
        const int limit = expectInfo ? 30000 : 5000;
        while (!QFile::exists(info) && elapsed.elapsed() < limit && pelorn.state() == QProcess::Running)
            pelorn.waitForReadyRead(100);
        pelorn.waitForReadyRead(300); // a write just begun finishes
        QFile file(info);
        if (file.open(QIODevice::ReadOnly)) {
            run.raw = file.readAll();
            run.info = QJsonDocument::fromJson(run.raw).object();
        }
        if (!expectInfo) {
            EXPECT_EQ(QDir(cwd.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList())
                << "nothing written where it was started";
        }
        pelorn.terminate();
        EXPECT_TRUE(pelorn.waitForFinished(10000));
        run.log = QString::fromLocal8Bit(pelorn.readAll());
        QFile after(prefs);
        if (after.open(QIODevice::ReadOnly))
            run.stored = after.readAll();
        return run;
    }
    // The listed window with the number, or an empty object.
    static QJsonObject window(const QJsonObject& info, qint64 number)
    {
        for (const QJsonValue& w : info["windows"].toArray())
            if (w["id"].toInteger() == number)
                return w.toObject();
        return {};
    }
    static QRectF rect(const QJsonValue& v)
    {
        const QJsonArray a = v.toArray();
        return a.size() == 4 ? QRectF(a[0].toDouble(), a[1].toDouble(), a[2].toDouble(), a[3].toDouble()) : QRectF();
    }
    // The top-level keys in the order they appear in the file.
    static QStringList topLevelKeys(const QByteArray& raw)
    {
        QStringList keys;
        static const QRegularExpression key(QStringLiteral("^    \"([a-z]+)\":"), QRegularExpression::MultilineOption);
        for (auto it = key.globalMatch(QString::fromUtf8(raw)); it.hasNext();)
            keys << it.next().captured(1);
        return keys;
    }

    XServer x;
};

TEST_F(ShowcaseProcessTest, AWindowRunDescribesThePageTheWindowItsAnchorAndTheBackdrop)
{
    const Run run = stage({{"PELORN_SHOWCASE_PAGE", "display"},
                           {"PELORN_SHOWCASE_SIZE", "1280xfit"},
                           {"PELORN_SHOWCASE_INFO", "$INFO"}});
    ASSERT_FALSE(run.info.isEmpty()) << run.log.toStdString();
    EXPECT_EQ(topLevelKeys(run.raw),
              QStringList({"active", "anchors", "backdrop", "language", "main", "page", "windows"}));
    EXPECT_EQ(run.info["page"].toString(), "display");
    EXPECT_TRUE(run.info["active"].toBool());
    EXPECT_EQ(run.info["language"].toString(), "tr");

    const QJsonObject main = window(run.info, run.info["main"].toInteger());
    ASSERT_FALSE(main.isEmpty()) << "the staged window is listed";
    EXPECT_EQ(main["identifier"].toString(), "main");
    const QRectF frame = rect(main["frame"]);
    EXPECT_EQ(frame.x(), 40);
    EXPECT_EQ(frame.width(), 1280);
    EXPECT_EQ(frame.y() + frame.height(), XServer::kScreen.height() - 24) << "the window's top at the menu bar";
    EXPECT_GT(frame.height(), 900) << "fitted: the display page is taller than the first guess";

    // The blackout settings' anchor lies inside the fitted window's content.
    const QRectF oled = rect(run.info["anchors"].toObject()["oled"]);
    ASSERT_FALSE(oled.isEmpty());
    EXPECT_TRUE(QRectF(0, 0, frame.width(), frame.height()).contains(oled)) << oled.y() << " of " << frame.height();

    const QJsonObject backdrop = window(run.info, run.info["backdrop"].toInteger());
    EXPECT_EQ(backdrop["title"].toString(), "Quendrel Showcase Backdrop");
    EXPECT_EQ(rect(backdrop["frame"]), QRectF(QPointF(0, 0), XServer::kScreen));
    EXPECT_EQ(run.stored, kStored) << "the settings store is as the user left it";
}

TEST_F(ShowcaseProcessTest, APanelRunNamesThePanelAndNoWindow)
{
    ASSERT_TRUE(x.startStatusArea()) << x.error().toStdString();
    // The desk grants the accessibility permission, which posting the click needs.
    QFile desk(testpaths::sourceDir() + "/desks/default.json");
    ASSERT_TRUE(desk.open(QIODevice::ReadOnly));
    QJsonObject json = QJsonDocument::fromJson(desk.readAll()).object();
    json["accessibility"] = true;
    QTemporaryDir dir;
    QFile granted(dir.path() + "/desk.json");
    ASSERT_TRUE(granted.open(QIODevice::WriteOnly));
    granted.write(QJsonDocument(json).toJson());
    granted.close();

    const Run run = stage({{"PELORN_SHOWCASE_PANEL", "1"}, {"PELORN_SHOWCASE_INFO", "$INFO"}}, granted.fileName());
    ASSERT_FALSE(run.info.isEmpty()) << run.log.toStdString();
    EXPECT_EQ(topLevelKeys(run.raw),
              QStringList({"active", "anchors", "backdrop", "language", "page", "panel", "windows"}));
    const QJsonObject panel = window(run.info, run.info["panel"].toInteger());
    ASSERT_FALSE(panel.isEmpty());
    EXPECT_NEAR(rect(panel["frame"]).width(), 360, 40);
    bool statusItem = false;
    for (const QJsonValue& w : run.info["windows"].toArray())
        statusItem |= w["class"].toString().contains("StatusBarWindow");
    EXPECT_TRUE(statusItem) << "the icon it clicked is among the application's windows";
    EXPECT_EQ(run.stored, kStored);
}

TEST_F(ShowcaseProcessTest, NoBackdropWithNoneAndNoFileWithoutThePath)
{
    const Run plain = stage({{"PELORN_SHOWCASE_PAGE", "general"},
                             {"PELORN_SHOWCASE_BACKDROP", "none"},
                             {"PELORN_SHOWCASE_INFO", "$INFO"}});
    ASSERT_FALSE(plain.info.isEmpty()) << plain.log.toStdString();
    EXPECT_FALSE(plain.info.contains("backdrop"));
    EXPECT_EQ(plain.info["page"].toString(), "general");
    EXPECT_EQ(plain.info["windows"].toArray().size(), 1) << "the window alone";

    const Run silent = stage({{"PELORN_SHOWCASE_PAGE", "general"}}, QString(), false);
    EXPECT_TRUE(silent.raw.isEmpty());
    EXPECT_EQ(silent.stored, kStored);
}

// Values past what a screen or the file system should take: each run falls back (the default
// size; no info file where one cannot go), still ends when asked, and leaves the settings store
// byte for byte as it was.
TEST_F(ShowcaseProcessTest, SizesAndInfoPathsBeyondReasonFallBack)
{
    enum class Expect { defaultSize, noInfoFile };
    const struct {
        const char* name;
        QString size;
        QString info; // $INFO: a file in the start folder; $PREFS: the settings store
        void (*prepare)(const QString& info, const QString& prefs);
        Expect expect;
    } cases[] = {
        {"2^31 and more", "1e10x1e10", "$INFO", nullptr, Expect::defaultSize},
        {"huge", "99999999x99999999", "$INFO", nullptr, Expect::defaultSize},
        {"a FIFO", "1280x800", "$INFO",
         [](const QString& info, const QString&) { ASSERT_EQ(::mkfifo(QFile::encodeName(info).constData(), 0600), 0); },
         Expect::noInfoFile},
        {"the settings store", "1280x800", "$PREFS", nullptr, Expect::noInfoFile},
        {"a link to the settings store", "1280x800", "$INFO",
         [](const QString& info, const QString& prefs) { ASSERT_TRUE(QFile::link(prefs, info)); }, Expect::noInfoFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root, cwd;
        const QString prefs = root.path() + "/Users/user/Library/Preferences/com.ostrane.pelorn.json";
        QDir().mkpath(QFileInfo(prefs).path());
        QFile seed(prefs);
        ASSERT_TRUE(seed.open(QIODevice::WriteOnly) && seed.write(kStored) == kStored.size());
        seed.close();
        const QString info = cwd.path() + "/info.json";
        if (c.prepare)
            c.prepare(info, prefs);

        QProcessEnvironment env = x.environment();
        env.insert("PELORN_SIM_ROOT", root.path());
        env.insert("PELORN_SHOWCASE", "1");
        env.insert("PELORN_SHOWCASE_PAGE", "general");
        env.insert("PELORN_SHOWCASE_SIZE", c.size);
        env.insert("PELORN_SHOWCASE_INFO", QString(c.info).replace("$INFO", info).replace("$PREFS", prefs));
        QProcess pelorn;
        pelorn.setProcessEnvironment(env);
        pelorn.setWorkingDirectory(cwd.path());
        pelorn.setProcessChannelMode(QProcess::MergedChannels);
        pelorn.start(testpaths::buildDir() + "/src/Pelorn", {});
        ASSERT_TRUE(pelorn.waitForStarted(5000));

        // The end of the staging: the info file, or the log line that refuses it.
        QString log;
        QElapsedTimer elapsed;
        elapsed.start();
        const auto staged = [&] {
            return c.expect == Expect::noInfoFile ? log.contains("showcase: no info file at")
                                                  : QFileInfo(info).isFile() && QFileInfo(info).size() > 0;
        };
        while (!staged() && elapsed.elapsed() < 30000 && pelorn.state() == QProcess::Running) {
            pelorn.waitForReadyRead(100);
            log += QString::fromLocal8Bit(pelorn.readAll());
        }
        EXPECT_TRUE(staged()) << log.toStdString();
        pelorn.terminate();
        const bool ended = pelorn.waitForFinished(10000);
        EXPECT_TRUE(ended) << "no hang";
        if (!ended) {
            pelorn.kill();
            pelorn.waitForFinished(5000);
        }

        if (c.expect == Expect::defaultSize) {
            QFile file(info);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
            EXPECT_EQ(rect(window(o, o["main"].toInteger())["frame"]).size(), QSizeF(1440, 900));
        } else {
            const QFileInfo at(info);
            EXPECT_TRUE(!at.exists() || at.isSymLink() || !at.isFile()) << "nothing written in its place";
        }
        QFile after(prefs);
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_EQ(after.readAll(), kStored);
        EXPECT_TRUE(QFileInfo(prefs).isFile() && !QFileInfo(prefs).isSymLink());
    }
}

} // namespace
