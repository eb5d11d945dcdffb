#include "app/AppDelegate.h"
#include "app/Hub.h"
#include "app/Notifications.h"
#include "bridge/Bridge.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/Mac.h"
#include "support/SimTest.h"
#include "window/MainView.h"
#include "window/Router.h"

namespace {

TEST(AppDelegateURLs, OneCheckPerCallForTheFirstMatchingURL)
{
    const std::pair<QStringList, int> cases[] = {
        {{"quendrel://check-updates", "quendrel://check-updates"}, 1},
        {{"https://example.com", "quendrel://check-updates/now"}, 1},
        {{"quendrel://CHECK-UPDATES"}, 0},
        {{"Quendrel://check-updates"}, 0},
        {{"quendrel://other", "mailto:check-updates", "quendrel:check-updates", "check-updates"}, 0},
        {{}, 0},
    };
    for (const auto& [urls, checks] : cases) {
        int n = 0;
        AppDelegate::openURLs(urls, [&] { ++n; });
        EXPECT_EQ(n, checks) << urls.join(", ").toStdString();
    }
}

class AppTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        bridge_forget_cached_clients();
        sim::EventSystem::shared().setTrusted(true);
        tap = std::make_unique<InputTap>();
        hub = std::make_unique<Hub>(*tap);
        settle();
    }
    void TearDown() override
    {
        delete MainWindow::existing();
        hub.reset();
        AudioManager::waitForBackgroundStops();
        tap.reset();
        SimTest::TearDown();
    }
    void settle()
    {
        for (int i = 0; i < 6; ++i) {
            hub->display.ddcQueue().drain();
            processEvents();
        }
    }
    std::unique_ptr<InputTap> tap;
    std::unique_ptr<Hub> hub;
};

TEST_F(AppTest, TheMainWindowOpensOnceWithItsSizeAndTitle)
{
    EXPECT_FALSE(MainWindow::existing()) << "not open at launch";
    QWidget* first = MainWindow::open(Router::shared(), *hub);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), Router::shared().page().title()) << "the page shown";
    EXPECT_EQ(first->objectName(), "main");
    EXPECT_EQ(first->size(), QSize(1100, 780));
    first->hide();
    EXPECT_EQ(MainWindow::open(Router::shared(), *hub), first) << "the one window comes forward again";
    EXPECT_TRUE(first->isVisible());
}

TEST_F(AppTest, QuittingRestoresColorSyncOnlyWhileDimmed)
{
    auto& world = sim::Mac::shared().displays();
    const int before = world.colorSyncRestores();
    AppDelegate::terminate(*hub);
    EXPECT_EQ(world.colorSyncRestores(), before) << "nothing dimmed, nothing restored";

    hub->display.setBrightnessTarget(DisplayManager::BrightnessTarget::macOS);
    hub->display.setSoftwareBrightness(40, true);
    settle();
    ASSERT_FALSE(hub->display.dimmedIDs().empty());
    const int dimmed = world.colorSyncRestores();
    AppDelegate::terminate(*hub);
    EXPECT_EQ(world.colorSyncRestores(), dimmed + 1);
    EXPECT_TRUE(hub->display.dimmedIDs().empty());
}

TEST_F(AppTest, ReopenPostsTheOpenWindowNotificationAndAsksNothingMore)
{
    AppDelegate delegate;
    QStringList posted;
    auto c = QObject::connect(&Notifications::shared(), &Notifications::posted,
                              [&](const QString& name) { posted << name; });
    for (bool visible : {false, true})
        EXPECT_FALSE(delegate.applicationShouldHandleReopen(visible));
    EXPECT_EQ(posted, (QStringList{"Pelorn.openMainWindow", "Pelorn.openMainWindow"}));
    QObject::disconnect(c);
}

} // namespace
