#pragma once
// The system's appearance and accent, which the person changes in System Settings while the
// application runs: the global domain holds them ("AppleInterfaceStyle" "Dark" or absent,
// "AppleAccentColor" a small integer or absent), and the system tells running applications
// when they change, as its distributed notifications do.
#include <QObject>
#include <functional>
#include <optional>

namespace platform::appearance {

// Runs `changed` on the main thread after each change, for as long as `context` lives.
void observe(QObject* context, std::function<void()> changed);

} // namespace platform::appearance

namespace sim::appearance {

// What System Settings does: stores the choice in the global domain and tells the applications.
void setDark(bool dark);
// The accent's stored number (red 0 ... pink 6, graphite -1); none is the multicolour default.
void setAccent(std::optional<int> accent);

} // namespace sim::appearance
