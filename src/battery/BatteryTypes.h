#pragma once
// The value types of the battery manager: live telemetry, the calibration cycle's stored state
// and one history sample. The manager exposes them as BatteryManager::Telemetry, ::Calibration
// and ::Sample.
#include <QJsonValue>
#include <QString>
#include <optional>

struct BatteryTelemetry {
    double amperage = 0;     // A, negative while discharging
    double voltage = 0;      // V
    double batteryPower = 0; // W
    double systemLoad = 0;   // W
    double adapterPower = 0; // W, 0 when not on AC
    std::optional<int> adapterRated;       // W
    std::optional<double> adapterVoltage;  // V
    std::optional<double> adapterCurrent;  // A
    std::optional<QString> adapterName;
    // In the registry's own units (mAh).
    std::optional<int> designCapacity;
    std::optional<int> fullCapacity;
    std::optional<int> remainingCapacity;

    bool operator==(const BatteryTelemetry&) const = default;
};

struct BatteryCalibration {
    enum class Step { chargeFull, discharge, rechargeFull, hold };

    Step step = Step::chargeFull;
    int savedLimit = 100;
    std::optional<double> holdUntil; // Unix seconds

    bool operator==(const BatteryCalibration&) const = default;

    static QString stepName(Step step);
    static std::optional<Step> stepFromName(const QString& name);

    // {"step": raw text, "savedLimit": integer, "holdUntil": seconds since 2001, absent when unset}
    QJsonValue toJson() const;
    static std::optional<BatteryCalibration> fromJson(const QJsonValue& json);
};

struct BatterySample {
    double date = 0; // Unix seconds; samples are identified by it
    int percent = 0;
    std::optional<double> temperature; // °C
    double systemLoad = 0;             // W

    bool operator==(const BatterySample&) const = default;

    // {"date": seconds since 2001, "percent", "temperature" (absent when unknown), "systemLoad"}
    QJsonValue toJson() const;
    static std::optional<BatterySample> fromJson(const QJsonValue& json);
};
