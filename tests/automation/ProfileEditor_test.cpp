#include "KVMViewTest.h"

#include "design/Card.h"
#include "design/Sliders.h"
#include "design/TextLine.h"
#include "platform/Audio.h"
#include "platform/sim/ChargeLimit.h"

#include <QVariant>

namespace {

namespace pa = platform::audio;
using Setting = ProfileEditor::Setting;

class ProfileEditorTest : public KVMViewTest {
protected:
    // One profile for the monitor, made with "Yeni profil" and emptied of every optional value,
    // so each test starts from boxes that are all unticked.
    KVMProfile bareProfile(uint32_t monitor = 2)
    {
        openPage();
        KVMProfile p = addProfileFor(monitor);
        for (Setting s : allSettings())
            if (editor().row(s) && editor().row(s)->checkBox()->isOn())
                tick(editor().row(s));
        return stored();
    }
    static std::vector<Setting> allSettings()
    {
        return {Setting::output,     Setting::microphone,   Setting::volume,        Setting::brightness,
                Setting::dimming,    Setting::mode,         Setting::inputSource,   Setting::smoothScroll,
                Setting::reverseScroll, Setting::chargeLimit};
    }
    static QString defaultUID(uint32_t selector) { return sound().defaultDeviceUID(selector); }

    // The field a setting stands for, as a variant (invalid when empty).
    static QVariant field(const KVMProfile& p, Setting s)
    {
        const auto v = [](const auto& o) { return o ? QVariant::fromValue(*o) : QVariant(); };
        switch (s) {
        case Setting::output: return v(p.audioUID);
        case Setting::microphone: return v(p.inputUID);
        case Setting::volume: return v(p.volume);
        case Setting::brightness: return v(p.brightness);
        case Setting::dimming: return v(p.dimming);
        case Setting::mode: return v(p.modeID);
        case Setting::inputSource: return p.inputSource ? QVariant(int(*p.inputSource)) : QVariant();
        case Setting::smoothScroll: return v(p.smoothScroll);
        case Setting::reverseScroll: return v(p.reverseScroll);
        case Setting::chargeLimit: return v(p.chargeLimit);
        }
        return {};
    }
    // Opens a picker's menu and chooses the entry with that title.
    static void pick(OptionalRow* row, const QString& title)
    {
        ASSERT_NE(row, nullptr);
        choose(qobject_cast<GlassMenuButton*>(row->control()), title);
    }
    static QStringList entries(OptionalRow* row) { return titles(qobject_cast<GlassMenuButton*>(row->control())); }
};

TEST_F(ProfileEditorTest, TickingARowStoresTheLiveValueAndUntickingEmptiesIt)
{
    start();
    audio->setVolume(42.6);
    display->setBrightness(37.4, true);
    display->setSoftwareBrightness(72.5, true);
    ASSERT_TRUE(battery->setLimit(85));
    settle();
    bareProfile();
    const KVMProfile bare = stored();

    struct Case {
        Setting setting;
        QVariant expected;
    };
    const Case cases[] = {
        {Setting::output, defaultUID(pa::kHardwareDefaultOutputDevice)},
        {Setting::microphone, defaultUID(pa::kHardwareDefaultInputDevice)},
        {Setting::volume, 43.0},     // rounded
        {Setting::brightness, 37.0},
        {Setting::dimming, 73.0},    // halves away from zero
        {Setting::mode, *display->currentModeID()},
        {Setting::inputSource, 0x0F},
        {Setting::smoothScroll, true},
        {Setting::reverseScroll, true},
        {Setting::chargeLimit, 85},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.setting));
        OptionalRow* row = editor().row(c.setting);
        ASSERT_NE(row, nullptr);
        EXPECT_FALSE(field(stored(), c.setting).isValid());
        EXPECT_TRUE(row->unchangedLine()->isVisible());
        EXPECT_EQ(row->unchangedLine()->text(), "Değiştirme");

        tick(row);
        EXPECT_EQ(field(stored(), c.setting), c.expected);
        EXPECT_TRUE(row->checkBox()->isOn());
        EXPECT_TRUE(row->control()->isVisible());
        EXPECT_FALSE(row->unchangedLine()->isVisible());

        tick(row);
        EXPECT_FALSE(field(stored(), c.setting).isValid());
        EXPECT_FALSE(row->control()->isVisible());
        EXPECT_TRUE(row->unchangedLine()->isVisible());
    }
    // Ticking and unticking changed only the field and the names that label it.
    KVMProfile after = stored();
    after.audioName = bare.audioName;
    after.inputName = bare.inputName;
    after.modeLabel = bare.modeLabel;
    EXPECT_EQ(after, bare);
}

TEST_F(ProfileEditorTest, WithoutADefaultDeviceTheBoxStaysUnticked)
{
    start();
    bareProfile();
    sound().setDefaultDevice(pa::kHardwareDefaultOutputDevice, "");
    sound().setDefaultDevice(pa::kHardwareDefaultInputDevice, "");
    audio->refresh();
    settle();
    ASSERT_FALSE(audio->defaultOutput());
    for (Setting s : {Setting::output, Setting::microphone}) {
        tick(editor().row(s));
        EXPECT_FALSE(editor().row(s)->checkBox()->isOn());
        EXPECT_FALSE(field(stored(), s).isValid());
    }
}

TEST_F(ProfileEditorTest, PickersStoreTheChoiceAndItsNameAndKeepAnAbsentDeviceUnderItsOwnName)
{
    start();
    bareProfile();
    tick(editor().row(Setting::output));
    pick(editor().row(Setting::output), "USB Kulaklık");
    EXPECT_EQ(stored().audioUID, "USB-Headset");
    EXPECT_EQ(stored().audioName, "USB Kulaklık");

    // The headset goes: it stays listed, last, under its own name; another edit keeps that name.
    sound().removeDevice("USB-Headset");
    audio->refresh();
    settle();
    EXPECT_EQ(entries(editor().row(Setting::output)).last(), "USB Kulaklık");
    tick(editor().row(Setting::volume));
    EXPECT_EQ(stored().audioUID, "USB-Headset");
    EXPECT_EQ(stored().audioName, "USB Kulaklık");

    // The mode and the input source: the label goes with the mode.
    const auto& modes = display->modes();
    const auto other = std::find_if(modes.begin(), modes.end(),
                                    [&](const DisplayModeOption& m) { return m.id != display->currentModeID(); });
    ASSERT_NE(other, modes.end());
    tick(editor().row(Setting::mode));
    pick(editor().row(Setting::mode), other->label());
    EXPECT_EQ(stored().modeID, other->id);
    EXPECT_EQ(stored().modeLabel, other->label());

    tick(editor().row(Setting::inputSource));
    const auto choices = display->inputChoices(display->selected()->key, display->currentInput());
    const auto hdmi = std::find_if(choices.begin(), choices.end(),
                                   [](const DisplayManager::InputChoice& c) { return c.code == 0x11; });
    ASSERT_NE(hdmi, choices.end());
    pick(editor().row(Setting::inputSource), hdmi->menuTitle());
    EXPECT_EQ(stored().inputSource, 0x11);
}

TEST_F(ProfileEditorTest, LevelsFollowTheSliderWithinTheirRange)
{
    start();
    bareProfile();
    struct Case {
        Setting setting;
        double leftEnd;
    };
    for (const Case& c : {Case{Setting::volume, 0}, Case{Setting::brightness, 0}, Case{Setting::dimming, 10}}) {
        SCOPED_TRACE(int(c.setting));
        OptionalRow* row = editor().row(c.setting);
        tick(row);
        auto* level = qobject_cast<LevelField*>(row->control());
        ASSERT_NE(level, nullptr);
        MiniSlider* slider = level->slider();
        const QPoint left(1, slider->height() / 2), right(slider->width() - 1, slider->height() / 2);
        QTest::mousePress(slider, Qt::LeftButton, {}, right);
        QTest::mouseMove(slider, left);
        QTest::mouseRelease(slider, Qt::LeftButton, {}, left);
        processEvents();
        EXPECT_EQ(field(stored(), c.setting), QVariant(c.leftEnd));
        EXPECT_EQ(level->readout()->text(), "%" + QString::number(int(c.leftEnd)));
        QTest::mouseClick(slider, Qt::LeftButton, {}, right);
        processEvents();
        EXPECT_EQ(field(stored(), c.setting), QVariant(100.0));
        EXPECT_EQ(level->readout()->text(), "%100");
    }
}

TEST_F(ProfileEditorTest, AnOfflineMonitorIsListedLastAndCannotBeAppliedAnotherCanBeChosen)
{
    start();
    bareProfile(2);
    EXPECT_TRUE(editor().applyButton()->isEnabled());
    kvm({2}, false);
    const KVMProfile before = stored();

    const auto choices = editor().monitorChoices();
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[0].name, "Lumera 24F");
    EXPECT_EQ(choices[1], (ProfileEditor::MonitorChoice{before.displayKey, "Lumera 27Q (bağlı değil)"}));
    EXPECT_EQ(titles(editor().monitorPicker()), QStringList({"Lumera 24F", "Lumera 27Q (bağlı değil)"}));
    EXPECT_EQ(editor().monitorPicker()->selectedIndex(), 1);
    EXPECT_FALSE(editor().applyButton()->isEnabled());

    choose(editor().monitorPicker(), "Lumera 24F");
    EXPECT_EQ(stored().displayName, "Lumera 24F");
    EXPECT_EQ(stored().displayKey, choices[0].key);
    EXPECT_TRUE(editor().applyButton()->isEnabled());
    EXPECT_EQ(page->row(before.id)->detail, "Lumera 24F");

    kvm({2}, true);
    EXPECT_EQ(titles(editor().monitorPicker()), QStringList({"Lumera 27Q", "Lumera 24F"}));
}

TEST_F(ProfileEditorTest, ApplySendsTheProfileToTheMonitorAndTheSoundDevices)
{
    start();
    bareProfile(2);
    display->setSelectedID(3);
    settle();
    world().monitor(2)->clearTransfers();

    tick(editor().row(Setting::brightness));
    tick(editor().row(Setting::output));
    pick(editor().row(Setting::output), "USB Kulaklık");
    tick(editor().row(Setting::microphone));
    pick(editor().row(Setting::microphone), "USB Kulaklık");
    tick(editor().row(Setting::inputSource));
    pick(editor().row(Setting::inputSource), DisplayManager::portName(0x12));
    const double level = stored().brightness.value();
    EXPECT_TRUE(setsOf(2, 0x10).empty()); // editing applies nothing

    click(editor().applyButton());
    settle();
    EXPECT_EQ(display->selectedID(), 2u);
    EXPECT_EQ(setsOf(2, 0x10), std::vector<int>{int(level)});
    EXPECT_EQ(world().monitor(2)->vcp(0x60)->value, 0x12);
    EXPECT_EQ(defaultUID(pa::kHardwareDefaultOutputDevice), "USB-Headset");
    EXPECT_EQ(defaultUID(pa::kHardwareDefaultInputDevice), "USB-Headset");
    EXPECT_TRUE(page->eventText()->text().endsWith("“Lumera 27Q” uygulandı"));
}

TEST_F(ProfileEditorTest, FillFromCurrentSettingsCapturesTheDeskIntoTheEditor)
{
    start();
    bareProfile(2);
    sound().setDefaultDevice(pa::kHardwareDefaultOutputDevice, "HDMI-Monitor-Audio");
    audio->refresh();
    display->setBrightness(25, true);
    settle();

    click(editor().fillButton());
    const KVMProfile p = stored();
    EXPECT_EQ(p.audioUID, "HDMI-Monitor-Audio");
    EXPECT_EQ(p.audioName, "Harici Monitör");
    EXPECT_EQ(p.brightness, 25);
    EXPECT_EQ(p.smoothScroll, scroll->smoothEnabled());
    EXPECT_EQ(editor().profile(), p);
    // The rows show what was captured.
    EXPECT_TRUE(editor().row(Setting::output)->checkBox()->isOn());
    EXPECT_EQ(qobject_cast<MenuPickerView*>(editor().row(Setting::output)->control())->text(), "Harici Monitör");
    auto* brightness = qobject_cast<LevelField*>(editor().row(Setting::brightness)->control());
    EXPECT_EQ(brightness->readout()->text(), "%25");
    EXPECT_TRUE(page->eventText()->text().endsWith("“Lumera 27Q” mevcut ayarlarla güncellendi"));
}

TEST_F(ProfileEditorTest, OnAMacWithoutChargeLimitThereIsNoBatteryCardAndAStoredLimitStays)
{
    auto controls = sim::chargelimit::controls();
    controls.supported = false;
    sim::chargelimit::setControls(controls);
    start();
    ASSERT_FALSE(battery->limitSupported());
    KVMProfile p;
    p.id = QUuid::createUuid();
    p.name = "Masa";
    p.displayKey = display->externals()[0].key;
    p.displayName = display->externals()[0].name;
    p.chargeLimit = 80;
    automation->setProfiles({p});
    openPage();

    EXPECT_EQ(editor().batteryCard(), nullptr);
    EXPECT_EQ(editor().row(Setting::chargeLimit), nullptr);
    tick(editor().row(Setting::volume));
    EXPECT_EQ(stored().chargeLimit, 80);
    EXPECT_TRUE(stored().volume);
}

TEST_F(ProfileEditorTest, SwitchesStoreTheirValues)
{
    start();
    bareProfile();
    tick(editor().row(Setting::smoothScroll));
    struct Case {
        const char* what;
        Switch* (*toggle)(ProfileEditor&);
        std::function<bool(const KVMProfile&)> value;
    };
    const Case cases[] = {
        {"enabled", [](ProfileEditor& e) { return e.enabledSwitch(); }, [](const KVMProfile& p) { return p.enabled; }},
        {"restore", [](ProfileEditor& e) { return e.restoreAudioSwitch(); },
         [](const KVMProfile& p) { return p.restoreBuiltinAudio; }},
        {"smooth", [](ProfileEditor& e) { return qobject_cast<Switch*>(e.row(Setting::smoothScroll)->control()); },
         [](const KVMProfile& p) { return p.smoothScroll.value_or(true); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Switch* s = c.toggle(editor());
        ASSERT_NE(s, nullptr);
        const bool before = c.value(stored());
        click(s);
        EXPECT_EQ(c.value(stored()), !before);
        EXPECT_EQ(s->isOn(), !before);
    }
    EXPECT_EQ(stored().smoothScroll, false); // set, and off: not the same as leaving it alone
}

} // namespace
