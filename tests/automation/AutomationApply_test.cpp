#include "AutomationTest.h"

#include "platform/Audio.h"
#include "platform/sim/Monitor.h"
#include "platform/sim/SimAudio.h"
#include "platform/sim/ChargeLimit.h"

namespace {

namespace pa = platform::audio;

class AutomationApplyTest : public AutomationTest {
protected:
    static sim::AudioSystem& sound() { return sim::AudioSystem::shared(); }
    static QString defaultOutputUID() { return sound().defaultDeviceUID(pa::kHardwareDefaultOutputDevice); }

    struct Write {
        double time;
        int value;
    };
    // Each write with the time it reached the monitor.
    static std::vector<Write> writesOf(uint32_t id, uint8_t code)
    {
        std::vector<Write> out;
        for (const auto& t : world().monitor(id)->transfers())
            if (t.write && t.bytes.size() == 6 && uint8_t(t.bytes[0]) == 0x84 && uint8_t(t.bytes[2]) == code)
                out.push_back({t.time, uint8_t(t.bytes[3]) << 8 | uint8_t(t.bytes[4])});
        std::vector<Write> writes;
        for (size_t i = 0; i < out.size(); i += 2)
            writes.push_back(out[i]);
        return writes;
    }
    // Seconds from the last reported display change to the event, or none.
    std::optional<double> eventAfterReport(const QString& message) const
    {
        for (const auto& [time, text] : events)
            if (time >= reportedAt && text.endsWith(" · " + message))
                return time - reportedAt;
        return std::nullopt;
    }
    void waitUntil(double time)
    {
        advance(std::max(0.0, time - platform::clock::now()));
        settle();
    }
    static void clearTransfers()
    {
        for (uint32_t id : {2u, 3u})
            world().monitor(id)->clearTransfers();
    }
    QString keyOf(uint32_t id) const
    {
        for (const DisplayInfo& d : display->displays())
            if (d.id == id)
                return d.key;
        ADD_FAILURE() << "display " << id << " is offline";
        return {};
    }
    KVMProfile profileFor(uint32_t id, const QString& name = "Masa") const
    {
        KVMProfile p;
        p.id = QUuid::createUuid();
        p.name = name;
        p.displayKey = keyOf(id);
        p.displayName = id == 2 ? "Lumera 27Q" : "Lumera 24F";
        return p;
    }
    static sim::DeskAudioDevice lateSpeaker()
    {
        sim::DeskAudioDevice d;
        d.id = 70;
        d.uid = "Late-Speaker";
        d.name = "Geç Hoparlör";
        d.transport = "usb ";
        d.output.present = true;
        d.output.buffers = {2};
        d.output.volume = sim::DeskAudioVolume{};
        d.output.volume->elements = {0};
        d.output.volume->value = 0.5;
        return d;
    }
};

TEST_F(AutomationApplyTest, ASwitchToThisMacAppliesTheProfileTwoSecondsLaterInOrder)
{
    start();
    const auto& modes = display->modes();
    const auto other = std::find_if(modes.begin(), modes.end(),
                                    [&](const DisplayModeOption& m) { return m.id != display->currentModeID(); });
    ASSERT_NE(other, modes.end());
    const DisplayModeOption target = *other;

    KVMProfile p = profileFor(2);
    p.modeID = target.id;
    p.brightness = 30;
    p.dimming = 80;
    p.inputSource = 0x11;
    p.smoothScroll = false;
    p.reverseScroll = false;
    p.chargeLimit = 80;
    p.inputUID = "USB-Headset";
    p.audioUID = "HDMI-Monitor-Audio";
    p.volume = 40;
    kvm({2}, false);
    automation->setProfiles({p});

    display->setSelectedID(3);
    settle();
    clearTransfers();
    kvm({2}, true);
    const double t = reportedAt;
    wait(3.0);

    // Two seconds after the display list reported the monitor; the DDC/CI channel then needs a
    // moment for the selection's readings before the write goes out (its transfers move the
    // shared clock from the DDC queue, so how far it moves meanwhile varies from run to run).
    const auto applied = eventAfterReport("“Masa” uygulandı");
    ASSERT_TRUE(applied);
    EXPECT_GE(*applied, 2.0);
    EXPECT_LT(*applied, 3.0);
    const auto brightness = writesOf(2, 0x10);
    ASSERT_EQ(brightness.size(), 1u);
    EXPECT_EQ(brightness[0].value, 30);
    EXPECT_GE(brightness[0].time, t + 2.0);
    EXPECT_LT(brightness[0].time, t + 3.0);
    EXPECT_EQ(display->selectedID(), 2u);
    EXPECT_EQ(display->currentModeID(), target.id);
    EXPECT_EQ(DisplayManager::option(platform::displays::currentMode(2)).id, target.id);
    EXPECT_EQ(setsOf(2, 0x10), std::vector<int>{30});
    EXPECT_EQ(world().monitor(2)->vcp(0x60)->value, 0x11);
    EXPECT_EQ(display->softwareBrightness(), 80);
    EXPECT_FALSE(scroll->smoothEnabled());
    EXPECT_FALSE(scroll->reverseEnabled());
    ASSERT_TRUE(battery->limitSupported());
    EXPECT_EQ(sim::chargelimit::limit(), 80);
    EXPECT_EQ(sound().defaultDeviceUID(pa::kHardwareDefaultInputDevice), "USB-Headset");
    EXPECT_EQ(defaultOutputUID(), "HDMI-Monitor-Audio");
    EXPECT_NEAR(audio->level().volume(), 40, 0.01);
    EXPECT_TRUE(setsOf(3, 0x10).empty());
    EXPECT_EQ(lastMessage(), "“Masa” uygulandı");
}

TEST_F(AutomationApplyTest, TheOutputIsAdoptedOnTheRetryScheduleAndGivenUpAfterEightTries)
{
    struct Case {
        double appearsAfter;          // seconds after the first try
        std::optional<double> adoptedAt;
    };
    const Case cases[] = {{0.0, 0.0}, {4.0, 4.5}, {10.4, 10.5}, {10.6, std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.appearsAfter);
        start();
        KVMProfile p = profileFor(2);
        p.audioUID = "Late-Speaker";
        p.volume = 25;
        if (c.appearsAfter == 0.0)
            sound().addDevice(lateSpeaker());
        automation->apply(p);
        EXPECT_EQ(lastMessage(), "“Masa” uygulandı");
        double t = 0;
        std::optional<double> adopted = defaultOutputUID() == "Late-Speaker" ? std::optional<double>(0) : std::nullopt;
        while (t < 13.0 && !adopted) {
            const double step = 0.1;
            if (c.appearsAfter > t && c.appearsAfter <= t + step + 1e-9)
                sound().addDevice(lateSpeaker());
            advance(step);
            t += step;
            if (defaultOutputUID() == "Late-Speaker")
                adopted = t;
        }
        if (c.adoptedAt) {
            ASSERT_TRUE(adopted);
            EXPECT_NEAR(*adopted, *c.adoptedAt, 0.05);
            processEvents();
            EXPECT_NEAR(audio->level().volume(), 25, 0.01);
        } else {
            EXPECT_FALSE(adopted);
        }
        TearDown();
        SetUp();
    }
}

TEST_F(AutomationApplyTest, VolumeWithoutAnOutputSetsTheCurrentOneAndAnOfflineMonitorChangesNothing)
{
    start();
    KVMProfile p = profileFor(2);
    p.volume = 30;
    const QString before = defaultOutputUID();
    automation->apply(p);
    EXPECT_NEAR(audio->level().volume(), 30, 0.01);
    EXPECT_EQ(defaultOutputUID(), before);

    kvm({2}, false);
    p.brightness = 10;
    p.volume = 70;
    clearTransfers();
    automation->apply(p);
    settle();
    EXPECT_EQ(lastMessage(), "“Masa”: Lumera 27Q bağlı değil");
    EXPECT_NEAR(audio->level().volume(), 30, 0.01);
    EXPECT_TRUE(setsOf(3, 0x10).empty());
}

TEST_F(AutomationApplyTest, SwitchingAwayMovesTheSoundToTheBuiltInSpeakersOnlyWhenAsked)
{
    for (bool restore : {true, false}) {
        SCOPED_TRACE(restore);
        start();
        KVMProfile p = profileFor(2);
        p.restoreBuiltinAudio = restore;
        automation->setProfiles({p});
        wait(2.0);
        ASSERT_TRUE(audio->setDefaultOutput("HDMI-Monitor-Audio"));
        sound().setDefaultDevice(pa::kHardwareDefaultSystemOutputDevice, "HDMI-Monitor-Audio");
        const auto event = automation->lastEvent();

        kvm({2}, false);
        if (restore) {
            EXPECT_EQ(defaultOutputUID(), "BuiltInSpeakerDevice");
            EXPECT_EQ(sound().defaultDeviceUID(pa::kHardwareDefaultSystemOutputDevice), "BuiltInSpeakerDevice");
            EXPECT_EQ(audio->defaultOutput()->uid, "BuiltInSpeakerDevice");
            EXPECT_EQ(lastMessage(), "Lumera 27Q ayrıldı, ses dahili hoparlöre alındı");
        } else {
            EXPECT_EQ(defaultOutputUID(), "HDMI-Monitor-Audio");
            EXPECT_EQ(sound().defaultDeviceUID(pa::kHardwareDefaultSystemOutputDevice), "HDMI-Monitor-Audio");
            EXPECT_EQ(automation->lastEvent(), event);
        }
        TearDown();
        SetUp();
    }
}

TEST_F(AutomationApplyTest, OnlyTheFirstEnabledProfileOfAMonitorIsApplied)
{
    start();
    KVMProfile off = profileFor(2, "Kapalı");
    off.enabled = false;
    off.brightness = 11;
    KVMProfile first = profileFor(2, "Birinci");
    first.brightness = 22;
    KVMProfile second = profileFor(2, "İkinci");
    second.brightness = 33;
    automation->setProfiles({off, first, second});
    kvm({2}, false);
    clearTransfers();
    kvm({2}, true);
    waitUntil(reportedAt + 2.5);
    EXPECT_EQ(setsOf(2, 0x10), std::vector<int>{22});
    EXPECT_EQ(lastMessage(), "“Birinci” uygulandı");
    // The brightness again two seconds later.
    const double t = reportedAt;
    wait(3.0);
    const auto writes = writesOf(2, 0x10);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1].value, 22);
    // Not before; how late depends on the simulated bus, whose transfers move the clock on.
    EXPECT_GE(writes[1].time, t + 4.0);
}

TEST_F(AutomationApplyTest, NothingIsAppliedWhileAutomationIsOffOrInShowcase)
{
    for (bool showcase : {false, true}) {
        SCOPED_TRACE(showcase);
        start();
        KVMProfile p = profileFor(2);
        p.brightness = 22;
        automation->setProfiles({p});
        automation->setEnabled(showcase);
        Showcase::setEnabledForTesting(showcase);
        kvm({2}, false);
        clearTransfers();
        kvm({2}, true);
        EXPECT_EQ(automation->connected()->count(keyOf(2)), 1u);
        wait(3.0);
        automation->setEnabled(true); // the monitor is already known as connected
        wait(3.0);
        Showcase::setEnabledForTesting(std::nullopt);
        EXPECT_TRUE(setsOf(2, 0x10).empty());
        EXPECT_FALSE(automation->lastEvent());
        TearDown();
        SetUp();
    }
}

TEST_F(AutomationApplyTest, ChangesDuringTheDelayAreHonoured)
{
    struct Case {
        const char* what;
        std::function<void(AutomationManager&, const KVMProfile&)> change;
        std::vector<int> sent;
    };
    const Case cases[] = {
        {"edited", [](AutomationManager& m, KVMProfile p) { p.brightness = 44; m.update(p); }, {44}},
        {"deleted", [](AutomationManager& m, const KVMProfile& p) { m.remove(p); }, {}},
        {"profile switched off", [](AutomationManager& m, KVMProfile p) { p.enabled = false; m.update(p); }, {}},
        {"automation switched off", [](AutomationManager& m, const KVMProfile&) { m.setEnabled(false); }, {}},
        {"nothing", [](AutomationManager&, const KVMProfile&) {}, {22}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        start();
        KVMProfile p = profileFor(2);
        p.brightness = 22;
        automation->setProfiles({p});
        wait(4.0);
        kvm({2}, false);
        clearTransfers();
        kvm({2}, true);
        waitUntil(reportedAt + 1.5);
        ASSERT_TRUE(setsOf(2, 0x10).empty());
        c.change(*automation, p);
        waitUntil(reportedAt + 2.5);
        EXPECT_EQ(setsOf(2, 0x10), c.sent);
        TearDown();
        SetUp();
    }
}

TEST_F(AutomationApplyTest, TwoMonitorsInOneSwitchEachGetTheirOwnValues)
{
    start();
    KVMProfile a = profileFor(2, "Sol");
    a.brightness = 30;
    a.inputSource = 0x12; // each monitor away from the input it shows
    KVMProfile b = profileFor(3, "Sağ");
    b.brightness = 70;
    b.inputSource = 0x0F;
    automation->setProfiles({a, b});
    wait(4.0);
    kvm({2, 3}, false);
    clearTransfers();
    kvm({2, 3}, true);
    waitUntil(reportedAt + 2.5);
    EXPECT_EQ(setsOf(2, 0x10), std::vector<int>{30});
    EXPECT_EQ(setsOf(3, 0x10), std::vector<int>{70});
    EXPECT_EQ(world().monitor(2)->vcp(0x60)->value, 0x12);
    EXPECT_EQ(world().monitor(3)->vcp(0x60)->value, 0x0F);
}

} // namespace

namespace {

TEST_F(AutomationApplyTest, AMonitorAlreadyThereAtStartIsAppliedTwoSecondsLater)
{
    // The key as the display list will name monitor 2.
    display = std::make_unique<DisplayManager>();
    settle();
    KVMProfile p = profileFor(2, "Açılış");
    p.brightness = 45;
    display.reset();
    storeRaw("kvm.profiles", "[" + QJsonDocument(p.toJson().toObject()).toJson(QJsonDocument::Compact) + "]");
    clearTransfers();

    start();
    const double t = reportedAt;
    wait(3.0);
    const auto applied = eventAfterReport("“Açılış” uygulandı");
    ASSERT_TRUE(applied);
    EXPECT_GE(*applied, 2.0);
    EXPECT_LT(*applied, 2.5);
    ASSERT_FALSE(writesOf(2, 0x10).empty());
    EXPECT_EQ(writesOf(2, 0x10)[0].value, 45);
    EXPECT_GE(writesOf(2, 0x10)[0].time, t + 2.0);
}

} // namespace
