#pragma once
// How long the user has been away, and who keeps the display awake: the combined session's
// time since the last input event of any type, and the system-wide power assertion counts.
#include <QString>
#include <QVariantMap>
#include <cstdint>

namespace platform::idle {

double secondsSinceLastInput();

// Assertion type -> number held by every process. Non-zero on failure, `out` untouched.
int32_t copyAssertionsStatus(QVariantMap* out);

} // namespace platform::idle
