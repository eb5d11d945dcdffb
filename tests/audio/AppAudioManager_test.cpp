#include "AudioTestSupport.h"

#include "app/Prefs.h"
#include "audio/AppAudioManager.h"
#include "platform/Log.h"

#include <QJsonDocument>

using namespace platform::audio;

namespace {

constexpr const char* kSpeakers = "BuiltInSpeakerDevice";
constexpr const char* kHdmi = "HDMI-Monitor-Audio";
constexpr const char* kMusic = "com.apple.Music";
constexpr const char* kSafari = "com.apple.Safari";

class AppAudioTest : public AudioTest {
protected:
    const AudioApp& app(const QString& bundle) const
    {
        for (const AudioApp& a : apps->apps())
            if (a.bundleID == bundle)
                return a;
        ADD_FAILURE() << "no app " << bundle.toStdString();
        static AudioApp none;
        return none;
    }
    float gain(const QString& bundle) const
    {
        const SoftwareVolume* e = apps->engine(bundle);
        return e && e->isRunning() ? e->gain() : -1.0f;
    }
    std::vector<uint32_t> masterExclusions() const
    {
        for (const auto& t : sys.taps())
            if (t.description.exclusive)
                return t.description.processes;
        return {};
    }
};

TEST_F(AppAudioTest, GroupsProcessesUnderTheirResponsibleApplication)
{
    sim::DeskAudioApp lower{630, "org.example.arka", "arka", "regular", ""};
    start();
    sys.addApp(lower);
    sys.addProcess({150, 630, 0, false, 0.5});
    sys.addProcess({140, 700, 500, true, 0.5}); // a helper of ours
    sys.setPlaying(121, true);                  // Safari's web content plays
    processEvents();
    apps = std::make_unique<AppAudioManager>(*audio);

    ASSERT_EQ(apps->apps().size(), 3u);
    EXPECT_EQ(apps->apps()[0].name, "arka") << "sorted without regard to case";
    EXPECT_EQ(apps->apps()[1].name, "Müzik");
    const AudioApp& safari = apps->apps()[2];
    EXPECT_EQ(safari.bundleID, kSafari);
    EXPECT_EQ(safari.id, 620);
    EXPECT_EQ(safari.processes, (std::vector<uint32_t>{120, 121}));
    EXPECT_TRUE(safari.isPlaying) << "one playing process makes the application play";
    ASSERT_TRUE(safari.icon);
    EXPECT_EQ(safari.icon->size(), QSize(20, 20));
    EXPECT_FALSE(apps->apps()[0].icon) << "no icon";
}

TEST_F(AppAudioTest, WithoutTheResponsibilityLookupEveryProcessIsItsOwnOwner)
{
    QByteArray desk = sim::Desk::defaultJson();
    desk.replace("\"selfPid\": 500,", "\"selfPid\": 500, \"responsibility\": false,");
    installDesk(desk);
    startApps();
    ASSERT_EQ(apps->apps().size(), 2u);
    EXPECT_EQ(app(kSafari).processes, std::vector<uint32_t>{120}) << "the web content is no regular application";
}

TEST_F(AppAudioTest, GainIncludesTheMasterFactorOnTheDefaultOutput)
{
    startApps();
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    audio->setVolume(50); // software route, master gain 0.25
    const AudioApp music = app(kMusic);
    EXPECT_EQ(gain(kMusic), -1.0f) << "the default setting needs no engine";

    apps->setVolume(50, music);
    EXPECT_FLOAT_EQ(gain(kMusic), 0.0625f);
    apps->setOutput(QString(kSpeakers), music);
    EXPECT_FLOAT_EQ(gain(kMusic), 0.25f) << "another output has no master factor";
    EXPECT_EQ(apps->engine(kMusic)->outputUID(), kSpeakers);

    audio->setMuted(true);
    EXPECT_FLOAT_EQ(gain(kMusic), 0.25f);
    apps->setOutput(std::nullopt, music);
    EXPECT_EQ(gain(kMusic), 0.0f) << "a muted master silences the default output";
    audio->setMuted(false);
    EXPECT_FLOAT_EQ(gain(kMusic), 0.0625f) << "the master tells us about its changes";

    apps->setVolume(100, music);
    EXPECT_EQ(apps->engine(kMusic), nullptr);
    apps->setOutput(QString(kSpeakers), music);
    EXPECT_FLOAT_EQ(gain(kMusic), 1.0f) << "an output alone still routes the application";

    apps->setOutput(QString("gone"), music);
    EXPECT_EQ(apps->engine(kMusic)->outputUID(), kHdmi) << "a missing output plays on the default";
    EXPECT_EQ(apps->setting(music).outputUID, "gone");
}

TEST_F(AppAudioTest, EachApplicationIsHeardOnceWithTheMasterLeavingItOut)
{
    startApps();
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    audio->setVolume(50);
    sys.setPlaying(120, true, 0.2); // Safari
    apps->setVolume(50, app(kMusic));
    EXPECT_EQ(masterExclusions(), (std::vector<uint32_t>{100, 110}));
    sys.render(512);
    // Music 0.5 x 0.0625 and Safari 0.2 x 0.25 meet in phase on the monitor.
    EXPECT_NEAR(sys.playedPeak(kHdmi), 0.5 * 0.0625 + 0.2 * 0.25, 1e-3);

    apps->setOutput(QString(kSpeakers), app(kMusic));
    sys.render(512);
    EXPECT_NEAR(sys.playedPeak(kSpeakers), 0.5 * 0.25, 1e-3);
    EXPECT_NEAR(sys.playedPeak(kHdmi), 0.2 * 0.25, 1e-3);

    apps->reset(app(kMusic));
    EXPECT_TRUE(masterExclusions() == (std::vector<uint32_t>{100}));
    sys.render(512);
    EXPECT_EQ(sys.playedPeak(kSpeakers), 0.0f);
    EXPECT_NEAR(sys.playedPeak(kHdmi), 0.7 * 0.25, 1e-3);
    EXPECT_TRUE(apps->touched().count(kMusic)) << "a reset application stays touched";
}

TEST_F(AppAudioTest, SettingsAreStoredByBundleIdentifier)
{
    startApps();
    apps->setOutput(QString(kHdmi), app(kMusic));
    apps->setVolume(40, app(kMusic));
    apps->setVolume(30, app(kSafari));
    apps->setVolume(100, app(kSafari));
    const QJsonDocument stored = QJsonDocument::fromJson(Prefs::d().object("audio.apps").toByteArray());
    EXPECT_EQ(stored.object(), QJsonDocument::fromJson(R"({"com.apple.Music": {"volume": 40, "outputUID": "HDMI-Monitor-Audio"}})").object());
    EXPECT_EQ(apps->engine(kSafari), nullptr) << "back at the default: no engine";

    apps.reset();
    apps = std::make_unique<AppAudioManager>(*audio);
    EXPECT_EQ(apps->setting(app(kMusic)), (AppAudioSetting{40, QString(kHdmi)}));
    EXPECT_EQ(apps->setting(app(kSafari)), AppAudioSetting{});

    const QByteArray broken[] = {"{", R"({"x": {"outputUID": "a"}})", R"({"x": {"volume": "40"}})", R"([1])"};
    for (const QByteArray& bytes : broken) {
        Prefs::d().set("audio.apps", bytes);
        apps.reset();
        apps = std::make_unique<AppAudioManager>(*audio);
        EXPECT_TRUE(apps->settings().empty()) << bytes.constData();
    }
}

TEST_F(AppAudioTest, NewProcessesRestartAndVolumeOnlyChangesTheGain)
{
    startApps();
    apps->setVolume(50, app(kSafari));
    const uint32_t tap = apps->engine(kSafari)->tapID();
    apps->setVolume(60, app(kSafari));
    EXPECT_EQ(apps->engine(kSafari)->tapID(), tap);
    EXPECT_FLOAT_EQ(gain(kSafari), 0.36f);

    sys.addProcess({122, 622, 620, false, 0.5});
    processEvents();
    EXPECT_EQ(app(kSafari).processes, (std::vector<uint32_t>{120, 121, 122}));
    EXPECT_NE(apps->engine(kSafari)->tapID(), tap);
    EXPECT_EQ(apps->engine(kSafari)->processes(), (std::vector<uint32_t>{120, 121, 122}));
    EXPECT_EQ(apps->tappedProcesses(), (std::vector<uint32_t>{120, 121, 122}));

    // The application quits: it leaves the list and its engine stops.
    for (uint32_t p : {120u, 121u, 122u})
        sys.removeProcess(p);
    processEvents();
    EXPECT_EQ(apps->apps().size(), 1u);
    EXPECT_EQ(apps->engine(kSafari), nullptr);
    EXPECT_TRUE(nothingLeft());
}

TEST_F(AppAudioTest, FailedStartShowsTheErrorAndWaitsForAChange)
{
    startApps();
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi)); // every master change syncs the applications
    sys.setFailure(sim::AudioSystem::Step::ioProc, -5);
    apps->setVolume(50, app(kMusic));
    sys.setFailure(sim::AudioSystem::Step::ioProc, 0);
    EXPECT_EQ(apps->error(), "Müzik için ses yönlendirilemedi. Ses Kaydı iznini kontrol edin.");
    EXPECT_EQ(platform::log::recent().filter("Pelorn per-app com.apple.Music: ioProc(-5)").size(), 1);
    EXPECT_TRUE(nothingLeft());
    advance(1.0);
    EXPECT_TRUE(nothingLeft()) << "the teardown's device change does not retry";

    apps->setVolume(45, app(kMusic));
    EXPECT_FLOAT_EQ(gain(kMusic), 0.2025f);
    EXPECT_FALSE(apps->error());
}

// A tap refused for want of the recording permission cannot loop: each poll tries it once more,
// so granting the permission is enough.
TEST_F(AppAudioTest, RefusedTapIsTriedAgainAtTheNextPoll)
{
    startApps();
    apps->setVisible(true);
    advance(0.1);
    sys.setFailure(sim::AudioSystem::Step::tap, -7);
    apps->setVolume(50, app(kMusic));
    EXPECT_EQ(apps->error(), "Müzik için ses yönlendirilemedi. Ses Kaydı iznini kontrol edin.");
    const auto attempts = [] { return platform::log::recent().filter("Pelorn per-app com.apple.Music: tap(-7)").size(); };
    EXPECT_EQ(attempts(), 1);
    advance(3.0);
    EXPECT_EQ(attempts(), 2) << "one attempt per poll";

    sys.setFailure(sim::AudioSystem::Step::tap, 0); // the user grants the permission
    apps->setVolume(50, app(kSafari));              // another application's change syncs, but does not retry
    EXPECT_FLOAT_EQ(gain(kSafari), 0.25f);
    EXPECT_EQ(gain(kMusic), -1.0f);
    EXPECT_EQ(attempts(), 2);
    advance(3.0);
    EXPECT_FLOAT_EQ(gain(kMusic), 0.25f);
    EXPECT_FALSE(apps->error());
}

// The output an application plays on goes away: it falls back to the default output as soon as
// the device list is read again, without waiting for the list's poll.
TEST_F(AppAudioTest, ApplicationOnAnUnpluggedOutputFallsBackToTheDefault)
{
    startApps();
    apps->setVolume(50, app(kMusic));
    apps->setOutput(QString("USB-Headset"), app(kMusic));
    sys.render(512);
    EXPECT_NEAR(sys.playedPeak("USB-Headset"), 0.5 * 0.25, 1e-3);

    sys.removeDevice("USB-Headset");
    settle(); // the device-change debounce
    EXPECT_EQ(apps->engine(kMusic)->outputUID(), kSpeakers);
    sys.render(512);
    EXPECT_NEAR(sys.playedPeak(kSpeakers), 0.5 * 0.25, 1e-3);
    EXPECT_EQ(apps->setting(app(kMusic)).outputUID, "USB-Headset") << "the setting stays for its return";
}

TEST_F(AppAudioTest, SuspensionStopsEveryEngine)
{
    startApps();
    apps->setVolume(50, app(kMusic));
    sim::AudioSystem::shared().render(512);
    apps->setTapsSuspended(true);
    EXPECT_TRUE(nothingLeft());
    EXPECT_FALSE(apps->secondsSinceSound());
    apps->setTapsSuspended(false);
    EXPECT_FLOAT_EQ(gain(kMusic), 0.25f);
    sys.render(512);
    sys.setPlaying(110, false);
    advance(2.5);
    sys.render(512);
    EXPECT_NEAR(*apps->secondsSinceSound(), 2.5, 1e-6);
}

TEST_F(AppAudioTest, PollRunsWhileTheListIsShown)
{
    startApps();
    apps->setVisible(false);
    apps->setVisible(false);
    EXPECT_EQ(apps->viewers(), 0);
    EXPECT_FALSE(apps->isPolling());
    apps->setVisible(true);
    apps->setVisible(true);
    EXPECT_TRUE(apps->isPolling());
    advance(0.1); // the immediate refresh
    // A new application appears by the poll alone.
    sys.addApp({640, "org.example.radio", "Radyo", "regular", ""});
    sys.addProcess({160, 640, 0, true, 0.5}, false);
    advance(2.8);
    EXPECT_EQ(apps->apps().size(), 2u);
    advance(0.2);
    EXPECT_EQ(apps->apps().size(), 3u);
    apps->setVisible(false);
    EXPECT_TRUE(apps->isPolling());
    apps->setVisible(false);
    EXPECT_FALSE(apps->isPolling());
}

} // namespace
