#pragma once
// One online display as the system sees it.
#include <QString>
#include <cstdint>
#include <optional>

struct DisplayInfo {
    uint32_t id = 0;
    QString name;
    bool isBuiltin = false;
    // The monitor's identity across connections: vendor, model and serial numbers joined by
    // ":"; two monitors of one model without serial numbers share it.
    QString key;
    // Position among the external displays of the list, while below the number of DDC ports.
    std::optional<int> ddcIndex;

    bool operator==(const DisplayInfo&) const = default;
};
