#pragma once
// Power assertions, in place of the platform's power management: a process holds an assertion
// of a type ("PreventUserIdleSystemSleep", ...) to keep the machine from that kind of sleep.
#include <QString>
#include <cstdint>

namespace platform::power {

using AssertionID = uint32_t; // 0 is never a valid id
constexpr uint32_t kAssertionLevelOff = 0;
constexpr uint32_t kAssertionLevelOn = 255;

constexpr int32_t kSuccess = 0;
constexpr int32_t kErrorNoResources = int32_t(0xE00002BE);
constexpr int32_t kErrorBadArgument = int32_t(0xE00002C2);

// Stores the new id in `id` on success; leaves it untouched on failure.
int32_t createAssertionWithName(const QString& type, uint32_t level, const QString& name, AssertionID* id);
int32_t releaseAssertion(AssertionID id);

} // namespace platform::power
