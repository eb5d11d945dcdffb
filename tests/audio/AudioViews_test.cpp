#include "AudioViewTest.h"

#include "audio/DeviceRowList.h"
#include "audio/InputControls.h"
#include "audio/MasterVolumeSlider.h"
#include "audio/OutputDeviceList.h"
#include "design/Buttons.h"
#include "design/Controls.h"
#include "design/Rows.h"
#include "design/Sliders.h"

#include <QMenu>
#include <QSlider>
#include <QTest>

using namespace platform::audio;
using Source = AudioManager::VolumeSource;

namespace {

constexpr const char* kSpeakers = "BuiltInSpeakerDevice"; // 40, hardware volume
constexpr const char* kHdmi = "HDMI-Monitor-Audio";       // 50, no volume of its own
constexpr const char* kHeadset = "USB-Headset";           // 60, output and input
constexpr uint32_t kSpeakersID = 40, kMicID = 41, kHdmiID = 50, kHeadsetID = 60;

// An HDMI monitor's sound with no monitor answering DDC/CI on the desk.
const QByteArray kHdmiOnly =
    R"({"defaultOutput": "HDMI", "devices": [{"id": 50, "uid": "HDMI", "name": "Monitor", "transport": "hdmi", "output": {"channels": 2}}]})";

QStringList texts(const QList<QAction*>& actions)
{
    QStringList out;
    for (const QAction* a : actions)
        if (!a->isSeparator())
            out << a->text();
    return out;
}

} // namespace

TEST_F(AudioViewTest, MasterSliderNamesTheRouteItDrives)
{
    start();
    MasterVolumeSlider view(*audio);
    place(view);
    EXPECT_EQ(view.slider()->title(), "Ses") << "the speakers have a volume of their own";
    EXPECT_EQ(view.slider()->readout(), "%50");
    EXPECT_TRUE(view.notice()->isHidden());
    EXPECT_TRUE(view.errorText()->isHidden());

    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    processEvents();
    EXPECT_EQ(view.slider()->title(), "Ses · macOS");
    EXPECT_EQ(view.slider()->readout(), "%100") << "the software level, not the speakers'";

    audio->setUseSoftwareVolume(false);
    processEvents();
    ASSERT_EQ(audio->volumeSource(), Source::ddc);
    EXPECT_EQ(view.slider()->title(), "Ses · Monitör (DDC)");

    // Moving the slider sets the monitor's own volume.
    QSlider* slider = view.slider()->slider();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    settleDdc();
    EXPECT_EQ(display->volume(), 0);
    EXPECT_EQ(view.slider()->readout(), "%0");
}

TEST_F(AudioViewTest, SpeakerSymbolByLevel)
{
    const struct {
        double volume;
        bool muted;
        const char* symbol;
    } cases[] = {
        {0.4, false, "speaker.slash.fill"},  {0.5, false, "speaker.wave.1.fill"}, {33.9, false, "speaker.wave.1.fill"},
        {34, false, "speaker.wave.2.fill"},  {66.9, false, "speaker.wave.2.fill"}, {67, false, "speaker.wave.3.fill"},
        {100, false, "speaker.wave.3.fill"}, {80, true, "speaker.slash.fill"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MasterVolumeSlider::symbolFor(c.volume, c.muted), c.symbol) << c.volume << " " << c.muted;
}

TEST_F(AudioViewTest, MuteFromTheSymbolAndUnmuteByMovingTheSlider)
{
    start();
    ASSERT_TRUE(audio->setDefaultOutput(kHdmi));
    audio->setVolume(40);
    MasterVolumeSlider view(*audio);
    place(view);
    QSlider* slider = view.slider()->slider();
    EXPECT_EQ(slider->value(), slider->maximum() * 40 / 100);

    QTest::mouseClick(view.slider()->symbolButton(), Qt::LeftButton);
    processEvents();
    EXPECT_TRUE(audio->softMuted());
    EXPECT_EQ(view.slider()->readout(), "Sessiz");
    EXPECT_EQ(slider->value(), 0) << "a muted master shows an empty slider";
    EXPECT_EQ(audio->softLevel(), 40) << "muting keeps the level";

    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    processEvents();
    EXPECT_FALSE(audio->level().muted()) << "a level above 0 unmutes the software gain";
    EXPECT_EQ(audio->softLevel(), 100);
    EXPECT_EQ(view.slider()->readout(), "%100");
}

TEST_F(AudioViewTest, SoftwareErrorShowsInOrangeAndStaysWithTheNoticeWhenNothingCanSetTheLevel)
{
    start(kHdmiOnly);
    MasterVolumeSlider view(*audio);
    place(view);
    ASSERT_EQ(audio->volumeSource(), Source::software);
    sys.setFailure(sim::AudioSystem::Step::ioProc, -5);
    audio->setVolume(50);
    processEvents();
    ASSERT_TRUE(audio->softwareError());
    EXPECT_FALSE(view.errorText()->isHidden());
    EXPECT_EQ(view.errorText()->text(), *audio->softwareError());
    EXPECT_EQ(view.errorText()->shownColor(), systemColor(SystemColor::orange, &view));
    EXPECT_FALSE(view.slider()->isHidden());

    audio->setUseSoftwareVolume(false);
    processEvents();
    ASSERT_EQ(audio->volumeSource(), Source::none);
    EXPECT_TRUE(view.slider()->isHidden());
    EXPECT_FALSE(view.notice()->isHidden());
    EXPECT_EQ(view.notice()->text(), "Bu çıkışın ses seviyesi ayarlanamıyor.");
    EXPECT_FALSE(view.errorText()->isHidden()) << "the error is the manager's until a start succeeds";

    // The orange is the appearance's own.
    view.setPalette(Theme::appearancePalette(true));
    processEvents();
    EXPECT_EQ(view.errorText()->shownColor(), systemColor(SystemColor::orange, true));
}

TEST_F(AudioViewTest, ChoosingAnOutputRowSetsTheDefaultAndTheSystemOutput)
{
    start();
    OutputDeviceList view(*audio);
    place(view);
    ASSERT_TRUE(view.rows()->row(kSpeakersID)->selected());

    QTest::mouseClick(view.rows()->row(kHdmiID), Qt::LeftButton);
    EXPECT_EQ(sys.defaultDeviceUID(kHardwareDefaultOutputDevice), kHdmi);
    EXPECT_EQ(sys.defaultDeviceUID(kHardwareDefaultSystemOutputDevice), kHdmi);
    processEvents();
    EXPECT_TRUE(view.rows()->row(kHdmiID)->selected());
    EXPECT_FALSE(view.rows()->row(kSpeakersID)->selected());

    // A default the system refuses is not shown as chosen.
    sys.setRefuseDefaultWrites(true);
    QTest::mouseClick(view.rows()->row(kHeadsetID), Qt::LeftButton);
    processEvents();
    EXPECT_EQ(sys.defaultDeviceUID(kHardwareDefaultOutputDevice), kHdmi);
    EXPECT_TRUE(view.rows()->row(kHdmiID)->selected());
    EXPECT_FALSE(view.rows()->row(kHeadsetID)->selected());

    // Devices that come and go come and go in the list.
    sys.setRefuseDefaultWrites(false);
    sys.removeDevice(kHeadset);
    settle();
    EXPECT_EQ(view.rows()->row(kHeadsetID), nullptr);
}

TEST_F(AudioViewTest, InputListAndCompactMenuChooseTheDefaultInput)
{
    start();
    InputControls list(*audio, true);
    place(list);
    EXPECT_EQ(list.picker(), nullptr);
    QTest::mouseClick(list.rows()->row(kHeadsetID), Qt::LeftButton);
    EXPECT_EQ(sys.defaultDeviceUID(kHardwareDefaultInputDevice), kHeadset);
    EXPECT_EQ(sys.writeCount(kHardwareDefaultSystemOutputDevice), 0) << "the input has no system device";
    processEvents();
    EXPECT_TRUE(list.rows()->row(kHeadsetID)->selected());

    InputControls compact(*audio, false);
    place(compact);
    EXPECT_EQ(compact.rows(), nullptr);
    MenuPickerView* picker = compact.picker();
    EXPECT_EQ(picker->text(), "USB Kulaklık");
    picker->liveMenu()->refill();
    const QList<QAction*> items = picker->liveMenu()->actions();
    ASSERT_EQ(texts(items), (QStringList{"MacBook Pro Mikrofonu", "USB Kulaklık"}));
    EXPECT_FALSE(items[0]->isChecked());
    EXPECT_TRUE(items[1]->isChecked());
    items[0]->trigger();
    EXPECT_EQ(sys.defaultDeviceUID(kHardwareDefaultInputDevice), "BuiltInMicrophoneDevice");
    processEvents();
    EXPECT_EQ(picker->text(), "MacBook Pro Mikrofonu");
    EXPECT_TRUE(list.rows()->row(kMicID)->selected()) << "every view follows the manager";

    sys.setDefaultDevice(kHardwareDefaultInputDevice, "");
    settle();
    EXPECT_EQ(picker->text(), "Yok");
}

TEST_F(AudioViewTest, InputLevelSliderOnlyForAnInputWithAVolume)
{
    start(R"({"defaultInput": "mic", "devices": [
        {"id": 41, "uid": "mic", "name": "Mic", "transport": "bltn", "input": {"channels": 1, "volume": {"elements": [0], "value": 0.6}}},
        {"id": 70, "uid": "phone", "name": "iPhone", "transport": "ccwl", "input": {"channels": 1}}]})");
    InputControls view(*audio, false);
    place(view);
    ASSERT_FALSE(view.levelSlider()->isHidden());
    EXPECT_EQ(view.levelSlider()->readout(), "%60");

    QSlider* slider = view.levelSlider()->slider();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_FLOAT_EQ(sys.volumeScalar("mic", kScopeInput, 0), 1.0f);

    sys.setDefaultDevice(kHardwareDefaultInputDevice, "phone");
    settle();
    EXPECT_TRUE(view.levelSlider()->isHidden());
    EXPECT_EQ(InputControls::symbolFor(fourCC("ccwl")), "iphone");
}

TEST_F(AudioViewTest, Gallery)
{
    start();
    writeGallery("AudioViews", {
                                   variant("master", [this] { return new MasterVolumeSlider(*audio); }),
                                   variant("outputs", [this] { return new OutputDeviceList(*audio); }),
                                   variant("inputs", [this] { return new InputControls(*audio, true); }),
                                   variant("input-menu", [this] { return new InputControls(*audio, false); }),
                               });
}

TEST_F(AudioViewTest, GalleryOfTheMasterWithErrorAndWithoutRoute)
{
    start(kHdmiOnly);
    sys.setFailure(sim::AudioSystem::Step::ioProc, -5);
    audio->setVolume(30);
    audio->setMuted(true);
    // The galleries make their views when they are written, so each state gets its own.
    writeGallery("AudioViewsMasterMutedError", {variant("muted-error", [this] { return new MasterVolumeSlider(*audio); })});
    audio->setUseSoftwareVolume(false);
    writeGallery("AudioViewsMasterNoRoute", {variant("no-route", [this] { return new MasterVolumeSlider(*audio); })});
}
