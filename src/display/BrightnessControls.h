#pragma once
// The brightness sliders of the display page: one for the selected monitor, which drives its
// own backlight over DDC/CI or dims it in software, and one for the Mac's built-in display;
// above the monitor's slider, the choice between those two ways of dimming it.
#include "display/DisplayManager.h"
#include "design/SegmentedChoice.h"

#include <QWidget>

class ValueSlider;
class ViewSync;

// Hardware brightness ("Monitör") or software dimming ("macOS") for the brightness controls.
class BrightnessTargetPicker : public SegmentedChoice<DisplayManager::BrightnessTarget> {
    Q_OBJECT
public:
    explicit BrightnessTargetPicker(DisplayManager& display, QWidget* parent = nullptr);
    void sync();

private:
    DisplayManager& display_;
};

class BrightnessControls : public QWidget {
    Q_OBJECT
public:
    // `showTargetPicker`: whether the page wants the target choice above the monitor's slider.
    BrightnessControls(DisplayManager& display, bool showTargetPicker, QWidget* parent = nullptr);

    BrightnessTargetPicker* targetPicker() const { return picker_; }
    ValueSlider* monitorSlider() const { return monitor_; }
    ValueSlider* builtinSlider() const { return builtin_; }
    void sync();

private:
    void setBuiltin(double value);

    DisplayManager& display_;
    bool showTargetPicker_;
    ViewSync* sync_;
    BrightnessTargetPicker* picker_;
    ValueSlider* monitor_;
    ValueSlider* builtin_;
};
