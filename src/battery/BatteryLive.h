#pragma once
// The live electrical figures, apart from the manager so that views of live power redraw on
// their own and a change of the figures does not redraw everything else.
#include "battery/BatteryTypes.h"

#include <QObject>

class BatteryLive : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const BatteryTelemetry& telemetry() const { return telemetry_; }
    // Publishes only a value that differs.
    void setTelemetry(const BatteryTelemetry& telemetry)
    {
        if (telemetry == telemetry_)
            return;
        telemetry_ = telemetry;
        emit changed();
    }

signals:
    void changed();

private:
    BatteryTelemetry telemetry_;
};
