#pragma once
// The battery's one-sentence explanation and the calibration step line, computed from the
// manager's state at each read. Every text goes through the string table with the Turkish
// sentence as its key.
#include "battery/BatteryTypes.h"

#include <QString>
#include <QVariant>
#include <initializer_list>
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

// Looks the key up in the string table and fills in its printf-style arguments: "%lld" takes
// an integer, "%.1f" a double in the interface locale, "%@" a text, "%%" is a percent sign.
// A key without arguments is used as it stands (its percent signs are literal).
QString localized(const char* key, std::initializer_list<QVariant> args = {});

} // namespace batterytexts
