// The real Pelorn and the real pelorn-desk on one sim root, used the way a person at the desk
// uses them: switch the KVM, press keys, quit and start again, and read off the machine what
// Pelorn did.
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/sim/CodeSigning.h"
#include "shared/HelperConstants.h"
#include "support/AccessibilityBus.h"
#include "support/TestPaths.h"
#include "support/XServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The desk's wide monitor, "Lumera 27Q", by the key Pelorn gives a display.
const QString kWideKey = "19780:10021:808464432";

struct Desk {
    int status = -1;
    QString out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

class DeskProcess : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(root.isValid()); }
    void TearDown() override
    {
        quit();
        bus.reset();
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = bus ? bus->environment()
                                  : x ? x->environment()
                                      : QProcessEnvironment::systemEnvironment();
        if (!x)
            env.insert("QT_QPA_PLATFORM", "offscreen");
        if (bus) {
            env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
            env.insert("QT_ACCESSIBILITY", "1");
        }
        env.insert("PELORN_SIM_ROOT", root.path());
        env.remove("PELORN_DESK");
        if (!deskFile.isEmpty())
            env.insert("PELORN_DESK", deskFile);
        return env;
    }

    Desk desk(const QStringList& args) const
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(testpaths::buildDir() + "/src/pelorn-desk", args);
        EXPECT_TRUE(p.waitForFinished(20000)) << args.join(' ').toStdString();
        return Desk{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
                    QString::fromUtf8(p.readAllStandardError())};
    }
    const QJsonObject status() const { return desk({"status", "--json"}).json(); }

    // Polls the machine until `holds` is true of its status; the seconds it took, or -1.
    double until(const std::function<bool(const QJsonObject&)>& holds, double seconds) const
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < seconds * 1000) {
            if (holds(status()))
                return t.elapsed() / 1000.0;
        }
        return -1;
    }

    // Presses the key again each second until `holds` is true of the machine's status, for up to
    // `seconds`: for the moments while Pelorn takes a returning monitor back, when a single
    // press may still find it away.
    bool pressUntil(const QString& key, const std::function<bool(const QJsonObject&)>& holds, double seconds) const
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < seconds * 1000) {
            if (desk({"key", key}).status != 0)
                return false;
            if (until(holds, 1.0) >= 0)
                return true;
        }
        return false;
    }

    // Starts Pelorn and waits until it runs, with the log it wrote.
    void launch(const QStringList& arguments = {})
    {
        pelorn = std::make_unique<QProcess>();
        pelorn->setProcessEnvironment(environment());
        pelorn->setProcessChannelMode(QProcess::MergedChannels);
        pelorn->start(testpaths::buildDir() + "/src/Pelorn", arguments);
        ASSERT_TRUE(pelorn->waitForStarted(5000));
        QElapsedTimer t;
        t.start();
        while (!log.contains("Pelorn: running") && t.elapsed() < 30000 && pelorn->state() == QProcess::Running) {
            pelorn->waitForReadyRead(100);
            log += QString::fromLocal8Bit(pelorn->readAll());
        }
        ASSERT_TRUE(log.contains("Pelorn: running")) << log.toStdString();
    }
    void quit()
    {
        if (!pelorn)
            return;
        pelorn->terminate();
        EXPECT_TRUE(pelorn->waitForFinished(10000));
        log += QString::fromLocal8Bit(pelorn->readAll());
        pelorn.reset();
    }

    // A setting stored before Pelorn starts, as an earlier launch would have left it.
    void storeSetting(const QString& key, const QVariant& value)
    {
        platform::paths::setSimRoot(root.path());
        platform::UserDefaults::standard().reload();
        platform::UserDefaults::standard().set(key, value);
        platform::UserDefaults::standard().flush(); // on disk before Pelorn starts and reads it
    }
    // The master volume on the monitor's DDC/CI: the built-in speakers gone, the output falls
    // back to the monitor's HDMI audio, and Pelorn steps the monitor's own volume.
    void onTheMonitorsVolume()
    {
        storeSetting("audio.softwareVolume", false);
        launch();
        ASSERT_EQ(desk({"audio", "unplug", "BuiltInSpeakerDevice"}).status, 0);
        ASSERT_EQ(status()["audio"]["output"]["uid"].toString(), "HDMI-Monitor-Audio");
    }
    static int monitorVolumes(const QJsonObject& status)
    {
        int sum = 0;
        for (const QJsonValue& d : status["displays"].toArray())
            sum += d["monitor"]["volume"].toInt();
        return sum;
    }

    bool onScreen()
    {
        if (!XServer::installed())
            return false;
        x = std::make_unique<XServer>();
        if (x->start() && x->startStatusArea())
            return true;
        x.reset();
        return false;
    }

    // The default desk with the administrator prompt answered by itself ("allow" or "deny").
    void deskWithPrompt(const QString& answer)
    {
        QFile defaults(testpaths::sourceDir() + "/desks/default.json");
        QFile own(root.path() + "/prompt-desk.json");
        ASSERT_TRUE(defaults.open(QIODevice::ReadOnly) && own.open(QIODevice::WriteOnly));
        QByteArray content = defaults.readAll();
        ASSERT_TRUE(content.contains("\"name\": \"default\","));
        own.write(content.replace("\"name\": \"default\",",
                                  "\"name\": \"default\", \"adminPrompt\": \"" + answer.toUtf8() + "\","));
        deskFile = own.fileName();
    }
    // A screen with a status area and the accessibility bus, for Pelorn in English.
    bool onScreenWithBus()
    {
        if (!AccessibilityBus::installed() || !onScreen())
            return false;
        bus = std::make_unique<AccessibilityBus>();
        if (bus->start(x->environment()))
            return true;
        bus.reset();
        return false;
    }
    // The menu-bar icon clicked, the overview opened from the panel and the battery page
    // ("Charge Control") chosen in its sidebar, then `more` steps: what the probe could not do,
    // or empty.
    QString toTheBatteryPage(const QJsonArray& more)
    {
        QThread::msleep(500); // the status area places the icon after it docks
        if (!x->click(QPoint(XServer::kScreen.width() - 12, 12)))
            return x->error();
        QJsonArray todo{QJsonObject{{"press", "Open overview"}},
                        QJsonObject{{"press", "Charge Control"}, {"role", "list item"}}};
        for (const QJsonValue& step : more)
            todo.append(step);
        return walk(todo);
    }
    QString walk(const QJsonArray& todo) const
    {
        QString errors;
        const QString steps = QString::fromUtf8(QJsonDocument(todo).toJson(QJsonDocument::Compact));
        const QByteArray out = AccessibilityBus::probe(environment(), {"steps", steps}, &errors);
        const QJsonObject r = QJsonDocument::fromJson(out).object();
        if (r["done"].toInt() == todo.size())
            return {};
        return QString::fromUtf8(out) + errors;
    }
    static QJsonObject helperJob(const QJsonObject& status)
    {
        for (const QJsonValue& j : status["launchd"].toArray())
            if (j["label"].toString().toStdString() == HelperConstants::label)
                return j.toObject();
        return {};
    }

    static const QJsonObject display(const QJsonObject& status, const QString& name)
    {
        for (const QJsonValue& d : status["displays"].toArray())
            if (d["name"].toString() == name)
                return d.toObject();
        return {};
    }
    static QJsonObject monitor(const QJsonObject& status) { return display(status, "Lumera 27Q")["monitor"].toObject(); }

    QTemporaryDir root;
    QString deskFile;
    std::unique_ptr<XServer> x;
    std::unique_ptr<AccessibilityBus> bus;
    std::unique_ptr<QProcess> pelorn;
    QString log;
};

TEST_F(DeskProcess, TheKvmSwitchAppliesTheMonitorsProfile)
{
    if (!onScreen())
        GTEST_SKIP() << "Xvfb or trayer is not installed";
    // A profile for the wide monitor that differs from what the machine holds (brightness 60,
    // the built-in speakers, volume 30 on the monitor).
    const QJsonObject profile{{"id", "6F1C2A3B-0D4E-4F50-8A6B-7C8D9E0F1A2B"},
                              {"name", "Masa"},
                              {"displayKey", kWideKey},
                              {"displayName", "Lumera 27Q"},
                              {"audioUID", "USB-Headset"},
                              {"audioName", "USB Kulaklık"},
                              {"brightness", 25},
                              {"volume", 45},
                              {"restoreBuiltinAudio", true}};
    storeSetting("kvm.profiles", QJsonDocument(QJsonArray{profile}).toJson(QJsonDocument::Compact));
    launch();
    ASSERT_TRUE(log.contains("menu-bar icon shown")) << log.toStdString();

    ASSERT_EQ(desk({"kvm", "away"}).status, 0);
    EXPECT_FALSE(display(status(), "Lumera 27Q")["online"].toBool());
    ASSERT_EQ(desk({"kvm", "back"}).status, 0);
    const double applied = until(
        [](const QJsonObject& s) {
            return monitor(s)["brightness"].toInt() == 25 && s["audio"]["output"]["uid"].toString() == "USB-Headset"
                   && std::abs(s["audio"]["output"]["volume"].toDouble() - 0.45) < 0.005;
        },
        2.0 + 2.0);
    const QJsonObject s = status();
    EXPECT_GE(applied, 0) << "brightness " << monitor(s)["brightness"].toInt() << ", output "
                          << s["audio"]["output"]["uid"].toString().toStdString() << ", volume "
                          << s["audio"]["output"]["volume"].toDouble() << "\n"
                          << log.toStdString();

    // Away again: the profile's "restore built-in speakers" brings the output back.
    ASSERT_EQ(desk({"kvm", "away"}).status, 0);
    EXPECT_GE(until([](const QJsonObject& s) { return s["audio"]["output"]["uid"].toString() == "BuiltInSpeakerDevice"; }, 10.0), 0);
}

TEST_F(DeskProcess, GrantingInputStartsTheTaps)
{
    onTheMonitorsVolume();
    EXPECT_EQ(status()["eventTaps"].toInt(), 0);
    const int before = monitorVolumes(status());

    ASSERT_EQ(desk({"key", "volume-up"}).status, 0);
    ASSERT_EQ(desk({"grant", "input"}).status, 0);
    // The next poll takes the grant; the wait is wide because each desk command is a process of
    // its own, slow to start in the sanitizer build on a loaded machine.
    EXPECT_GE(until([](const QJsonObject& s) { return s["eventTaps"].toInt() > 0; }, 10.0), 0) << log.toStdString();
    EXPECT_EQ(monitorVolumes(status()), before) << "a key pressed before the grant never reached Pelorn";

    ASSERT_EQ(desk({"key", "volume-up"}).status, 0);
    EXPECT_GE(until([&](const QJsonObject& s) { return monitorVolumes(s) > before; }, 10.0), 0);

    // The monitor's own buttons take it to another computer and back: Pelorn reaches it again.
    ASSERT_EQ(desk({"monitor", "Lumera 27Q", "input", "0x11"}).status, 0);
    ASSERT_EQ(desk({"key", "volume-up"}).status, 0);
    ASSERT_EQ(desk({"monitor", "Lumera 27Q", "input", "15"}).status, 0);
    const int back = monitorVolumes(status());
    EXPECT_TRUE(pressUntil("volume-up", [&](const QJsonObject& s) { return monitorVolumes(s) > back; }, 10.0));

    const int posted = status()["postedEvents"].toInt();
    ASSERT_EQ(desk({"wheel", "3"}).status, 0);
    EXPECT_GE(until([&](const QJsonObject& s) { return s["postedEvents"].toInt() > posted; }, 10.0), 0)
        << "the wheel's glide reached the application under the pointer";
}

TEST_F(DeskProcess, TheMachineLastsAcrossLaunchesAndTheDeskOperatesItOffline)
{
    EXPECT_EQ(desk({"status"}).status, 2) << "no machine yet";
    EXPECT_TRUE(desk({"status"}).err.contains("no machine"));

    onTheMonitorsVolume();
    // What Pelorn itself changes (a monitor's brightness and volume, from the keys) and what
    // the desk changes, before quitting.
    ASSERT_EQ(desk({"grant", "input"}).status, 0);
    ASSERT_GE(until([](const QJsonObject& s) { return s["eventTaps"].toInt() > 0; }, 10.0), 0);
    const QJsonObject fresh = status();
    ASSERT_EQ(desk({"key", "brightness-down"}).status, 0);
    ASSERT_EQ(desk({"key", "volume-down"}).status, 0);
    ASSERT_GE(until([&](const QJsonObject& s) { return monitorVolumes(s) < monitorVolumes(fresh); }, 10.0), 0);
    const QJsonObject left = status();
    ASSERT_EQ(desk({"battery", "63"}).status, 0);
    ASSERT_EQ(desk({"monitor", "Lumera 24F", "input", "0x0F"}).status, 0);
    ASSERT_EQ(desk({"audio", "unplug", "USB-Headset"}).status, 0);
    quit();

    // With Pelorn gone the desk changes the machine the next launch finds, and refuses bad
    // input without touching it.
    ASSERT_EQ(desk({"kvm", "away"}).status, 0);
    const QString machine = root.path() + "/.sim/machine.json";
    QFile before(machine);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray saved = before.readAll();
    for (const QStringList& bad : {QStringList{"frobnicate"}, {"display", "plug", "Lumera 99"},
                                   {"battery", "250"}, {"monitor", "Lumera 24F", "input", "x"}}) {
        const Desk d = desk(bad);
        EXPECT_EQ(d.status, 2) << bad.join(' ').toStdString();
        EXPECT_FALSE(d.err.isEmpty());
    }
    QFile after(machine);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), saved);

    launch();
    const QJsonObject s = status();
    EXPECT_NEAR(s["battery"]["percent"].toDouble(), 63, 1.0);
    EXPECT_EQ(display(s, "Lumera 24F")["monitor"]["input"].toInt(), 0x0F);
    EXPECT_FALSE(display(s, "Lumera 27Q")["online"].toBool()) << "switched away while Pelorn was not running";
    EXPECT_FALSE(display(s, "Lumera 24F")["online"].toBool());
    EXPECT_FALSE(s["audio"]["devices"].toArray().contains("USB-Headset"));
    EXPECT_EQ(s["audio"]["output"], left["audio"]["output"]);
    EXPECT_EQ(monitorVolumes(s), monitorVolumes(left));
    for (const char* name : {"Yerleşik Retina Ekran", "Lumera 24F"})
        EXPECT_EQ(display(s, name)["brightness"], display(left, name)["brightness"]);
    EXPECT_EQ(display(s, "Lumera 24F")["monitor"]["brightness"], display(left, "Lumera 24F")["monitor"]["brightness"]);
    EXPECT_TRUE(s["inputAccess"].toBool());
    quit();

    // Another desk file is new hardware: the machine is made from it again.
    QFile other(root.path() + "/other-desk.json");
    QFile defaults(testpaths::sourceDir() + "/desks/default.json");
    ASSERT_TRUE(defaults.open(QIODevice::ReadOnly) && other.open(QIODevice::WriteOnly));
    other.write(defaults.readAll().replace("\"percent\": 80", "\"percent\": 30"));
    other.close();
    pelorn = std::make_unique<QProcess>();
    QProcessEnvironment env = environment();
    env.insert("PELORN_DESK", other.fileName());
    pelorn->setProcessEnvironment(env);
    pelorn->setProcessChannelMode(QProcess::MergedChannels);
    pelorn->start(testpaths::buildDir() + "/src/Pelorn");
    ASSERT_TRUE(pelorn->waitForStarted(5000));
    EXPECT_GE(until([](const QJsonObject& s) { return display(s, "Lumera 27Q")["online"].toBool(); }, 20), 0);
    const QJsonObject rebuilt = status();
    EXPECT_NEAR(rebuilt["battery"]["percent"].toDouble(), 30, 1.0);
    EXPECT_EQ(display(rebuilt, "Lumera 24F")["monitor"]["input"].toInt(), 17) << "the desk's own input";
}

class DeskHelper : public DeskProcess {
protected:
    void installAndDrainUntilUnplugged()
    {
        deskWithPrompt("allow");
        // Pelorn's own keep-awake off, so that a block on sleep is the discharge's.
        storeSetting("power.preventSleep", false);
        launch({"-AppleLanguages", "(en)"});
        ASSERT_FALSE(environment().contains("PELORN_BUNDLE")) << "a normal start finds the helper in its own bundle";
        ASSERT_TRUE(helperJob(status()).isEmpty());
        ASSERT_FALSE(status()["sleepBlocked"].toBool());

        const QString walked = toTheBatteryPage({QJsonObject{{"press", "Install Battery Helper to Discharge"}}});
        ASSERT_TRUE(walked.isEmpty()) << walked.toStdString() << log.toStdString();
        const auto running = [](const QJsonObject& s) {
            return helperJob(s)["loaded"].toBool() && helperJob(s)["pid"].toDouble() > 0;
        };
        ASSERT_GE(until(running, 10), 0) << desk({"status"}).out.toStdString();
        const double percent = status()["battery"]["percent"].toDouble();
        ASSERT_GT(percent, 60);

        // The drain tile, enabled once the page has seen the helper, pops up the targets below the
        // level under a disabled header; a popped-up menu is not on the bus, so the keyboard picks
        // the first target (60 %).
        const QString opened = walk({QJsonObject{{"press", "Discharge, Choose target"}, {"role", "push button"}}});
        ASSERT_TRUE(opened.isEmpty()) << opened.toStdString();
        ASSERT_TRUE(x->key({"Down", "Return"})) << x->error().toStdString();
        const auto drains = [](const QJsonObject& s) {
            return !s["battery"]["adapterEnabled"].toBool() && s["sleepBlocked"].toBool();
        };
        EXPECT_GE(until(drains, 15), 0) << desk({"status"}).out.toStdString();
        const QJsonObject draining = status();
        EXPECT_TRUE(draining["battery"]["externalConnected"].toBool());
        EXPECT_FALSE(draining["battery"]["charging"].toBool());
        EXPECT_TRUE(draining["sleepDisabled"].toBool()) << "the helper's system setting, not an assertion";
        EXPECT_TRUE(helperJob(draining)["installed"].toBool());
        EXPECT_TRUE(walk({QJsonObject{{"see", "Discharge, Stop"}}}).isEmpty()) << "the drain tile offers to stop";

        // With the cable out the helper's watchdog ends the discharge: the adapter's switch is put
        // back and sleep is allowed again, the tile back to choosing a target.
        ASSERT_EQ(desk({"power", "unplug"}).status, 0);
        const auto ended = [](const QJsonObject& s) {
            return s["battery"]["adapterEnabled"].toBool() && !s["sleepBlocked"].toBool();
        };
        EXPECT_GE(until(ended, 15 + 5), 0) << desk({"status"}).out.toStdString();
        const QJsonObject after = status();
        EXPECT_FALSE(after["battery"]["externalConnected"].toBool());
        EXPECT_TRUE(helperJob(after)["loaded"].toBool()) << "the helper stays for the next discharge";
        // The page learns it at its next look at the helper, half a minute at most.
        EXPECT_TRUE(walk({QJsonObject{{"see", "Discharge, Choose target"}, {"timeout", 30 + 5}}}).isEmpty());
    }
};

TEST_F(DeskHelper, TheHelperInstalledFromTheBatteryPageDrainsUntilUnplugged)
{
    if (!onScreenWithBus())
        GTEST_SKIP() << "Xvfb, trayer, dbus-daemon, at-spi2-core or python3-pyatspi is missing (scripts/setup)";
    installAndDrainUntilUnplugged();
}

// On a host where only a process's ancestors and the one it names may read its memory, the
// helper (no ancestor of Pelorn) still checks Pelorn: Pelorn names it.
TEST_F(DeskHelper, TheHelperChecksPelornWhereInspectionIsRestricted)
{
    if (!onScreenWithBus())
        GTEST_SKIP() << "Xvfb, trayer, dbus-daemon, at-spi2-core or python3-pyatspi is missing (scripts/setup)";
    platform::paths::setSimRoot(root.path());
    sim::codesign::setInspectionRestricted(true);
    installAndDrainUntilUnplugged();
    ASSERT_TRUE(sim::codesign::inspectionRestricted());
}

TEST_F(DeskProcess, ACancelledAdministratorPromptShowsOnTheBatteryPage)
{
    if (!onScreenWithBus())
        GTEST_SKIP() << "Xvfb, trayer, dbus-daemon, at-spi2-core or python3-pyatspi is missing (scripts/setup)";
    deskWithPrompt("deny");
    launch({"-AppleLanguages", "(en)"});
    const QString walked = toTheBatteryPage(
        {QJsonObject{{"press", "Install Battery Helper to Discharge"}}, QJsonObject{{"see", "User canceled."}}});
    EXPECT_TRUE(walked.isEmpty()) << walked.toStdString();
    const QJsonObject s = status();
    EXPECT_FALSE(helperJob(s)["installed"].toBool());
    EXPECT_FALSE(helperJob(s)["loaded"].toBool());
    EXPECT_TRUE(s["battery"]["adapterEnabled"].toBool());
}

} // namespace
