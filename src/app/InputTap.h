#pragma once
// The session-wide event taps: media keys (volume, mute, brightness) and mouse-wheel scrolling.
// Media keys are decoded and handed to the main thread, which decides whether to swallow them;
// scroll events go to the scrolling engine on the input thread. Needs the user's Accessibility
// permission and keeps retrying until it is granted.
#include "platform/Clock.h"
#include "platform/Events.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// A handler that one thread installs and another calls. Installing waits for a call under way,
// so the handler never changes under a caller's feet.
template <class Signature>
class SharedHandler;

template <class R, class... Args>
class SharedHandler<R(Args...)> {
public:
    SharedHandler& operator=(std::function<R(Args...)> f)
    {
        {
            std::lock_guard lock(mutex_);
            f_.swap(f);
            set_.store(bool(f_), std::memory_order_release);
        }
        return *this; // the old handler dies here, outside the lock
    }
    explicit operator bool() const { return set_.load(std::memory_order_acquire); }
    // Calls the handler, or returns `otherwise` when none is set.
    R callOr(R otherwise, Args... args) const
    {
        std::lock_guard lock(mutex_);
        if (!f_)
            return otherwise;
        return f_(std::forward<Args>(args)...);
    }

private:
    mutable std::mutex mutex_;
    std::function<R(Args...)> f_;
    std::atomic<bool> set_{false};
};

class InputTap : public QObject {
    Q_OBJECT
public:
    using Event = platform::events::Event;

    // The system's auxiliary-key numbers.
    enum class MediaKey : int32_t {
        soundUp = 0,
        soundDown = 1,
        brightnessUp = 2,
        brightnessDown = 3,
        mute = 7,
    };
    static std::optional<MediaKey> mediaKeyFrom(int32_t number);

    static InputTap& shared();
    // Tests make their own; the app uses shared(). Destroying one releases its taps.
    InputTap();
    ~InputTap() override;
    // Releases the taps and joins the input thread; the tap stays stopped (the process ends).
    void stop();

    // Returns the event to deliver (possibly changed in place) or null to swallow it. Input thread.
    SharedHandler<Event*(Event*)> onScroll;
    // True swallows the key. Main thread.
    SharedHandler<bool(MediaKey, bool, platform::events::ModifierFlags)> onMediaKey;

    bool isRunning() const { return isRunning_; }

    // Installs the taps, or keeps retrying every 2 s while the permission is missing.
    void start(bool promptForPermission);
    static void openAccessibilitySettings();

    static constexpr const char* kAccessibilitySettingsURL =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

    // The callback of both taps; `refcon` is the InputTap, held unretained.
    static Event* inputTapCallback(platform::events::TapProxy* proxy, uint32_t type, Event* event, void* refcon);

signals:
    void changed();

private:
    bool installTap();
    void permissionLost(); // main thread
    Event* handle(uint32_t type, Event* event);
    Event* handleMediaKey(Event* event);

    bool isRunning_ = false;
    // Written on the main thread before the input thread starts; read there afterwards.
    platform::events::TapRef tap_ = nullptr;
    platform::events::TapRef wheelTap_ = nullptr;
    platform::Timer retryTimer_; // active while retrying

    std::thread thread_;
    std::atomic<platform::RunLoop*> loop_{nullptr};
};
