#pragma once
// The application kit's side of the window server that the indicator and the blackout need:
// this application's own windows as the system lists them, the screens' visible frames,
// activation and the frontmost application, the pointer's visibility and event monitors.
// Coordinates are global, bottom-left origin, y up, like platform::screens.
#include "platform/DisplayServices.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform::windowing {

struct AppWindow {
    QString className;
    bool visible = false;
    QRectF frame;
};
// The windows the system made for this application (the status item's among them).
std::vector<AppWindow> appWindows();

// The screen's frame without its menu bar.
QRectF visibleFrame(const platform::screens::Screen& screen);

// Running applications by process id; 0 = none.
int32_t frontmostApplication();
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
constexpr uint32_t kRightMouseDown = 3;
constexpr uint32_t kMouseMoved = 5;
constexpr uint32_t kLeftMouseDragged = 6;
constexpr uint32_t kRightMouseDragged = 7;
constexpr uint32_t kKeyDown = 10;
constexpr uint32_t kKeyUp = 11;
constexpr uint32_t kFlagsChanged = 12;
constexpr uint32_t kSystemDefined = 14;
constexpr uint32_t kScrollWheel = 22;
constexpr uint32_t kOtherMouseDown = 25;

using MonitorToken = int; // 0: the system refused the monitor
MonitorToken addGlobalMonitor(uint64_t mask, std::function<void(const MonitoredEvent&)> handler);
// The handler answers whether the event goes on to the application.
MonitorToken addLocalMonitor(uint64_t mask, std::function<bool(const MonitoredEvent&)> handler);
void removeMonitor(MonitorToken token);

} // namespace platform::windowing
