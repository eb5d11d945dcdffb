#include "battery/LivePowerSplitBar.h"

#include "battery/BatteryLive.h"
#include "design/ViewSync.h"

LivePowerSplitBar::LivePowerSplitBar(BatteryLive& live, QWidget* parent)
    : PowerSplitBar(live.telemetry().adapterPower, live.telemetry().batteryPower, live.telemetry().systemLoad, parent),
      live_(live)
{
    binding_ = new ViewSync(this, [this] { sync(); });
    binding_->follow(&live_, &BatteryLive::changed);
}

void LivePowerSplitBar::sync()
{
    const auto& t = live_.telemetry();
    setValues(t.adapterPower, t.batteryPower, t.systemLoad);
}
