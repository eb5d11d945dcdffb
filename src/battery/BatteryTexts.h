#pragma once
// The battery's one-sentence explanation and the calibration step line, computed from the
// manager's state at each read, in the interface language.
#include "battery/BatteryTypes.h"

#include <QString>
#include <optional>

namespace batterytexts {

struct State {
    bool hasBattery = false;
    int percent = 0;
    bool isCharging = false;
    bool onAC = false;
    std::optional<int> minutesRemaining;
    int limit = 100;
    int dischargeTarget = 0;
    std::optional<BatteryCalibration> calibration;
    std::optional<int> topUpRestoreLimit;
    BatteryTelemetry telemetry;
    double now = 0; // Unix seconds
};

QString explanation(const State& s);
std::optional<QString> calibrationText(const State& s);

} // namespace batterytexts
