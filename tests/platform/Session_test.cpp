#include "platform/DisplayServices.h"
#include "platform/Events.h"
#include "platform/RunningApps.h"
#include "platform/Windowing.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/Session.h"
#include "support/SimTest.h"

namespace {

using platform::events::MouseEvent;

class SessionTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        const QRectF first = platform::screens::screens().front().frame;
        top = first.y() + first.height();
        platform::windowing::AppWindow item;
        item.className = "NSStatusBarWindow";
        item.visible = true;
        item.frame = QRectF(1200, top - 24, 30, 24);
        item.title = "Item-0";
        item.number = 5;
        platform::windowing::AppWindow other;
        other.className = "NSWindow";
        other.visible = true;
        other.frame = QRectF(100, 100, 800, 600);
        other.number = 6;
        session().setAppWindows({item, other});
        session().setClickHandler(5, [this] { ++clicks; });
    }
    static sim::Session& session() { return sim::Session::shared(); }
    // A global point (bottom-left origin) as the event coordinates that posting takes.
    QPointF event(QPointF global) const { return QPointF(global.x(), top - global.y()); }

    double top = 0;
    int clicks = 0;
};

TEST_F(SessionTest, ButtonDownAndUpOnTheSameWindowClickIt)
{
    const QPointF item(1215, top - 12), window(500, 400), desktop(1000, 50);
    struct Case {
        const char* name;
        bool trusted;
        QPointF down;
        QPointF up;
        bool visible;
        int clicks;
    };
    const Case cases[] = {
        {"on the status item", true, item, item, true, 1},
        {"released elsewhere", true, item, window, true, 0},
        {"pressed elsewhere", true, desktop, item, true, 0},
        {"on a window without a handler", true, window, window, true, 0},
        {"hidden status item", true, item, item, false, 0},
        {"may not post events", false, item, item, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::EventSystem::shared().setTrusted(c.trusted);
        auto windows = session().appWindows();
        windows[0].visible = c.visible;
        session().setAppWindows(windows);
        clicks = 0;
        const QPointF before = platform::screens::mouseLocation();
        const size_t posted = session().mouseEvents().size();

        EXPECT_EQ(platform::events::postMouseEvent(MouseEvent::moved, event(c.down)), c.trusted);
        EXPECT_EQ(platform::events::postMouseEvent(MouseEvent::leftDown, event(c.down)), c.trusted);
        EXPECT_EQ(platform::events::postMouseEvent(MouseEvent::leftUp, event(c.up)), c.trusted);

        EXPECT_EQ(clicks, c.clicks);
        EXPECT_EQ(platform::screens::mouseLocation(), c.trusted ? c.up : before);
        EXPECT_EQ(session().mouseEvents().size() - posted, c.trusted ? 3u : 0u);
    }
}

TEST_F(SessionTest, PostedEventsAreInputThatMonitorsSee)
{
    sim::EventSystem::shared().setTrusted(true);
    std::vector<uint32_t> local, global;
    platform::windowing::addLocalMonitor(~uint64_t(0), [&](const platform::windowing::MonitoredEvent& e) {
        local.push_back(e.type);
        return true;
    });
    platform::windowing::addGlobalMonitor(~uint64_t(0), [&](const auto& e) { global.push_back(e.type); });
    session().setSecondsSinceInput(100);

    platform::events::postMouseEvent(MouseEvent::leftDown, event({500, 400})); // on this application's window
    platform::events::postMouseEvent(MouseEvent::leftUp, event({1000, 50}));   // on the desktop
    EXPECT_EQ(local, std::vector<uint32_t>{platform::windowing::kLeftMouseDown});
    EXPECT_EQ(global, std::vector<uint32_t>{platform::windowing::kLeftMouseUp});
    EXPECT_LT(session().secondsSinceInput(), 1.0);
}

TEST_F(SessionTest, WarpMovesThePointerWithoutAnyEvent)
{
    session().setSecondsSinceInput(100);
    platform::events::warpPointer(QPointF(300, 200)); // event coordinates
    EXPECT_EQ(platform::screens::mouseLocation(), QPointF(300, top - 200));
    EXPECT_TRUE(session().mouseEvents().empty());
    EXPECT_GE(session().secondsSinceInput(), 100);
    EXPECT_EQ(clicks, 0);
}

TEST_F(SessionTest, ActiveWhileThisApplicationIsFrontmost)
{
    EXPECT_TRUE(platform::windowing::isActive());
    platform::windowing::activate(platform::apps::currentProcessID() + 1);
    EXPECT_FALSE(platform::windowing::isActive());
    platform::windowing::activateSelf();
    EXPECT_TRUE(platform::windowing::isActive());
}

} // namespace
