#pragma once
// The power-source snapshot: one description per source ("Type", "Current Capacity", ...).
#include <QList>
#include <QVariantMap>
#include <optional>

namespace platform::powersources {

// The descriptions in the snapshot's list order; none when the snapshot or its list is missing.
std::optional<QList<QVariantMap>> descriptions();

} // namespace platform::powersources
