#include "platform/sim/Session.h"

#include "platform/Clock.h"
#include "platform/Events.h"
#include "platform/PowerAssertions.h"
#include "platform/IdleState.h"
#include "platform/RunningApps.h"
#include "platform/sim/Mac.h"
#include "platform/sim/PowerAssertionTable.h"

namespace sim {

Session& Session::shared()
{
    static Session s;
    return s;
}

void Session::reset()
{
    windows_.clear();
    frontmost_ = platform::apps::currentProcessID();
    activations_.clear();
    policies_.clear();
    policy_ = platform::windowing::ActivationPolicy::accessory;
    hideCount_ = 0;
    lastInput_ = platform::clock::now();
    monitors_.clear();
    refusals_ = 0;
    others_.clear();
    query_ = StatusQuery::ok;
}

void Session::setAppWindows(std::vector<platform::windowing::AppWindow> windows) { windows_ = std::move(windows); }

void Session::recordActivation(int32_t pid)
{
    activations_.push_back(pid);
    frontmost_ = pid;
}

void Session::setActivationPolicy(platform::windowing::ActivationPolicy policy)
{
    policies_.push_back(policy);
    policy_ = policy;
}

bool Session::input(uint32_t type, bool toThisApp, std::optional<QPointF> pointer)
{
    lastInput_ = platform::clock::now();
    if (pointer)
        Mac::shared().displays().setPointer(*pointer);
    // Handlers may remove monitors: walk a copy.
    const auto monitors = monitors_;
    bool delivered = toThisApp;
    for (const auto& [token, m] : monitors) {
        if (m.global == toThisApp || !(m.mask & platform::events::maskBit(type)))
            continue;
        const bool pass = m.handler(platform::windowing::MonitoredEvent{type});
        if (toThisApp && !pass)
            delivered = false;
    }
    return delivered;
}

void Session::setSecondsSinceInput(double seconds) { lastInput_ = platform::clock::now() - seconds; }

double Session::secondsSinceInput() const { return platform::clock::now() - lastInput_; }

platform::windowing::MonitorToken
Session::addMonitor(bool global, uint64_t mask, std::function<bool(const platform::windowing::MonitoredEvent&)> handler)
{
    if (refusals_ > 0) {
        --refusals_;
        return 0;
    }
    const int token = nextToken_++;
    monitors_[token] = Monitor{global, mask, std::move(handler)};
    return token;
}

void Session::removeMonitor(platform::windowing::MonitorToken token) { monitors_.erase(token); }

int32_t Session::copyAssertionsStatus(QVariantMap* out) const
{
    if (query_ == StatusQuery::fails)
        return platform::power::kErrorNoResources;
    QVariantMap status;
    for (const auto& e : PowerAssertionTable::shared().entries())
        status[e.type] = status.value(e.type).toInt() + 1;
    for (const auto& [type, n] : others_)
        status[type] = status.value(type).toInt() + n;
    if (query_ == StatusQuery::malformed)
        status["PreventUserIdleDisplaySleep"] = QStringLiteral("many");
    *out = status;
    return 0;
}

} // namespace sim

namespace platform::windowing {

std::vector<AppWindow> appWindows() { return sim::Session::shared().appWindows(); }

QRectF visibleFrame(const platform::screens::Screen& screen)
{
    QRectF f = screen.frame;
    f.setHeight(std::max(0.0, f.height() - sim::Session::kMenuBarHeight));
    return f;
}

int32_t frontmostApplication() { return sim::Session::shared().frontmost(); }
void activateSelf() { sim::Session::shared().recordActivation(platform::apps::currentProcessID()); }
void activate(int32_t pid) { sim::Session::shared().recordActivation(pid); }
void setActivationPolicy(ActivationPolicy policy) { sim::Session::shared().setActivationPolicy(policy); }
ActivationPolicy activationPolicy() { return sim::Session::shared().activationPolicy(); }

void hideCursor(platform::displays::DisplayID) { sim::Session::shared().hideCursor(); }
void showCursor(platform::displays::DisplayID) { sim::Session::shared().showCursor(); }

MonitorToken addGlobalMonitor(uint64_t mask, std::function<void(const MonitoredEvent&)> handler)
{
    return sim::Session::shared().addMonitor(true, mask, [h = std::move(handler)](const MonitoredEvent& e) {
        h(e);
        return true;
    });
}

MonitorToken addLocalMonitor(uint64_t mask, std::function<bool(const MonitoredEvent&)> handler)
{
    return sim::Session::shared().addMonitor(false, mask, std::move(handler));
}

void removeMonitor(MonitorToken token) { sim::Session::shared().removeMonitor(token); }

} // namespace platform::windowing

namespace platform::idle {

double secondsSinceLastInput() { return sim::Session::shared().secondsSinceInput(); }

int32_t copyAssertionsStatus(QVariantMap* out) { return sim::Session::shared().copyAssertionsStatus(out); }

} // namespace platform::idle
