#pragma once
// The simulated internal battery, shared by every process on the sim root. Its charge moves
// over the wall time of the shared clock (platform::clock::wallNow()): it rises at
// chargePerMinute up to the charge limit while the cable is in and the adapter is switched on,
// and falls at dischargePerMinute while on battery or while the SMC holds the adapter off
// ("CHIE" = 0x08 or "CH0I" = 0x01). The state is settled lazily: every read and every change
// (cable, limit, adapter key) first brings the charge up to now under the machine lock, so
// the processes agree as long as their clocks do. A process whose clock lags never moves the
// charge back.
#include "platform/sim/Desk.h"

namespace sim::machine {
class Transaction;
}

namespace sim::battery {

struct State {
    bool present = false;
    double percent = 0;          // 0-100, fractional
    bool externalConnected = false;
    int chargeLimit = 100;
    double chargePerMinute = 0;
    double dischargePerMinute = 0;
    bool reportsCapacity = true;
    bool adapterEnabled = true;  // what the SMC's adapter keys say
    bool charging = false;       // the charge rises now
};

void install(const BatteryDesk& desk);  // replaces the battery (the desk's "battery" section)
State read();                           // settled at now
void setExternalConnected(bool connected);
void setPercent(double percent);
void setChargeLimit(int percent);

// Brings the stored charge up to now; for writers of the SMC's adapter keys, inside their
// transaction before the key changes.
void settle(machine::Transaction& tx);

} // namespace sim::battery
