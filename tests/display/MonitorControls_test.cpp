#include "display/DisplayTest.h"

#include "app/Prefs.h"

#include <semaphore>
#include <thread>

namespace {

class MonitorControlsTest : public DisplayTest {
protected:
    // Holds the first write a monitor receives on the bus until released, so that later
    // values queue behind it.
    class BusHold {
    public:
        explicit BusHold(uint32_t id) : monitor_(monitor(id))
        {
            monitor_->setWriteObserver([this](const sim::Transfer&) {
                if (std::exchange(first_, false)) {
                    onBus_.release();
                    release_.acquire();
                }
            });
        }
        ~BusHold() { monitor_->setWriteObserver(nullptr); }
        void waitUntilOnBus() { onBus_.acquire(); }
        void release() { release_.release(); }

    private:
        std::shared_ptr<sim::Monitor> monitor_;
        std::binary_semaphore onBus_{0}, release_{0};
        bool first_ = true;
    };
};

TEST_F(MonitorControlsTest, ReadingsArePercentagesOfTheMonitorsOwnMaximumWithinZeroToHundred)
{
    struct Case {
        int value, maximum;
        double expected;
    };
    const Case cases[] = {{30, 50, 60}, {128, 255, 128 * 100.0 / 255}, {37, 0, 37}, {300, 100, 100}, {255, 0, 100}};
    for (const Case& c : cases) {
        useDisplays({monitorJson(2, 200, 0, QJsonObject{{"10", QJsonObject{{"value", c.value}, {"max", c.maximum}}}})});
        start();
        EXPECT_TRUE(manager->ddcAvailable());
        EXPECT_DOUBLE_EQ(manager->brightness(), c.expected) << c.value << "/" << c.maximum;
        manager.reset();
    }
}

TEST_F(MonitorControlsTest, MonitorThatAnswersBrightnessButNotVolume)
{
    useDisplays({monitorJson(2, 200, 0, QJsonObject{{"10", 40}})});
    start();
    EXPECT_TRUE(manager->ddcAvailable());
    EXPECT_FALSE(manager->ddcVolumeAvailable());
    EXPECT_DOUBLE_EQ(manager->volume(), 50);
    EXPECT_EQ(manager->currentInput(), std::nullopt);
}

TEST_F(MonitorControlsTest, WritesAreClampedWholeNumbersRoundedHalfAwayFromZero)
{
    useDisplays({monitorJson(2)});
    start();
    struct Case {
        std::function<void(DisplayManager&)> set;
        std::function<double(const DisplayManager&)> published;
        uint8_t code;
        double shown;
        int written;
    };
    auto brightness = [](double v) { return [v](DisplayManager& m) { m.setBrightness(v, false); }; };
    auto getB = [](const DisplayManager& m) { return m.brightness(); };
    const Case cases[] = {
        {brightness(49.5), getB, 0x10, 49.5, 50},
        {brightness(-3), getB, 0x10, 0, 0},
        {brightness(std::nan("")), getB, 0x10, 0, 0},
        {brightness(72.49), getB, 0x10, 72.49, 72},
        {[](DisplayManager& m) { m.setVolume(150); }, [](const DisplayManager& m) { return m.volume(); }, 0x62, 100, 100},
        {[](DisplayManager& m) { m.setContrast(0.5); }, [](const DisplayManager& m) { return m.contrast(); }, 0x12, 0.5, 1},
    };
    for (const Case& c : cases) {
        clearTransfers();
        c.set(*manager);
        EXPECT_DOUBLE_EQ(c.published(*manager), c.shown);
        settle();
        EXPECT_EQ(setsOf(2, c.code), (std::vector<int>{c.written, c.written})) << c.shown;
    }
}

// Ten values arriving while one write is on the bus give exactly one more write: the newest.
TEST_F(MonitorControlsTest, NewestValueWinsWhileAWriteIsInFlight)
{
    useDisplays({monitorJson(2)});
    start();
    clearTransfers();
    {
        BusHold hold(2);
        manager->setVolume(10);
        hold.waitUntilOnBus();
        for (int v = 11; v <= 20; ++v)
            manager->setVolume(v);
        manager->setBrightness(33, false); // another code is kept alongside
        hold.release();
        settle();
    }
    EXPECT_EQ(setsOf(2, 0x62), (std::vector<int>{10, 10, 20, 20}));
    EXPECT_EQ(setsOf(2, 0x10), (std::vector<int>{33, 33}));
}

// A selected-only brightness and a linked one queued behind the same write: each monitor ends
// at the last value asked for it, whichever came first.
TEST_F(MonitorControlsTest, LinkedAndSelectedWritesQueuedTogetherEndAtTheNewestValuePerMonitor)
{
    struct Case {
        bool firstOnlySelected;
        int selectedEnd, otherEnd;
    };
    const Case cases[] = {{true, 70, 70}, {false, 70, 30}};
    for (const Case& c : cases) {
        useDisplays({builtinJson(), monitorJson(2, 200), monitorJson(3, 300)});
        start();
        ASSERT_EQ(manager->selectedID(), 2u);
        manager->setLinkAll(true);
        clearTransfers();
        {
            BusHold hold(2);
            manager->setVolume(10);
            hold.waitUntilOnBus();
            manager->setBrightness(30, c.firstOnlySelected);
            manager->setBrightness(70, !c.firstOnlySelected);
            hold.release();
            settle();
        }
        ASSERT_FALSE(setsOf(2, 0x10).empty());
        ASSERT_FALSE(setsOf(3, 0x10).empty());
        EXPECT_EQ(setsOf(2, 0x10).back(), c.selectedEnd) << "first only selected: " << c.firstOnlySelected;
        EXPECT_EQ(setsOf(3, 0x10).back(), c.otherEnd) << "first only selected: " << c.firstOnlySelected;
        EXPECT_DOUBLE_EQ(manager->brightness(), 70);
        manager.reset();
    }
}

TEST_F(MonitorControlsTest, LinkAllWritesEveryExternalMonitor)
{
    struct Case {
        bool linkAll;
        int monitors;
        bool onlySelected;
        std::vector<uint32_t> written;
    };
    const Case cases[] = {
        {true, 2, false, {2, 3}},
        {true, 2, true, {2}},
        {false, 2, false, {2}},
        {true, 1, false, {2}},
    };
    for (const Case& c : cases) {
        QJsonArray displays{builtinJson(), monitorJson(2, 200)};
        if (c.monitors == 2)
            displays.append(monitorJson(3, 300));
        useDisplays(displays);
        start();
        manager->setLinkAll(c.linkAll);
        clearTransfers();
        manager->setBrightness(44, c.onlySelected);
        manager->setVolume(12); // contrast and volume always go to the selected monitor only
        settle();
        std::vector<uint32_t> written;
        for (uint32_t id : {2u, 3u})
            if (monitor(id) && !setsOf(id, 0x10).empty())
                written.push_back(id);
        EXPECT_EQ(written, c.written) << c.linkAll << c.monitors << c.onlySelected;
        EXPECT_EQ(setsOf(2, 0x62).size(), 2u);
        if (c.monitors == 2) {
            EXPECT_TRUE(setsOf(3, 0x62).empty());
        }
        EXPECT_EQ(Prefs::boolValue("display.linkAll", !c.linkAll), c.linkAll);
        manager.reset();
    }
}

// Levels are percentages of the monitor's own maximum both ways: a monitor whose brightness
// runs to 255 is sent 204 for 80 %, and reads back 80 %. Codes whose maximum is unknown, or 0,
// are sent the percentage itself.
TEST_F(MonitorControlsTest, WritesSendThePercentageOfTheMonitorsOwnMaximum)
{
    useDisplays({monitorJson(2, 200, 0,
                             QJsonObject{{"10", QJsonObject{{"value", 128}, {"max", 255}}},
                                         {"12", QJsonObject{{"value", 30}, {"max", 0}}},
                                         {"62", QJsonObject{{"value", 20}, {"max", 40}}}})});
    start();
    ASSERT_NEAR(manager->brightness(), 50.2, 0.01);
    clearTransfers();
    manager->setBrightness(80, true);
    manager->setContrast(45);
    manager->setVolume(33);
    settle();
    EXPECT_EQ(setsOf(2, 0x10).back(), 204);
    EXPECT_EQ(setsOf(2, 0x12).back(), 45);
    EXPECT_EQ(setsOf(2, 0x62).back(), 13); // 33 % of 40 = 13.2

    manager->reload();
    settle();
    EXPECT_DOUBLE_EQ(manager->brightness(), 80);
    EXPECT_DOUBLE_EQ(manager->volume(), 32.5);
}

// A linked monitor that was never selected is asked for its maximum before its first write.
TEST_F(MonitorControlsTest, LinkedMonitorNeverReadIsSentThePercentageOfItsMaximum)
{
    useDisplays({monitorJson(2), monitorJson(3, 300, 0, QJsonObject{{"10", QJsonObject{{"value", 51}, {"max", 255}}}})});
    start();
    ASSERT_EQ(manager->selectedID(), 2u);
    manager->setLinkAll(true);
    clearTransfers();
    manager->setBrightness(40, false);
    settle();
    EXPECT_EQ(setsOf(2, 0x10).back(), 40);
    EXPECT_EQ(setsOf(3, 0x10).back(), 102);
    manager->setBrightness(60, false);
    settle();
    EXPECT_EQ(setsOf(3, 0x10).back(), 153);
    int reads = 0;
    for (const auto& t : monitor(3)->transfers())
        reads += t.write && t.bytes.size() >= 3 && uint8_t(t.bytes[1]) == 0x01 && uint8_t(t.bytes[2]) == 0x10;
    EXPECT_EQ(reads, 1) << "the maximum is asked for once";
}

TEST_F(MonitorControlsTest, MonitorThatStopsAnsweringKeepsItsLastReadings)
{
    useDisplays({monitorJson(2)});
    start();
    ASSERT_TRUE(manager->ddcAvailable());
    monitor(2)->setFault(sim::Fault::Silent);
    manager->reload();
    settle();
    EXPECT_FALSE(manager->ddcAvailable());
    EXPECT_FALSE(manager->ddcVolumeAvailable());
    EXPECT_DOUBLE_EQ(manager->brightness(), 60);
}

TEST_F(MonitorControlsTest, WithoutADdcChannelReadsReportUnavailableAndWritesAreDropped)
{
    QJsonObject plain = monitorJson(2);
    plain.remove("ddc");
    useDisplays({plain});
    start();
    EXPECT_FALSE(manager->ddcAvailable());
    EXPECT_DOUBLE_EQ(manager->brightness(), 50);
    manager->setBrightness(70, false);
    settle();
    EXPECT_DOUBLE_EQ(manager->brightness(), 70);
}

// Readings taken for one monitor are filed under that monitor even when the selection moves
// on while they are on the bus.
TEST_F(MonitorControlsTest, QuickSelectionChangeNeverFilesReadingsUnderAnotherMonitor)
{
    QJsonObject a = monitorJson(2, 200), b = monitorJson(3, 300, 0, QJsonObject{{"10", 20}, {"60", 0x11}});
    QJsonObject ddcA = a["ddc"].toObject();
    ddcA["faults"] = QJsonArray{"silent"};
    ddcA["capabilities"] = "vcp(10 60(0F 11))";
    a["ddc"] = ddcA;
    QJsonObject ddcB = b["ddc"].toObject();
    ddcB["capabilities"] = "vcp(10 60(1B 11))";
    b["ddc"] = ddcB;
    useDisplays({a, b});
    start();
    ASSERT_EQ(manager->selectedID(), 2u);
    ASSERT_FALSE(manager->ddcAvailable());

    std::binary_semaphore release(0);
    manager->ddcQueue().async([&] { release.acquire(); });
    monitor(2)->setFault(sim::Fault::Silent, 0);
    manager->reload();       // reads monitor 2
    manager->setSelectedID(3); // then monitor 3
    release.release();
    settle();
    const QString keyA = "100:200:0", keyB = "100:300:0";
    EXPECT_EQ(manager->macInputs().at(keyA), 0x0F);
    EXPECT_EQ(manager->macInputs().at(keyB), 0x11);
    EXPECT_EQ(manager->reportedInputs().at(keyA), (std::vector<uint16_t>{0x0F, 0x11}));
    EXPECT_EQ(manager->reportedInputs().at(keyB), (std::vector<uint16_t>{0x1B, 0x11}));
    EXPECT_DOUBLE_EQ(manager->brightness(), 20);
}

// A value set while a read of the monitor is still queued stays published: the read, taken
// before the write reached the monitor, must not put the old value back. Controls that were
// not set still take the reading.
TEST_F(MonitorControlsTest, ReadQueuedBeforeASetDoesNotPublishTheOldValueOverIt)
{
    useDisplays({monitorJson(2), monitorJson(3, 300, 0, QJsonObject{{"10", 20}, {"12", 25}, {"60", 0x11}, {"62", 35}})});
    start();
    ASSERT_EQ(manager->selectedID(), 2u);

    std::binary_semaphore release(0);
    manager->ddcQueue().async([&] { release.acquire(); });
    manager->setSelectedID(3); // queues the read of monitor 3
    manager->setBrightness(80, true);
    manager->setVolume(5);
    manager->setCurrentInput(0x0F);
    release.release();
    settle();

    EXPECT_DOUBLE_EQ(manager->brightness(), 80);
    EXPECT_DOUBLE_EQ(manager->volume(), 5);
    EXPECT_EQ(manager->currentInput(), std::optional<uint16_t>(0x0F));
    EXPECT_DOUBLE_EQ(manager->contrast(), 25);
    EXPECT_EQ(setsOf(3, 0x10).back(), 80);

    manager->reload(); // a later read publishes what the monitor now reports
    settle();
    EXPECT_DOUBLE_EQ(manager->brightness(), 80);
    EXPECT_DOUBLE_EQ(manager->contrast(), 25);
}

} // namespace
