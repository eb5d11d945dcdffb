#include "WindowTest.h"

#include "app/Texts.h"
#include "automation/KVMPage.h"
#include "automation/ProfileEditor.h"
#include "design/Controls.h"
#include "design/LazySection.h"
#include "design/Theme.h"
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
#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QSplitter>
#include <QWindow>

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
        EXPECT_EQ(view.windowTitle(), c.page.title());
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

// Drags the sidebar's edge by dx points, pressing in the middle of its grab area. The edge
// keeps the pointer while it moves under it, so each point is given in its frame of the moment.
void dragSidebarEdge(MainView& view, int dx)
{
    QWidget* edge = view.splitter()->handle(1);
    const QPoint from = edge->mapTo(view.splitter(), edge->rect().center());
    const auto at = [&](int x) { return edge->mapFrom(view.splitter(), from + QPoint(x, 0)); };
    QTest::mousePress(edge, Qt::LeftButton, {}, at(0));
    QTest::mouseMove(edge, at(dx / 2));
    QTest::mouseMove(edge, at(dx));
    QTest::mouseRelease(edge, Qt::LeftButton, {}, at(dx));
    QCoreApplication::processEvents();
}

TEST_F(MainViewTest, TheSidebarEdgeDragsBetweenItsBoundsAndThePageTakesTheRest)
{
    startHub();
    MainView& view = openWindow();
    const auto expectPageTakesTheRest = [&] {
        const QWidget* edge = view.splitter()->handle(1);
        EXPECT_EQ(view.detail()->x(), view.sidebar()->width() + edge->contentsRect().width());
        EXPECT_EQ(view.detail()->geometry().right(), view.width() - 1);
    };
    EXPECT_EQ(view.sidebar()->width(), MainView::kSidebarWidth);
    expectPageTakesTheRest();

    // Each drag starts where the last one left the edge.
    const struct {
        int dx, width;
    } drags[] = {
        {30, 240}, {15, 255}, {200, 260}, {-10, 250}, {-45, 205}, {-100, 190}, {-40, 190}, {400, 260},
    };
    for (const auto& d : drags) {
        SCOPED_TRACE(d.dx);
        dragSidebarEdge(view, d.dx);
        EXPECT_EQ(view.sidebar()->width(), d.width);
        expectPageTakesTheRest();
    }

    // Resizing the window leaves the sidebar where the person put it; below the window's minimum
    // nothing gives.
    for (const QSize size : {QSize(2000, 900), QSize(900, 640), QSize(700, 500), QSize(1300, 800)}) {
        SCOPED_TRACE(size.width());
        view.resize(size);
        processEvents();
        EXPECT_EQ(view.sidebar()->width(), 260);
        expectPageTakesTheRest();
    }
    EXPECT_EQ(view.width(), 1300);
    dragSidebarEdge(view, -300);
    EXPECT_EQ(view.sidebar()->width(), MainView::kSidebarMinWidth);
    view.resize(900, 640);
    processEvents();
    EXPECT_EQ(view.sidebar()->width(), MainView::kSidebarMinWidth);
    expectPageTakesTheRest();
    const QString page = view.page()->metaObject()->className();
    EXPECT_EQ(page, "OverviewPage") << "dragging is no selection";
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

// Counts the windows shown besides `main`: a widget shown before it has its parent is one,
// which on X is a native window made, mapped and unmapped for nothing.
class StrayWindows : public QObject {
public:
    explicit StrayWindows(QWidget* main) : main_(main) { qApp->installEventFilter(this); }
    ~StrayWindows() override { qApp->removeEventFilter(this); }
    QStringList shown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && w != main_)
                shown << QString::fromLatin1(w->metaObject()->className());
        }
        return false;
    }

private:
    QWidget* main_;
};

TEST_F(MainViewTest, BuildingAPageShowsNoWindowOfItsOwn)
{
    startHub();
    MainView& view = openWindow();
    StrayWindows stray(&view);
    for (Router::Page page : {Router::Page::display, Router::Page::audio, Router::Page::mouse, Router::Page::battery,
                              Router::Page::kvm, Router::Page::general, Router::Page::overview}) {
        SCOPED_TRACE(page.title().toStdString());
        click(view.sidebarRow(page));
        // The page's lower sections too, as when scrolled to.
        for (auto* lazy : view.page()->findChildren<LazySection*>())
            lazy->build();
        hub->battery.readPowerSource(); // a re-read while shown updates the tiles in place
        processEvents();
        EXPECT_TRUE(stray.shown.isEmpty()) << stray.shown.join(", ").toStdString();
        stray.shown.clear();
    }
}

TEST_F(MainViewTest, ReopeningTheWindowKeepsItsNativeWindow)
{
    startHub();
    MainView& view = openWindow();
    const WId first = view.winId();
    QWindow* handle = view.windowHandle();
    for (int i = 0; i < 2; ++i) {
        // The close is done (quitting asks every window to close, and waits for none), the
        // window is gone from the screen, and its native window stays for the next open.
        EXPECT_TRUE(view.close());
        processEvents();
        EXPECT_FALSE(view.isVisible());
        view.show();
        processEvents();
        EXPECT_EQ(view.windowHandle(), handle);
        EXPECT_EQ(view.winId(), first);
    }
}

// The overview reads the battery again every few seconds; a reading that changed nothing draws
// nothing, so an open window at rest does not repaint.
TEST_F(MainViewTest, AReReadThatChangesNothingRepaintsNothing)
{
    startHub();
    MainView& view = openWindow();
    for (auto* lazy : view.page()->findChildren<LazySection*>())
        lazy->build();
    processEvents();
    int paints = 0;
    struct PaintCounter : QObject {
        int& count;
        explicit PaintCounter(int& count) : count(count) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            count += e->type() == QEvent::Paint;
            return false;
        }
    } counter(paints);
    qApp->installEventFilter(&counter);
    // A reading announces a change even when only what no view draws moved.
    for (int i = 0; i < 3; ++i) {
        hub->battery.readPowerSource();
        hub->battery.readSmartBattery();
        emit hub->battery.changed();
        emit hub->battery.live().changed();
        processEvents();
    }
    qApp->removeEventFilter(&counter);
    EXPECT_EQ(paints, 0);
}

TEST_F(MainViewTest, ControlWClosesTheWindowAndItsMinimumSizeHolds)
{
    startHub();
    MainView& view = openWindow();
    view.resize(400, 300);
    processEvents();
    EXPECT_GE(view.width(), MainView::kMinWidth);
    EXPECT_GE(view.height(), MainView::kMinHeight);

    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &view, Qt::Key_W, Qt::ControlModifier);
    processEvents();
    EXPECT_FALSE(view.isVisible()) << "closed from the keyboard";
    EXPECT_TRUE(hub) << "the application keeps running in the menu bar";
}

TEST_F(MainViewTest, APagesScrollBarShowsOnlyWhenItOverflowsThinAndInTheThemesColours)
{
    startHub();
    MainView& view = openWindow({1100, 780});
    QScrollBar* bar = view.detail()->verticalScrollBar();
    Router::shared().setPage(Router::Page::overview);
    processEvents();
    ASSERT_GT(bar->maximum(), 0) << "the overview overflows at the default size";
    EXPECT_TRUE(bar->isVisible());
    EXPECT_LE(bar->width(), 12) << "thin";

    // The handle, light on dark and dark on light; nothing drawn beside it (no arrows, no groove).
    for (bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        view.setPalette(Theme::appearancePalette(dark));
        processEvents();
        const QImage img = bar->grab().toImage();
        const QColor handle = img.pixelColor(img.width() / 2, 20);
        const QColor below = img.pixelColor(img.width() / 2, img.height() - 3);
        const int window = qGray(view.palette().color(QPalette::Window).rgb());
        if (dark)
            EXPECT_GT(qGray(handle.rgb()), window + 20);
        else
            EXPECT_LT(qGray(handle.rgb()), window - 20);
        EXPECT_LE(std::abs(qGray(below.rgb()) - window), 6) << "the track is not drawn";
    }

    // A page that fits shows no bar.
    Router::shared().setPage(Router::Page::audio);
    processEvents();
    EXPECT_EQ(bar->maximum(), 0);
    EXPECT_FALSE(bar->isVisible());
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

namespace {

TEST_F(MainViewTest, TheProfileEditorShowsEveryTitleWholeAtTheDefaultSize)
{
    startHub();
    KVMProfile profile;
    profile.id = QUuid::createUuid();
    profile.name = "Masa";
    // Every setting on, so each title stands beside its control.
    profile.audioUID = "none";
    profile.inputUID = "none";
    profile.volume = 40;
    profile.brightness = 70;
    profile.dimming = 20;
    profile.modeID = "none";
    profile.inputSource = 15;
    profile.smoothScroll = true;
    profile.reverseScroll = false;
    profile.chargeLimit = 80;
    hub->automation.setProfiles({profile});
    for (bool english : {false, true}) {
        SCOPED_TRACE(english ? "English" : "Turkish");
        Texts::useEnglishForTesting(english);
        Router::shared().setPage(Router::Page::kvm);
        MainView& view = openWindow({1100, 780});
        auto* kvm = qobject_cast<KVMPage*>(view.page());
        ASSERT_TRUE(kvm);
        kvm->select(profile.id);
        processEvents();
        ASSERT_TRUE(kvm->editor());
        int titles = 0;
        for (CheckBox* box : kvm->editor()->findChildren<CheckBox*>()) {
            EXPECT_GE(box->width(), box->sizeHint().width()) << box->title().toStdString() << " is cut";
            ++titles;
        }
        EXPECT_GT(titles, 5);
        window.reset();
    }
    Texts::useEnglishForTesting(false);
}

} // namespace
