#include "battery/BatteryExplanation.h"

#include "battery/BatteryManager.h"
#include "design/Paint.h"
#include "design/ViewSync.h"

BatteryExplanation::BatteryExplanation(BatteryManager& battery, BatteryLive& live, QWidget* parent)
    : WrappingText(battery.explanation(), design::calloutFont(), TextLine::Tone::secondary, parent), battery_(battery)
{
    binding_ = new ViewSync(this, [this] { setText(battery_.explanation()); });
    binding_->follow(&battery_, &BatteryManager::changed);
    binding_->follow(&live, &BatteryLive::changed);
}
