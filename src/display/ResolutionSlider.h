#pragma once
// Steps through the selected display's modes with a slider, smallest and slowest at the left.
// Only the end of an edit applies a mode: a drag's or a groove press's release, or a key step;
// the mode under the thumb is previewed until then. A wheel over the slider scrolls the page
// around it, focused or not, so scrolling past never reconfigures a display. Shows nothing when
// there are fewer than two modes.
#include "display/DisplayManager.h"

#include <QWidget>
#include <optional>

class QSlider;
class TextLine;

class ResolutionSlider : public QWidget {
    Q_OBJECT
public:
    explicit ResolutionSlider(DisplayManager& display, QWidget* parent = nullptr);

    // The display's modes in slider order (the manager's list reversed, ties kept in order).
    static std::vector<DisplayModeOption> sliderModes(std::vector<DisplayModeOption> modes);

    QSlider* slider() const { return slider_; }
    TextLine* modeLabel() const { return label_; }
    bool isEmpty() const { return empty_; }
    void sync();

private:
    void apply();
    int currentIndex() const;

    DisplayManager& display_;
    std::vector<DisplayModeOption> modes_;
    std::optional<int> dragIndex_;
    bool empty_ = false;
    TextLine* label_;
    QSlider* slider_;
};
