#pragma once
// The level controls. The caller owns the value: sliders read it through a binding (or are
// given it) and write every change at once; only the drawing follows with a spring.
#include "design/Spring.h"

#include <QSlider>
#include <QWidget>
#include <functional>
#include <optional>

class SymbolReplace;
class SymbolView;
class TextLine;

// A value the caller owns: read for drawing, written by the control.
struct DoubleBinding {
    std::function<double()> get;
    std::function<void(double)> set;
};

struct ClosedRange {
    double lower;
    double upper;
    double clamp(double v) const { return v <= lower ? lower : v > upper ? upper : v; }
};

// The panel's large capsule slider: the whole capsule is the touch area, a white fill grows
// from the left, the symbol at the left end can be a button of its own (mute).
class ControlSlider : public QWidget {
    Q_OBJECT
public:
    ControlSlider(QString symbol, DoubleBinding value, ClosedRange range, std::function<void()> onSymbolTap,
                  qreal height, QWidget* parent = nullptr);

    // A changed symbol replaces the old one with the replace effect.
    void setSymbol(const QString& symbol);
    QString symbol() const;
    const SymbolReplace& symbolReplace() const { return *symbol_; }
    // The caller changed the value: draw towards it. While the person drags, the slider shows
    // the drag and takes the caller's value again on release.
    void refresh();
    bool isDragging() const { return dragValue_.has_value(); }

    // (value - lower) / (upper - lower), kept to 0...1; 0 when the bounds are equal.
    static double fraction(double value, ClosedRange range);
    // The value under a pointer at x in a slider w wide, clamped to the range.
    static double valueAt(double x, double w, ClosedRange range);

    std::optional<double> dragStart() const { return dragStart_; }
    double drawnValue() const { return spring_.current(); }
    // Width of the fill and whether the symbol is drawn dark, for the drawn value.
    qreal fillWidth() const;
    bool symbolOnFill() const;

    ClosedRange range() const { return range_; }
    // What assistive technology reads and writes: the rounded level, a level set as a drag
    // sets it, and steps of five that stop at the bounds.
    QString accessibilityValue() const;
    void accessibilitySet(double value);
    void accessibilityIncrement();
    void accessibilityDecrement();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    void dragChanged(qreal x);
    SymbolReplace* symbol_;
    DoubleBinding value_;
    ClosedRange range_;
    std::function<void()> onSymbolTap_;
    qreal height_;
    double shownValue() const { return dragValue_ ? *dragValue_ : value_.get(); }
    std::optional<double> dragStart_;
    std::optional<double> dragValue_; // the running drag's value
    std::optional<qreal> pressX_; // start of the running press
    bool moved_ = false;
    Spring spring_;
    QString announced_; // the value assistive technology last heard
};

// A thin slider with a round knob over a range (0-100 unless given); every new level goes to
// `onChange`, clamped to the range. A value given while the knob is dragged is held until the
// drag ends, so the knob stays under the pointer.
class MiniSlider : public QWidget {
    Q_OBJECT
public:
    MiniSlider(double value, std::function<void(double)> onChange, qreal knob, QWidget* parent = nullptr);
    MiniSlider(double value, ClosedRange range, std::function<void(double)> onChange, qreal knob,
               QWidget* parent = nullptr);

    void setValue(double value);
    double value() const { return value_; }
    void setRange(ClosedRange range);
    ClosedRange range() const { return range_; }
    bool isDragging() const { return dragging_; }
    // Knob offset from the left for the value, and the level under a pointer, in a slider w wide.
    static qreal knobOffset(double value, qreal w, qreal knob, ClosedRange range = {0, 100});
    static double levelAt(qreal x, qreal w, qreal knob, ClosedRange range = {0, 100});

    QString accessibilityValue() const;
    void accessibilitySet(double value);
    void accessibilityIncrement();
    void accessibilityDecrement();
    QSize sizeHint() const override { return {120, 22}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    void dragTo(qreal x);
    double value_;
    ClosedRange range_;
    std::function<void(double)> onChange_;
    qreal knob_;
    bool dragging_ = false;
    std::optional<double> held_; // given during the drag
};

// The platform slider of a ValueSlider; its own class so that assistive technology hears the
// row's level rather than the slider's internal steps.
class LevelSlider : public QSlider {
    Q_OBJECT
public:
    using QSlider::QSlider;
    // Draws `slider` as the platform does, but with the accent focus ring of the drawn controls
    // in place of the style's faint focus frame.
    static void paintWithFocusRing(QSlider& slider);

protected:
    void paintEvent(QPaintEvent*) override { paintWithFocusRing(*this); }
};

// A labelled row: title and readout above, symbol and the platform's slider below.
class ValueSlider : public QWidget {
    Q_OBJECT
public:
    ValueSlider(QString title, QString symbol, std::optional<QString> valueText, DoubleBinding value,
                ClosedRange range, std::function<void()> onSymbolTap, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const { return title_; }
    void setSymbol(const QString& symbol);
    void setValueText(std::optional<QString> text);
    // The caller changed the value. While the person drags the knob it stays under the pointer,
    // and the caller's value is taken again on release.
    void refresh();

    // "%43" for 42.6: the percent sign first, the Turkish order.
    static QString percentText(double value);
    QString readout() const;
    double level() const { return value_.get(); }
    ClosedRange range() const { return range_; }
    // What one arrow press or accessibility step moves the level by.
    double step() const;
    // A level from assistive technology, applied as a drag to it would apply it.
    void setLevelAsDragged(double level);
    QSlider* slider() const { return slider_; }
    QWidget* symbolButton() const { return symbolButton_; }

private:
    static constexpr int kSteps = 1000;
    QString title_;
    std::optional<QString> valueText_;
    DoubleBinding value_;
    ClosedRange range_;
    TextLine* titleLine_;
    TextLine* readout_;
    SymbolView* symbol_;
    QWidget* symbolButton_;
    QSlider* slider_;
};
