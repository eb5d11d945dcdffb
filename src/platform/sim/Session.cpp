#include "platform/sim/Session.h"

#include "platform/Clock.h"
#include "platform/DispatchQueue.h"
#include "platform/DisplayServices.h"
#include "platform/Events.h"
#include "platform/PowerAssertions.h"
#include "platform/IdleState.h"
#include "platform/RunningApps.h"
#include "platform/sim/Mac.h"
#include "platform/sim/PowerAssertionTable.h"
#include "platform/sim/WindowInput.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>
#include <QWindow>
#include <map>
#include <utility>

namespace sim {

Session& Session::shared()
{
    static Session s;
    return s;
}

void Session::reset()
{
    windows_.clear();
    statusItem_ = {};
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
    mouseEvents_.clear();
    clickHandlers_.clear();
    pressed_.reset();
}

void Session::setAppWindows(std::vector<platform::windowing::AppWindow> windows) { windows_ = std::move(windows); }

std::vector<platform::windowing::AppWindow> Session::appWindows() const
{
    std::vector<platform::windowing::AppWindow> all = windows_;
    if (statusItem_.frame)
        if (const auto frame = statusItem_.frame()) {
            platform::windowing::AppWindow item;
            item.className = platform::windowing::kStatusItemClass;
            item.title = platform::windowing::kStatusItemTitle;
            item.visible = true;
            item.frame = platform::windowing::globalFrame(*frame);
            item.number = kStatusItemNumber;
            all.push_back(item);
        }
    return all;
}

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

bool Session::mouseEvent(platform::events::MouseEvent kind, const QPointF& point)
{
    using platform::events::MouseEvent;
    mouseEvents_.push_back({kind, point});
    std::optional<int64_t> hit;
    for (const auto& w : platform::windowing::appWindows())
        if (w.visible && platform::screens::mouseInRect(point, w.frame)) {
            hit = w.number;
            break;
        }
    const uint32_t type = kind == MouseEvent::moved      ? platform::windowing::kMouseMoved
                          : kind == MouseEvent::leftDown ? platform::windowing::kLeftMouseDown
                                                         : platform::windowing::kLeftMouseUp;
    const bool received = input(type, hit.has_value(), point);
    if (kind == MouseEvent::leftDown)
        pressed_ = received ? hit : std::nullopt;
    if (kind == MouseEvent::leftUp) {
        const std::optional<int64_t> pressed = std::exchange(pressed_, std::nullopt);
        if (received && pressed && pressed == hit) {
            // The handler may list or unlist windows: run a copy.
            std::function<void()> handler;
            if (const auto it = clickHandlers_.find(*hit); it != clickHandlers_.end())
                handler = it->second;
            else if (*hit == kStatusItemNumber)
                handler = statusItem_.click;
            if (handler)
                handler();
        }
    }
    return received;
}

void Session::setClickHandler(int64_t windowNumber, std::function<void()> handler)
{
    clickHandlers_[windowNumber] = std::move(handler);
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

int32_t Session::setConnectionProperty(platform::windowing::ConnectionID connection,
                                       platform::windowing::ConnectionID target, platform::cf::StringRef key,
                                       platform::cf::TypeRef value)
{
    constexpr int32_t kIllegalArgument = 1001;
    using Kind = platform::cf::Object::Kind;
    if (connection != kConnection || target != kConnection || !key || key->kind != Kind::string || !key->text
        || !value || value->kind != Kind::boolean)
        return kIllegalArgument;
    connectionProperties_[QString::fromUtf8(key->text)] = value->value;
    return 0;
}

namespace {
platform::windowing::ConnectionID defaultConnection() { return Session::kConnection; }
int32_t setConnectionProperty(platform::windowing::ConnectionID connection, platform::windowing::ConnectionID target,
                              platform::cf::StringRef key, platform::cf::TypeRef value)
{
    return Session::shared().setConnectionProperty(connection, target, key, value);
}
} // namespace

void* windowServerSymbol(const char* name)
{
    const QByteArray n(name);
    if (n == "_CGSDefaultConnection")
        return reinterpret_cast<void*>(static_cast<platform::windowing::DefaultConnectionCall>(&defaultConnection));
    if (n == "CGSSetConnectionProperty")
        return reinterpret_cast<void*>(
            static_cast<platform::windowing::SetConnectionPropertyCall>(&setConnectionProperty));
    return nullptr;
}

} // namespace sim

namespace {

// Event coordinates (and the application's own windows) are flipped against this edge.
double firstScreenTop()
{
    const auto all = platform::screens::screens();
    return all.empty() ? 0.0 : all.front().frame.y() + all.front().frame.height();
}

} // namespace

namespace platform::windowing {

namespace {

// A window's level and collection behaviour are kept on the window itself, so they go with it.
constexpr const char* kLevelProperty = "pelorn.windowLevel";
constexpr const char* kBehaviorProperty = "pelorn.collectionBehavior";

QWindow* windowNumbered(int64_t number)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || !platform::mainQueue::isCurrent())
        return nullptr;
    for (QWindow* w : QGuiApplication::allWindows())
        if (int64_t(w->winId()) == number)
            return w;
    return nullptr;
}

// The application's own top-level windows, in the order they were made.
std::vector<AppWindow> ownWindows()
{
    std::vector<AppWindow> out;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !platform::mainQueue::isCurrent())
        return out;
    std::map<const QWindow*, QWidget*> widgets;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (const QWindow* handle = w->windowHandle())
            widgets[handle] = w;
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        const auto it = widgets.find(window);
        if (it == widgets.end())
            continue;
        const QWidget* w = it->second;
        AppWindow a;
        a.className = QString::fromLatin1(w->metaObject()->className());
        a.visible = w->isVisible();
        a.frame = globalFrame(QRectF(w->frameGeometry()));
        a.title = w->windowTitle();
        a.identifier = w->objectName();
        a.number = int64_t(window->winId());
        a.level = window->property(kLevelProperty).toInt();
        a.collectionBehavior = window->property(kBehaviorProperty).toULongLong();
        out.push_back(a);
    }
    return out;
}

} // namespace

std::vector<AppWindow> appWindows()
{
    std::vector<AppWindow> all = sim::Session::shared().appWindows();
    for (AppWindow& w : ownWindows())
        all.push_back(std::move(w));
    return all;
}

QRectF globalFrame(const QRectF& eventFrame)
{
    return QRectF(eventFrame.x(), firstScreenTop() - eventFrame.y() - eventFrame.height(), eventFrame.width(),
                  eventFrame.height());
}

// The flip is its own inverse.
QRectF eventFrame(const QRectF& frame) { return globalFrame(frame); }

void setStatusItem(StatusItem item) { sim::Session::shared().setStatusItem(std::move(item)); }

// INT32_MAX - 19, as the window server's shielding level sits just below its maximum.
int32_t shieldingWindowLevel() { return 2147483628; }

void setWindowLevel(int64_t windowNumber, int32_t level)
{
    if (QWindow* w = windowNumbered(windowNumber))
        w->setProperty(kLevelProperty, level);
}

void setCollectionBehavior(int64_t windowNumber, uint64_t behavior)
{
    if (QWindow* w = windowNumbered(windowNumber))
        w->setProperty(kBehaviorProperty, qulonglong(behavior));
}

QRectF visibleFrame(const platform::screens::Screen& screen)
{
    QRectF f = screen.frame;
    f.setHeight(std::max(0.0, f.height() - sim::Session::kMenuBarHeight));
    return f;
}

int32_t frontmostApplication() { return sim::Session::shared().frontmost(); }
bool isActive() { return sim::Session::shared().frontmost() == platform::apps::currentProcessID(); }
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

namespace platform::events {

namespace {
QPointF toGlobal(const QPointF& eventPoint) { return QPointF(eventPoint.x(), firstScreenTop() - eventPoint.y()); }
} // namespace

bool postMouseEvent(MouseEvent kind, const QPointF& point)
{
    // Posting input for the whole session takes the same trust as tapping it.
    if (!platform::accessibility::isProcessTrusted(false))
        return false;
    sim::Session::shared().mouseEvent(kind, toGlobal(point));
    return true;
}

void warpPointer(const QPointF& point)
{
    sim::Mac::shared().displays().setPointer(toGlobal(point));
    // The application's windows see the window system's own pointer (hover effects): it moves too.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && platform::mainQueue::isCurrent()) {
        sim::windowinput::warped(point);
        QCursor::setPos(point.toPoint());
    }
}

} // namespace platform::events

namespace platform::idle {

double secondsSinceLastInput() { return sim::Session::shared().secondsSinceInput(); }

int32_t copyAssertionsStatus(QVariantMap* out) { return sim::Session::shared().copyAssertionsStatus(out); }

} // namespace platform::idle
