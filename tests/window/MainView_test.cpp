#include "WindowTest.h"

#include "automation/KVMPage.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Session.h"
#include "window/AudioPage.h"
#include "window/BatteryPage.h"
#include "window/DisplayPage.h"
#include "window/DockIcon.h"
#include "window/MousePage.h"
#include "window/OverviewPage.h"

#include <QCoreApplication>
#include <QPointer>
#include <QScrollArea>

namespace {

using Policy = platform::windowing::ActivationPolicy;

class MainViewTest : public WindowTest {};

TEST_F(MainViewTest, SidebarClicksChooseAndShowThePage)
{
    startHub();
    MainView& view = openWindow();
    struct Case {
        Router::Page page;
        const char* shows;
    };
    const Case cases[] = {
        {Router::Page::display, "DisplayPage"}, {Router::Page::audio, "AudioPage"},
        {Router::Page::mouse, "MousePage"},     {Router::Page::battery, "BatteryPage"},
        {Router::Page::kvm, "KVMPage"},         {Router::Page::general, "GeneralPage"},
        {Router::Page::overview, "OverviewPage"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shows);
        QPointer<QWidget> before = view.page();
        click(view.sidebarRow(c.page));
        EXPECT_EQ(Router::shared().page(), c.page);
        ASSERT_TRUE(view.page());
        EXPECT_STREQ(view.page()->metaObject()->className(), c.shows);
        EXPECT_TRUE(view.sidebarRow(c.page)->isSelected());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(before) << "the page left is deleted";
    }
    // Another write of the same page keeps the page and its state.
    QWidget* shown = view.page();
    Router::shared().setPage(Router::Page::overview);
    processEvents();
    EXPECT_EQ(view.page(), shown);
}

TEST_F(MainViewTest, AWideWindowKeepsThePageAtItsWidthFlushLeft)
{
    startHub();
    MainView& view = openWindow({2000, 900});
    const QPoint origin = view.page()->mapTo(view.detail()->widget(), QPoint(0, 0));
    EXPECT_EQ(view.page()->width(), MainView::kPageMaxWidth);
    EXPECT_EQ(origin, QPoint(MainView::kPagePadding, MainView::kPagePadding));
    EXPECT_EQ(view.minimumSize(), QSize(900, 640));
}

TEST_F(MainViewTest, TheKVMPageStartsWithoutASelectionAndThePageSurvivesReopening)
{
    startHub();
    MainView& view = openWindow();
    click(view.sidebarRow(Router::Page::kvm));
    auto* kvm = qobject_cast<KVMPage*>(view.page());
    ASSERT_TRUE(kvm);
    EXPECT_FALSE(kvm->selection().has_value());
    view.close();
    processEvents();
    view.show();
    processEvents();
    EXPECT_EQ(view.shownPage(), Router::Page::kvm);
}

TEST_F(MainViewTest, DockIconFollowsTheWindowAndTheSetting)
{
    startHub();
    struct Case {
        const char* name;
        QVariant stored; // invalid: never written
        Policy open;
    };
    const Case cases[] = {
        {"never written", QVariant(), Policy::regular},
        {"on", QVariant(true), Policy::regular},
        {"off", QVariant(false), Policy::accessory},
        {"not a Bool", QVariant(QStringLiteral("no")), Policy::regular},
    };
    auto& defaults = platform::UserDefaults::standard();
    auto& session = sim::Session::shared();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.stored.isValid())
            defaults.set(DockIcon::kShowInDockKey, c.stored);
        else
            defaults.remove(DockIcon::kShowInDockKey);
        session.reset();
        MainView& view = openWindow();
        EXPECT_EQ(session.activationPolicy(), c.open);
        EXPECT_EQ(session.activations().size(), 1u) << "opening always brings the application forward";
        view.close();
        processEvents();
        EXPECT_EQ(session.activationPolicy(), Policy::accessory);
        EXPECT_EQ(session.activations().size(), 1u) << "closing activates nothing";
        window.reset();
    }
    // The general page's switch applies at once while the window is open.
    session.reset();
    defaults.remove(DockIcon::kShowInDockKey);
    openWindow();
    defaults.set(DockIcon::kShowInDockKey, false);
    DockIcon::apply();
    EXPECT_EQ(session.activationPolicy(), Policy::accessory);
    defaults.set(DockIcon::kShowInDockKey, true);
    DockIcon::apply();
    EXPECT_EQ(session.activationPolicy(), Policy::regular);
}

} // namespace
