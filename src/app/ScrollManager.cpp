#include "app/ScrollManager.h"

#include "app/Prefs.h"
#include "app/SyntheticEvents.h"
#include "platform/Clock.h"
#include "platform/DispatchQueue.h"
#include "showcase/Showcase.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <functional>

using namespace platform::events;
namespace dl = platform::displaylink;

namespace {

constexpr double kLinesToPoints = 2.7;
constexpr double kGestureGap = 0.45;  // s without wheel events that starts a new gesture
constexpr double kWheelIdle = 0.18;   // s without wheel events that ends the wheel's part
constexpr double kStopDelay = 0.04;   // s after that before the glide may stop
constexpr double kFilter = 0.23;
constexpr double kMinPosted = 1.0;    // points per frame below which nothing is posted
constexpr const char* kEndPhaseBundle = "com.google.Chrome";

// The display link's target: forwards each frame to its action.
struct FrameTarget {
    std::function<void(dl::DisplayLink&)> action;
    void frame(dl::DisplayLink& link)
    {
        if (action)
            action(link);
    }
};

double scaled(double delta, double floor)
{
    if (delta == 0)
        return 0;
    return std::copysign(std::max(std::fabs(delta), floor) * kLinesToPoints, delta);
}

} // namespace

ScrollManager::ScrollManager(QObject* parent) : QObject(parent)
{
    smoothEnabled_ = Prefs::boolValue("scroll.smooth", true);
    reverseEnabled_ = Prefs::boolValue("scroll.reverse", true);
    step_ = Prefs::doubleValue("scroll.step", 90.72);
    smoothness_ = Prefs::doubleValue("scroll.smoothness", 0.915);

    // Earlier versions stored other values for these two; they are replaced once.
    if (!Prefs::boolValue("scroll.engine4", false)) {
        setStep(90.72);
        setSmoothness(0.915);
        Prefs::set("scroll.engine4", true); // not stored in showcase mode
    }

    // The link exists from launch, paused, on the screen under the pointer.
    auto& loop = glideLoop();
    loop.perform([this] { startLink(true); });
    loop.wakeUp();
}

ScrollManager::~ScrollManager() { stopGlide(); }

void ScrollManager::stopGlide()
{
    if (!glideLoop_)
        return;
    glideLoop_->performAndWait([this] {
        if (link_)
            link_->invalidate();
        link_.reset();
    });
    glideLoop_->stop();
    glideThread_.join();
    glideLoop_ = nullptr;
}

platform::RunLoop& ScrollManager::glideLoop()
{
    if (glideLoop_)
        return *glideLoop_;
    std::mutex m;
    std::condition_variable ready;
    platform::RunLoop* box = nullptr;
    glideThread_ = std::thread([&] {
        platform::setThreadName("Pelorn.glide");
        auto& loop = platform::RunLoop::current();
        {
            std::lock_guard l(m); // notified under the lock: the waiter's frame ends once it sees
            box = &loop;
            ready.notify_one();
        }
        loop.run();
    });
    std::unique_lock l(m);
    ready.wait(l, [&] { return box != nullptr; });
    glideLoop_ = box;
    return *glideLoop_;
}

void ScrollManager::setSmoothEnabled(bool on)
{
    smoothEnabled_ = on;
    Prefs::set("scroll.smooth", on);
    emit changed();
}

void ScrollManager::setReverseEnabled(bool on)
{
    reverseEnabled_ = on;
    Prefs::set("scroll.reverse", on);
    emit changed();
}

void ScrollManager::setStep(double points)
{
    step_ = points;
    Prefs::set("scroll.step", points);
    emit changed();
}

void ScrollManager::setSmoothness(double value)
{
    smoothness_ = value;
    Prefs::set("scroll.smoothness", value);
    emit changed();
}

void ScrollManager::negate(Event& e)
{
    e.setIntegerField(Field::lineDeltaY, -e.integerField(Field::lineDeltaY));
    e.setIntegerField(Field::lineDeltaX, -e.integerField(Field::lineDeltaX));
    for (Field f : {Field::pointDeltaY, Field::pointDeltaX, Field::fixedDeltaY, Field::fixedDeltaX})
        e.setDoubleField(f, -e.doubleField(f));
}

Event* ScrollManager::handle(Event* event)
{
    if (event->integerField(Field::isContinuous) != 0)
        return event;
    const bool smooth = smoothEnabled();
    const bool reverse = reverseEnabled();
    if (!smooth && !reverse)
        return event;
    if (!smooth) {
        negate(*event);
        return event;
    }

    double dx = event->doubleField(Field::pointDeltaX);
    if (dx == 0)
        dx = event->doubleField(Field::fixedDeltaX);
    if (dx == 0)
        dx = double(event->integerField(Field::lineDeltaX));
    double dy = event->doubleField(Field::pointDeltaY);
    if (dy == 0)
        dy = event->doubleField(Field::fixedDeltaY);
    if (dy == 0)
        dy = double(event->integerField(Field::lineDeltaY));
    if (dx == 0 && dy == 0)
        return event;

    Event copy = *event;
    if (reverse) {
        dx = -dx;
        dy = -dy;
        negate(copy);
    }
    const double floor = step() / kLinesToPoints;
    const Point out{scaled(dx, floor), scaled(dy, floor)};
    const int64_t pid = event->integerField(Field::targetPid);

    bool wasRunning;
    {
        std::lock_guard guard(lock_);
        if (pid < 1 && !template_) {
            // Nothing to post the glide to: swallowing would lose this scroll, so it goes on
            // as the wheel sent it (reversed when asked).
            if (reverse)
                negate(*event);
            return event;
        }
        const auto follow = [](double d, double o, double dir, double& buffer, double& current) {
            if (d * dir > 0) {
                buffer += o;
            } else {
                buffer = o;
                current = 0;
            }
        };
        follow(dx, out.x, direction_.x, buffer_.x, current_.x);
        follow(dy, out.y, direction_.y, buffer_.y, current_.y);
        direction_ = {dx, dy};
        if (pid >= 1) {
            template_ = copy;
            targetPID_ = pid_t(pid);
        }
        const double now = platform::clock::now();
        if ((wheelEnded_ || now - lastWheel_ >= kGestureGap) && template_)
            postFromTemplate(0, 0);
        lastWheel_ = now;
        wheelEnded_ = false;
        stopAt_.reset();
        wasRunning = linkRunning_;
        linkRunning_ = true;
    }
    if (!wasRunning) {
        // The manager outlives its glide thread, which its destructor joins.
        glideLoop_->perform([this] { startLink(); });
        glideLoop_->wakeUp();
    }
    return nullptr;
}

void ScrollManager::postFromTemplate(double pointY, double pointX, bool phaseEnded)
{
    Event e = *template_;
    e.setDoubleField(Field::pointDeltaY, pointY);
    e.setDoubleField(Field::pointDeltaX, pointX);
    e.setIntegerField(Field::isContinuous, 1);
    if (phaseEnded) {
        e.setIntegerField(Field::scrollPhase, kScrollPhaseEnded);
        e.setIntegerField(Field::momentumPhase, 0);
    }
    e.setIntegerField(Field::sourceUserData, kSyntheticMark);
    postToPid(targetPID_, e);
}

void ScrollManager::startLink(bool paused)
{
    const std::vector<dl::Screen> screens = dl::screens();
    if (screens.empty()) {
        std::lock_guard guard(lock_);
        linkRunning_ = false;
        resetGlide();
        return;
    }
    const QPointF mouse = dl::mouseLocation();
    const auto under = std::find_if(screens.begin(), screens.end(), [&](auto& s) { return s.frame.contains(mouse); });
    const uint32_t number = (under != screens.end() ? *under : screens.front()).number.value_or(0);

    if (link_) {
        if (linkScreen_ == number) {
            link_->setPaused(paused);
            return;
        }
        link_->invalidate();
        link_.reset();
    }
    auto target = std::make_shared<FrameTarget>();
    target->action = [this](dl::DisplayLink& link) { tick(link); };
    link_ = dl::create(number, [target](dl::DisplayLink& link) { target->frame(link); });
    if (!link_) {
        // No link for this screen: without frames the glide would never end, and every later
        // wheel event would wait for it.
        std::lock_guard guard(lock_);
        linkRunning_ = false;
        resetGlide();
        return;
    }
    // Paused before it joins the run loop: a link made ready at launch must never count as
    // running, or whoever waits for a glide to start takes it for one and misses the real one.
    link_->setPaused(paused);
    link_->addToRunLoop(platform::RunLoop::current());
    linkScreen_ = number;
}

void ScrollManager::tick(dl::DisplayLink& link)
{
    std::lock_guard guard(lock_);
    if (!linkRunning_) {
        link.setPaused(true);
        return;
    }
    const double now = platform::clock::now();
    const double k = 1.0 - std::min(std::max(smoothness(), 0.5), 0.99);

    const Point increment{(buffer_.x - current_.x) * k, (buffer_.y - current_.y) * k};
    current_.x += increment.x;
    current_.y += increment.y;
    const Point prev = filtered_;
    filtered_.x = prev.x + (increment.x - prev.x) * kFilter;
    filtered_.y = prev.y + (increment.y - prev.y) * kFilter;

    if (!wheelEnded_ && now - lastWheel_ > kWheelIdle) {
        wheelEnded_ = true;
        stopAt_ = now + kStopDelay;
        if (template_)
            postFromTemplate(0, 0);
    }

    const double m = std::max(std::fabs(prev.x), std::fabs(prev.y));
    if (m > kMinPosted && template_)
        postFromTemplate(prev.y, prev.x);

    const double remaining = std::max(std::fabs(buffer_.x - current_.x), std::fabs(buffer_.y - current_.y));
    if (m <= kMinPosted && wheelEnded_ && remaining <= kMinPosted && stopAt_ && *stopAt_ <= now) {
        finish();
        link.setPaused(true);
        linkRunning_ = false;
    }
}

void ScrollManager::finish()
{
    if (template_ && bundleIdentifier(targetPID_) == QLatin1String(kEndPhaseBundle))
        postFromTemplate(0, 0, true);
    resetGlide();
}

void ScrollManager::resetGlide()
{
    buffer_ = {};
    current_ = {};
    direction_ = {};
    filtered_ = {};
    template_.reset();
    targetPID_ = 0;
    wheelEnded_ = true;
    stopAt_.reset();
}
