// The simulated Mac as a machine that lasts: what a launch leaves under the sim root, the next
// launch finds; a different desk is new hardware; the desk's commands act on it and refuse bad
// input without touching it.
#include "platform/Audio.h"
#include "platform/DisplayServices.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Battery.h"
#include "platform/sim/DeskCommands.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/Mac.h"
#include "platform/sim/Machine.h"
#include "platform/sim/Persistence.h"
#include "platform/sim/SimAudio.h"
#include "support/SimTest.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QJsonDocument>

namespace {

using platform::audio::kHardwareDefaultOutputDevice;
using sim::deskcommands::run;

constexpr uint32_t kWide = 2;   // "Lumera 27Q"
constexpr uint32_t kSecond = 3; // "Lumera 24F"

class MachineState : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        boot();
    }
    void TearDown() override
    {
        sim::persistence::disable();
        SimTest::TearDown();
    }

    // A launch of Pelorn's machine on this sim root (the desk process's role: no launchd, no door).
    sim::Mac::Boot boot(const QByteArray& json = sim::Desk::defaultJson())
    {
        const sim::DeskResult desk = sim::Desk::parse(json);
        EXPECT_TRUE(desk.ok());
        return sim::Mac::shared().boot(desk.value(), sim::Mac::Role::desk);
    }
    static sim::Displays& displays() { return sim::Mac::shared().displays(); }
    static QVariant global(const QString& key) { return platform::UserDefaults::standard().globalObject(key); }
    static uint16_t vcp(uint32_t display, uint8_t code) { return displays().monitor(display)->vcp(code)->value; }
    QByteArray file(const QString& name) const
    {
        QFile f(sim::machine::stateFolder() + "/" + name + ".json");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(MachineState, ARelaunchFindsTheMachineAsItWasLeft)
{
    sim::battery::setPercent(84);
    sim::battery::setChargeLimit(70);
    displays().monitor(kWide)->setVcp(0x10, 35, 100);
    displays().monitor(kSecond)->showInput(0x0F);
    sim::AudioSystem::shared().setDefaultDevice(kHardwareDefaultOutputDevice, "USB-Headset");
    sim::AudioSystem::shared().setVolumeScalar("USB-Headset", platform::audio::kScopeOutput, 2, 0.25f);
    sim::Displays::Pending moved;
    moved.origins[kWide] = {-1920, 0};
    displays().complete(moved);
    displays().setOnline(kSecond, false);
    sim::EventSystem::shared().setTrusted(true);
    sim::persistence::flush();

    advance(60); // above the new limit the charge holds
    const sim::Mac::Boot again = boot();

    EXPECT_FALSE(again.rebuilt);
    EXPECT_NEAR(sim::battery::read().percent, 84, 1e-6) << "above the limit: held, not charged";
    EXPECT_EQ(sim::battery::read().chargeLimit, 70);
    EXPECT_EQ(vcp(kWide, 0x10), 35);
    EXPECT_EQ(vcp(kSecond, 0x60), 0x0F);
    EXPECT_TRUE(displays().monitor(kSecond)->switchedAway()) << "the Mac's input stays the desk's";
    EXPECT_EQ(sim::AudioSystem::shared().defaultDeviceUID(kHardwareDefaultOutputDevice), "USB-Headset");
    EXPECT_FLOAT_EQ(sim::AudioSystem::shared().volumeScalar("USB-Headset", platform::audio::kScopeOutput, 2), 0.25f);
    EXPECT_FLOAT_EQ(sim::AudioSystem::shared().volumeScalar("USB-Headset", platform::audio::kScopeOutput, 1), 0.4f);
    EXPECT_EQ(displays().display(kWide)->x, -1920);
    EXPECT_FALSE(displays().display(kSecond)->online);
    EXPECT_TRUE(sim::EventSystem::shared().trusted());
}

TEST_F(MachineState, AChangedDeskIsNewHardware)
{
    displays().monitor(kWide)->setVcp(0x10, 35, 100);
    sim::battery::setPercent(84);
    sim::persistence::flush();

    QByteArray json = sim::Desk::defaultJson();
    json.replace("\"percent\": 80", "\"percent\": 55");
    const sim::Mac::Boot rebuilt = boot(json);

    EXPECT_TRUE(rebuilt.rebuilt);
    EXPECT_EQ(vcp(kWide, 0x10), 60);
    EXPECT_NEAR(sim::battery::read().percent, 55, 1e-6);
    EXPECT_FALSE(boot(json).rebuilt) << "the same desk again finds the machine";
}

TEST_F(MachineState, PollingTheBatteryWritesAtMostOnceAMinute)
{
    const QByteArray before = file("battery");
    ASSERT_FALSE(before.isEmpty());
    for (int i = 0; i < 11; ++i) { // the battery page's 5 s poll, while charging at 1 %/min
        advance(5);
        sim::battery::read();
    }
    EXPECT_NEAR(sim::battery::read().percent, 80 + 55.0 / 60, 1e-6);
    EXPECT_EQ(file("battery"), before);
    advance(5);
    EXPECT_NEAR(sim::battery::read().percent, 81, 1e-6);
    EXPECT_NE(file("battery"), before) << "a minute on, the charge is written for processes whose clock lags";

    sim::battery::setChargeLimit(81); // held at the limit: nothing moves, nothing is written
    const QByteArray held = file("battery");
    advance(600);
    EXPECT_NEAR(sim::battery::read().percent, 81, 1e-6);
    EXPECT_EQ(file("battery"), held);
}

TEST_F(MachineState, CommandsActOnTheMachine)
{
    int reconfigured = 0;
    platform::displays::registerReconfigurationCallback(
        [](platform::displays::DisplayID, uint32_t flags, void* n) {
            if (!(flags & platform::displays::kBeginConfigurationFlag))
                ++*static_cast<int*>(n);
        },
        &reconfigured);
    const struct {
        QStringList args;
        std::function<bool()> done;
    } cases[] = {
        {{"kvm", "away"}, [] { return !displays().display(kWide)->online && !displays().display(kSecond)->online; }},
        {{"kvm", "back"}, [] { return displays().display(kWide)->online && displays().display(kSecond)->online; }},
        {{"monitor", "Lumera 27Q", "input", "0x11"}, [] { return displays().monitor(kWide)->switchedAway(); }},
        {{"monitor", "lumera 27q", "input", "15"}, [] { return !displays().monitor(kWide)->switchedAway(); }},
        {{"display", "unplug", "Lumera 24F"}, [] { return !displays().display(kSecond); }},
        {{"display", "plug", "Lumera 24F"}, [] { return displays().display(kSecond).has_value(); }},
        {{"power", "unplug"}, [] { return !sim::battery::read().externalConnected; }},
        {{"battery", "42"}, [] { return std::abs(sim::battery::read().percent - 42) < 1e-6; }},
        {{"audio", "unplug", "USB Kulaklık"}, [] { return !sim::AudioSystem::shared().deviceUIDs().contains("USB-Headset"); }},
        {{"audio", "plug", "USB-Headset"}, [] { return sim::AudioSystem::shared().deviceUIDs().contains("USB-Headset"); }},
        {{"app", "play", "Safari"},
         [] {
             const auto ps = sim::AudioSystem::shared().processes();
             return std::all_of(ps.begin(), ps.end(), [](auto& p) { return p.playing == (p.pid != 500 && p.pid != 90); });
         }},
        {{"grant", "input"}, [] { return sim::EventSystem::shared().trusted(); }},
        {{"revoke", "input"}, [] { return !sim::EventSystem::shared().trusted(); }},
        {{"pointer", "lumera 27q"},
         [] {
             const QPointF at = platform::screens::mouseLocation();
             for (const auto& s : platform::screens::screens())
                 if (platform::screens::mouseInRect(at, s.frame))
                     return s.deviceDescription.value("NSScreenNumber").toUInt() == kWide;
             return false;
         }},
        {{"appearance", "dark"}, [] { return global("AppleInterfaceStyle") == "Dark"; }},
        {{"accent", "red"}, [] { return global("AppleAccentColor") == qlonglong(0); }},
        {{"accent", "graphite"}, [] { return global("AppleAccentColor") == qlonglong(-1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const sim::deskcommands::Outcome o = run(c.args);
        EXPECT_EQ(o.status, 0) << o.err.toStdString();
        EXPECT_TRUE(c.done());
    }
    EXPECT_EQ(reconfigured, 2 + 2 + 2 + 2) << "each display change reached the registered callback";

    const QJsonObject status = sim::deskcommands::status();
    EXPECT_EQ(status["kvm"]["name"].toString(), "Masa KVM");
    EXPECT_EQ(status["battery"]["percent"].toDouble(), 42);
    EXPECT_EQ(status["displays"][1]["monitor"]["brightness"].toInt(), 60);
    EXPECT_EQ(status["audio"]["output"]["uid"].toString(), "BuiltInSpeakerDevice");
    EXPECT_DOUBLE_EQ(status["audio"]["output"]["volume"].toDouble(), 0.5);
    EXPECT_EQ(status["pointer"].toString(), "Lumera 27Q");
    EXPECT_EQ(status["appearance"].toString(), "dark");
    EXPECT_EQ(status["accent"].toString(), "graphite");
    const QString text = run({"status"}).out;
    EXPECT_TRUE(text.contains("pointer on Lumera 27Q; appearance dark, accent graphite\n")) << text.toStdString();

    // Back to the defaults System Settings starts from.
    for (const QStringList& args : {QStringList{"appearance", "light"}, QStringList{"accent", "multicolour"}})
        EXPECT_EQ(run(args).status, 0);
    EXPECT_FALSE(global("AppleInterfaceStyle").isValid());
    EXPECT_FALSE(global("AppleAccentColor").isValid());
}

// Mirroring stacks the displays on the main one; turned off, each goes back where it stood,
// also after a relaunch, or beside the others when its place was taken meanwhile.
TEST_F(MachineState, MirroringOffPutsTheDisplaysBack)
{
    namespace ds = platform::displays;
    const auto origin = [](uint32_t id) { return QPoint(displays().display(id)->x, displays().display(id)->y); };
    const auto mirror = [](std::vector<uint32_t> ids, bool on, std::optional<std::pair<uint32_t, QPoint>> move = {}) {
        ds::ConfigRef config;
        ASSERT_EQ(ds::beginConfiguration(&config), ds::kSuccess);
        for (uint32_t id : ids)
            ds::configureMirror(config, id, on ? displays().mainID() : 0);
        if (move)
            ds::configureOrigin(config, move->first, move->second.x(), move->second.y());
        ds::completeConfiguration(config, ds::kConfigurePermanently);
    };
    const QPoint wide = origin(kWide), second = origin(kSecond);
    ASSERT_NE(wide, second);

    mirror({kWide, kSecond}, true);
    EXPECT_EQ(origin(kWide), QPoint(0, 0));
    EXPECT_EQ(origin(kSecond), QPoint(0, 0));
    mirror({kWide, kSecond}, false);
    EXPECT_EQ(origin(kWide), wide);
    EXPECT_EQ(origin(kSecond), second);

    // The former places are part of the machine: a relaunch between on and off keeps them.
    mirror({kWide, kSecond}, true);
    sim::persistence::flush();
    boot();
    mirror({kWide, kSecond}, false);
    EXPECT_EQ(origin(kWide), wide);
    EXPECT_EQ(origin(kSecond), second);

    // Taken meanwhile: the display goes right of the rightmost screen, at the top.
    mirror({kSecond}, true, std::pair{kWide, second});
    mirror({kSecond}, false);
    const QRect wideBounds = ds::bounds(kWide).toRect();
    EXPECT_EQ(origin(kSecond), QPoint(wideBounds.x() + wideBounds.width(), 0));
    EXPECT_FALSE(ds::bounds(kSecond).intersects(ds::bounds(kWide)));
}

TEST_F(MachineState, BadInputIsRefusedAndChangesNothing)
{
    sim::persistence::flush();
    const QByteArray machine = file("machine");
    const QByteArray battery = file("battery");
    const QJsonObject status = sim::deskcommands::status();
    const QStringList cases[] = {
        {},
        {"frobnicate"},
        {"kvm", "sideways"},
        {"display", "unplug", "Lumera 99"},
        {"display", "unplug", "Yerleşik Retina Ekran"},
        {"monitor", "Lumera 27Q", "input", "70000"},
        {"monitor", "Lumera 99", "input", "15"},
        {"battery", "101"},
        {"battery", "-1"},
        {"battery", "half"},
        {"audio", "plug", "Kulaklık 2"},
        {"app", "play", "Notepad"},
        {"key", "volume-sideways"},
        {"key", "mute", "--coarse"},
        {"wheel", "0"},
        {"wheel", "3.5"},
        {"grant", "camera"},
        {"status", "--xml"},
        {"monitor", "Lumera 27Q", "input", "0x63"}, // its capabilities offer 0F 11 12 only
        {"monitor", "Yerleşik Retina Ekran", "input", "15"},
        {"update"},
        {"update", "offer"},
        {"update", "offer", "soon"},
        {"update", "offer", "1..2"},
        {"update", "fail", "now"},
        {"update", "withdraw"},
        {"pointer"},
        {"pointer", "Lumera 99"},
        {"appearance", "sepia"},
        {"appearance", "dark", "now"},
        {"accent", "teal"},
        {"accent", "Red"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const sim::deskcommands::Outcome o = run(args);
        EXPECT_EQ(o.status, 2);
        EXPECT_FALSE(o.err.isEmpty());
        EXPECT_TRUE(o.out.isEmpty());
    }
    // The pointer goes only where a screen is: not onto a display switched away.
    ASSERT_EQ(run({"kvm", "away"}).status, 0);
    const QJsonObject away = sim::deskcommands::status();
    const sim::deskcommands::Outcome offline = run({"pointer", "Lumera 27Q"});
    EXPECT_EQ(offline.status, 2);
    EXPECT_TRUE(offline.err.contains("offline")) << offline.err.toStdString();
    EXPECT_EQ(sim::deskcommands::status(), away);
    ASSERT_EQ(run({"kvm", "back"}).status, 0);

    sim::persistence::flush();
    EXPECT_EQ(sim::deskcommands::status(), status);
    EXPECT_EQ(file("machine"), machine);
    EXPECT_EQ(file("battery"), battery);
}

TEST_F(MachineState, MessagesNameTheBuiltInDisplayAndTheMonitorsOwnInputs)
{
    const struct {
        QStringList args;
        QString message;
    } cases[] = {
        {{"monitor", "Yerleşik Retina Ekran", "input", "15"}, "\"Yerleşik Retina Ekran\" is the built-in display"},
        {{"monitor", "Lumera 99", "input", "15"}, "Yerleşik Retina Ekran (built-in), Lumera 27Q"},
        {{"monitor", "Lumera 27Q", "input", "99"}, "its inputs: 0x0F, 0x11, 0x12"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_TRUE(run(c.args).err.contains(c.message)) << run(c.args).err.toStdString();
    }
    // Without an input list in its capabilities a monitor offers the common inputs.
    displays().monitor(kWide)->setCapabilities("(prot(monitor)vcp(10 12 60 62))");
    EXPECT_EQ(run({"monitor", "Lumera 27Q", "input", "0x1B"}).status, 0);
    EXPECT_EQ(run({"monitor", "Lumera 27Q", "input", "0x13"}).status, 2);
}

TEST_F(MachineState, TheUpdateFeedOffersTheInstalledVersionUntilTheDeskChangesIt)
{
    const auto feed = [] { return sim::deskcommands::status()["updateFeed"].toObject(); };
    EXPECT_EQ(feed(), (QJsonObject{{"reachable", true}, {"version", "1.0"}})) << "a fresh machine's feed";
    EXPECT_TRUE(run({"status"}).out.contains("update feed: offers 1.0"));

    ASSERT_EQ(run({"update", "offer", "1.3"}).status, 0);
    EXPECT_EQ(feed()["version"].toString(), "1.3");
    ASSERT_EQ(run({"update", "fail"}).status, 0);
    EXPECT_FALSE(feed()["reachable"].toBool());
    EXPECT_TRUE(run({"status"}).out.contains("update feed: unreachable"));
    boot();
    EXPECT_FALSE(feed()["reachable"].toBool()) << "a new launch keeps the feed as the desk left it";
    ASSERT_EQ(run({"update", "reset"}).status, 0);
    EXPECT_EQ(feed(), (QJsonObject{{"reachable", true}, {"version", "1.0"}}));
}

TEST_F(MachineState, AnUnreadableMachineKeepsTheBatteryAndTheSmc)
{
    sim::battery::setPercent(37);
    sim::battery::setChargeLimit(65);
    displays().monitor(kWide)->setVcp(0x10, 35, 100);
    sim::persistence::flush();
    for (const QByteArray& broken : {QByteArray("{\"desk\": "), QByteArray("\0\0\0"), QByteArray()}) {
        SCOPED_TRACE(broken.toStdString());
        QFile machine(sim::machine::stateFolder() + "/machine.json");
        ASSERT_TRUE(machine.open(QIODevice::WriteOnly | QIODevice::Truncate));
        machine.write(broken);
        machine.close();

        EXPECT_TRUE(boot().rebuilt);
        EXPECT_NEAR(sim::battery::read().percent, 37, 0.5);
        EXPECT_EQ(sim::battery::read().chargeLimit, 65);
        EXPECT_EQ(vcp(kWide, 0x10), 60) << "what only machine.json held comes from the desk";
    }
}

TEST_F(MachineState, ASaveTheDiskRefusedIsTriedAgain)
{
    // A folder where the document goes: the save's rename fails until it is gone.
    const QString path = sim::machine::stateFolder() + "/machine.json";
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkpath(path + "/in-the-way"));
    // A volume set on the device itself asks for no save of its own: only the failed one is left.
    sim::AudioSystem::shared().setVolumeScalar("USB-Headset", platform::audio::kScopeOutput, 2, 0.25f);
    sim::persistence::flush();
    EXPECT_FALSE(QFileInfo(path).isFile());
    ASSERT_TRUE(QDir(path).removeRecursively());

    QDeadlineTimer liveness(60000);
    while (!QFileInfo(path).isFile() && !liveness.hasExpired())
        QThread::msleep(20);
    ASSERT_TRUE(QFileInfo(path).isFile());
    EXPECT_FALSE(boot().rebuilt);
    EXPECT_FLOAT_EQ(sim::AudioSystem::shared().volumeScalar("USB-Headset", platform::audio::kScopeOutput, 2), 0.25f);
}

} // namespace
