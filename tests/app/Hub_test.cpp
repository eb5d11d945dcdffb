#include "app/HUD.h"
#include "app/Hub.h"
#include "bridge/Bridge.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/LoginItems.h"
#include "platform/sim/Mac.h"
#include "platform/sim/Processes.h"
#include "support/SimTest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <algorithm>
#include <thread>
#include <QJsonDocument>
#include <QJsonObject>

using namespace platform::events;
using Key = InputTap::MediaKey;
using Source = AudioManager::VolumeSource;

namespace {

constexpr const char* kSpeakers = "BuiltInSpeakerDevice";
constexpr const char* kHdmi = "HDMI-Monitor-Audio";


class HubTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        bridge_forget_cached_clients();
        events.setTrusted(true);
    }
    void TearDown() override
    {
        hub.reset();
        AudioManager::waitForBackgroundStops();
        tap.reset();
        advance(HUD::kStay + HUD::kFade + 0.1); // leave the shared indicator hidden
        SimTest::TearDown();
    }
    void make()
    {
        tap = std::make_unique<InputTap>();
        hub = std::make_unique<Hub>(*tap);
        settle();
    }
    void started()
    {
        make();
        hub->start();
        settle();
    }
    // The monitor's HDMI output as the default, its volume over DDC/CI.
    void onDdcRoute()
    {
        ASSERT_TRUE(hub->audio.setDefaultOutput(kHdmi));
        hub->audio.setUseSoftwareVolume(false);
        settle();
        ASSERT_EQ(hub->audio.volumeSource(), Source::ddc);
    }
    // Lets the DDC queue and the hops to the main thread finish.
    void settle()
    {
        for (int i = 0; i < 6; ++i) {
            hub->display.ddcQueue().drain();
            processEvents();
        }
    }
    // The values a monitor was set to for a code, in order; the transport's repeats of one
    // message count once.
    static std::vector<int> setsOf(uint32_t id, uint8_t code)
    {
        std::vector<int> out;
        for (const auto& t : sim::Mac::shared().displays().monitor(id)->transfers())
            if (t.write && t.bytes.size() == 6 && uint8_t(t.bytes[0]) == 0x84 && uint8_t(t.bytes[2]) == code) {
                const int value = uint8_t(t.bytes[3]) << 8 | uint8_t(t.bytes[4]);
                if (out.empty() || out.back() != value)
                    out.push_back(value);
            }
        return out;
    }
    // A point on a display (its centre), or far from every display for 0.
    static QPointF on(uint32_t id)
    {
        for (const auto& s : platform::screens::screens())
            if (s.deviceDescription.value("NSScreenNumber").toUInt() == id)
                return s.frame.center();
        return {-50000, -50000};
    }
    static void clearTransfers()
    {
        for (const auto& d : sim::Mac::shared().displays().all())
            if (auto m = sim::Mac::shared().displays().monitor(d.id))
                m->clearTransfers();
    }
    static std::vector<sim::Processes::Run> plays() { return sim::Processes::shared().runs(); }
    static void wantFeedback(QVariant value)
    {
        platform::UserDefaults::standard().setGlobalObject("com.apple.sound.beep.feedback", value);
    }
    static void pointAt(QPointF p) { sim::Mac::shared().displays().setPointer(p); }
    static const HUD::Model& hud() { return HUD::shared().model(); }

    sim::EventSystem& events = sim::EventSystem::shared();
    std::unique_ptr<InputTap> tap;
    std::unique_ptr<Hub> hub;
};

// --- wiring ---

// Members are made in the order they lie in the hub.
TEST_F(HubTest, MakesTheManagersInTheirFixedOrder)
{
    make();
    const std::vector<const void*> made{&hub->display, &hub->scroll, &hub->battery, &hub->sleep,
                                        &hub->oled,    &hub->audio,  &hub->appAudio, &hub->automation};
    EXPECT_TRUE(std::is_sorted(made.begin(), made.end(), std::less<const void*>()));
}

TEST_F(HubTest, StartWiresTheManagersOnceAndHandsTheCurrentDisplaysToAutomation)
{
    make();
    EXPECT_FALSE(hub->automation.connected()) << "nothing is handed over before start";
    EXPECT_FALSE(tap->isRunning());
    EXPECT_FALSE(hub->display.onDisplaysChanged);

    hub->start();
    ASSERT_TRUE(tap->isRunning());
    EXPECT_EQ(events.promptCount(), 0) << "already trusted";
    EXPECT_EQ(events.taps().size(), 2u);
    ASSERT_TRUE(hub->automation.connected());
    std::set<QString> keys;
    for (const auto& d : hub->display.displays())
        keys.insert(d.key);
    EXPECT_EQ(*hub->automation.connected(), keys);
    EXPECT_EQ(keys.size(), 3u);

    hub->start(); // a second start changes nothing
    EXPECT_EQ(events.taps().size(), 2u);

    // A new display list goes to automation, then the audio devices are read again.
    ASSERT_TRUE(hub->display.onDisplaysChanged);
    hub->display.onDisplaysChanged({});
    EXPECT_EQ(*hub->automation.connected(), std::set<QString>{});
}

TEST_F(HubTest, WithoutPermissionTheTapsKeepRetryingAndPromptOnce)
{
    events.setTrusted(false);
    make();
    hub->start();
    EXPECT_FALSE(tap->isRunning());
    EXPECT_EQ(events.promptCount(), 1);
    events.setTrusted(true);
    advance(2.0);
    EXPECT_TRUE(tap->isRunning());
}

TEST_F(HubTest, ADestroyedHubLeavesTheKeysToTheSystem)
{
    started();
    hub.reset();
    AudioManager::waitForBackgroundStops();
    EXPECT_TRUE(events.deliver(sim::mediaKeyEvent(0, true)).has_value());
}

// --- the road of one request ---

TEST_F(HubTest, VolumeKeyOnTheDdcRouteEndsAsSetVcp62AndIsSwallowed)
{
    wantFeedback(qlonglong(1));
    started();
    onDdcRoute();
    const uint32_t monitor = hub->display.selectedID();
    ASSERT_NE(monitor, 0u);
    const double before = hub->display.volume();
    const double expected = AudioManager::steppedLevel(before, hub->audio.volumeStep(), true, false);
    clearTransfers();

    EXPECT_FALSE(events.deliver(sim::mediaKeyEvent(0, true)).has_value()) << "the key is swallowed";
    settle();
    EXPECT_EQ(setsOf(monitor, 0x62), std::vector<int>{int(expected)});
    EXPECT_DOUBLE_EQ(hub->display.volume(), expected);
    EXPECT_EQ(hud().level, expected);
    EXPECT_EQ(hud().title, "Harici Monitör");
    EXPECT_EQ(hud().symbol, expected < 34 ? "speaker.wave.1.fill" : "speaker.wave.2.fill");
    ASSERT_EQ(plays().size(), 1u);
    EXPECT_EQ(plays()[0].executable, Hub::kFeedbackPlayer);
    EXPECT_EQ(plays()[0].arguments, QStringList{Hub::kFeedbackSound});
    EXPECT_FALSE(plays()[0].terminated);

    // Its key-up is swallowed too and does nothing.
    EXPECT_FALSE(events.deliver(sim::mediaKeyEvent(0, false)).has_value());
    settle();
    EXPECT_EQ(setsOf(monitor, 0x62), std::vector<int>{int(expected)});
    EXPECT_EQ(plays().size(), 1u);

    // The next press cuts the previous sound short.
    EXPECT_FALSE(events.deliver(sim::mediaKeyEvent(1, true)).has_value());
    settle();
    ASSERT_EQ(plays().size(), 2u);
    EXPECT_TRUE(plays()[0].terminated);
    EXPECT_FALSE(plays()[1].terminated);
    EXPECT_EQ(setsOf(monitor, 0x62), (std::vector<int>{int(expected), int(before)}));
}

TEST_F(HubTest, VolumeKeyOnTheSystemRouteIsLeftToTheSystem)
{
    wantFeedback(qlonglong(1));
    started();
    ASSERT_TRUE(hub->audio.setDefaultOutput(kSpeakers));
    settle();
    ASSERT_EQ(hub->audio.volumeSource(), Source::system);
    const double before = hub->audio.level().volume();
    ASSERT_LE(before, 90.0);
    clearTransfers();
    const QString title = hud().title;
    // The system steps the speakers' own volume a sixteenth a press, and a press unmutes.
    const struct {
        int key;
        double volume;
        bool muted;
    } presses[] = {{0, before + 6.25, false}, {1, before, false}, {7, before, true}, {0, before + 6.25, false}};
    for (const auto& press : presses) {
        SCOPED_TRACE(press.key);
        for (bool down : {true, false})
            EXPECT_TRUE(events.deliver(sim::mediaKeyEvent(press.key, down)).has_value()) << down;
        settle();
        EXPECT_NEAR(hub->audio.level().volume(), press.volume, 0.01);
        EXPECT_EQ(hub->audio.level().muted(), press.muted);
    }
    EXPECT_TRUE(plays().empty());
    EXPECT_TRUE(setsOf(hub->display.selectedID(), 0x62).empty());
    EXPECT_EQ(hud().title, title) << "Pelorn showed nothing of its own";
}

// --- volume keys ---

TEST_F(HubTest, VolumeKeysOverRouteSettingAndKeyState)
{
    started();
    struct Case {
        const char* name;
        const char* output;
        bool software;
        bool mediaKeys;
        Key key;
        bool down;
        bool swallowed;
        int volumeMoves; // -1 down, 0 none, 1 up
    };
    const Case cases[] = {
        {"ddc up", kHdmi, false, true, Key::soundUp, true, true, 1},
        {"ddc down", kHdmi, false, true, Key::soundDown, true, true, -1},
        {"ddc key up", kHdmi, false, true, Key::soundUp, false, true, 0},
        {"ddc media keys off", kHdmi, false, false, Key::soundUp, true, false, 0},
        {"software up", kHdmi, true, true, Key::soundUp, true, true, 1},
        {"software key up", kHdmi, true, true, Key::soundDown, false, true, 0},
        {"software media keys off", kHdmi, true, false, Key::soundDown, true, false, 0},
        {"system", kSpeakers, true, true, Key::soundUp, true, false, 0},
        {"system mute", kSpeakers, false, true, Key::mute, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(hub->audio.setDefaultOutput(c.output));
        hub->audio.setUseSoftwareVolume(c.software);
        hub->audio.setMediaKeysEnabled(c.mediaKeys);
        hub->audio.setMuted(false);
        hub->audio.setVolume(50);
        settle();
        const double before = hub->audio.level().volume();
        EXPECT_EQ(hub->handleMediaKey(c.key, c.down, 0), c.swallowed);
        settle();
        const double after = hub->audio.level().volume();
        EXPECT_EQ((after > before) - (after < before), c.volumeMoves) << before << " -> " << after;
    }
}

TEST_F(HubTest, FineStepNeedsBothShiftAndOption)
{
    started();
    onDdcRoute();
    const std::pair<ModifierFlags, double> cases[] = {
        {0, 55}, {kFlagShift, 55}, {kFlagOption, 55}, {kFlagShift | kFlagOption, 51.25},
        {kFlagShift | kFlagOption | kFlagCommand, 51.25},
    };
    for (auto [flags, expected] : cases) {
        hub->audio.setVolume(50);
        settle();
        EXPECT_TRUE(hub->handleMediaKey(Key::soundUp, true, flags));
        settle();
        EXPECT_DOUBLE_EQ(hub->audio.level().volume(), expected) << "flags " << flags;
    }
}

TEST_F(HubTest, MuteTogglesWithoutSoundAndTheIndicatorFollows)
{
    wantFeedback(qlonglong(1));
    started();
    onDdcRoute();
    hub->audio.setVolume(70);
    settle();
    EXPECT_TRUE(hub->handleMediaKey(Key::mute, true, 0));
    settle();
    EXPECT_TRUE(hub->audio.level().muted());
    EXPECT_EQ(hud().symbol, "speaker.slash.fill");
    EXPECT_EQ(hud().level, 0);
    EXPECT_TRUE(hub->handleMediaKey(Key::mute, true, 0));
    settle();
    EXPECT_FALSE(hub->audio.level().muted());
    EXPECT_EQ(hud().symbol, "speaker.wave.3.fill");
    EXPECT_EQ(hud().level, 70);
    EXPECT_TRUE(plays().empty());

    // The indicator's symbol by the level after the change.
    const std::pair<double, const char*> symbols[] = {
        {5, "speaker.slash.fill"},   {10, "speaker.wave.1.fill"}, {35, "speaker.wave.1.fill"},
        {40, "speaker.wave.2.fill"}, {70, "speaker.wave.2.fill"}, {75, "speaker.wave.3.fill"},
    };
    for (auto [start, symbol] : symbols) {
        hub->audio.setVolume(start);
        settle();
        hub->handleMediaKey(Key::soundDown, true, 0); // one step of 5 down
        settle();
        EXPECT_EQ(hud().symbol, symbol) << start << " -> " << hub->audio.level().volume();
    }
}

TEST_F(HubTest, FeedbackSoundFollowsTheSystemSettingShiftAndMute)
{
    started();
    onDdcRoute();
    struct Case {
        QVariant setting;
        bool shift;
        bool muted;
        bool plays;
    };
    const Case cases[] = {
        {qlonglong(1), false, false, true}, {qlonglong(1), true, false, false}, {qlonglong(0), false, false, false},
        {qlonglong(0), true, false, true},  {QVariant(), false, false, false},  {QVariant(), true, false, true},
        {true, false, false, false},        {QString("1"), false, false, false}, {1.0, false, false, false},
        {qlonglong(1), false, true, false}, {qlonglong(0), true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.setting.toString().toStdString() << " " << c.setting.typeName()
                                        << (c.shift ? " shift" : "") << (c.muted ? " muted" : ""));
        wantFeedback(c.setting);
        hub->audio.setMuted(c.muted);
        const size_t before = plays().size();
        hub->playVolumeFeedback(c.shift ? kFlagShift : 0);
        EXPECT_EQ(plays().size() - before, c.plays ? 1u : 0u);
    }
}

TEST_F(HubTest, MissingPlayerOnlyMeansNoSound)
{
    wantFeedback(qlonglong(1));
    sim::Processes::shared().setInstalled(Hub::kFeedbackPlayer, false);
    started();
    onDdcRoute();
    EXPECT_TRUE(hub->handleMediaKey(Key::soundUp, true, 0));
    EXPECT_TRUE(hub->handleMediaKey(Key::soundUp, true, 0));
    settle();
    EXPECT_TRUE(plays().empty());
    EXPECT_EQ(hud().title, "Harici Monitör");
}

// --- brightness keys ---

QByteArray deskWith(bool builtin)
{
    QJsonArray displays;
    if (builtin)
        displays.append(QJsonObject{{"id", 1}, {"name", "Yerleşik"}, {"builtin", true}, {"brightness", 0.5}});
    for (int id : {2, 3})
        displays.append(QJsonObject{
            {"id", id},
            {"name", QString("Monitor %1").arg(id)},
            {"vendor", 100},
            {"model", 200 + id},
            {"origin", QJsonArray{1512 + 1920 * (id - 2), 0}},
            {"ddc", QJsonObject{{"vcp", QJsonObject{{"10", 40}, {"12", 70}, {"62", 30}}},
                                {"capabilities", "vcp(10 12 62)"}}}});
    return QJsonDocument(QJsonObject{{"name", "test"}, {"displays", displays}}).toJson();
}

TEST_F(HubTest, BrightnessKeysOverDisplaysSettingAndPointer)
{
    struct Case {
        const char* name;
        bool builtin;
        bool keysEnabled;
        uint32_t pointer; // the display under the pointer, 0 for none
        bool down;
        bool taken;
        uint32_t selected; // afterwards
        double brightness; // of the selected monitor afterwards
    };
    const Case cases[] = {
        {"laptop, keys off, on monitor", true, false, 2, true, false, 2, 40},
        {"laptop, keys on, on built-in", true, true, 1, true, false, 2, 40},
        {"laptop, keys on, nowhere", true, true, 0, true, false, 2, 40},
        {"laptop, keys on, on monitor", true, true, 2, true, true, 2, 46.25},
        {"laptop, keys on, on other monitor", true, true, 3, true, true, 3, 46.25},
        {"laptop, key up selects only", true, true, 3, false, true, 3, 40},
        {"mini, on other monitor", false, false, 3, true, true, 3, 46.25},
        {"mini, nowhere", false, false, 0, true, true, 2, 46.25},
        {"mini, key up", false, false, 2, false, true, 2, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hub.reset();
        AudioManager::waitForBackgroundStops();
        tap.reset();
        installDesk(deskWith(c.builtin));
        bridge_forget_cached_clients();
        started();
        hub->display.setBrightnessKeysEnabled(c.keysEnabled);
        ASSERT_EQ(hub->display.selectedID(), 2u);
        pointAt(on(c.pointer));
        EXPECT_EQ(hub->handleMediaKey(Key::brightnessUp, c.down, 0), c.taken);
        settle();
        EXPECT_EQ(hub->display.selectedID(), c.selected);
        EXPECT_EQ(sim::Mac::shared().displays().monitor(c.selected)->vcp(0x10)->value, int(c.brightness));
        if (c.taken && c.down) {
            EXPECT_EQ(setsOf(c.selected, 0x10), std::vector<int>{46});
            EXPECT_EQ(hud().symbol, "sun.max.fill");
            EXPECT_EQ(hud().title, QString("Monitor %1").arg(c.selected));
            EXPECT_DOUBLE_EQ(hud().level, 46.25);
        }
    }
}

TEST_F(HubTest, BrightnessKeysStepFineAndDownAndShowSoftwareDimming)
{
    installDesk(deskWith(false));
    bridge_forget_cached_clients();
    started();
    pointAt(on(2));
    EXPECT_TRUE(hub->handleMediaKey(Key::brightnessDown, true, kFlagShift | kFlagOption));
    settle();
    EXPECT_DOUBLE_EQ(hub->display.activeBrightness(), 40 - 1.5625);
    EXPECT_TRUE(hub->handleMediaKey(Key::brightnessDown, true, 0));
    settle();
    EXPECT_DOUBLE_EQ(hub->display.activeBrightness(), 40 - 1.5625 - 6.25);

    hub->display.setBrightnessTarget(DisplayManager::BrightnessTarget::macOS);
    settle();
    const double before = hub->display.activeBrightness();
    EXPECT_TRUE(hub->handleMediaKey(Key::brightnessUp, true, 0));
    settle();
    EXPECT_EQ(hud().symbol, "sun.max");
    EXPECT_EQ(hud().title, "Monitor 2 · macOS");
    EXPECT_DOUBLE_EQ(hud().level, hub->display.activeBrightness());
    EXPECT_GT(hub->display.activeBrightness(), before - 1e-9);
}

TEST_F(HubTest, BrightnessKeysWithoutMonitorsGoToTheSystem)
{
    installDesk(R"({"name": "test", "displays": [{"id": 1, "name": "Yerleşik", "builtin": true, "brightness": 0.5}]})");
    bridge_forget_cached_clients();
    started();
    pointAt(on(1));
    hub->display.setBrightnessKeysEnabled(true);
    for (bool down : {true, false}) {
        EXPECT_FALSE(hub->handleMediaKey(Key::brightnessUp, down, 0));
        EXPECT_FALSE(hub->handleMediaKey(Key::brightnessDown, down, 0));
    }

    // Pressed, the keys pass Pelorn and the system steps the panel itself.
    const auto panel = [] { return sim::Mac::shared().displays().builtinBrightness(1).value_or(-1); };
    for (bool down : {true, false})
        EXPECT_TRUE(events.deliver(sim::mediaKeyEvent(2, down)).has_value());
    EXPECT_DOUBLE_EQ(panel(), 0.5 + 1.0 / 16);
    EXPECT_TRUE(events.deliver(sim::mediaKeyEvent(3, true, kFlagShift | kFlagOption)).has_value());
    EXPECT_DOUBLE_EQ(panel(), 0.5 + 1.0 / 16 - 1.0 / 64);
}

// --- login item ---

TEST_F(HubTest, LoginItemFollowsTheServiceStatus)
{
    make();
    EXPECT_FALSE(hub->loginItemEnabled());
    hub->setLaunchAtLogin(true);
    EXPECT_EQ(hub->loginItemEnabled(), true);
    hub->setLaunchAtLogin(false);
    EXPECT_EQ(hub->loginItemEnabled(), false);

    sim::loginitems::setNeedsApproval(true);
    hub->setLaunchAtLogin(true);
    EXPECT_EQ(hub->loginItemEnabled(), false) << "waiting for the user's approval is not enabled";
    sim::loginitems::setNeedsApproval(false);

    // A failure is logged and the state is what the service says.
    platform::log::clearRecent();
    sim::loginitems::failNext("Operation not permitted");
    hub->setLaunchAtLogin(false);
    EXPECT_EQ(hub->loginItemEnabled(), true);
    EXPECT_TRUE(platform::log::recent().contains("Pelorn login item: Operation not permitted"));
}

// The end of the application: the managers' threads are joined before anything they write to
// goes at exit.
TEST_F(HubTest, StopJoinsTheWorkerThreads)
{
    const auto threadNames = [] {
        QStringList names;
        for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile comm("/proc/self/task/" + task + "/comm");
            if (comm.open(QIODevice::ReadOnly))
                names << QString::fromUtf8(comm.readAll()).trimmed();
        }
        return names;
    };
    started();
    ASSERT_TRUE(tap->isRunning());
    QElapsedTimer named; // the thread names itself once it runs
    named.start();
    while (!threadNames().contains("Pelorn.input") && named.elapsed() < 5000)
        std::this_thread::yield();
    ASSERT_TRUE(threadNames().contains("Pelorn.input"));
    hub->stop();
    EXPECT_FALSE(threadNames().contains("Pelorn.input"));
    EXPECT_FALSE(tap->onScroll) << "no event reaches the managers any more";
    hub->stop(); // and again at destruction, harmlessly
}

} // namespace
