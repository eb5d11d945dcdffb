#include "audio/AudioTestSupport.h"

#include "app/Prefs.h"
#include "app/SleepManager.h"
#include "audio/AppAudioManager.h"
#include "display/OLEDGuard.h"
#include "platform/Windowing.h"
#include "platform/sim/Mac.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/Session.h"
#include "showcase/Showcase.h"

namespace {

namespace win = platform::windowing;
constexpr const char* kHdmi = "HDMI-Monitor-Audio";
constexpr uint32_t kMusic = 110; // Müzik, pid 610, playing on the default desk
const QString kDisplayAssertion = "PreventUserIdleDisplaySleep";

class OLEDTest : public AudioTest {
protected:
    void TearDown() override
    {
        guard.reset();
        apps.reset();
        sleep.reset();
        AudioTest::TearDown();
    }
    void make(const QByteArray& audioSection = {})
    {
        start(audioSection);
        apps = std::make_unique<AppAudioManager>(*audio);
        sleep = std::make_unique<SleepManager>();
        guard = std::make_unique<OLEDGuard>(*display, *audio, *apps, *sleep);
    }
    // Input from the user after the grace period, to another application.
    void afterGrace() { advance(OLEDGuard::kGrace + 0.1); }
    bool input(uint32_t type, bool toThisApp = false, std::optional<QPointF> at = std::nullopt)
    {
        const bool delivered = session.input(type, toThisApp, at);
        processEvents();
        return delivered;
    }
    sim::Displays::Keyboard keyboard() const { return sim::Mac::shared().displays().keyboard(); }

    sim::Session& session = sim::Session::shared();
    std::unique_ptr<AppAudioManager> apps;
    std::unique_ptr<SleepManager> sleep;
    std::unique_ptr<OLEDGuard> guard;
};

TEST_F(OLEDTest, StartsAfterTheIdleMinutesUnlessAnotherProcessKeepsTheDisplayOn)
{
    struct Case {
        const char* what;
        bool ownDisplayAssertion;
        int others;
        sim::Session::StatusQuery query;
        bool starts;
    };
    using Q = sim::Session::StatusQuery;
    const Case cases[] = {
        {"nobody keeps the display on", false, 0, Q::ok, true},
        {"our own keep-display-on does not count", true, 0, Q::ok, true},
        {"a video player does", false, 1, Q::ok, false},
        {"ours and one more", true, 1, Q::ok, false},
        {"a failed query counts as nobody", false, 1, Q::fails, true},
        {"a malformed answer counts as nobody", false, 1, Q::malformed, true},
    };
    for (const Case& c : cases) {
        installDesk(sim::Desk::defaultJson());
        guard.reset();
        make();
        sleep->setKeepDisplayOn(c.ownDisplayAssertion);
        session.setOtherAssertions(kDisplayAssertion, c.others);
        session.setStatusQuery(c.query);
        guard->setIdleMinutes(2);
        advance(105); // seven checks, 105 s idle
        EXPECT_FALSE(guard->isActive()) << c.what;
        advance(15); // the check that sees the two minutes
        EXPECT_EQ(guard->isActive(), c.starts) << c.what;
        guard->deactivate();
    }
}

TEST_F(OLEDTest, IdleMinutesArmPersistAndRestartTheCycle)
{
    make();
    EXPECT_FALSE(guard->isChecking()) << "off by default";
    guard->setIdleMinutes(1);
    EXPECT_TRUE(guard->isChecking());
    EXPECT_EQ(Prefs::d().object("oled.idleMinutes").toInt(), 1);

    advance(50);
    session.input(win::kKeyDown); // the user is back before the minute is up
    advance(59);
    guard->setIdleMinutes(1); // restarts the 15 s cycle: next check at +15 s
    advance(14);
    EXPECT_FALSE(guard->isActive());
    advance(1);
    EXPECT_TRUE(guard->isActive());
    guard->deactivate();

    guard->setIdleMinutes(0);
    EXPECT_FALSE(guard->isChecking());
    session.setSecondsSinceInput(1e9);
    advance(60);
    EXPECT_FALSE(guard->isActive());
    guard->setIdleMinutes(std::numeric_limits<int>::max());
    advance(30);
    EXPECT_FALSE(guard->isActive()) << "too large a value never triggers";

    Showcase::setEnabledForTesting(true);
    guard->setIdleMinutes(5);
    EXPECT_NE(Prefs::d().object("oled.idleMinutes").toInt(), 5) << "not persisted in the showcase mode";
    EXPECT_TRUE(guard->isChecking());

    // A new guard reads the stored value.
    Showcase::setEnabledForTesting(false);
    guard->setIdleMinutes(3);
    guard = std::make_unique<OLEDGuard>(*display, *audio, *apps, *sleep);
    EXPECT_EQ(guard->idleMinutes(), 3);
}

TEST_F(OLEDTest, BlackoutCoversEveryScreenAndTheFirstRealInputRestoresEverything)
{
    make();
    sim::Mac::shared().displays().setKeyboard({.level = 0.6, .autoBrightness = true});
    session.setFrontmost(610);
    sim::Mac::shared().displays().setPointer({700, 400});

    guard->activate();
    ASSERT_TRUE(guard->isActive());
    const auto screens = platform::screens::screens();
    ASSERT_EQ(guard->windows().size(), screens.size());
    const QList<QRect> frames{{0, 0, 1512, 982}, {1512, -98, 1920, 1080}, {3432, 0, 2560, 1440}};
    for (size_t i = 0; i < screens.size(); ++i) {
        EXPECT_EQ(guard->windows()[i]->geometry(), frames[int(i)]);
        EXPECT_TRUE(guard->windows()[i]->isVisible());
    }
    // The covers sit at the shielding level on every space, out of the window cycle, and the
    // pointer may be hidden while another application is active.
    int covers = 0;
    for (const win::AppWindow& w : win::appWindows()) {
        if (w.className != "BlackoutWindow")
            continue;
        ++covers;
        EXPECT_EQ(w.level, win::shieldingWindowLevel());
        EXPECT_EQ(w.collectionBehavior, 0x151u);
    }
    EXPECT_EQ(covers, int(screens.size()));
    EXPECT_EQ(session.connectionProperties(), (std::map<QString, bool>{{"SetsCursorInBackground", true}}));
    EXPECT_EQ(guard->windows()[0]->windowOpacity(), 0.0);
    advance(OLEDGuard::kFadeIn + 0.05);
    EXPECT_EQ(guard->windows()[0]->windowOpacity(), 1.0);
    EXPECT_EQ(session.cursorHideCount(), 1);
    EXPECT_EQ(keyboard().level, 0.0);
    EXPECT_FALSE(keyboard().autoBrightness);
    EXPECT_EQ(session.frontmost(), platform::apps::currentProcessID());
    EXPECT_EQ(session.monitorCount(), 2);

    guard->activate(); // changes nothing
    EXPECT_EQ(session.cursorHideCount(), 1);
    EXPECT_EQ(guard->windows().size(), screens.size());

    QPointer<BlackoutWindow> first = guard->windows()[0].data();
    afterGrace();
    EXPECT_FALSE(input(win::kMouseMoved, false, QPointF(704, 404))) << "5.7 points of drift";
    EXPECT_TRUE(guard->isActive());
    input(win::kMouseMoved, false, QPointF(705, 405)); // 7.1 points
    EXPECT_FALSE(guard->isActive());
    EXPECT_TRUE(guard->windows().empty());
    EXPECT_TRUE(!first || !first->isVisible());
    EXPECT_EQ(session.cursorHideCount(), 0);
    EXPECT_FLOAT_EQ(keyboard().level, 0.6);
    EXPECT_TRUE(keyboard().autoBrightness);
    EXPECT_EQ(session.frontmost(), 610);
    EXPECT_EQ(session.monitorCount(), 0);

    guard->deactivate(); // the pointer is never shown twice
    EXPECT_EQ(session.cursorHideCount(), 0);
}

TEST_F(OLEDTest, WatchedInputEndsItAfterTheGraceAndIsSwallowedMeanwhile)
{
    struct Case {
        uint32_t type;
        bool toThisApp;
        bool ends;
    };
    const Case cases[] = {
        {win::kLeftMouseDown, false, true}, {win::kRightMouseDown, true, true},  {win::kOtherMouseDown, false, true},
        {win::kKeyDown, true, true},        {win::kFlagsChanged, false, true},   {win::kSystemDefined, false, true},
        {win::kScrollWheel, true, true},    {win::kLeftMouseDragged, false, true}, {win::kKeyUp, false, false},
        {win::kKeyUp, true, false},
    };
    make();
    for (const Case& c : cases) {
        guard->activate();
        EXPECT_FALSE(input(win::kLeftMouseDown, true)) << "swallowed during the grace";
        input(c.type, c.toThisApp);
        EXPECT_TRUE(guard->isActive()) << "ignored during the grace, type " << c.type;
        afterGrace();
        input(c.type, c.toThisApp); // a drag moves no pointer: no drift threshold
        EXPECT_EQ(guard->isActive(), !c.ends) << "type " << c.type;
        guard->deactivate();
    }
    EXPECT_TRUE(input(win::kLeftMouseDown, true)) << "after the blackout the application gets its clicks";
}

TEST_F(OLEDTest, ARefusedMonitorIsLeftOutAndTheOtherStillEndsIt)
{
    make();
    session.refuseNextMonitors(1); // the global one
    guard->activate();
    EXPECT_EQ(session.monitorCount(), 1);
    afterGrace();
    input(win::kKeyDown, true);
    EXPECT_FALSE(guard->isActive());
}

TEST_F(OLEDTest, AHardwareEventFromTheEventServerEndsItAndResetsTheIdleTime)
{
    make();
    session.setSecondsSinceInput(600);
    guard->activate();
    afterGrace();
    sim::EventSystem::shared().deliver(platform::events::Event(platform::events::kTypeScrollWheel));
    processEvents();
    EXPECT_FALSE(guard->isActive());
    EXPECT_LT(session.secondsSinceInput(), 1.0);
}

TEST_F(OLEDTest, ScreenChangesEndIt)
{
    make();
    guard->activate();
    sim::Mac::shared().displays().setOnline(sim::Mac::shared().desk().displays.back().id, false);
    processEvents();
    EXPECT_FALSE(guard->isActive());

    // Screen parameters change with no display reconfigured (the Dock moved, say).
    guard->activate();
    sim::postScreenParametersChanged();
    processEvents();
    EXPECT_FALSE(guard->isActive());
}

// --- audio while blacked out ---

TEST_F(OLEDTest, SilentTapsRestAndTheMonitorTakesTheAttenuation)
{
    make();
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    audio->setVolume(40);
    ASSERT_TRUE(audio->softEngine() && audio->softEngine()->isRunning());
    ASSERT_TRUE(display->ddcVolumeAvailable());
    const double monitorBefore = display->volume();

    guard->activate();
    sys.render(512);
    advance(2.0);
    sys.render(512);
    EXPECT_FALSE(guard->audioSuspended()) << "still sounding";
    sys.setPlaying(kMusic, false);
    sys.render(512);
    advance(2.9);
    EXPECT_FALSE(guard->audioSuspended()) << "not yet three seconds of silence";
    advance(0.25);
    ASSERT_TRUE(guard->audioSuspended());
    settleDdc();
    EXPECT_TRUE(audio->tapsSuspended());
    EXPECT_TRUE(apps->tapsSuspended());
    stopsDone();
    EXPECT_TRUE(nothingLeft()) << "the master engine rests";
    EXPECT_DOUBLE_EQ(display->volume(), 40) << "the monitor plays at the master level";

    sys.setPlaying(kMusic, true); // a process that was silent at suspension starts
    advance(0.25);
    settleDdc();
    EXPECT_FALSE(guard->audioSuspended());
    EXPECT_FALSE(audio->tapsSuspended());
    EXPECT_FALSE(apps->tapsSuspended());
    EXPECT_TRUE(audio->softEngine() && audio->softEngine()->isRunning());
    EXPECT_DOUBLE_EQ(display->volume(), monitorBefore);

    // Silent again, then the blackout ends: the taps come back and so does the monitor's volume.
    sys.setPlaying(kMusic, false);
    sys.render(512);
    advance(3.25);
    ASSERT_TRUE(guard->audioSuspended());
    audio->setMuted(true);
    guard->deactivate();
    settleDdc();
    EXPECT_FALSE(audio->tapsSuspended());
    EXPECT_DOUBLE_EQ(display->volume(), monitorBefore);
}

TEST_F(OLEDTest, AProcessAlreadyOutputtingAtSuspensionDoesNotWakeTheTaps)
{
    make();
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    audio->setVolume(40);
    sys.setPlaying(kMusic, false);
    sys.addProcess({160, 640, 0, true, 0.0}); // outputs silence
    guard->activate();
    sys.render(512);
    advance(3.25);
    ASSERT_TRUE(guard->audioSuspended());
    EXPECT_EQ(guard->outputProcesses(), (std::set<int32_t>{640}));
    advance(5.0);
    EXPECT_TRUE(guard->audioSuspended());
    sys.setPlaying(kMusic, true);
    advance(0.25);
    EXPECT_FALSE(guard->audioSuspended());
}

TEST_F(OLEDTest, TapsKeepAttenuatingWithoutAMonitorVolumeAndNothingRestsWithoutAnEngine)
{
    // A desk with only an HDMI output and no monitor answering: no screens, no DDC volume.
    make(R"({"defaultOutput": "HDMI", "devices": [{"id": 50, "uid": "HDMI", "name": "Monitor", "transport": "hdmi", "output": {"channels": 2}}],
             "processes": [{"object": 100, "pid": 500}, {"object": 110, "pid": 610}]})");
    ASSERT_EQ(audio->volumeSource(), AudioManager::VolumeSource::software);
    ASSERT_FALSE(display->ddcVolumeAvailable());
    guard->activate();
    EXPECT_TRUE(guard->windows().empty()) << "no screens, no windows";
    EXPECT_EQ(session.cursorHideCount(), 1) << "the rest of the blackout still happens";
    advance(10);
    EXPECT_FALSE(guard->audioSuspended()) << "no engine runs at unity gain";

    audio->setVolume(30);
    sys.render(512);
    advance(10);
    EXPECT_FALSE(guard->audioSuspended()) << "below unity with no monitor to take over";
    EXPECT_TRUE(audio->softEngine() && audio->softEngine()->isRunning());

    afterGrace();
    input(win::kKeyDown);
    EXPECT_FALSE(guard->isActive()) << "input still ends it";
}

} // namespace
