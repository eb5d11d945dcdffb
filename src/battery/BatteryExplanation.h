#pragma once
// The sentence that says what the battery is doing and why, wrapped to the width it is given.
#include "design/Controls.h"

class BatteryLive;
class BatteryManager;
class ViewSync;

class BatteryExplanation : public WrappingText {
    Q_OBJECT
public:
    // The sentence also reads the live telemetry (the real fill during a discharge).
    BatteryExplanation(BatteryManager& battery, BatteryLive& live, QWidget* parent = nullptr);
    ViewSync* binding() const { return binding_; }

private:
    BatteryManager& battery_;
    ViewSync* binding_;
};
