#pragma once
// Which external monitor the controls act on, and the switch that links every external monitor
// to the brightness slider and keys. Shows nothing with fewer than two external monitors.
#include "design/Buttons.h"
#include "display/DisplayManager.h"

#include <QWidget>

class SwitchRow;

class MonitorPicker : public QWidget {
    Q_OBJECT
public:
    explicit MonitorPicker(DisplayManager& display, QWidget* parent = nullptr);

    MenuPicker<uint32_t>* picker() const { return picker_; }
    SwitchRow* linkRow() const { return link_; }
    bool isEmpty() const { return empty_; }
    void sync();

private:
    DisplayManager& display_;
    bool empty_ = false;
    MenuPicker<uint32_t>* picker_;
    SwitchRow* link_;
};
