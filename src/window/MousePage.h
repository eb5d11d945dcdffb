#pragma once
// The main window's page for wheel scrolling: smooth and reversed scrolling, the smooth
// scroll's step and glide, and the way to the accessibility permission while the event tap
// cannot run.
#include <QWidget>
#include <array>

class Card;
class CardGrid;
class InputTap;
class ScrollManager;
class ValueSlider;

class MousePage : public QWidget {
    Q_OBJECT
public:
    MousePage(ScrollManager& scroll, InputTap& input, QWidget* parent = nullptr);

    // The readouts: the step without its fraction in points, the glide as %0-%100 of its range.
    static QString stepText(double step);
    static QString smoothnessText(double smoothness);

    Card* tuningCard() const { return tuning_; }
    Card* permissionCard() const { return permission_; }
    ValueSlider* stepSlider() const { return step_; }
    ValueSlider* smoothnessSlider() const { return smoothness_; }

private:
    void sync();

    ScrollManager& scroll_;
    InputTap& input_;
    CardGrid* grid_;
    std::array<QWidget*, 2> cells_;
    Card* tuning_;
    Card* permission_;
    ValueSlider* step_;
    ValueSlider* smoothness_;
};
