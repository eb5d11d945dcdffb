// The person's own input reaches the simulated machine through the application's windows: it is
// activity, event monitors see it, the wheel and the media keys pass the taps, and what the
// system itself makes up (a warp of the pointer, events Qt sends) is not the person's.
#include "platform/DisplayServices.h"
#include "platform/Events.h"
#include "platform/RunningApps.h"
#include "platform/Windowing.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/Session.h"
#include "platform/sim/WindowInput.h"
#include "support/SimTest.h"

#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <functional>

namespace {

using namespace platform::windowing;

class WindowInputTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        sim::windowinput::install();
        window = std::make_unique<QWidget>();
        window->setGeometry(100, 120, 300, 200);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        token = addLocalMonitor(~uint64_t(0), [this](const MonitoredEvent& e) {
            seen.push_back(e.type);
            return true;
        });
        sim::Session::shared().setSecondsSinceInput(600);
    }
    QWindow* handle() const { return window->windowHandle(); }
    bool active() const { return sim::Session::shared().secondsSinceInput() < 600; }

    std::unique_ptr<QWidget> window;
    MonitorToken token = 0;
    std::vector<uint32_t> seen;
};

TEST_F(WindowInputTest, InputDeliveredToAWindowIsThePersonsActivity)
{
    const struct {
        const char* name;
        std::function<void(QWindow*)> act;
        std::vector<uint32_t> types;
    } cases[] = {
        {"move", [](QWindow* w) { QTest::mouseMove(w, QPoint(40, 50)); }, {kMouseMoved}},
        {"left click", [](QWindow* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(40, 50)); },
         {kLeftMouseDown, kLeftMouseUp}},
        {"right click", [](QWindow* w) { QTest::mouseClick(w, Qt::RightButton, {}, QPoint(40, 50)); },
         {kRightMouseDown, kRightMouseUp}},
        {"double click", [](QWindow* w) { QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(40, 50)); },
         {kLeftMouseDown, kLeftMouseUp, kLeftMouseDown, kLeftMouseUp}},
        {"key", [](QWindow* w) { QTest::keyClick(w, Qt::Key_A); }, {kKeyDown, kKeyUp}},
        {"Escape", [](QWindow* w) { QTest::keyClick(w, Qt::Key_Escape); }, {kKeyDown, kKeyUp}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        seen.clear();
        sim::Session::shared().setSecondsSinceInput(600);
        c.act(handle());
        processEvents();
        EXPECT_EQ(seen, c.types) << "each event once, at the window";
        EXPECT_TRUE(active());
    }
}

TEST_F(WindowInputTest, ThePointerFollowsTheRealOneAndAWarpIsNotThePersons)
{
    QTest::mouseMove(handle(), QPoint(45, 55)); // a place of its own: Qt drops a move that goes nowhere
    processEvents();
    // Window coordinates are the event coordinates; the pointer is kept bottom-left.
    const QPointF global = platform::screens::mouseLocation();
    const QRectF first = platform::screens::screens().front().frame;
    EXPECT_EQ(global, QPointF(145, first.y() + first.height() - 175));

    seen.clear();
    sim::Session::shared().setSecondsSinceInput(600);
    sim::windowinput::warped(QPointF(160, 190));
    QTest::mouseMove(handle(), QPoint(60, 70)); // where the warp put the window system's pointer
    processEvents();
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(active());

    // Events Qt makes up itself are not input either.
    QMouseEvent made(QEvent::MouseMove, QPointF(10, 10), QPointF(110, 130), Qt::NoButton, {}, {});
    QCoreApplication::sendEvent(handle(), &made);
    EXPECT_TRUE(seen.empty());
}

TEST_F(WindowInputTest, TheWheelAndMediaKeysPassTheTapsAsTheHardwaresOwn)
{
    sim::EventSystem& events = sim::EventSystem::shared();
    events.clearRecords();
    QTest::keyClick(handle(), Qt::Key_VolumeUp, Qt::ShiftModifier | Qt::AltModifier);
    QWheelEvent wheel(QPointF(40, 50), QPointF(140, 170), {}, QPoint(0, 240), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(handle(), &wheel); // not spontaneous: made up in the application
    events.settle();
    const auto got = events.received(platform::apps::currentProcessID());
    ASSERT_EQ(got.size(), 2u) << "the key down and up, addressed to this application";
    const auto key = platform::events::toAppKit(got[0]);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->data1, (0 << 16) | 0x0A00);
    EXPECT_EQ(key->modifierFlags, platform::events::kFlagShift | platform::events::kFlagOption);
}

} // namespace
