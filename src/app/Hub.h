#pragma once
// The composition root: creates every manager once, in a fixed order, keeps them for the
// life of the process and wires them together. It also decides what a volume, mute or
// brightness key does when the application handles it itself.
#include "app/InputTap.h"
#include "app/ScrollManager.h"
#include "app/SleepManager.h"
#include "audio/AppAudioManager.h"
#include "audio/AudioManager.h"
#include "automation/AutomationManager.h"
#include "battery/BatteryManager.h"
#include "display/DisplayManager.h"
#include "display/OLEDGuard.h"
#include "platform/Events.h"
#include "platform/Process.h"

#include <QObject>
#include <memory>
#include <optional>

class Hub : public QObject {
    Q_OBJECT
public:
    using MediaKey = InputTap::MediaKey;
    using ModifierFlags = platform::events::ModifierFlags;

    // Made on first use with the shared event taps; main thread.
    static Hub& shared();
    // Tests make their own on a fresh simulated Mac, with taps of their own.
    explicit Hub(InputTap& input);
    ~Hub() override;

    // Wires the managers; only the first call does anything.
    void start();
    // Stops and joins the worker threads the managers started, before the process ends: past
    // this point nothing they write to may be relied on.
    void stop();
    bool isStarted() const { return started_; }

    // True swallows the key; false leaves it to the system. Main thread.
    bool handleMediaKey(MediaKey key, bool down, ModifierFlags flags);
    void playVolumeFeedback(ModifierFlags flags);

    // Whether the application is one of the user's login items: the cached state, asked of the
    // login-item service on the first read. After a write it is the state the service reports,
    // which is off when the request failed or waits for the user's approval.
    bool launchAtLogin();
    void setLaunchAtLogin(bool on);
    std::optional<bool> loginItemEnabled() const { return loginItemEnabled_; }

    static constexpr const char* kFeedbackPlayer = "/usr/bin/afplay";
    static constexpr const char* kFeedbackSound =
        "/System/Library/LoginPlugins/BezelServices.loginPlugin/Contents/Resources/volume.aiff";
    static constexpr double kBrightnessStep = 6.25;
    static constexpr double kFineBrightnessStep = 1.5625;

    // Members in the order they are made. The blackout guard is made before the audio managers
    // it suspends and only keeps references to them: it first uses them when it blacks the
    // screens out, at an idle check long after the hub is made.
    DisplayManager display;
    ScrollManager scroll;
    BatteryManager battery;
    SleepManager sleep;
    OLEDGuard oled;
    InputTap& input;
    AudioManager audio;
    AppAudioManager appAudio;
    AutomationManager automation;

private:
    bool handleVolumeKey(MediaKey key, bool down, ModifierFlags flags);
    bool handleBrightnessKey(MediaKey key, bool down, ModifierFlags flags);

    std::unique_ptr<platform::process::Task> feedbackProcess_;
    std::optional<bool> loginItemEnabled_;
    bool started_ = false;
};
