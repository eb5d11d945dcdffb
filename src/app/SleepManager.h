#pragma once
// Keep-awake: holds power assertions that keep the system (and optionally the display) from
// idle sleep while the application runs, in line with two switches.
#include "platform/PowerAssertions.h"

#include <QObject>
#include <QString>

class SleepManager : public QObject {
    Q_OBJECT
public:
    explicit SleepManager(QObject* parent = nullptr);
    ~SleepManager() override;

    bool preventSleep() const { return preventSleep_; }
    bool keepDisplayOn() const { return keepDisplayOn_; } // has effect only with preventSleep
    void setPreventSleep(bool on);
    void setKeepDisplayOn(bool on);

    // Brings the assertions in line with the switches; one that could not be created before
    // is tried again.
    void update();

signals:
    void changed();

private:
    static void set(platform::power::AssertionID& id, const QString& type, bool on);

    bool preventSleep_ = true;
    bool keepDisplayOn_ = false;
    platform::power::AssertionID systemAssertion_ = 0;
    platform::power::AssertionID displayAssertion_ = 0;
};
