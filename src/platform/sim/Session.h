#pragma once
// The simulated user session: the application's own system windows (the status item), the
// menu bar, which application is frontmost, the pointer's hide count, event monitors, the time
// of the last input, synthesised mouse events and clicks on the listed windows, and the
// display assertions other processes hold.
#include "platform/Events.h"
#include "platform/Windowing.h"

#include <QPointF>
#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace sim {

// The screen parameters changed without a display reconfiguration (the Dock or the menu bar
// moved, say): the application's screen-parameters observers run, on this thread.
void postScreenParametersChanged();

class Session {
public:
    static constexpr double kMenuBarHeight = 24.0;

    static Session& shared();
    // A fresh session: no system windows, this application frontmost, pointer shown, input
    // just now, no other assertions.
    void reset();

    // The windows the system made for the application: those set here, then the status item's.
    void setAppWindows(std::vector<platform::windowing::AppWindow> windows);
    std::vector<platform::windowing::AppWindow> appWindows() const;
    void setStatusItem(platform::windowing::StatusItem item) { statusItem_ = std::move(item); }
    // The status item's window number; no window of the application's own has it.
    static constexpr int64_t kStatusItemNumber = int64_t(1) << 40;

    void setFrontmost(int32_t pid) { frontmost_ = pid; }
    int32_t frontmost() const { return frontmost_; }
    std::vector<int32_t> activations() const { return activations_; } // pids, in order
    void recordActivation(int32_t pid);
    // Every policy set, in order; the application starts as an accessory.
    std::vector<platform::windowing::ActivationPolicy> policyChanges() const { return policies_; }
    platform::windowing::ActivationPolicy activationPolicy() const { return policy_; }
    void setActivationPolicy(platform::windowing::ActivationPolicy policy);

    int cursorHideCount() const { return hideCount_; }
    void hideCursor() { ++hideCount_; }
    void showCursor() { --hideCount_; }

    // Input from the user: marks the time; a move puts the pointer at `pointer` first. Events
    // aimed at this application reach the local monitors (and it, unless one swallows them),
    // others the global ones. Answers whether the application received it.
    bool input(uint32_t type, bool toThisApp = false, std::optional<QPointF> pointer = std::nullopt);
    void setSecondsSinceInput(double seconds);

    // A synthesised mouse event at a global point (bottom-left origin): the pointer moves
    // there and the event is input like the user's, aimed at this application when it lands
    // on one of its visible windows (platform::windowing::appWindows). A button pressed and released on the same window
    // clicks it: that window's click handler runs. Answers whether the application received it.
    bool mouseEvent(platform::events::MouseEvent kind, const QPointF& point);
    // What a click on a listed window does (the status item opens its panel); by window number.
    void setClickHandler(int64_t windowNumber, std::function<void()> handler);
    struct PostedMouseEvent {
        platform::events::MouseEvent kind;
        QPointF point; // global, bottom-left origin
    };
    std::vector<PostedMouseEvent> mouseEvents() const { return mouseEvents_; }
    double secondsSinceInput() const;

    platform::windowing::MonitorToken addMonitor(bool global, uint64_t mask,
                                                 std::function<bool(const platform::windowing::MonitoredEvent&)> handler);
    void removeMonitor(platform::windowing::MonitorToken token);
    int monitorCount() const { return int(monitors_.size()); }
    void refuseNextMonitors(int count) { refusals_ = count; }

    // The window server connection of this process and the properties set on it through the
    // private call (boolean values by key). They last as long as the process, as the
    // connection does, so a fresh session keeps them.
    static constexpr platform::windowing::ConnectionID kConnection = 0x2F03;
    std::map<QString, bool> connectionProperties() const { return connectionProperties_; }
    int32_t setConnectionProperty(platform::windowing::ConnectionID connection,
                                  platform::windowing::ConnectionID target, platform::cf::StringRef key,
                                  platform::cf::TypeRef value);

    // Display assertions held by other processes, by type.
    void setOtherAssertions(const QString& type, int count) { others_[type] = count; }
    enum class StatusQuery { ok, fails, malformed };
    void setStatusQuery(StatusQuery q) { query_ = q; }
    int32_t copyAssertionsStatus(QVariantMap* out) const;

private:
    Session() = default;
    struct Monitor {
        bool global;
        uint64_t mask;
        std::function<bool(const platform::windowing::MonitoredEvent&)> handler;
    };
    std::vector<platform::windowing::AppWindow> windows_;
    platform::windowing::StatusItem statusItem_;
    int32_t frontmost_ = 0;
    std::vector<int32_t> activations_;
    std::vector<platform::windowing::ActivationPolicy> policies_;
    platform::windowing::ActivationPolicy policy_ = platform::windowing::ActivationPolicy::accessory;
    int hideCount_ = 0;
    double lastInput_ = 0;
    std::map<int, Monitor> monitors_;
    int nextToken_ = 1;
    int refusals_ = 0;
    std::map<QString, int> others_;
    std::vector<PostedMouseEvent> mouseEvents_;
    std::map<int64_t, std::function<void()>> clickHandlers_;
    std::optional<int64_t> pressed_; // the window the button went down on
    StatusQuery query_ = StatusQuery::ok;
    std::map<QString, bool> connectionProperties_;
};

// The window server's private calls by name, for the run-time symbol lookup; null for others.
void* windowServerSymbol(const char* name);

} // namespace sim
