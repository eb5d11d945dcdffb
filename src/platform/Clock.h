#pragma once
// The one time line that the system's code and the simulated Mac share. In tests it is
// virtual: sleeps return at once and move time on, and timers fire only when the test
// advances the clock, so a monitor that never answers costs milliseconds, not seconds.
#include <functional>
#include <map>
#include <memory>

namespace platform::clock {

double now();       // monotonic seconds
double wallNow();   // seconds since 1970-01-01 UTC
void sleep(double seconds);

} // namespace platform::clock

namespace platform {

// A timer on the current thread's run loop (real clock) or on the virtual clock.
class Timer {
public:
    Timer();
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Restarts the timer if it runs already.
    void start(double seconds, std::function<void()> fire, bool repeats = false);
    void stop();
    bool isActive() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform

namespace platform::clock::testing {

void useVirtual(double wallStart = 1796896800.0 /* 2026-12-10 10:00 UTC */);
void useReal();
bool isVirtual();
// Moves virtual time on, running every timer that falls due, in order, on this thread.
void advance(double seconds);
int activeTimers();

// Every timer firing so far, virtual or real, counted by the timer's interval in seconds (a
// one-shot's delay): what wakes the thread that runs the timers.
std::map<double, int> firings();
void resetFirings();

} // namespace platform::clock::testing
