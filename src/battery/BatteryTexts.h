#pragma once
// The battery's one-sentence explanation, the calibration step line, the one-line status and
// the state colour, computed from the manager's state at each read, in the interface language.
#include "battery/BatteryTypes.h"
#include "design/Theme.h"

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
// The one line under the charge percentage.
QString shortStatus(const State& s);
// The colour role that marks the state on gauges and icons; the view picks its light or dark
// variant.
SystemColor stateTint(const State& s);
// While discharging, macOS keeps showing a higher level for a while after a full charge: the
// real fill from the capacities, when it lies at least a point below the shown percent.
std::optional<double> realFillBelowShown(const State& s);

} // namespace batterytexts
