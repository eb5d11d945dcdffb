#pragma once
// A critically damped spring for the drawing of a value. The caller's value changes at once;
// the spring only moves what is drawn towards it, so a redraw never shows a stale value for
// longer than the spring's settle time and the value itself never lags.
#include <QObject>
#include <QPointer>
#include <QVariantAnimation>

class QWidget;

class Spring : public QObject {
    Q_OBJECT
public:
    // `response`: the period of the undamped spring, in seconds (0.15 for the panel's sliders,
    // 0.5 for the gauges).
    Spring(double response, QObject* parent = nullptr);

    // Moves towards `target`; the first target is taken without animation.
    void setTarget(double target);
    double target() const { return target_; }
    // What to draw now.
    double current() const { return current_; }
    bool isAnimating() const;
    void finish(); // jumps to the target
    // The widget that draws the value: while it is not visible nobody sees the motion, so a
    // change jumps to its target, and hiding it ends a motion under way.
    void drawnBy(QWidget* widget);

    // Position along the way (0 at the start, 1 at rest) after `t` seconds, for a spring of
    // the given response and damping fraction 1.
    static double progress(double t, double response);
    // Seconds until the spring is within 0.1 % of its target.
    static double settleTime(double response);

    // Tests and screenshots: with animation off every change is drawn at once.
    static void setAnimationsEnabled(bool enabled);
    static bool animationsEnabled();

signals:
    void moved(); // the drawn value changed: repaint

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    double response_;
    double from_ = 0;
    double target_ = 0;
    double current_ = 0;
    bool hasTarget_ = false;
    QPointer<QWidget> drawnBy_;
    QVariantAnimation animation_;
};
