#pragma once
// The idle blackout that spares OLED panels: after the chosen idle minutes (or at once, by
// hand) every screen goes black, the pointer hides and the keyboard light goes out; while it
// lasts, the audio gain stages rest once the sound has been silent for a while. The first
// real input puts everything back. Main thread only.
#include "platform/Clock.h"
#include "platform/Windowing.h"

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

class AppAudioManager;
class AudioManager;
class DisplayManager;
class SleepManager;

// A black, borderless cover of one screen that can take the keyboard.
class BlackoutWindow : public QWidget {
    Q_OBJECT
public:
    explicit BlackoutWindow(const QRect& frame);
};

// The pointer, hidden and shown in balance across the process.
namespace CursorControl {
// Asks the window server, once, to let this application hide the pointer while another one
// is active; nothing happens where the private calls are missing.
void allowInBackground();
extern bool hidden;
} // namespace CursorControl

class OLEDGuard final : public QObject {
    Q_OBJECT
public:
    static constexpr double kCheckInterval = 15.0;
    static constexpr double kAudioTick = 0.25;
    static constexpr double kGrace = 0.8;
    static constexpr double kDrift = 6.0;
    static constexpr double kSilence = 3.0;
    static constexpr double kFadeIn = 0.4;
    static constexpr uint64_t kWatchedEvents = 0x24054EA;

    OLEDGuard(DisplayManager& display, AudioManager& audio, AppAudioManager& apps, const SleepManager& sleep);
    ~OLEDGuard() override;

    // The idle times the settings offer, in minutes; 0 is off.
    static constexpr std::array<int, 5> idleChoices{0, 2, 5, 10, 20};

    int idleMinutes() const { return idleMinutes_; }
    void setIdleMinutes(int minutes);
    bool isActive() const { return isActive_; }

    void activate();
    void deactivate();

    // For inspection.
    const std::vector<QPointer<BlackoutWindow>>& windows() const { return windows_; }
    bool isChecking() const { return idleTimer_.isActive(); }
    bool audioSuspended() const { return suspendedWith_.has_value(); }
    bool someoneKeepsDisplayOn() const;
    std::set<int32_t> outputProcesses() const;

signals:
    void changed();

private:
    struct Keyboard {
        uint64_t id;
        float level;
        bool autoMode;
    };

    void scheduleIdleCheck();
    void checkIdle();
    void handle(const platform::windowing::MonitoredEvent& event);
    void dimLights();
    void restoreLights();
    void tickAudio();
    void setTapsSuspended(bool suspended);
    void resumeTaps();
    void stepFadeIn();

    DisplayManager& display_;
    AudioManager& audio_;
    AppAudioManager& apps_;
    const SleepManager& sleep_;

    int idleMinutes_ = 0;
    bool isActive_ = false;
    std::vector<QPointer<BlackoutWindow>> windows_;
    std::vector<platform::windowing::MonitorToken> monitors_;
    platform::Timer idleTimer_;
    double startedAt_ = -1e300;
    QPointF startMouse_;
    int32_t previousApp_ = 0;
    std::optional<Keyboard> keyboard_;
    platform::Timer audioTimer_;
    std::optional<std::set<int32_t>> suspendedWith_;
    std::optional<double> ddcRestore_;
    platform::Timer fadeTimer_;
};
