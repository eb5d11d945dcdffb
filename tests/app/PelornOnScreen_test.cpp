// The real Pelorn on a real (virtual) screen, read the way a person reads it: the window it opens
// at launch, captured and put through OCR, speaks the language chosen.
#include "support/ScreenText.h"
#include "support/TestPaths.h"
#include "support/XServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Large, distinctive texts of the overview: the sidebar's page and section names and the
// overview's first section, in both languages (same order).
const QStringList kEnglish{"Overview", "Hardware", "Display", "Mouse", "Automation", "Controls"};
const QStringList kTurkish{"Genel Bakış", "Donanım", "Ekran", "Fare", "Otomasyon", "Kontroller"};

// OCR may misread a word; most of them must be there.
constexpr int kMissable = 1;

TEST(PelornOnScreenTest, TheOverviewReadsInTheLanguageChosen)
{
    if (!XServer::installed())
        GTEST_SKIP() << "Xvfb is not installed";
    XServer x;
    ASSERT_TRUE(x.start()) << x.error().toStdString();

    const struct {
        const char* name;
        QStringList arguments;
        const QStringList& shown;
        const QStringList& absent;
    } cases[] = {
        {"en", {"-AppleLanguages", "(en)"}, kEnglish, kTurkish},
        {"tr", {}, kTurkish, kEnglish}, // a fresh Mac: the system's languages give Turkish
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir simRoot; // no stored choice, no window state
        ASSERT_TRUE(simRoot.isValid());
        QProcessEnvironment env = x.environment();
        env.insert("PELORN_SIM_ROOT", simRoot.path());
        QProcess pelorn;
        pelorn.setProcessEnvironment(env);
        pelorn.setProcessChannelMode(QProcess::MergedChannels);
        pelorn.start(testpaths::buildDir() + "/src/Pelorn", c.arguments);
        ASSERT_TRUE(pelorn.waitForStarted(5000));

        // No status area on this screen: the main window opens at launch, on the overview.
        QString log;
        QElapsedTimer elapsed;
        elapsed.start();
        const QString opened = "Pelorn: running without a status area, main window open";
        while (!log.contains(opened) && elapsed.elapsed() < 30000 && pelorn.state() == QProcess::Running) {
            pelorn.waitForReadyRead(100);
            log += QString::fromLocal8Bit(pelorn.readAll());
        }
        ASSERT_TRUE(log.contains(opened)) << log.toStdString();

        // The window maps and paints a moment later: read the screen until the words show.
        QString text;
        QStringList shown;
        const QString shot = QDir(testpaths::buildDir()).filePath(QString("screens/overview-%1.png").arg(c.name));
        QDir().mkpath(QFileInfo(shot).path());
        elapsed.restart();
        do {
            const QImage screen = x.capture(shot);
            ASSERT_FALSE(screen.isNull()) << x.error().toStdString();
            const std::optional<QString> read = screentext::read(screen);
            ASSERT_TRUE(read.has_value()) << "tesseract (tesseract-ocr, tesseract-ocr-eng) failed or is missing";
            text = *read;
            shown = screentext::found(text, c.shown);
        } while (shown.size() < c.shown.size() - kMissable && elapsed.elapsed() < 30000);

        EXPECT_GE(shown.size(), c.shown.size() - kMissable)
            << "read only " << shown.join(", ").toStdString() << " in " << shot.toStdString() << ":\n"
            << text.toStdString();
        const QStringList other = screentext::found(text, c.absent);
        EXPECT_TRUE(other.isEmpty()) << "read " << other.join(", ").toStdString() << " in " << shot.toStdString();

        pelorn.terminate();
        EXPECT_TRUE(pelorn.waitForFinished(10000));
    }
}

} // namespace
