// The real Pelorn on its own screen and status area, used through the accessibility bus alone
// (a private session bus and the accessibility bus launcher, as a desktop starts them): every
// control of every page and of the panel is named and says what it is, and a screen reader's
// actions reach the settings and the simulated hardware.
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "support/AccessibilityBus.h"
#include "support/TestPaths.h"
#include "support/XServer.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>

namespace {

// A setting as the application stored it in its preferences under the sim root.
std::optional<bool> storedBool(const QString& simRoot, const QString& key)
{
    QDirIterator it(simRoot, {"com.ostrane.pelorn.json"}, QDir::Files, QDirIterator::Subdirectories);
    if (!it.hasNext())
        return std::nullopt;
    QFile file(it.next());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonValue v = QJsonDocument::fromJson(file.readAll()).object()["value"].toObject()[key].toObject()["value"];
    return v.isBool() ? std::optional(v.toBool()) : std::nullopt;
}

// Each online monitor's brightness as the desk command reports it.
QStringList monitorBrightness(const QProcessEnvironment& env)
{
    QProcess desk;
    desk.setProcessEnvironment(env);
    desk.start(testpaths::buildDir() + "/src/pelorn-desk", {"status", "--json"});
    desk.waitForFinished(10000);
    QStringList out;
    for (const QJsonValue& v : QJsonDocument::fromJson(desk.readAllStandardOutput()).object()["displays"].toArray()) {
        const QJsonObject d = v.toObject();
        if (d["online"].toBool() && d["monitor"].toObject().contains("brightness"))
            out << QString::number(d["monitor"].toObject()["brightness"].toInt());
    }
    return out;
}

TEST(PelornAccessibilityTest, EveryControlIsNamedAndWorksThroughTheBus)
{
    if (!XServer::installed() || !AccessibilityBus::installed())
        GTEST_SKIP() << "Xvfb, dbus-daemon, at-spi2-core or python3-pyatspi is missing (scripts/setup)";
    XServer x;
    ASSERT_TRUE(x.start()) << x.error().toStdString();
    ASSERT_TRUE(x.startStatusArea()) << x.error().toStdString();
    AccessibilityBus bus;
    ASSERT_TRUE(bus.start(x.environment())) << "no session or accessibility bus";

    QTemporaryDir simRoot;
    ASSERT_TRUE(simRoot.isValid());
    // A profile for the wide monitor, so the overview's KVM card and the kvm page list one.
    platform::paths::setSimRoot(simRoot.path());
    platform::UserDefaults::standard().reload();
    const QJsonObject profile{{"id", "6F1C2A3B-0D4E-4F50-8A6B-7C8D9E0F1A2B"},
                              {"name", "Masa"},
                              {"displayKey", "19780:10021:808464432"},
                              {"displayName", "Lumera 27Q"},
                              {"reverseScroll", false}};
    platform::UserDefaults::standard().set("kvm.profiles",
                                           QJsonDocument(QJsonArray{profile}).toJson(QJsonDocument::Compact));
    platform::UserDefaults::standard().flush();
    QProcessEnvironment env = bus.environment();
    env.insert("PELORN_SIM_ROOT", simRoot.path());
    env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    env.insert("QT_ACCESSIBILITY", "1");
    QProcess pelorn;
    pelorn.setProcessEnvironment(env);
    pelorn.setProcessChannelMode(QProcess::MergedChannels);
    pelorn.start(testpaths::buildDir() + "/src/Pelorn", {"-AppleLanguages", "(en)"});
    ASSERT_TRUE(pelorn.waitForStarted(5000));
    QString log;
    QElapsedTimer elapsed;
    elapsed.start();
    const QString shown = "Pelorn: running, menu-bar icon shown";
    while (!log.contains(shown) && elapsed.elapsed() < 30000 && pelorn.state() == QProcess::Running) {
        pelorn.waitForReadyRead(100);
        log += QString::fromLocal8Bit(pelorn.readAll());
    }
    ASSERT_TRUE(log.contains(shown)) << log.toStdString();

    // The icon is the status area's only one, at its right end; a click drops the panel.
    QThread::msleep(500); // the status area places the icon after it docks
    ASSERT_TRUE(x.click(QPoint(XServer::kScreen.width() - 12, 12))) << x.error().toStdString();

    const QJsonObject texts{
        {"sections", QJsonArray{"Display", "Sound output", "Battery"}},
        {"brightness", "Brightness"},
        {"openOverview", "Open overview"},
        {"audioPage", "Sound"},
        {"audioPageMark", "Output"},
        {"mousePage", "Mouse"},
        {"smooth", "Smooth scrolling"},
        {"overviewPage", "Overview"},
        {"kvmProfile", "Masa"},
    };
    QString errors;
    const QByteArray out = AccessibilityBus::probe(env, {"scenario", QString::fromUtf8(QJsonDocument(texts).toJson(QJsonDocument::Compact))},
                                 &errors);
    const QJsonObject found = QJsonDocument::fromJson(out).object();
    ASSERT_FALSE(found.isEmpty()) << "probe said: " << out.toStdString() << errors.toStdString();

    // The table per view, and every control that lacks something.
    std::string table = "view | controls | unnamed | without role or state\n";
    int failing = 0;
    for (const QJsonValue& v : found["audits"].toArray()) {
        const QJsonObject a = v.toObject();
        table += QString("%1 | %2 | %3 | %4\n")
                     .arg(a["view"].toString())
                     .arg(a["controls"].toInt())
                     .arg(a["unnamed"].toInt())
                     .arg(a["withoutRoleOrState"].toInt())
                     .toStdString();
        for (const QJsonValue& f : a["failing"].toArray()) {
            ++failing;
            ADD_FAILURE() << a["view"].toString().toStdString() << ": " << f["control"].toString().toStdString()
                          << ": " << f["problems"].toVariant().toStringList().join(", ").toStdString();
        }
    }
    std::printf("%s", table.c_str());
    EXPECT_GE(found["audits"].toArray().size(), 4 + 7) << "the panel with its sections and the seven pages";
    EXPECT_EQ(failing, 0) << table;
    EXPECT_TRUE(found["log"].toArray().isEmpty()) << QJsonDocument(found["log"].toArray()).toJson().toStdString();

    const QJsonObject checks = found["checks"].toObject();
    EXPECT_TRUE(checks["audioSelected"].toBool()) << "the sidebar's Sound item is selected";
    EXPECT_TRUE(checks["audioShown"].toBool()) << "the audio page shows";
    EXPECT_NE(checks["smoothAfter"].toBool(), checks["smoothBefore"].toBool()) << "the switch flipped";
    EXPECT_EQ(storedBool(simRoot.path(), "scroll.smooth"), checks["smoothAfter"].toBool()) << "and the setting with it";
    EXPECT_EQ(checks["kvmRowDescription"].toString(), "Apply");
    EXPECT_EQ(storedBool(simRoot.path(), "scroll.reverse"), false) << "the pressed profile turned reversing off";
    EXPECT_EQ(checks["brightnessRead"].toDouble(), 25);
    // The monitor itself, read from outside as a person at the desk would.
    QStringList brightness;
    for (int i = 0; i < 50 && !brightness.contains("25"); ++i) {
        brightness = monitorBrightness(env);
        if (!brightness.contains("25"))
            QThread::msleep(200);
    }
    EXPECT_TRUE(brightness.contains("25")) << "monitors hold " << brightness.join(", ").toStdString();
    EXPECT_EQ(checks["miniAfterIncrease"].toDouble(), 100) << checks["miniName"].toString().toStdString();
    EXPECT_EQ(checks["miniAfterDecrease"].toDouble(), 95);

    // What went wrong on either side, when something did.
    if (::testing::Test::HasFailure()) {
        log += QString::fromLocal8Bit(pelorn.readAll());
        std::printf("probe's errors:\n%s\nPelorn's log:\n%s\n", qPrintable(errors), qPrintable(log));
    }
    pelorn.terminate();
    EXPECT_TRUE(pelorn.waitForFinished(10000));
}

} // namespace
