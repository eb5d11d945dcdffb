#pragma once
// The simulated power sources and smart battery. Their dictionaries are derived at each read
// from the shared battery (sim/Battery.h: charge, cable, adapter key, charge limit) and the
// SMC's "TB0T", so what the application reads follows what the helper does; tests can reshape
// what comes out (a second battery, a missing key, values only inside "BatteryData") to reach
// the readers' fallbacks.
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

namespace sim::power {

// The battery and adapter as the machine measures them, in the registry's units.
struct Figures {
    bool hasBattery = true;
    int percent = 80;
    bool reportsCapacity = true;
    bool charging = false;
    bool externalConnected = true; // the cable
    bool onAC = true;              // the cable is in and the adapter switched on
    int minutesToEmpty = -1;  // -1: still calculating
    int minutesToFull = -1;
    int cycleCount = 120;
    int designCapacity = 5000;    // mAh
    int fullCapacity = 4600;      // mAh ("NominalChargeCapacity")
    int remainingCapacity = 3680; // mAh
    double temperature = 30.5;    // °C
    int amperage = 0;             // mA, negative while discharging
    int voltage = 12500;          // mV
    int systemLoad = 8000;        // mW
    int systemPowerIn = 8000;     // mW from the adapter
    int adapterWatts = 96;
    int adapterVoltage = 20000;   // mV
    int adapterCurrent = 4800;    // mA
    QString adapterName = "96W USB-C Power Adapter";
};

struct Controls {
    bool info = true;               // a power-source snapshot is given
    std::optional<QVariant> list;   // replaces the snapshot's list of handles
    bool service = true;            // the "AppleSmartBattery" service exists (with a battery)
    bool readable = true;           // its properties can be read
    std::function<void(QVariantList& descriptions)> editSources;
    std::function<void(QVariantMap& properties)> editProperties;
    bool notifications = true;      // a notification source is given
};

// The figures of the shared battery now.
Figures figures();

// Back to the defaults: no edits.
void reset();
Controls controls();
void setControls(const Controls& controls);

// What the platform hands out now.
QVariantList sourceDescriptions();
std::optional<QVariant> smartBatteryProperties();

// Seconds between two looks for a change, for the notification source.
constexpr double kNotificationPoll = 5.0;
// The sources changed in this process (the cable, the charge): the notification sources look
// at once instead of at their next poll.
void sourcesChanged();

} // namespace sim::power
