// The built-in panel's brightness through DisplayServices and the keyboard backlight through
// CoreBrightness's client class; both frameworks are private, so every symbol, class and
// selector is checked before use.
#include "bridge/Bridge.h"

#include "platform/PrivateFrameworks.h"

#include <mutex>

namespace {

std::mutex gHandleMutex;
void* gDisplayServices = nullptr;

void* displayServices()
{
    // Kept once opened; a failed open is tried again next time.
    std::lock_guard lock(gHandleMutex);
    if (!gDisplayServices)
        gDisplayServices = platform::dl::open(
            "/System/Library/PrivateFrameworks/DisplayServices.framework/DisplayServices", platform::dl::kLoadNow);
    return gDisplayServices;
}

std::mutex gClientMutex;
bool gClientTried = false;
platform::objc::Id gClient;

// Created once per process; the simulated Mac's tests start a fresh one per machine.
platform::objc::Id kbd_client()
{
    std::lock_guard lock(gClientMutex);
    if (!gClientTried) {
        gClientTried = true;
        if (platform::dl::open("/System/Library/PrivateFrameworks/CoreBrightness.framework/CoreBrightness",
                               platform::dl::kLoadNow))
            if (const auto cls = platform::objc::classNamed("KeyboardBrightnessClient"))
                gClient = platform::objc::allocInit(cls);
    }
    return gClient;
}

bool responds(const platform::objc::Id& object, const char* selector)
{
    return object && platform::objc::respondsToSelector(object, selector);
}

} // namespace

int builtin_get_brightness(uint32_t display, float* level)
{
    void* handle = displayServices();
    if (!handle)
        return 0;
    using Get = int (*)(uint32_t, float*);
    auto get = reinterpret_cast<Get>(platform::dl::symbol(handle, "DisplayServicesGetBrightness"));
    if (!get)
        return 0;
    return get(display, level) == 0 ? 1 : 0;
}

int builtin_set_brightness(uint32_t display, float level)
{
    void* handle = displayServices();
    if (!handle)
        return 0;
    using Set = int (*)(uint32_t, float);
    auto set = reinterpret_cast<Set>(platform::dl::symbol(handle, "DisplayServicesSetBrightness"));
    if (!set)
        return 0;
    return set(display, level) == 0 ? 1 : 0;
}

int kbd_builtin_id(uint64_t* id)
{
    const auto client = kbd_client();
    if (!responds(client, "copyKeyboardBacklightIDs") || !responds(client, "isKeyboardBuiltIn:"))
        return 0;
    const QVariant ids = platform::objc::send(client, "copyKeyboardBacklightIDs");
    if (ids.typeId() != QMetaType::QVariantList)
        return 0;
    for (const QVariant& element : ids.toList()) {
        const auto number = element.value<platform::objc::Id>();
        if (!responds(number, "unsignedLongLongValue"))
            continue;
        const uint64_t candidate = platform::objc::send(number, "unsignedLongLongValue").toULongLong();
        if (platform::objc::send(client, "isKeyboardBuiltIn:", {QVariant::fromValue(candidate)}).toBool()) {
            *id = candidate;
            return 1;
        }
    }
    return 0;
}

float kbd_get_brightness(uint64_t id)
{
    const auto client = kbd_client();
    if (!responds(client, "brightnessForKeyboard:"))
        return -1.0f;
    return platform::objc::send(client, "brightnessForKeyboard:", {QVariant::fromValue(id)}).toFloat();
}

int kbd_set_brightness(uint64_t id, float level)
{
    const auto client = kbd_client();
    if (!responds(client, "setBrightness:fadeSpeed:commit:forKeyboard:"))
        return 0;
    return platform::objc::send(client, "setBrightness:fadeSpeed:commit:forKeyboard:",
                                {double(level), 300, false, QVariant::fromValue(id)})
        .toInt();
}

int kbd_get_auto(uint64_t id)
{
    const auto client = kbd_client();
    if (!responds(client, "isAutoBrightnessEnabledForKeyboard:"))
        return 0;
    return platform::objc::send(client, "isAutoBrightnessEnabledForKeyboard:", {QVariant::fromValue(id)}).toBool() ? 1 : 0;
}

int kbd_set_auto(uint64_t id, int enabled)
{
    const auto client = kbd_client();
    if (!responds(client, "enableAutoBrightness:forKeyboard:"))
        return 0;
    return platform::objc::send(client, "enableAutoBrightness:forKeyboard:", {bool(enabled), QVariant::fromValue(id)})
        .toInt();
}

void bridge_forget_cached_clients()
{
    {
        std::lock_guard lock(gHandleMutex);
        gDisplayServices = nullptr;
    }
    std::lock_guard lock(gClientMutex);
    gClientTried = false;
    gClient.reset();
}
