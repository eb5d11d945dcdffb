#pragma once
// Keep-awake: the two switches of the sleep manager and a button that puts the Mac to sleep
// now, which works whatever the switches say.
#include <QWidget>

class GlassButton;
class SleepManager;
class SwitchRow;

class SleepCard : public QWidget {
    Q_OBJECT
public:
    explicit SleepCard(SleepManager& sleep, QWidget* parent = nullptr);

    SwitchRow* preventSleepRow() const { return prevent_; }
    SwitchRow* keepDisplayOnRow() const { return keepDisplay_; }
    GlassButton* sleepButton() const { return sleepNow_; }

    // Asks the power management to sleep; nothing happens when it cannot be reached.
    static void sleepNow();

private:
    void sync();

    SleepManager& sleep_;
    SwitchRow* prevent_;
    SwitchRow* keepDisplay_;
    GlassButton* sleepNow_;
};
