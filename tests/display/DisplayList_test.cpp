#include "display/DisplayTest.h"

#include "app/Prefs.h"

namespace {

class DisplayListTest : public DisplayTest {};

TEST_F(DisplayListTest, DefaultDeskListsTheLaptopAndItsMonitors)
{
    start();
    const auto& d = manager->displays();
    ASSERT_EQ(d.size(), 3u);
    EXPECT_TRUE(d[0].isBuiltin);
    EXPECT_EQ(d[0].ddcIndex, std::nullopt);
    EXPECT_EQ(d[1].ddcIndex, 0);
    EXPECT_EQ(d[2].ddcIndex, 1);
    EXPECT_EQ(d[1].name, "Lumera 27Q");
    EXPECT_EQ(d[1].key, "19780:10021:808464432");
    EXPECT_EQ(d[2].key, "19780:9240:0");
    EXPECT_EQ(manager->selectedID(), 2u);
    EXPECT_TRUE(manager->ddcAvailable());
    EXPECT_DOUBLE_EQ(manager->brightness(), 60);
    EXPECT_DOUBLE_EQ(manager->contrast(), 70);
    EXPECT_DOUBLE_EQ(manager->volume(), 30);
    EXPECT_EQ(manager->currentInput(), 0x0F);
    EXPECT_EQ(manager->macInputs().at(d[1].key), 0x0F);
    EXPECT_NEAR(*manager->builtinBrightness(), 70, 1e-4);
}

TEST_F(DisplayListTest, MirrorsAreLeftOutAndDoNotCountForTheDdcIndex)
{
    QJsonObject mirror = monitorJson(2);
    mirror["mirrorOf"] = 1;
    QJsonObject unnamed = monitorJson(5);
    unnamed.remove("name");
    QJsonObject panel = builtinJson(1);
    panel.remove("name");
    useDisplays({panel, mirror, monitorJson(3), unnamed});
    start();
    const auto& d = manager->displays();
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[1].id, 3u);
    EXPECT_EQ(d[1].ddcIndex, 0);
    EXPECT_EQ(d[2].ddcIndex, 1);
    // Without a screen of their own, displays get the fallback names.
    EXPECT_EQ(d[0].name, "Dahili Ekran");
    EXPECT_EQ(d[2].name, "Ekran 5");
}

TEST_F(DisplayListTest, OnlyTheFirstSixteenOnlineDisplaysCount)
{
    QJsonArray list;
    for (int i = 1; i <= 17; ++i)
        list.append(QJsonObject{{"id", i}, {"vendor", 1}, {"model", i}});
    useDisplays(list);
    start();
    ASSERT_EQ(manager->displays().size(), 16u);
    EXPECT_EQ(manager->displays().back().id, 16u);
}

TEST_F(DisplayListTest, BurstOfReconfigurationsGivesOneRefreshASecondAfterTheLast)
{
    useDisplays({builtinJson(), monitorJson(2), monitorJson(3)});
    start();
    int refreshes = 0;
    std::vector<DisplayInfo> last;
    manager->onDisplaysChanged = [&](const std::vector<DisplayInfo>& d) {
        ++refreshes;
        last = d;
    };
    world().setOnline(3, false);
    advance(0.25);
    world().setOnline(3, true);
    advance(0.25);
    world().setOnline(3, false);
    advance(0.99);
    EXPECT_EQ(refreshes, 0);
    advance(0.02);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(last.size(), 2u);
    advance(5);
    EXPECT_EQ(refreshes, 1);

    // The begin flag alone schedules nothing.
    world().beginReconfiguration(2);
    advance(2);
    EXPECT_EQ(refreshes, 1);
}

TEST_F(DisplayListTest, MonitorPluggedInAtRunTimeIsListedAndAnswers)
{
    useDisplays({builtinJson(), monitorJson(2, 200)});
    start();
    sim::DeskDisplay plugged;
    plugged.id = 9;
    plugged.name = "Yeni";
    plugged.vendor = 100;
    plugged.model = 900;
    plugged.x = -1920;
    plugged.modes = {sim::DeskMode{1920, 1080, 1920, 60, true}};
    plugged.ddc = sim::DeskDdc{};
    plugged.ddc->vcp[0x10] = {80, 100};
    world().plug(plugged);
    refreshed();
    ASSERT_EQ(manager->displays().size(), 3u);
    EXPECT_EQ(manager->displays()[2].ddcIndex, 1);
    manager->setSelectedID(9);
    settle();
    EXPECT_TRUE(manager->ddcAvailable());
    EXPECT_DOUBLE_EQ(manager->brightness(), 80);
}

TEST_F(DisplayListTest, SelectionMovesToAnExternalMonitorAndAwayFromOneThatLeft)
{
    QJsonObject away = monitorJson(2);
    away["online"] = false;
    useDisplays({builtinJson(), away, monitorJson(3)});
    world().setOnline(3, false);
    start();
    EXPECT_EQ(manager->selectedID(), 1u);
    EXPECT_FALSE(manager->ddcAvailable());

    world().setOnline(2, true);
    refreshed();
    EXPECT_EQ(manager->selectedID(), 2u);
    EXPECT_TRUE(manager->ddcAvailable());

    // The user picks the panel: it stays only while no external monitor is online.
    world().setOnline(3, true);
    refreshed();
    manager->setSelectedID(3);
    world().setOnline(3, false);
    refreshed();
    EXPECT_EQ(manager->selectedID(), 2u);

    world().setOnline(2, false);
    world().setOnline(1, false);
    refreshed();
    EXPECT_TRUE(manager->displays().empty());
    EXPECT_EQ(manager->selectedID(), 0u);
    EXPECT_FALSE(manager->ddcAvailable());
}

TEST_F(DisplayListTest, IdenticalMonitorsShareAKeyAndEachGetsItsOwnChannel)
{
    useDisplays({builtinJson(), monitorJson(2), monitorJson(3)});
    start();
    const auto ext = manager->externals();
    ASSERT_EQ(ext.size(), 2u);
    EXPECT_EQ(ext[0].key, ext[1].key);
    EXPECT_EQ(manager->identity(ext[1]), (DisplayManager::Identity{100, 200, 0, 1, 1}));

    manager->setSelectedID(3);
    settle();
    clearTransfers();
    manager->setBrightness(25, false);
    settle();
    EXPECT_EQ(monitor(3)->vcp(0x10)->value, 25);
    EXPECT_EQ(monitor(2)->vcp(0x10)->value, 60);
}

// A display without a DDC channel (a USB or wireless one) listed before a monitor that has one:
// its position in the list would point at the monitor's port.
TEST_F(DisplayListTest, DisplayWithoutAPortNeverTakesAnotherMonitorsPort)
{
    QJsonObject portless = monitorJson(2, 900);
    portless.remove("ddc");
    useDisplays({builtinJson(), portless, monitorJson(3, 200, 0, QJsonObject{{"10", 35}, {"62", 20}})});
    start();
    ASSERT_EQ(manager->externals().size(), 2u);
    EXPECT_EQ(manager->externals()[0].ddcIndex, 0);
    ASSERT_EQ(manager->selectedID(), 2u);
    EXPECT_FALSE(manager->ddcAvailable());
    clearTransfers();
    manager->setBrightness(90, false);
    settle();
    EXPECT_EQ(monitor(3)->vcp(0x10)->value, 35) << "the monitor is not driven from the port-less display";

    manager->setSelectedID(3);
    settle();
    EXPECT_TRUE(manager->ddcAvailable());
    EXPECT_DOUBLE_EQ(manager->brightness(), 35);
    manager->setLinkAll(true);
    clearTransfers();
    manager->setBrightness(44, false);
    settle();
    EXPECT_EQ(setsOf(3, 0x10), (std::vector<int>{44, 44})) << "one linked write, sent twice as every write is";
}

TEST_F(DisplayListTest, SettingsAreReadAtStart)
{
    struct Case {
        QVariant target;
        DisplayManager::BrightnessTarget expected;
    };
    const Case cases[] = {{QVariant(), DisplayManager::BrightnessTarget::monitor},
                          {"macOS", DisplayManager::BrightnessTarget::macOS},
                          {"MacOS", DisplayManager::BrightnessTarget::monitor},
                          {true, DisplayManager::BrightnessTarget::monitor}};
    for (const Case& c : cases) {
        Prefs::d().set("display.brightnessTarget", c.target);
        Prefs::d().set("display.linkAll", true);
        Prefs::d().set("display.reportedInputs", QByteArray("{not json"));
        start();
        EXPECT_EQ(manager->brightnessTarget(), c.expected) << c.target.toString().toStdString();
        EXPECT_TRUE(manager->linkAll());
        manager.reset();
    }
}

TEST_F(DisplayListTest, DisplayUnderTheMouse)
{
    useDisplays({builtinJson(), monitorJson(2)});
    start();
    // The panel is main, 1512 x 982; the monitor sits to its right with its top at y = 0.
    struct Case {
        QPointF point; // bottom-left origin
        uint32_t expected;
    };
    const Case cases[] = {{{10, 10}, 1}, {{1511, 981}, 1}, {{5600, 500}, 2}, {{-5, 10}, 0}, {{10, 982}, 0}};
    for (const Case& c : cases) {
        world().setPointer(c.point);
        const auto d = manager->displayUnderMouse();
        EXPECT_EQ(d ? d->id : 0u, c.expected) << c.point.x() << "," << c.point.y();
    }
}

} // namespace
