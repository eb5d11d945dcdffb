#include "AudioTestSupport.h"

#include "app/Prefs.h"
#include "audio/CA.h"
#include "platform/Log.h"

#include <cmath>
#include <functional>

using namespace platform::audio;
using Source = AudioManager::VolumeSource;

namespace {

constexpr const char* kSpeakers = "BuiltInSpeakerDevice";
constexpr const char* kHdmi = "HDMI-Monitor-Audio";
constexpr const char* kHeadset = "USB-Headset";
constexpr uint32_t kMusic = 110;

std::vector<uint32_t> ids(const std::vector<AudioDevice>& list)
{
    std::vector<uint32_t> out;
    for (const auto& d : list)
        out.push_back(d.id);
    return out;
}

// --- devices and defaults ---

TEST_F(AudioTest, ListsOutputsAndInputsInDeviceOrder)
{
    start();
    EXPECT_EQ(ids(audio->outputs()), (std::vector<uint32_t>{40, 50, 60}));
    EXPECT_EQ(ids(audio->inputs()), (std::vector<uint32_t>{41, 60})) << "the headset is in both lists";
    EXPECT_EQ(audio->outputs()[2], audio->inputs()[1]);
    EXPECT_EQ(audio->defaultOutput()->uid, kSpeakers);
    EXPECT_EQ(audio->defaultInput()->name, "MacBook Pro Mikrofonu");
    EXPECT_EQ(audio->outputs()[1].transport, kTransportHDMI);
}

TEST_F(AudioTest, TransportSymbols)
{
    const std::pair<uint32_t, const char*> cases[] = {
        {kTransportBluetooth, "headphones"}, {kTransportBluetoothLE, "headphones"}, {kTransportHDMI, "display"},
        {kTransportDisplayPort, "display"},  {kTransportAirPlay, "airplayaudio"},  {kTransportBuiltIn, "laptopcomputer"},
        {kTransportUSB, "hifispeaker"},      {0, "hifispeaker"},
    };
    for (auto [transport, symbol] : cases)
        EXPECT_EQ((AudioDevice{1, "u", "n", transport}.symbol()), symbol);
}

TEST_F(AudioTest, LeavesOutDevicesThatCannotBeShown)
{
    start(R"({"defaultOutput": "ok", "devices": [
        {"id": 10, "uid": "ok", "name": "Shown", "transport": "usb ", "output": {}},
        {"id": 11, "uid": "noname", "name": "x", "output": {}, "unreadable": ["name"]},
        {"id": 12, "uid": "nouid", "name": "x", "output": {}, "unreadable": ["uid"]},
        {"id": 13, "uid": "hidden", "name": "x", "hidden": true, "output": {}, "input": {}},
        {"id": 14, "uid": "com.ostrane.pelorn.volume.1", "name": "x", "output": {}, "input": {}},
        {"id": 15, "uid": "nostreams", "name": "x", "output": {}, "unreadable": ["streams"]},
        {"id": 16, "uid": "notransport", "name": "Kept", "transport": "hdmi", "output": {}, "unreadable": ["transport"]},
        {"id": 17, "uid": "inputonly", "name": "Mic", "input": {}}]})");
    ASSERT_EQ(ids(audio->outputs()), (std::vector<uint32_t>{10, 16}));
    EXPECT_EQ(audio->outputs()[1].transport, 0u);
    EXPECT_EQ(ids(audio->inputs()), (std::vector<uint32_t>{17}));
}

TEST_F(AudioTest, WithoutDefaultOutputNothingIsWatched)
{
    start(R"({"devices": [{"id": 10, "uid": "a", "name": "A", "output": {"volume": {"elements": [0]}}}]})");
    EXPECT_EQ(audio->defaultOutputID(), 0u);
    EXPECT_FALSE(audio->defaultOutput());
    EXPECT_EQ(sys.listenerCount(10, {kDeviceVolumeScalar, kScopeOutput, 0}), 0);
    EXPECT_EQ(audio->volumeSource(), Source::none);
}

TEST_F(AudioTest, SetDefaultOutputWritesOnlyRealChangesAndReportsRefusal)
{
    start();
    EXPECT_TRUE(audio->setDefaultOutput(kSpeakers));
    EXPECT_EQ(sys.writeCount(kHardwareDefaultOutputDevice), 0) << "the current default is not written";
    EXPECT_FALSE(audio->setDefaultOutput("nope"));
    EXPECT_FALSE(audio->setDefaultOutput("BuiltInMicrophoneDevice")) << "an input is not an output";

    EXPECT_TRUE(audio->setDefaultOutput(kHeadset));
    EXPECT_EQ(sys.defaultDeviceUID(kHardwareDefaultOutputDevice), kHeadset);
    EXPECT_EQ(sys.defaultDeviceUID(kHardwareDefaultSystemOutputDevice), kHeadset) << "alerts follow";
    EXPECT_EQ(audio->defaultOutput()->uid, kHeadset);

    sys.setRefuseDefaultWrites(true);
    EXPECT_FALSE(audio->setDefaultOutput(kSpeakers)) << "a refused write is no success";
    EXPECT_EQ(audio->defaultOutput()->uid, kHeadset);
    EXPECT_FALSE(audio->setDefaultInput(kHeadset));
    sys.setRefuseDefaultWrites(false);
    EXPECT_TRUE(audio->setDefaultInput(kHeadset));
    EXPECT_EQ(audio->defaultInputID(), 60u);
    EXPECT_EQ(sys.writeCount(kHardwareDefaultSystemOutputDevice), 2) << "inputs leave the system output alone";
}

TEST_F(AudioTest, VolumeElements)
{
    start(R"({"devices": [
        {"id": 10, "uid": "main", "name": "A", "output": {"volume": {"elements": [0, 1, 2], "value": 0.3}}},
        {"id": 11, "uid": "pair", "name": "B", "output": {"volume": {"elements": [1, 2], "value": 0.2}}},
        {"id": 12, "uid": "right", "name": "C", "output": {"volume": {"elements": [2], "value": 0.2}}},
        {"id": 13, "uid": "fixed", "name": "D", "output": {"volume": {"elements": [0], "settable": false}}},
        {"id": 14, "uid": "none", "name": "E", "output": {}}]})");
    const std::pair<uint32_t, std::vector<uint32_t>> cases[] = {
        {10, {0}}, {11, {1, 2}}, {12, {2}}, {13, {}}, {14, {}}, {0, {}},
    };
    for (const auto& [id, elements] : cases)
        EXPECT_EQ(CA::volumeElements(id, kScopeOutput), elements) << id;

    sys.setVolumeScalar("pair", kScopeOutput, 1, 0.2f);
    sys.setVolumeScalar("pair", kScopeOutput, 2, 0.6f);
    EXPECT_FLOAT_EQ(CA::readVolume(11, kScopeOutput), 0.4f);
    CA::writeVolume(11, 0.9f, kScopeOutput);
    EXPECT_FLOAT_EQ(sys.volumeScalar("pair", kScopeOutput, 1), 0.9f);
    EXPECT_FLOAT_EQ(sys.volumeScalar("pair", kScopeOutput, 2), 0.9f);

    CA::writeVolume(10, 0.8f, kScopeOutput);
    EXPECT_FLOAT_EQ(sys.volumeScalar("main", kScopeOutput, 0), 0.8f);
    EXPECT_FLOAT_EQ(sys.volumeScalar("main", kScopeOutput, 1), 0.3f) << "the main element alone is driven";
    EXPECT_EQ(CA::readVolume(14, kScopeOutput), 0.0f);
}

TEST_F(AudioTest, ObjectListKeepsOnlyReturnedIds)
{
    start();
    EXPECT_EQ(CA::objectList(kSystemObject, kHardwareDevices, kScopeGlobal), (std::vector<uint32_t>{40, 41, 50, 60}));
    EXPECT_TRUE(CA::objectList(kSystemObject, fourCC("none"), kScopeGlobal).empty());
    EXPECT_TRUE(CA::objectList(12345, kHardwareDevices, kScopeGlobal).empty());
}

TEST_F(AudioTest, InputVolumeClampsAndFollowsTheDevice)
{
    start();
    EXPECT_NEAR(*audio->inputVolume(), 60.0, 1e-4);
    const std::tuple<double, float, double> cases[] = {{150, 1.0f, 100}, {-5, 0.0f, 0}, {NAN, 0.0f, 0}, {25, 0.25f, 25}};
    for (auto [in, written, shown] : cases) {
        audio->setInputVolume(in);
        EXPECT_FLOAT_EQ(sys.volumeScalar("BuiltInMicrophoneDevice", kScopeInput, 0), written) << in;
        EXPECT_EQ(*audio->inputVolume(), shown) << in;
    }
    sys.setVolumeScalar("BuiltInMicrophoneDevice", kScopeInput, 0, 0.5f);
    processEvents();
    EXPECT_NEAR(*audio->inputVolume(), 50.0, 1e-4);

    start(R"({"defaultInput": "m", "devices": [{"id": 10, "uid": "m", "name": "M", "input": {}}]})");
    EXPECT_FALSE(audio->inputVolume()) << "no settable volume";
}

TEST_F(AudioTest, DeviceEventsAreDebouncedIntoOneRefresh)
{
    start();
    sys.setVolumeScalar(kSpeakers, kScopeOutput, 0, 0.3f);
    processEvents();
    EXPECT_NEAR(audio->level().volume(), 30.0, 1e-4) << "the default output's volume is watched";
    int routed = 0;
    audio->onRoutingChanged = [&] { ++routed; };
    // Ten default changes 0.01 s apart, ending on the headset.
    for (int i = 0; i < 10; ++i) {
        sys.setDefaultDevice(kHardwareDefaultOutputDevice, i % 2 ? kHeadset : kHdmi);
        advance(0.01);
    }
    advance(0.13);
    EXPECT_EQ(audio->defaultOutputID(), 40u) << "0.14 s after the last event";
    advance(0.02);
    EXPECT_EQ(audio->defaultOutputID(), 60u);
    EXPECT_EQ(routed, 1);

    // The volume and mute listeners moved with the default.
    for (uint32_t sel : {kDeviceVolumeScalar, kDeviceMute}) {
        EXPECT_EQ(sys.listenerCount(40, {sel, kScopeOutput, 0}), 0);
        EXPECT_EQ(sys.listenerCount(60, {sel, kScopeOutput, 0}), 1);
    }
    EXPECT_NEAR(audio->level().volume(), 40.0, 1e-4) << "the headset's two channels";

    // A refresh that finds the same default does not call it.
    audio->refresh();
    EXPECT_EQ(routed, 1);
}

TEST_F(AudioTest, AddedAndRemovedDevicesShowUp)
{
    start();
    sim::DeskAudioDevice dp;
    dp.id = 70;
    dp.uid = "dp";
    dp.name = "DisplayPort";
    dp.transport = "dprt";
    dp.output.present = true;
    dp.output.buffers = {2};
    sys.addDevice(dp);
    settle();
    EXPECT_EQ(ids(audio->outputs()), (std::vector<uint32_t>{40, 50, 60, 70}));
    sys.removeDevice(kSpeakers);
    settle();
    EXPECT_EQ(ids(audio->outputs()), (std::vector<uint32_t>{50, 60, 70}));
    EXPECT_EQ(audio->defaultOutputID(), 50u) << "the system fell back to the next output";
}

// --- master volume: routes ---

TEST(AudioRoute, ChoiceByWhatTheOutputOffers)
{
    struct Case {
        bool hardware, software, hasOutput;
        uint32_t transport;
        bool ddc;
        Source expected;
    };
    const Case cases[] = {
        {true, true, true, kTransportHDMI, true, Source::system},
        {false, true, true, kTransportHDMI, true, Source::software},
        {false, false, true, kTransportHDMI, true, Source::ddc},
        {false, false, true, kTransportDisplayPort, true, Source::ddc},
        {false, false, true, kTransportHDMI, false, Source::none},
        {false, false, true, kTransportUSB, true, Source::none},
        {false, true, false, kTransportHDMI, true, Source::none},
        {false, false, false, kTransportHDMI, true, Source::none},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AudioManager::chooseRoute(c.hardware, c.software, c.hasOutput, c.transport, c.ddc), c.expected)
            << c.hardware << c.software << c.hasOutput << c.transport << c.ddc;
}

TEST_F(AudioTest, RouteFollowsTheDefaultOutputAndTheSetting)
{
    start();
    EXPECT_EQ(audio->volumeSource(), Source::system);
    ASSERT_TRUE(audio->setDefaultOutput(kHeadset));
    EXPECT_EQ(audio->volumeSource(), Source::system) << "per-channel volume is hardware volume";
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    EXPECT_EQ(audio->volumeSource(), Source::software);
    audio->setUseSoftwareVolume(false);
    EXPECT_EQ(audio->volumeSource(), Source::ddc) << "the selected monitor answers DDC/CI";
    EXPECT_EQ(Prefs::d().object("audio.softwareVolume"), QVariant(false));
}

TEST_F(AudioTest, WithoutAnAnsweringMonitorTheHdmiOutputHasNoRoute)
{
    start(R"({"defaultOutput": "HDMI", "devices": [{"id": 50, "uid": "HDMI", "name": "Monitor", "transport": "hdmi", "output": {"channels": 2}}]})");
    audio->setUseSoftwareVolume(false);
    EXPECT_FALSE(display->ddcAvailable());
    EXPECT_EQ(audio->volumeSource(), Source::none);
}

TEST_F(AudioTest, DdcRouteStepsTheMonitorsVolumeOverVcp62)
{
    start();
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    audio->setUseSoftwareVolume(false);
    ASSERT_EQ(audio->volumeSource(), Source::ddc);
    const double before = display->volume();
    audio->stepVolume(true, false);
    settleDdc();
    EXPECT_DOUBLE_EQ(display->volume(), AudioManager::steppedLevel(before, 5, true, false));
    EXPECT_DOUBLE_EQ(audio->level().volume(), display->volume());

    // Mute sends 0 and unmute brings the level back.
    audio->setMuted(true);
    settleDdc();
    EXPECT_EQ(display->volume(), 0);
    audio->setMuted(false);
    settleDdc();
    EXPECT_DOUBLE_EQ(display->volume(), AudioManager::steppedLevel(before, 5, true, false));
}

// --- master volume: levels ---

TEST(AudioStep, SnapsToTheGridThenMovesOneStep)
{
    struct Case {
        double level, step;
        bool up, fine;
        double expected;
    };
    const Case cases[] = {
        {47, 5, true, false, 50},  {47, 5, false, false, 40},   {47.5, 5, true, false, 55}, {47.5, 5, false, false, 45},
        {33, 5, true, false, 40},  {33, 5, false, false, 30},   {2, 5, false, false, -5},   {100, 5, true, false, 105},
        {47, 5, true, true, 48.75}, {50, 5, false, true, 48.75}, {50, 0, true, false, 55},   {50, -2, true, false, 55},
        {50, NAN, true, false, 55}, {50, INFINITY, true, false, 55},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(AudioManager::steppedLevel(c.level, c.step, c.up, c.fine), c.expected)
            << c.level << " step " << c.step << (c.up ? " up" : " down") << (c.fine ? " fine" : "");
}

TEST_F(AudioTest, SystemRouteLevelMuteAndKeys)
{
    start();
    EXPECT_NEAR(audio->level().volume(), 50.0, 1e-4);
    const std::pair<double, double> clamps[] = {{-3, 0}, {250, 100}, {NAN, 0}, {42, 42}};
    for (auto [in, out] : clamps) {
        audio->setVolume(in);
        EXPECT_EQ(audio->level().volume(), out);
        EXPECT_FLOAT_EQ(sys.volumeScalar(kSpeakers, kScopeOutput, 0), float(out / 100));
    }
    audio->setMuted(true);
    EXPECT_EQ(sys.mute(kSpeakers, kScopeOutput), true);
    EXPECT_TRUE(audio->level().muted());
    audio->setVolume(40);
    EXPECT_EQ(sys.mute(kSpeakers, kScopeOutput), false) << "a level above 0 unmutes";

    audio->setVolume(100);
    audio->stepVolume(true, false);
    EXPECT_EQ(audio->level().volume(), 100);
    audio->setVolume(2);
    audio->stepVolume(false, false);
    EXPECT_EQ(audio->level().volume(), 0);
    audio->setVolumeStep(0);
    audio->setVolume(47);
    audio->stepVolume(true, false);
    EXPECT_EQ(audio->level().volume(), 50) << "a zero step counts as the default";
}

TEST_F(AudioTest, SoftwareMasterScalesEverythingOnce)
{
    start();
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    ASSERT_EQ(audio->volumeSource(), Source::software);
    EXPECT_FALSE(audio->softEngine() && audio->softEngine()->isRunning()) << "unity gain needs no tap";
    sys.render(512);
    EXPECT_NEAR(sys.playedPeak(kHdmi), 0.5, 1e-3);

    audio->setVolume(50);
    ASSERT_TRUE(audio->softEngine() && audio->softEngine()->isRunning());
    EXPECT_FLOAT_EQ(audio->softEngine()->gain(), 0.25f);
    EXPECT_EQ(Prefs::d().object("audio.softLevel").toDouble(), 50.0);
    sys.render(512);
    for (uint32_t ch : {0u, 1u})
        EXPECT_NEAR(sys.playedPeak(kHdmi, ch), 0.25 * 0.5, 1e-3);
    EXPECT_EQ(sys.playedPeak(kSpeakers), 0.0f);
    EXPECT_TRUE(audio->outputs().size() == 3) << "our aggregate device is never listed";

    audio->setMuted(true);
    EXPECT_EQ(audio->softEngine()->gain(), 0.0f);
    audio->setVolume(0);
    EXPECT_TRUE(audio->softMuted()) << "level 0 keeps the mute";
    audio->setVolume(40);
    EXPECT_FALSE(audio->softMuted());
    EXPECT_FALSE(audio->level().muted());
    EXPECT_FLOAT_EQ(audio->softEngine()->gain(), 0.16f);
}

TEST_F(AudioTest, UnityStopsTheEngineTwoSecondsLaterUnlessLeft)
{
    start();
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    audio->setVolume(50);
    audio->setVolume(100);
    advance(1.0);
    audio->setVolume(99); // back below unity within the 2 s: the stop is cancelled
    advance(3.0);
    ASSERT_TRUE(audio->softEngine() && audio->softEngine()->isRunning());

    audio->setVolume(100);
    advance(1.9);
    EXPECT_TRUE(audio->softEngine() && audio->softEngine()->isRunning());
    advance(0.2);
    EXPECT_FALSE(audio->softEngine());
    stopsDone();
    EXPECT_TRUE(nothingLeft());
    sys.render(512);
    EXPECT_NEAR(sys.playedPeak(kHdmi), 0.5, 1e-3) << "the direct path is back";
}

TEST_F(AudioTest, OutputChangeMovesTheEngine)
{
    sim::DeskAudioDevice dp;
    dp.id = 70;
    dp.uid = "dp";
    dp.name = "DisplayPort";
    dp.transport = "dprt";
    dp.output.present = true;
    dp.output.buffers = {2, 2, 2};
    start();
    sys.addDevice(dp);
    settle();
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    audio->setVolume(50);
    ASSERT_TRUE(audio->setDefaultOutput("dp"));
    stopsDone();
    ASSERT_TRUE(audio->softEngine() && audio->softEngine()->isRunning());
    EXPECT_EQ(audio->softEngine()->outputUID(), "dp");
    ASSERT_EQ(sys.aggregates().size(), 1u);
    EXPECT_EQ(sys.aggregates()[0].description["master"].toString(), "dp");
    sys.render(512);
    for (uint32_t ch = 0; ch < 6; ++ch)
        EXPECT_NEAR(sys.playedPeak("dp", ch), 0.125, 1e-3) << ch;

    ASSERT_TRUE(audio->setDefaultOutput(kSpeakers));
    EXPECT_EQ(audio->volumeSource(), Source::system);
    stopsDone();
    EXPECT_TRUE(nothingLeft());
}

TEST_F(AudioTest, SuspendedTapsStartNothing)
{
    start();
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    audio->setTapsSuspended(true);
    audio->setVolume(30);
    EXPECT_EQ(audio->level().volume(), 30);
    EXPECT_EQ(audio->softLevel(), 30);
    EXPECT_EQ(Prefs::d().object("audio.softLevel").toDouble(), 30.0);
    EXPECT_TRUE(nothingLeft());
    audio->setTapsSuspended(false);
    audio->refreshVolume();
    EXPECT_TRUE(audio->softEngine() && audio->softEngine()->isRunning());
}

TEST_F(AudioTest, FailedStartShowsTheErrorAndIsNotRetriedByItsOwnTeardown)
{
    using Step = sim::AudioSystem::Step;
    for (Step step : {Step::tap, Step::aggregate, Step::ioProc, Step::start}) {
        installDesk(sim::Desk::defaultJson());
        Prefs::d().remove("audio.softLevel");
        start();
        ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
        platform::log::clearRecent();
        sys.setFailure(step, -10);
        audio->setVolume(50);
        sys.setFailure(step, 0); // a retry would now succeed
        ASSERT_TRUE(audio->softwareError());
        EXPECT_TRUE(audio->softwareError()->startsWith("Yazılımsal ses başlatılamadı ("));
        EXPECT_TRUE(audio->softwareError()->endsWith(
            "(-10)). Sistem Ayarları > Gizlilik > Ses Kaydı iznini kontrol edin."));
        EXPECT_TRUE(platform::log::recent().filter("Pelorn software volume: ").size() == 1);
        EXPECT_TRUE(nothingLeft());

        advance(1.0); // the teardown's device-list change refreshes
        EXPECT_TRUE(nothingLeft()) << "no retry without a change";
        EXPECT_EQ(audio->volumeSource(), Source::software);
        EXPECT_EQ(audio->level().volume(), 50);

        audio->setVolume(45);
        EXPECT_TRUE(audio->softEngine() && audio->softEngine()->isRunning());
        EXPECT_FALSE(audio->softwareError());
        audio.reset();
        stopsDone();
    }
}

TEST_F(AudioTest, SecondsSinceSound)
{
    start();
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    EXPECT_FALSE(audio->masterSecondsSinceSound());
    audio->setVolume(50);
    sys.render(512);
    EXPECT_NEAR(*audio->masterSecondsSinceSound(), 0.0, 1e-6);
    sys.setPlaying(kMusic, false);
    advance(3.0);
    sys.render(512);
    EXPECT_NEAR(*audio->masterSecondsSinceSound(), 3.0, 1e-6);
}

TEST_F(AudioTest, MasterRestartsOnlyWhenItsExclusionsChange)
{
    start();
    std::vector<uint32_t> excluded;
    audio->excludedProcesses = [&] { return excluded; };
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    audio->setVolume(50);
    const auto firstTap = sys.taps().at(0).id;
    audio->reconfigureMaster();
    EXPECT_EQ(sys.taps().at(0).id, firstTap);
    excluded = {kMusic, 120};
    audio->reconfigureMaster();
    ASSERT_EQ(sys.taps().size(), 1u);
    EXPECT_NE(sys.taps()[0].id, firstTap);
    EXPECT_EQ(sys.taps()[0].description.processes, (std::vector<uint32_t>{100, kMusic, 120}));
    excluded = {120, kMusic};
    audio->reconfigureMaster();
    EXPECT_EQ(audio->softEngine()->processes(), (std::vector<uint32_t>{kMusic, 120})) << "order does not matter";
}

TEST_F(AudioTest, SettingsAreReadOnceAndWrittenOnChange)
{
    Prefs::d().set("audio.mediaKeys", false);
    Prefs::d().set("audio.step", 10.0);
    Prefs::d().set("audio.softLevel", 30.0);
    start();
    EXPECT_FALSE(audio->mediaKeysEnabled());
    EXPECT_EQ(audio->volumeStep(), 10.0);
    EXPECT_EQ(audio->softLevel(), 30.0);
    EXPECT_TRUE(audio->useSoftwareVolume());
    audio->setMediaKeysEnabled(true);
    audio->setVolumeStep(2.5);
    EXPECT_EQ(Prefs::d().object("audio.mediaKeys"), QVariant(true));
    EXPECT_EQ(Prefs::d().object("audio.step").toDouble(), 2.5);

    Showcase::setEnabledForTesting(true);
    audio->setVolumeStep(7);
    EXPECT_EQ(Prefs::d().object("audio.step").toDouble(), 2.5) << "nothing is written in the showcase mode";
}

} // namespace

#include "showcase/Showcase.h"
#include "showcase/Showcase.h"

namespace {

TEST(ShowcasePresented, NamesAndPresentedDefaults)
{
    struct Case {
        const char* name;
        bool showcase, english;
        const char* shown;
    };
    const Case cases[] = {
        {"Harici Monitör (HDMI)", false, false, "Harici Monitör (HDMI)"},
        {"Harici Monitör (U27 Hoparlörü)", true, false, "U27 Hoparlörü"},
        {"Harici Monitör (U27 Hoparlörü)", true, true, "U27 Speakers"},
        {"Ayşe'nin iPhone'u Mikrofonu", true, false, "iPhone Mikrofonu"},
        {"Ayşe'nin iPhone'u Mikrofonu", true, true, "iPhone Microphone"},
        {"MacBook Pro Mikrofonu", true, true, "MacBook Pro Microphone"},
        {"(unclosed", true, false, "(unclosed"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Showcase::presentedName(c.name, c.showcase, c.english), c.shown) << c.name;

    const std::vector<AudioDevice> list{{1, "a", "A", kTransportBuiltIn}, {2, "b", "B", kTransportDisplayPort},
                                        {3, "c", "C", kTransportHDMI}};
    Showcase::setEnabledForTesting(false);
    EXPECT_FALSE(Showcase::presentedOutput(list));
    EXPECT_FALSE(Showcase::presentedInput(list));
    Showcase::setEnabledForTesting(true);
    EXPECT_EQ(Showcase::presentedOutput(list), 2u);
    EXPECT_EQ(Showcase::presentedInput(list), 1u);
    EXPECT_FALSE(Showcase::presentedOutput({list[0]}));
    Showcase::setEnabledForTesting(std::nullopt);
}

TEST_F(AudioTest, ShowcaseModePresentsTheMonitorAsTheOutput)
{
    Showcase::setEnabledForTesting(true);
    start();
    EXPECT_EQ(audio->defaultOutput()->uid, kHdmi);
    EXPECT_EQ(audio->volumeSource(), Source::software);
    audio->setVolume(30);
    EXPECT_FALSE(Prefs::d().object("audio.softLevel").isValid()) << "nothing is stored in the showcase mode";
}

} // namespace

namespace {

// A settings change the full store refuses is not taken: the setting keeps its stored value
// (which the options card shows) and the person is told why.
TEST_F(AudioTest, ASettingsChangeTheStoreRefusesIsShownAndNotTaken)
{
    start();
    auto& store = Prefs::d();
    store.set("filler", QString());
    store.set("filler", QString(platform::UserDefaults::kMaxFileBytes - store.storedBytes(), u'x'));
    const struct {
        const char* key;
        std::function<void()> change;
        std::function<QVariant()> value;
    } cases[] = {
        {"audio.mediaKeys", [&] { audio->setMediaKeysEnabled(!audio->mediaKeysEnabled()); },
         [&] { return audio->mediaKeysEnabled(); }},
        {"audio.step", [&] { audio->setVolumeStep(audio->volumeStep() == 10 ? 2 : 10); },
         [&] { return audio->volumeStep(); }},
        {"audio.softwareVolume", [&] { audio->setUseSoftwareVolume(!audio->useSoftwareVolume()); },
         [&] { return audio->useSoftwareVolume(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        store.remove(c.key); // any value stored now would grow the full store
        store.set("filler", QString(platform::UserDefaults::kMaxFileBytes - store.storedBytes()
                                        + store.object("filler").toString().size(),
                                    u'x'));
        const QVariant before = c.value();
        const QVariant storedBefore = store.object(c.key);
        c.change();
        EXPECT_EQ(c.value(), before);
        EXPECT_EQ(store.object(c.key), storedBefore);
        ASSERT_TRUE(audio->softwareError());
        EXPECT_EQ(*audio->softwareError(), "Ayar kaydedilemedi: ayarlar dosyası en büyük boyutunda.");
    }
    store.remove("filler");
}

} // namespace
