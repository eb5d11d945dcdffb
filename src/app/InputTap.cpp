#include "app/InputTap.h"

#include "app/SyntheticEvents.h"

#include "platform/DispatchQueue.h"
#include "platform/Log.h"
#include "platform/RunLoop.h"

#include <condition_variable>
#include <mutex>


using namespace platform::events;

namespace {

constexpr uint32_t kKeyNumberMask = 0xFFFF0000;
constexpr uint32_t kKeyStateMask = 0xFF00;
constexpr uint32_t kKeyStateDown = 0x0A00;

} // namespace

std::optional<InputTap::MediaKey> InputTap::mediaKeyFrom(int32_t number)
{
    switch (number) {
    case int32_t(MediaKey::soundUp):
    case int32_t(MediaKey::soundDown):
    case int32_t(MediaKey::brightnessUp):
    case int32_t(MediaKey::brightnessDown):
    case int32_t(MediaKey::mute):
        return MediaKey(number);
    default:
        return std::nullopt;
    }
}

InputTap& InputTap::shared()
{
    static InputTap* instance = new InputTap(); // lives as long as the process
    return *instance;
}

InputTap::InputTap() = default;

InputTap::~InputTap() { stop(); }

void InputTap::stop()
{
    retryTimer_.stop();
    // Released first, so no callback reaches this instance once it starts going.
    if (wheelTap_)
        releaseTap(wheelTap_);
    if (tap_)
        releaseTap(tap_);
    if (thread_.joinable()) {
        platform::RunLoop* loop;
        while (!(loop = loop_.load()))
            std::this_thread::yield();
        loop->stop();
        thread_.join();
    }
    tap_ = nullptr; // released, and no thread reads them now
    wheelTap_ = nullptr;
    loop_.store(nullptr);
}

void InputTap::permissionLost()
{
    stop();
    isRunning_ = false;
    platform::log::write("Pelorn: event tap stopped, input access revoked");
    emit changed();
    start(false);
}

void InputTap::start(bool promptForPermission)
{
    if (tap_)
        return;
    if (promptForPermission)
        platform::accessibility::isProcessTrusted(true);
    if (installTap())
        return;
    retryTimer_.start(
        2.0,
        [this] {
            if (installTap())
                retryTimer_.stop();
        },
        true);
}

void InputTap::openAccessibilitySettings()
{
    platform::accessibility::openSettings(kAccessibilitySettingsURL);
}

bool InputTap::installTap()
{
    if (tap_)
        return true;
    TapRef keys = createTap(TapLocation::session, TapPlacement::headInsert, TapOption::defaultTap,
                            maskBit(kTypeSystemDefined), &InputTap::inputTapCallback, this);
    if (!keys)
        return false;
    TapRef wheel = createTap(TapLocation::annotatedSession, TapPlacement::tailAppend, TapOption::defaultTap,
                             maskBit(kTypeScrollWheel), &InputTap::inputTapCallback, this);
    if (!wheel) {
        releaseTap(keys);
        return false;
    }
    auto keysSource = createRunLoopSource(keys);
    auto wheelSource = createRunLoopSource(wheel);

    // Stored before the thread starts, so its callbacks see them.
    tap_ = keys;
    wheelTap_ = wheel;
    thread_ = std::thread([this, keys, wheel, keysSource, wheelSource] {
        platform::setThreadName("Pelorn.input");
        auto& loop = platform::RunLoop::current();
        loop.addSource(keysSource);
        loop.addSource(wheelSource);
        enableTap(keys, true);
        enableTap(wheel, true);
        loop_.store(&loop);
        loop.run();
    });

    isRunning_ = true;
    platform::log::write("Pelorn: event tap active");
    emit changed();
    return true;
}

Event* InputTap::inputTapCallback(TapProxy*, uint32_t type, Event* event, void* refcon)
{
    if (!refcon)
        return event;
    return static_cast<InputTap*>(refcon)->handle(type, event);
}

Event* InputTap::handle(uint32_t type, Event* event)
{
    switch (type) {
    case kTypeTapDisabledByTimeout:
    case kTypeTapDisabledByUserInput: {
        bool refused = false;
        for (TapRef t : {tap_, wheelTap_})
            if (t && !isTapEnabled(t)) {
                enableTap(t, true);
                refused = refused || !isTapEnabled(t);
            }
        // A tap the system will not turn on again means the permission was taken back: the
        // taps never see another event, so they are let go and the install retried, and the
        // permission cards show meanwhile instead of keys that silently do nothing.
        if (refused)
            QMetaObject::invokeMethod(this, [this, lost = tap_] {
                if (tap_ == lost)
                    permissionLost();
            }, Qt::QueuedConnection);
        return event;
    }
    case kTypeSystemDefined:
        return handleMediaKey(event);
    case kTypeScrollWheel:
        // The scrolling engine's own events pass by their mark.
        if (event->integerField(Field::sourceUserData) == kSyntheticMark)
            return event;
        return onScroll.callOr(event, event);
    default:
        return event;
    }
}

Event* InputTap::handleMediaKey(Event* event)
{
    if (!onMediaKey)
        return event;
    const std::optional<AppKitEvent> appKit = toAppKit(*event);
    if (!appKit || appKit->subtype != kSubtypeAuxControlButtons)
        return event;
    const auto data1 = uint32_t(appKit->data1);
    const std::optional<MediaKey> key = mediaKeyFrom(int32_t((data1 & kKeyNumberMask) >> 16));
    if (!key)
        return event;
    const bool down = (data1 & kKeyStateMask) == kKeyStateDown;

    // The input thread waits for the main thread's answer. One captured reference keeps the
    // hop's closure free of allocations.
    struct Question {
        Question(InputTap* s, MediaKey k, bool d, ModifierFlags f) : self(s), key(k), down(d), flags(f) {}
        InputTap* self;
        MediaKey key;
        bool down;
        ModifierFlags flags;
        bool swallow = false;
        bool answered = false;
        std::mutex m;
        std::condition_variable cv;
        void ask()
        {
            const bool s = self->onMediaKey.callOr(false, key, down, flags);
            std::lock_guard lock(m); // notified under the lock: the asker's frame ends once it sees
            swallow = s;
            answered = true;
            cv.notify_one();
        }
    } q(this, *key, down, appKit->modifierFlags);
    if (platform::mainQueue::isCurrent()) {
        q.ask();
    } else {
        platform::mainQueue::async([&q] { q.ask(); });
        std::unique_lock lock(q.m);
        q.cv.wait(lock, [&] { return q.answered; });
    }
    return q.swallow ? nullptr : event;
}
