#pragma once
// The simulated input side of the Mac: accessibility trust, event taps at their stages, the
// delivery of hardware and posted events to processes, running applications, screens with
// their refresh rates and the display links on them.
//
// Events travel as on the real system: a hardware event passes the session taps, is annotated
// with the process under the pointer, passes the annotated-session taps and reaches that
// process; an event posted to a process passes the annotated-session taps only. Each tap's
// callback runs on the thread whose run loop serves its source. Delivery happens on the
// simulator's own thread, so a poster never waits for the taps; tests wait with settle().
#include "platform/Events.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

struct LinkState;
struct Pending;

struct TapInfo {
    platform::events::TapLocation location;
    platform::events::TapPlacement placement;
    platform::events::TapOption option;
    uint64_t mask = 0;
    bool enabled = false;
    bool served = false; // its source is on a run loop
    platform::events::TapRef ref = nullptr;
};

struct ScreenSpec {
    std::optional<uint32_t> number; // none: the device description lacks the entry
    QRectF frame;
    double refreshRate = 60.0;
};

class EventSystem {
public:
    static EventSystem& shared();
    // A fresh machine: not trusted, no applications, one 120 Hz screen, nothing recorded.
    void reset();

    // Accessibility.
    void setTrusted(bool trusted);
    bool trusted() const;
    int promptCount() const;
    QStringList openedSettings() const;

    // Running applications; events posted to any other process are lost.
    void setApplication(pid_t pid, const QString& bundleID);
    // The process hardware events are addressed to (0: none, the event keeps no target).
    void setPointerTarget(pid_t pid);

    // Taps as the system sees them, in creation order.
    std::vector<TapInfo> taps() const;
    // The system disables a tap (its callback was too slow, or user input) and tells it so.
    void disableTap(platform::events::TapRef tap, bool byTimeout);

    // A hardware event: waits until it went through every tap, serving the main thread
    // meanwhile; returns what reached the process, or nothing when a tap dropped it.
    std::optional<platform::events::Event> deliver(const platform::events::Event& event);
    // A hardware event from a device outside this process (the desk): queued, not waited for.
    // `toThisApp`: it came through one of this application's windows, which it is addressed to.
    void post(const platform::events::Event& event, bool toThisApp = false);
    // Waits until every event queued so far is delivered.
    void settle();

    // What processes received: hardware events, and events posted to them.
    std::vector<platform::events::Event> received(pid_t pid) const;
    std::vector<platform::events::Event> posted(pid_t pid) const;
    int postedTotal() const;
    void clearRecords();

    // Screens, the pointer, and frames of the display links.
    void setScreens(const std::vector<ScreenSpec>& screens);
    std::vector<ScreenSpec> screens() const;
    void setMouseLocation(QPointF point);
    QPointF mouseLocation() const;
    // Runs `frames` refreshes of one screen: moves the shared clock on by a frame each time,
    // runs the unpaused links' callbacks and waits for the events they posted to arrive.
    void stepFrames(uint32_t screenNumber, int frames = 1);
    // On a running machine (not under test) the screens refresh by themselves: the running
    // links get their frames at the screen's rate on a clock thread, which sleeps while none runs.
    void runDisplayClock();
    void linksChanged(); // for the links
    // Seconds the link callbacks of the last stepped frame took on their threads.
    double lastFrameSeconds() const;
    // Links on a screen that would get the next frame.
    int runningLinks(uint32_t screenNumber) const;
    int links(uint32_t screenNumber) const; // not invalidated, paused or not

    struct Impl;
    Impl& internals() { return *d; } // for the platform operations served here

private:
    EventSystem();
    void frame(uint32_t screenNumber, double rate); // one refresh of one screen
    Impl* d;
};

// Events as devices produce them.
// A wheel notch (or several): line deltas with the point and fixed-point deltas a mouse
// reports for them (positive y scrolls up).
platform::events::Event wheelEvent(int linesY, int linesX = 0);
// A continuous (trackpad) scroll with point deltas.
platform::events::Event trackpadEvent(double pointsY, double pointsX = 0);
// A media key as the keyboard sends it: auxiliary control button `key`, down or up.
platform::events::Event mediaKeyEvent(int key, bool down, platform::events::ModifierFlags flags = 0);

} // namespace sim
