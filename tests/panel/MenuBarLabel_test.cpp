#include "app/Hub.h"
#include "app/Notifications.h"
#include "app/Prefs.h"
#include "design/Theme.h"
#include "audio/AudioManager.h"
#include "bridge/Bridge.h"
#include "panel/MenuBarLabel.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/SimAudio.h"
#include "support/SimTest.h"
#include "window/MainView.h"

#include <QApplication>
#include <QScreen>

namespace {

class MenuBarTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        bridge_forget_cached_clients();
        tap = std::make_unique<InputTap>();
        hub = std::make_unique<Hub>(*tap);
        processEvents();
    }
    void TearDown() override
    {
        delete MainWindow::existing();
        label.reset();
        hub.reset();
        AudioManager::waitForBackgroundStops();
        tap.reset();
        SimTest::TearDown();
    }
    std::unique_ptr<InputTap> tap;
    std::unique_ptr<Hub> hub;
    std::unique_ptr<MenuBarLabel> label;
};

TEST_F(MenuBarTest, TheNotificationOpensTheOneMainWindow)
{
    label = std::make_unique<MenuBarLabel>(*hub);
    EXPECT_FALSE(MainWindow::existing());
    Notifications::shared().post(Notifications::kOpenMainWindow);
    QWidget* window = MainWindow::existing();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    Notifications::shared().post(Notifications::kOpenMainWindow);
    EXPECT_EQ(MainWindow::existing(), window);
    int windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        windows += w->objectName() == "main";
    EXPECT_EQ(windows, 1);
    Notifications::shared().post("Pelorn.other");
}

TEST_F(MenuBarTest, PanelAndWindowFollowTheSystemsDarkAppearance)
{
    label = std::make_unique<MenuBarLabel>(*hub);
    for (const bool dark : {false, true}) {
        Prefs::d().reload(dark ? QStringList{"-AppleInterfaceStyle", "Dark"} : QStringList{});
        label->togglePanel();
        ASSERT_TRUE(label->panel());
        EXPECT_EQ(isDark(label->panel()), dark);
        label->togglePanel();
        delete MainWindow::existing();
        Notifications::shared().post(Notifications::kOpenMainWindow);
        EXPECT_EQ(isDark(MainWindow::existing()), dark);
        processEvents(); // the closed panel goes while the managers are still there
    }
}

TEST_F(MenuBarTest, OpeningThePanelReadsTheManagersAgain)
{
    label = std::make_unique<MenuBarLabel>(*hub);
    EXPECT_FALSE(label->icon().isNull());
    hub->audio.refresh();
    processEvents();
    const size_t outputs = hub->audio.outputs().size();
    // A device leaves behind the manager's back; opening the panel finds out.
    sim::AudioSystem::shared().removeDevice("USB-Headset");
    processEvents();
    EXPECT_EQ(hub->audio.outputs().size(), outputs) << "the debounced refresh has not run";
    label->togglePanel();
    ASSERT_TRUE(label->panel());
    EXPECT_TRUE(label->panel()->isVisible());
    EXPECT_TRUE(label->panel()->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(label->panel()->panelSection(), "");
    EXPECT_EQ(label->panel()->width(), 360);
    processEvents();
    EXPECT_EQ(hub->audio.outputs().size(), outputs - 1);
    label->togglePanel();
    EXPECT_FALSE(label->panel() && label->panel()->isVisible());
    processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(label->panel()) << "a closed panel is not kept";
}

TEST(MenuBarPanel, DropsCentredUnderTheIconAndStaysInsideItsScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize panel(360, 420);
    const struct {
        int iconCentre, x;
    } cases[] = {
        {area.center().x(), area.center().x() - 180}, // room on both sides
        {area.right() - 10, area.right() + 1 - 8 - 360}, // near the right edge
        {area.left() + 10, area.left() + 8},            // near the left edge
    };
    for (const auto& c : cases) {
        const QRect icon(c.iconCentre - 11, area.top(), 23, 22); // centre pixel at iconCentre
        EXPECT_EQ(MenuBarLabel::panelOrigin(icon, panel), QPoint(c.x, icon.bottom() + 4)) << c.iconCentre;
    }
}

} // namespace
