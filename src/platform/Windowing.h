#pragma once
// The application kit's side of the window server that the indicator, the blackout and the
// showcase staging need: this application's own windows as the system lists them, their levels
// and collection behaviour, the screens' visible frames, activation and the frontmost
// application, the pointer's visibility, the private connection calls and event monitors.
// Coordinates are global, bottom-left origin, y up, like platform::screens.
#include "platform/CoreFoundation.h"
#include "platform/DisplayServices.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace platform::windowing {

struct AppWindow {
    QString className;
    bool visible = false;
    QRectF frame;
    QString title;
    QString identifier; // "" when the window has none
    int64_t number = 0; // the window server's number, stable while the window exists
    int32_t level = 0;  // kNormalWindowLevel unless set
    uint64_t collectionBehavior = 0;
};
// The application's windows in window order: those the system made for it (the status item's
// window) first, then its own top-level windows, hidden ones included.
std::vector<AppWindow> appWindows();

// The application's own windows are placed in event coordinates (top-left origin of the first
// screen, y down); these convert a frame between them and global coordinates. Without a
// screen both are the same.
QRectF globalFrame(const QRectF& eventFrame);
QRectF eventFrame(const QRectF& globalFrame);

// The status item's window, which the system makes while the application shows its menu-bar
// item: `frame` answers where the status area placed it (event coordinates; none while it has
// no place), `click` is what a click on it does. An item without `frame` removes the window.
struct StatusItem {
    std::function<std::optional<QRectF>()> frame;
    std::function<void()> click;
};
void setStatusItem(StatusItem item);
constexpr const char* kStatusItemClass = "StatusBarWindow";
constexpr const char* kStatusItemTitle = "Item-0";

// Window levels and collection behaviour of the application's own windows, by window number.
constexpr int32_t kNormalWindowLevel = 0;
// The level of the system's shielding windows, above every other window (CGShieldingWindowLevel).
int32_t shieldingWindowLevel();
void setWindowLevel(int64_t windowNumber, int32_t level);
constexpr uint64_t kCanJoinAllSpaces = 1 << 0;
constexpr uint64_t kStationary = 1 << 4;
constexpr uint64_t kIgnoresCycle = 1 << 6;
constexpr uint64_t kFullScreenAuxiliary = 1 << 8;
void setCollectionBehavior(int64_t windowNumber, uint64_t behavior);

// The window server's private connection calls ("_CGSDefaultConnection",
// "CGSSetConnectionProperty"), which a program looks up by name and may not find.
using ConnectionID = int32_t;
using DefaultConnectionCall = ConnectionID (*)();
using SetConnectionPropertyCall = int32_t (*)(ConnectionID connection, ConnectionID target, cf::StringRef key,
                                              cf::TypeRef value);

// The screen's frame without its menu bar.
QRectF visibleFrame(const platform::screens::Screen& screen);

// Running applications by process id; 0 = none.
int32_t frontmostApplication();
// Whether this application is the active (frontmost) one.
bool isActive();
void activateSelf();
void activate(int32_t pid);

// Whether the application has a Dock icon and a menu bar of its own (regular) or lives in the
// status area alone (accessory).
enum class ActivationPolicy { regular, accessory };
void setActivationPolicy(ActivationPolicy policy);
ActivationPolicy activationPolicy();

// The pointer, hidden and shown by count, as the display services do it.
void hideCursor(platform::displays::DisplayID display);
void showCursor(platform::displays::DisplayID display);

// Event monitors. Global ones see events aimed at other applications; local ones see events
// aimed at this one, and may swallow them.
struct MonitoredEvent {
    uint32_t type = 0;
};
constexpr uint32_t kLeftMouseDown = 1;
constexpr uint32_t kLeftMouseUp = 2;
constexpr uint32_t kRightMouseDown = 3;
constexpr uint32_t kRightMouseUp = 4;
constexpr uint32_t kMouseMoved = 5;
constexpr uint32_t kLeftMouseDragged = 6;
constexpr uint32_t kRightMouseDragged = 7;
constexpr uint32_t kKeyDown = 10;
constexpr uint32_t kKeyUp = 11;
constexpr uint32_t kFlagsChanged = 12;
constexpr uint32_t kSystemDefined = 14;
constexpr uint32_t kScrollWheel = 22;
constexpr uint32_t kOtherMouseDown = 25;
constexpr uint32_t kOtherMouseUp = 26;

using MonitorToken = int; // 0: the system refused the monitor
MonitorToken addGlobalMonitor(uint64_t mask, std::function<void(const MonitoredEvent&)> handler);
// The handler answers whether the event goes on to the application.
MonitorToken addLocalMonitor(uint64_t mask, std::function<bool(const MonitoredEvent&)> handler);
void removeMonitor(MonitorToken token);

} // namespace platform::windowing
