#pragma once
// Smooth and reversed scrolling for wheel mice. Each wheel notch is swallowed and replaced by a
// glide of continuous scroll events, posted straight to the target application once per
// display frame from the glide thread. Trackpads and other continuous devices are left alone.
#include "platform/DisplayLink.h"
#include "platform/Events.h"
#include "platform/RunLoop.h"

#include <QObject>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/types.h>
#include <thread>

class ScrollManager : public QObject {
    Q_OBJECT
public:
    using Event = platform::events::Event;

    explicit ScrollManager(QObject* parent = nullptr);
    ~ScrollManager() override;
    // Ends the glide and joins its thread; a later glide starts a new one.
    void stopGlide();

    // Settings: set on the main thread, read without a lock by the input and glide threads.
    bool smoothEnabled() const { return smoothEnabled_.load(std::memory_order_relaxed); }
    bool reverseEnabled() const { return reverseEnabled_.load(std::memory_order_relaxed); }
    double step() const { return step_.load(std::memory_order_relaxed); }
    double smoothness() const { return smoothness_.load(std::memory_order_relaxed); }
    void setSmoothEnabled(bool on);
    void setReverseEnabled(bool on);
    void setStep(double points);
    void setSmoothness(double value);

    // The scroll handler: the event to deliver (possibly changed in place) or null to swallow
    // it. Input thread.
    Event* handle(Event* event);

signals:
    void changed();

private:
    struct Point {
        double x = 0;
        double y = 0;
    };

    static void negate(Event& event);
    // Puts the link on the screen under the pointer, running unless `paused`. Glide thread.
    void startLink(bool paused = false);
    void tick(platform::displaylink::DisplayLink& link);
    void finish();
    void resetGlide();
    // Posts a copy of the template with the given point deltas, marked and continuous.
    void postFromTemplate(double pointY, double pointX, bool phaseEnded = false);
    platform::RunLoop& glideLoop();

    std::atomic<bool> smoothEnabled_{true};
    std::atomic<bool> reverseEnabled_{true};
    std::atomic<double> step_{90.72};
    std::atomic<double> smoothness_{0.915};

    // Glide state, shared by the input and glide threads.
    std::mutex lock_;
    Point buffer_;    // target distance of the gesture
    Point current_;   // distance travelled towards it
    Point direction_; // deltas of the last wheel event, after reversal
    Point filtered_;  // low-pass filtered per-frame increment
    double lastWheel_ = 0;
    bool wheelEnded_ = true;
    std::optional<double> stopAt_;
    std::optional<Event> template_;
    pid_t targetPID_ = 0;
    bool linkRunning_ = false;

    // Glide thread only.
    std::unique_ptr<platform::displaylink::DisplayLink> link_;
    uint32_t linkScreen_ = 0;

    std::thread glideThread_;
    platform::RunLoop* glideLoop_ = nullptr;
};
