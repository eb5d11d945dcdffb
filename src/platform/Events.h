#pragma once
// Input events and event taps, in place of the platform's event services: events with
// numbered fields, system-defined (media-key) events, taps at the session and annotated-session
// stages, posting to one process, the accessibility trust that taps need, and the bundle
// identifier of a running process.
#include "platform/RunLoop.h"

#include <QPointF>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace platform::events {

// Event types (the platform's numbers).
constexpr uint32_t kTypeSystemDefined = 14;
constexpr uint32_t kTypeScrollWheel = 22;
constexpr uint32_t kTypeTapDisabledByTimeout = 0xFFFFFFFE;
constexpr uint32_t kTypeTapDisabledByUserInput = 0xFFFFFFFF;

constexpr uint64_t maskBit(uint32_t type) { return type < 64 ? uint64_t(1) << type : 0; }

// Event fields by number. Each is stored the way the platform stores it: integers, 16.16
// fixed-point values and doubles; reading a field as the other kind converts.
enum class Field : uint32_t {
    lineDeltaY = 11,     // integer lines, vertical
    lineDeltaX = 12,     // integer lines, horizontal
    targetPid = 40,      // process the event is addressed to
    sourceUserData = 42, // free for the poster
    isContinuous = 88,   // set by trackpads and other pixel-precise devices
    fixedDeltaY = 93,    // 16.16 fixed point
    fixedDeltaX = 94,
    pointDeltaY = 96,    // points
    pointDeltaX = 97,
    scrollPhase = 99,
    momentumPhase = 123,
};
constexpr uint32_t kFieldCount = 128;

// Phase values of `scrollPhase`.
constexpr int64_t kScrollPhaseEnded = 4;

// Modifier flags (device-independent bits, shared by both event kinds).
using ModifierFlags = uint64_t;
constexpr ModifierFlags kFlagShift = 1u << 17;
constexpr ModifierFlags kFlagControl = 1u << 18;
constexpr ModifierFlags kFlagOption = 1u << 19;
constexpr ModifierFlags kFlagCommand = 1u << 20;

// Subtype of system-defined events that carry the auxiliary control buttons (media keys).
constexpr int16_t kSubtypeAuxControlButtons = 8;

// One event. A plain value: copying it is the platform's event copy, and allocates nothing.
class Event {
public:
    explicit Event(uint32_t type = kTypeScrollWheel);
    // A system-defined event with its application-kit data.
    static Event systemDefined(int16_t subtype, int64_t data1, int64_t data2, ModifierFlags flags);

    uint32_t type() const { return type_; }
    ModifierFlags flags() const { return flags_; }
    void setFlags(ModifierFlags flags) { flags_ = flags; }

    int64_t integerField(Field field) const;
    double doubleField(Field field) const;
    void setIntegerField(Field field, int64_t value);
    void setDoubleField(Field field, double value);

private:
    friend struct AppKitAccess;
    uint32_t type_;
    ModifierFlags flags_ = 0;
    bool hasAppKitData_ = false;
    int16_t subtype_ = 0;
    int64_t data1_ = 0;
    int64_t data2_ = 0;
    std::array<int64_t, kFieldCount> raw_{};
};

// The application-kit view of a system-defined event.
struct AppKitEvent {
    int16_t subtype = 0;
    int64_t data1 = 0;
    int64_t data2 = 0;
    ModifierFlags modifierFlags = 0;
};
// Fails for events that the application kit cannot represent.
std::optional<AppKitEvent> toAppKit(const Event& event);

// Sends a copy of the event to one process. It passes the annotated-session taps on its way.
void postToPid(pid_t pid, const Event& event);

// Taps.
enum class TapLocation { hid, session, annotatedSession };
enum class TapPlacement { headInsert, tailAppend };
enum class TapOption { defaultTap, listenOnly };

struct Tap;
using TapRef = Tap*;
class TapProxy; // opaque; passed to callbacks
// Returns the event to deliver (the one given, possibly changed in place) or null to drop it.
using TapCallback = Event* (*)(TapProxy* proxy, uint32_t type, Event* event, void* refcon);

// Null when the process may not tap input (not trusted for accessibility).
TapRef createTap(TapLocation location, TapPlacement placement, TapOption option, uint64_t mask,
                 TapCallback callback, void* refcon);
void enableTap(TapRef tap, bool enable);
bool isTapEnabled(TapRef tap);
// The run-loop source that serves the tap's callbacks on the loop it is added to.
std::shared_ptr<RunLoop::Source> createRunLoopSource(TapRef tap);
void releaseTap(TapRef tap);

// Synthesised mouse events, posted at the HID tap as if from the hardware, with the left
// button, at a point in event coordinates (top-left of the primary screen, y down). False
// when the event could not be made (the process may not post events); nothing is posted then.
enum class MouseEvent { moved, leftDown, leftUp };
bool postMouseEvent(MouseEvent kind, const QPointF& point);
// Moves the pointer to a point in event coordinates without generating any event.
void warpPointer(const QPointF& point);

// The bundle identifier of a running process, empty when unknown.
QString bundleIdentifier(pid_t pid);

} // namespace platform::events

namespace platform::accessibility {

// Whether this process is trusted to tap input; with `prompt` the system asks the user.
bool isProcessTrusted(bool prompt);
// Opens a System Settings page by its URL.
void openSettings(const QString& url);

} // namespace platform::accessibility
