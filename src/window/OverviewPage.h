#pragma once
// The first page of the main window: the indicator row, the everyday controls and, on a Mac
// with a battery, the power details and the last 24 hours. While it is on screen it reads the
// power source and the smart battery again every 5 seconds.
#include "platform/Clock.h"

#include <QWidget>

class ControlsSection;
class Hub;
class KPIRow;

// A titled block of the overview.
class OverviewSection : public QWidget {
    Q_OBJECT
public:
    OverviewSection(const QString& title, QWidget* content, QWidget* parent = nullptr);
};

class OverviewPage : public QWidget {
    Q_OBJECT
public:
    static constexpr double kRereadInterval = 5.0;

    explicit OverviewPage(Hub& hub, QWidget* parent = nullptr);
    ~OverviewPage() override;

    KPIRow* kpiRow() const { return kpis_; }
    ControlsSection* controls() const { return controls_; }
    // The power and history sections; null on a Mac without a battery.
    QWidget* powerSection() const { return power_; }
    QWidget* historySection() const { return history_; }
    bool isRereading() const { return reread_.isActive(); }

protected:
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    void reread();

    Hub& hub_;
    KPIRow* kpis_;
    ControlsSection* controls_;
    QWidget* power_ = nullptr;
    QWidget* history_ = nullptr;
    platform::Timer reread_;
};
