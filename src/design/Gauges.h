#pragma once
// Read-only battery and power gauges. They take plain numbers from their callers and keep no
// state; the drawing follows changes with a spring.
#include "design/Spring.h"
#include "design/Theme.h"

#include <QColor>
#include <QLocale>
#include <QWidget>
#include <optional>

// A ring gauge of the charge with a mark at the charge limit (100 or more: no limit).
class BatteryRing : public QWidget {
    Q_OBJECT
public:
    BatteryRing(int percent, int limit, Tint tint, qreal size, qreal lineWidth, QWidget* parent = nullptr);
    void setValues(int percent, int limit);
    // No tint: the accent.
    void setTint(const Tint& tint);
    const Tint& tint() const { return tint_; }

    // Share of the circle the arc covers, 0...1.
    static double arcFraction(int percent);
    // Centre of the limit mark for the current size (nullopt without one).
    std::optional<QPointF> limitMarkCentre() const;
    QPointF centre() const;
    qreal radius() const { return size_ / 2; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int percent_;
    int limit_;
    Tint tint_;
    qreal size_;
    qreal lineWidth_;
    Spring spring_;
};

// The same as a horizontal bar.
class BatteryBar : public QWidget {
    Q_OBJECT
public:
    BatteryBar(int percent, int limit, Tint tint, qreal height, QWidget* parent = nullptr);
    void setValues(int percent, int limit);
    // No tint: the accent.
    void setTint(const Tint& tint);
    const Tint& tint() const { return tint_; }

    // Width of the charge capsule in a bar w wide: never below `height`, never past w.
    static qreal chargeWidth(double percent, qreal w, qreal height);
    // Left edge of the limit mark (nullopt without one).
    static std::optional<qreal> limitMarkLeft(int limit, qreal w);
    qreal drawnChargeWidth() const { return chargeWidth(spring_.current(), width(), height_); }
    static QString accessibilityLabel(int percent, int limit);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int percent_;
    int limit_;
    Tint tint_;
    qreal height_;
    Spring spring_;
};

// Where the Mac's power comes from right now: adapter and battery, with watt readouts.
class PowerSplitBar : public QWidget {
    Q_OBJECT
public:
    // `adapter` is carried but not shown; `battery` is positive while charging.
    PowerSplitBar(double adapter, double battery, double system, QWidget* parent = nullptr);
    void setValues(double adapter, double battery, double system);

    struct Split {
        double fromAdapter; // A: watts the adapter gives the Mac (may be negative; shown clamped)
        double fromBattery; // D: watts the battery gives the Mac
        double total;       // T: never below 0.01
    };
    static Split split(double battery, double system);

    // Texts for a locale ("8,0 W" in Turkish).
    static QString watts(double value, const QLocale& locale);
    QString consumptionText(const QLocale& locale) const;
    std::optional<QString> chargingText(const QLocale& locale) const; // only while charging
    QString adapterLegend(const QLocale& locale) const;
    QString batteryLegend(const QLocale& locale) const;

    // The two segments of the bar row (width 0: not drawn), for the drawn values.
    struct Segments {
        qreal adapterWidth;
        qreal batteryLeft;
        qreal batteryWidth;
    };
    static Segments segments(double battery, double system, qreal w);
    QRectF barRect() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    double adapter_;
    double battery_;
    double system_;
    Spring share_; // the adapter's drawn share of the bar
    bool hasValues_ = false;
};
