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

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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
        for (auto& old : quitting)
            old->waitForFinished(30000);
        endDaemons();
        bus.reset();
    }

    // The daemons the simulated launchd started on this sim root outlive Pelorn, as daemons do:
    // the test ends them.
    void endDaemons() const
    {
        QFile f(root.path() + "/.sim/launchd.json");
        if (!f.open(QIODevice::ReadOnly))
            return;
        for (const QJsonValue& job : QJsonDocument::fromJson(f.readAll()).object()) {
            const qint64 pid = qint64(job["pid"].toDouble());
            const QString exe = QFileInfo(QString("/proc/%1/exe").arg(pid)).symLinkTarget();
            if (pid > 1 && exe.startsWith(root.path() + "/"))
                ::kill(pid_t(pid), SIGKILL);
        }
    }
    // The processes that run the installed helper program.
    QList<qint64> helperProcesses() const
    {
        const QString program = root.path() + QString::fromUtf8(HelperConstants::installPath.data(), qsizetype(HelperConstants::installPath.size()));
        QList<qint64> out;
        for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
            bool number = false;
            const qint64 pid = entry.toLongLong(&number);
            if (number && QFileInfo("/proc/" + entry + "/exe").symLinkTarget() == program)
                out << pid;
        }
        return out;
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
    void launch(const QStringList& arguments = {}, int descriptorLimit = 0)
    {
        start(arguments, descriptorLimit);
        ASSERT_TRUE(pelorn->waitForStarted(5000));
        QElapsedTimer t;
        t.start();
        while (!log.contains("Pelorn: running") && t.elapsed() < 30000 && pelorn->state() == QProcess::Running) {
            pelorn->waitForReadyRead(100);
            log += QString::fromLocal8Bit(pelorn->readAll());
        }
        ASSERT_TRUE(log.contains("Pelorn: running")) << log.toStdString();
    }
    // Starts Pelorn without waiting for it.
    void start(const QStringList& arguments = {}, int descriptorLimit = 0)
    {
        pelorn = std::make_unique<QProcess>();
        pelorn->setProcessEnvironment(environment());
        pelorn->setProcessChannelMode(QProcess::MergedChannels);
        if (descriptorLimit > 0)
            pelorn->setChildProcessModifier([descriptorLimit] {
                const rlimit limit{rlim_t(descriptorLimit), rlim_t(descriptorLimit)};
                ::setrlimit(RLIMIT_NOFILE, &limit);
            });
        pelorn->start(testpaths::buildDir() + "/src/Pelorn", arguments);
    }
    // Asks Pelorn to quit without waiting for it to be gone.
    void quitLater()
    {
        if (!pelorn)
            return;
        pelorn->terminate();
        quitting.push_back(std::move(pelorn));
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
        // The status area places the icon only once it docks, which a loaded start can delay past
        // the first click: click again until the panel answers.
        QString opened;
        for (int attempt = 0; attempt < 4; ++attempt) {
            QThread::msleep(500);
            if (!x->click(QPoint(XServer::kScreen.width() - 12, 12)))
                return x->error();
            opened = walk({QJsonObject{{"press", "Open overview"}}});
            if (opened.isEmpty())
                break;
        }
        if (!opened.isEmpty())
            return opened;
        QJsonArray todo{QJsonObject{{"press", "Charge Control"}, {"role", "list item"}}};
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

    // --- what the screen shows (the X screen is black where no window is) ---

    // Repeats `act` (nothing when empty) and looks at the screen until `holds` is true of it,
    // for up to `seconds`; the last picture is saved as `shot` under the build's screens/.
    bool screenUntil(const std::function<bool(const QImage&)>& holds, double seconds, const QString& shot,
                     const std::function<bool()>& act = {})
    {
        const QString path = testpaths::buildDir() + "/screens/" + shot + ".png";
        QDir().mkpath(QFileInfo(path).path());
        QElapsedTimer t;
        t.start();
        do {
            if (act && !act())
                return false;
            const QImage screen = x->capture(path);
            if (!screen.isNull() && holds(screen))
                return true;
            QThread::msleep(250);
        } while (t.elapsed() < seconds * 1000);
        return false;
    }
    // The share of a region's pixels for which `is` holds, on a grid of every fourth pixel.
    static double share(const QImage& screen, const QRect& region, const std::function<bool(QColor)>& is)
    {
        int all = 0, hits = 0;
        for (int y = region.top(); y <= region.bottom(); y += 4)
            for (int x = region.left(); x <= region.right(); x += 4) {
                ++all;
                hits += is(screen.pixelColor(x, y));
            }
        return all ? double(hits) / all : 0;
    }
    // The panel hangs below the status item at the top right; the level indicator shows there too.
    static constexpr QRect kPanel{1150, 30, 350, 560};
    static constexpr QRect kIndicator{1260, 40, 230, 30};
    static bool indicatorShown(const QImage& s) { return share(s, kIndicator, [](QColor c) { return c.lightness() > 40; }) > 0.5; }
    // A blackout's cover is a window as large as the screen.
    bool covered()
    {
        for (const QRect& w : x->windows({"--class", "Pelorn"}))
            if (w.size() == XServer::kScreen)
                return true;
        return false;
    }
    bool coveredUntil(bool shown, double seconds, const std::function<bool()>& act = {})
    {
        QElapsedTimer t;
        t.start();
        do {
            if (act && !act())
                return false;
            if (covered() == shown)
                return true;
            QThread::msleep(250);
        } while (t.elapsed() < seconds * 1000);
        return false;
    }
    bool openPanel()
    {
        QThread::msleep(500); // the status area places the icon after it docks
        return x->click(QPoint(XServer::kScreen.width() - 12, 12));
    }

    QTemporaryDir root;
    QString deskFile;
    std::unique_ptr<XServer> x;
    std::unique_ptr<AccessibilityBus> bus;
    std::unique_ptr<QProcess> pelorn;
    std::vector<std::unique_ptr<QProcess>> quitting;
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

TEST_F(DeskProcess, TheHelperDaemonOutlivesPelornAndTheNextStartFindsIt)
{
    if (!onScreenWithBus())
        GTEST_SKIP() << "Xvfb, trayer, dbus-daemon, at-spi2-core or python3-pyatspi is missing (scripts/setup)";
    deskWithPrompt("allow");
    storeSetting("power.preventSleep", false);
    launch({"-AppleLanguages", "(en)"});
    const QString walked = toTheBatteryPage({QJsonObject{{"press", "Install Battery Helper to Discharge"}}});
    ASSERT_TRUE(walked.isEmpty()) << walked.toStdString() << log.toStdString();
    const auto running = [](const QJsonObject& s) { return helperJob(s)["pid"].toDouble() > 0; };
    ASSERT_GE(until(running, 10), 0) << desk({"status"}).out.toStdString();
    const qint64 daemon = qint64(helperJob(status())["pid"].toDouble());
    quit();

    // Pelorn gone, the machine still tells the truth about its daemon, in JSON and in text.
    const QJsonObject job = helperJob(status());
    EXPECT_TRUE(job["loaded"].toBool());
    EXPECT_EQ(qint64(job["pid"].toDouble()), daemon);
    EXPECT_TRUE(desk({"status"}).out.contains(QString("job %1: loaded, pid %2").arg(QString::fromUtf8(HelperConstants::label.data()), QString::number(daemon))));
    EXPECT_EQ(helperProcesses(), QList<qint64>{daemon});

    // The next start finds the daemon running rather than starting another, and it discharges.
    launch({"-AppleLanguages", "(en)"});
    EXPECT_EQ(qint64(helperJob(status())["pid"].toDouble()), daemon);
    EXPECT_EQ(helperProcesses(), QList<qint64>{daemon});
    const QString opened = toTheBatteryPage({QJsonObject{{"press", "Discharge, Choose target"}, {"role", "push button"}}});
    ASSERT_TRUE(opened.isEmpty()) << opened.toStdString();
    ASSERT_TRUE(x->key({"Down", "Return"})) << x->error().toStdString();
    EXPECT_GE(until([](const QJsonObject& s) { return !s["battery"]["adapterEnabled"].toBool(); }, 15), 0)
        << desk({"status"}).out.toStdString();
    EXPECT_EQ(qint64(helperJob(status())["pid"].toDouble()), daemon);
}

TEST_F(DeskProcess, CheckForUpdatesAnswersFromTheMachinesFeed)
{
    if (!onScreenWithBus())
        GTEST_SKIP() << "Xvfb, trayer, dbus-daemon, at-spi2-core or python3-pyatspi is missing (scripts/setup)";
    launch({"-AppleLanguages", "(en)"});
    // The application's own link asks for a check; a second start hands it to the running one.
    const auto check = [&] {
        QProcess again;
        again.setProcessEnvironment(environment());
        again.start(testpaths::buildDir() + "/src/Pelorn", {"quendrel://check-updates"});
        return again.waitForFinished(30000) && again.exitCode() == 0;
    };
    const struct {
        QStringList desk; // what the desk does to the feed first
        QString answer;
        QString button;
    } cases[] = {
        {{}, "You're up to date!", "OK"},
        {{"update", "offer", "1.4"}, "A new version is available: 1.4.", "Remind Me Later"},
        {{"update", "fail"}, "Update error!", "OK"},
        {{"update", "reset"}, "You're up to date!", "OK"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer.toStdString());
        if (!c.desk.isEmpty()) {
            ASSERT_EQ(desk(c.desk).status, 0);
        }
        ASSERT_TRUE(check());
        const QString seen = walk({QJsonObject{{"see", c.answer}}, QJsonObject{{"press", c.button}}});
        EXPECT_TRUE(seen.isEmpty()) << seen.toStdString() << log.toStdString();
    }
}

TEST_F(DeskProcess, EveryDeskCommandThatSucceededIsKeptWhilePelornStartsAndQuits)
{
    launch();
    quit();
    // Values far apart, so that a lost command shows beside the charge the battery gains meanwhile.
    const int percents[] = {20, 55, 85, 35, 70};
    const uint16_t inputs[] = {0x11, 0x12, 0x0F};
    int percent = -1;
    int input = -1;
    bool headset = true;
    int sent = 0;
    // Three commands at once, one of each kind: each kind's own order stays, and the run stays short.
    const auto round = [&](int n) {
        std::vector<QStringList> commands;
        for (int k = 0; k < n; ++k) {
            const int i = sent++;
            switch (i % 3) {
            case 0:
                commands.push_back({"battery", QString::number(percents[(i / 3) % 5])});
                break;
            case 1:
                commands.push_back({"monitor", "Lumera 24F", "input", QString::number(inputs[(i / 3) % 3])});
                break;
            default:
                commands.push_back({"audio", (i / 3) % 2 ? "plug" : "unplug", "USB-Headset"});
                break;
            }
        }
        std::vector<std::unique_ptr<QProcess>> running;
        for (const QStringList& command : commands) {
            running.push_back(std::make_unique<QProcess>());
            running.back()->setProcessEnvironment(environment());
            running.back()->start(testpaths::buildDir() + "/src/pelorn-desk", command);
        }
        for (size_t k = 0; k < commands.size(); ++k) {
            const QStringList& command = commands[k];
            QProcess& p = *running[k];
            const bool done = p.waitForFinished(90000) && p.exitStatus() == QProcess::NormalExit;
            if (!done || p.exitCode() != 0) {
                ADD_FAILURE() << command.join(' ').toStdString() << ": " << p.exitCode() << " "
                              << p.readAllStandardError().toStdString();
                continue;
            }
            if (command[0] == "battery")
                percent = command[1].toInt();
            else if (command[0] == "monitor")
                input = command[3].toInt();
            else
                headset = command[1] == "plug";
        }
    };
    // What the machine shows matches every command that succeeded so far.
    const auto kept = [&] {
        const QJsonObject s = status();
        if (percent >= 0) {
            EXPECT_NEAR(s["battery"]["percent"].toDouble(), percent, 3.0) << "after " << sent << " commands";
        }
        if (input >= 0) {
            EXPECT_EQ(display(s, "Lumera 24F")["monitor"]["input"].toInt(), input) << "after " << sent << " commands";
        }
        EXPECT_EQ(s["audio"]["devices"].toArray().contains("USB-Headset"), headset) << "after " << sent << " commands";
    };
    for (int cycle = 0; cycle < 20; ++cycle) {
        // Once, the next Pelorn starts while the last is still on its way out, as at a relaunch.
        if (cycle == 10)
            quitLater();
        start();
        // Commands while it starts, then while it quits.
        round(3);
        round(3);
        kept();
        if (cycle != 9)
            quitLater();
        round(3);
        round(1);
    }
    EXPECT_EQ(sent, 200);
    for (auto& old : quitting)
        ASSERT_TRUE(old->waitForFinished(30000));
    kept();
    launch();
    kept();
}

TEST_F(DeskProcess, TheDeskDoorOutlastsAFloodOfSilentClients)
{
    rlimit own{};
    ::getrlimit(RLIMIT_NOFILE, &own);
    if (own.rlim_max < 1300)
        GTEST_SKIP() << "this process may not open the 1,100 connections";
    own.rlim_cur = own.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &own);

    launch();
    quit();
    launch({}, 1024);
    // Event taps run only in Pelorn: a status that shows them came through its door.
    ASSERT_EQ(desk({"grant", "input"}).status, 0);
    ASSERT_GE(until([](const QJsonObject& s) { return s["eventTaps"].toInt() > 0; }, 10.0), 0) << log.toStdString();
    const QByteArray path = QFile::encodeName(root.path() + "/.sim/desk.sock");
    std::vector<int> silent;
    for (int i = 0; i < 1100; ++i) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        ASSERT_GE(fd, 0);
        silent.push_back(fd);
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }

    const Desk d = desk({"battery", "50"});
    EXPECT_EQ(d.status, 0) << d.err.toStdString();
    const QJsonObject s = status();
    EXPECT_NEAR(s["battery"]["percent"].toDouble(), 50, 1.0);
    EXPECT_GT(s["eventTaps"].toInt(), 0) << "the running Pelorn answered";
    EXPECT_EQ(pelorn->state(), QProcess::Running) << log.toStdString();
    for (int fd : silent)
        ::close(fd);
    quit();
    EXPECT_NEAR(status()["battery"]["percent"].toDouble(), 50, 1.0) << "kept after Pelorn quit";
}

// A person at the desk with their own mouse and keyboard, and System Settings changing under a
// running Pelorn: the open panel follows the appearance and the accent, a blackout ends on a
// real move or key press, the brightness keys act on the monitor under the pointer, and a
// revoked input access takes the keys away until it is granted again.
TEST_F(DeskProcess, ThePersonsHandsAndTheSystemsSettingsReachPelorn)
{
    if (!onScreenWithBus())
        GTEST_SKIP() << "Xvfb, trayer, dbus-daemon, at-spi2-core or python3-pyatspi is missing (scripts/setup)";
    storeSetting("display.brightnessKeys", true);
    storeSetting("audio.softwareVolume", false);
    launch({"-AppleLanguages", "(en)"});
    ASSERT_EQ(desk({"audio", "unplug", "BuiltInSpeakerDevice"}).status, 0); // the volume keys step the monitor
    ASSERT_EQ(desk({"grant", "input"}).status, 0);
    ASSERT_GE(until([](const QJsonObject& s) { return s["eventTaps"].toInt() > 0; }, 10.0), 0) << log.toStdString();

    // Appearance and accent, changed while the panel is open.
    ASSERT_TRUE(openPanel()) << x->error().toStdString();
    const auto lightShare = [](const QImage& s) { return share(s, kPanel, [](QColor c) { return c.lightness() > 180; }); };
    ASSERT_TRUE(screenUntil([&](const QImage& s) { return lightShare(s) > 0.4; }, 10, "desk-panel-light"));
    const double light = lightShare(x->capture());
    ASSERT_EQ(desk({"appearance", "dark"}).status, 0);
    // Dark, the panel keeps only its white slider fills and texts light.
    EXPECT_TRUE(screenUntil([&](const QImage& s) { return lightShare(s) < light / 2; }, 10, "desk-panel-dark"));
    const auto red = [](QColor c) { return c.red() > 80 && c.red() > 2 * c.green() && c.red() > 2 * c.blue(); };
    EXPECT_LT(share(x->capture(), kPanel, red), 0.001) << "no red before";
    ASSERT_EQ(desk({"accent", "red"}).status, 0);
    EXPECT_TRUE(screenUntil([&](const QImage& s) { return share(s, kPanel, red) > 0.003; }, 10, "desk-panel-red"))
        << "the toggled tiles take the system's accent, Pelorn's own being \"System\"";

    // A blackout from the panel, ended by the mouse, then by a key; the guard ignores the first
    // moment and a small drift, so the person goes on moving until it ends.
    const QString blackout = walk({QJsonObject{{"press", "Black out screen (OLED care)"}}});
    ASSERT_TRUE(blackout.isEmpty()) << blackout.toStdString();
    ASSERT_TRUE(coveredUntil(true, 10));
    x->capture(testpaths::buildDir() + "/screens/desk-blackout.png");
    int moves = 0;
    EXPECT_TRUE(coveredUntil(false, 15, [&] { return x->movePointer(QPoint(400 + 300 * (++moves % 2), 500)); }))
        << "a real mouse move over the cover ends the blackout";
    ASSERT_TRUE(openPanel());
    const QString again = walk({QJsonObject{{"press", "Black out screen (OLED care)"}}});
    ASSERT_TRUE(again.isEmpty()) << again.toStdString();
    ASSERT_TRUE(coveredUntil(true, 10));
    EXPECT_TRUE(coveredUntil(false, 15, [&] { return x->key({"a"}); })) << "a real key press ends it";

    // The pointer onto the wide monitor: the brightness keys step that monitor, and Pelorn's
    // level indicator shows it.
    ASSERT_EQ(desk({"pointer", "Lumera 27Q"}).status, 0);
    EXPECT_EQ(status()["pointer"].toString(), "Lumera 27Q");
    const int brightness = monitor(status())["brightness"].toInt();
    EXPECT_TRUE(screenUntil(indicatorShown, 10, "desk-indicator-brightness", [&] { return desk({"key", "brightness-up"}).status == 0; }));
    EXPECT_GE(until([&](const QJsonObject& s) { return monitor(s)["brightness"].toInt() > brightness; }, 10.0), 0);

    // Input access revoked: the taps stop at once and the panel asks for the permission again.
    ASSERT_EQ(desk({"revoke", "input"}).status, 0);
    ASSERT_GE(until([](const QJsonObject& s) { return s["eventTaps"].toInt() == 0; }, 10.0), 0);
    const int volume = monitorVolumes(status());
    ASSERT_TRUE(screenUntil([](const QImage& s) { return !indicatorShown(s); }, 10, "desk-revoked-before"));
    ASSERT_EQ(desk({"key", "volume-up"}).status, 0);
    EXPECT_FALSE(screenUntil(indicatorShown, 2, "desk-revoked-key")) << "no level indicator without input access";
    ASSERT_TRUE(openPanel());
    const QString card = walk({QJsonObject{{"see", "Accessibility permission needed"}}});
    EXPECT_TRUE(card.isEmpty()) << card.toStdString();

    ASSERT_EQ(desk({"grant", "input"}).status, 0);
    ASSERT_GE(until([](const QJsonObject& s) { return s["eventTaps"].toInt() > 0; }, 10.0), 0);
    EXPECT_EQ(monitorVolumes(status()), volume) << "the key pressed while revoked never reached Pelorn";
    EXPECT_TRUE(screenUntil(indicatorShown, 10, "desk-granted-key", [&] { return desk({"key", "volume-up"}).status == 0; }));
    EXPECT_GE(until([&](const QJsonObject& s) { return monitorVolumes(s) > volume; }, 10.0), 0);

    // The new commands refuse bad input as the others do, leaving the machine as it is.
    const auto settings = [](const QJsonObject& s) {
        return QJsonObject{{"pointer", s["pointer"]}, {"appearance", s["appearance"]}, {"accent", s["accent"]}};
    };
    const QJsonObject before = settings(status());
    for (const QStringList& bad : {QStringList{"pointer", "Lumera 99"}, {"pointer"}, {"appearance", "sepia"}, {"accent", "teal"}}) {
        const Desk d = desk(bad);
        EXPECT_EQ(d.status, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(d.err.startsWith("pelorn-desk: ")) << d.err.toStdString();
    }
    EXPECT_EQ(settings(status()), before);
    EXPECT_EQ(before["appearance"].toString(), "dark");
    EXPECT_EQ(before["accent"].toString(), "red");
    EXPECT_EQ(before["pointer"].toString(), "Yerleşik Retina Ekran") << "the real clicks on the panel took the pointer back";
}

// The system's own windows close as a Mac's do, on a screen with no window manager to draw a
// title bar: the privacy pane on Escape, Ctrl-W and its close control, the administrator prompt
// on Escape and its close control, which cancel it.
TEST_F(DeskProcess, TheSystemsWindowsCloseWithoutAWindowManager)
{
    if (!onScreenWithBus())
        GTEST_SKIP() << "Xvfb, trayer, dbus-daemon, at-spi2-core or python3-pyatspi is missing (scripts/setup)";
    launch({"-AppleLanguages", "(en)"});
    const QStringList pane{"--name", "^Privacy & Security$"};
    // The close control sits at the top-leading corner, inside the window's margins.
    const auto closeControl = [](const QRect& w) { return w.topLeft() + QPoint(17, 18); };
    const auto closings = std::vector<std::pair<const char*, std::function<bool(const QRect&)>>>{
        {"Escape", [&](const QRect&) { return x->key({"Escape"}); }},
        {"Ctrl-W", [&](const QRect&) { return x->key({"ctrl+w"}); }},
        {"close control", [&](const QRect& w) { return x->click(closeControl(w)); }},
    };
    for (const auto& [name, close] : closings) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(openPanel());
        const QString opened = walk({QJsonObject{{"press", "Open System Settings"}}});
        ASSERT_TRUE(opened.isEmpty()) << opened.toStdString();
        QElapsedTimer t;
        t.start();
        std::vector<QRect> shown;
        while ((shown = x->windows(pane)).empty() && t.elapsed() < 10000)
            QThread::msleep(100);
        ASSERT_EQ(shown.size(), 1u);
        x->capture(testpaths::buildDir() + "/screens/desk-pane.png");
        ASSERT_TRUE(close(shown.front())) << x->error().toStdString();
        t.restart();
        while (!x->windows(pane).empty() && t.elapsed() < 10000)
            QThread::msleep(100);
        EXPECT_TRUE(x->windows(pane).empty());
    }

    // The prompt is titled with the application's name, as the main window may be: it is the small one.
    const auto prompts = [&] {
        std::vector<QRect> small;
        for (const QRect& w : x->windows({"--name", "^Pelorn$"}))
            if (w.width() < 700 && w.height() < 400)
                small.push_back(w);
        return small;
    };
    for (const char* name : {"Escape", "close control"}) {
        SCOPED_TRACE(name);
        const QString walked = toTheBatteryPage({QJsonObject{{"press", "Install Battery Helper to Discharge"}}});
        ASSERT_TRUE(walked.isEmpty()) << walked.toStdString();
        QElapsedTimer t;
        t.start();
        std::vector<QRect> shown;
        while ((shown = prompts()).empty() && t.elapsed() < 10000)
            QThread::msleep(100);
        ASSERT_FALSE(shown.empty());
        x->capture(testpaths::buildDir() + "/screens/desk-prompt.png");
        ASSERT_TRUE(std::string(name) == "Escape" ? x->key({"Escape"}) : x->click(closeControl(shown.back())));
        const QString cancelled = walk({QJsonObject{{"see", "User canceled."}}});
        EXPECT_TRUE(cancelled.isEmpty()) << cancelled.toStdString();
        EXPECT_TRUE(prompts().empty());
        EXPECT_FALSE(helperJob(status())["installed"].toBool());
    }
}

// The display page's mirroring switch on and off: every display is back at its former origin.
TEST_F(DeskProcess, MirroringOffPutsTheDisplaysBackWhereTheyStood)
{
    if (!onScreenWithBus())
        GTEST_SKIP() << "Xvfb, trayer, dbus-daemon, at-spi2-core or python3-pyatspi is missing (scripts/setup)";
    launch({"-AppleLanguages", "(en)"});
    const auto origins = [](const QJsonObject& s) {
        QJsonObject out;
        for (const QJsonValue& d : s["displays"].toArray())
            out[d["name"].toString()] = QJsonArray{d["x"], d["y"]};
        return out;
    };
    const QJsonObject before = origins(status());
    ASSERT_EQ(before.size(), 3);
    ASSERT_TRUE(openPanel());
    const QString on = walk({QJsonObject{{"press", "Open overview"}}, QJsonObject{{"press", "Displays"}, {"role", "list item"}},
                             QJsonObject{{"press", "Mirror displays"}}});
    ASSERT_TRUE(on.isEmpty()) << on.toStdString();
    const auto stacked = [](const QJsonObject& s) {
        for (const QJsonValue& d : s["displays"].toArray())
            if (d["x"].toInt() != 0 || d["y"].toInt() != 0)
                return false;
        return true;
    };
    ASSERT_GE(until(stacked, 10.0), 0) << desk({"status"}).out.toStdString();
    const QString off = walk({QJsonObject{{"press", "Mirror displays"}}});
    ASSERT_TRUE(off.isEmpty()) << off.toStdString();
    EXPECT_GE(until([&](const QJsonObject& s) { return origins(s) == before && !stacked(s); }, 10.0), 0)
        << desk({"status"}).out.toStdString();
}

} // namespace
