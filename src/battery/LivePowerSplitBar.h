#pragma once
// Where the Mac's power comes from right now, following the live telemetry alone.
#include "design/Gauges.h"

class BatteryLive;
class ViewSync;

class LivePowerSplitBar : public PowerSplitBar {
    Q_OBJECT
public:
    explicit LivePowerSplitBar(BatteryLive& live, QWidget* parent = nullptr);
    ViewSync* binding() const { return binding_; }

private:
    void sync();
    BatteryLive& live_;
    ViewSync* binding_;
};
