#pragma once
// The first page of the main window: the indicator row, the everyday controls and, on a Mac
// with a battery, the power details and the last 24 hours. While it is on screen it reads the
// power source and the smart battery again every 5 seconds.
#include "platform/Clock.h"

#include <QWidget>
#include <functional>

class ControlsSection;
class Hub;
class KPIRow;

// A titled block of the overview.
class OverviewSection : public QWidget {
    Q_OBJECT
public:
    OverviewSection(const QString& title, QWidget* content, QWidget* parent = nullptr);
};

// A block below the fold, built the first time a part of it is painted (it has come into view),
// so a click on the sidebar paints the page without waiting for what is not yet seen. Until
// then it holds the room it is expected to take.
class LazySection : public QWidget {
    Q_OBJECT
public:
    LazySection(std::function<QWidget*()> make, int expectedHeight, QWidget* parent = nullptr);
    QWidget* content() const { return content_; }
    void build();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::function<QWidget*()> make_;
    QWidget* content_ = nullptr;
    bool scheduled_ = false;
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
