#pragma once
// The battery at a glance: a ring gauge with a symbol of what the power is doing, the charge
// in large digits with the one-line status under it (the full explanation as its hover help),
// and a bar with the charge limit. `large` is the bigger variant of the battery page.
#include <QWidget>

class BatteryBar;
class BatteryManager;
class BatteryRing;
class SymbolView;
class TextLine;
class ViewSync;

class BatterySummary : public QWidget {
    Q_OBJECT
public:
    BatterySummary(BatteryManager& battery, bool large, QWidget* parent = nullptr);

    // The symbol over the ring: charging wins over discharging, which wins over the adapter.
    static QString symbolFor(bool isCharging, int dischargeTarget, bool onAC);

    BatteryRing* ring() const { return ring_; }
    SymbolView* symbol() const { return symbol_; }
    TextLine* percentLine() const { return percent_; }
    TextLine* statusLine() const { return status_; }
    BatteryBar* bar() const { return bar_; }
    ViewSync* binding() const { return binding_; }

private:
    void sync();

    BatteryManager& battery_;
    BatteryRing* ring_;
    SymbolView* symbol_;
    TextLine* percent_;
    TextLine* status_;
    BatteryBar* bar_;
    ViewSync* binding_;
};
