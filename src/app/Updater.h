#pragma once
// Software updates: owns the update framework's standard controller and publishes whether a
// user-initiated check can start now. In the showcase mode the updater is made but never
// started, so no scheduled check runs.
#include "platform/Updater.h"

#include <QObject>
#include <memory>

class Updater : public QObject, public platform::updates::UserDriverDelegate {
    Q_OBJECT
public:
    // Made on first use; main thread only.
    static Updater& shared();
    // Tests make their own.
    Updater();
    ~Updater() override;

    bool canCheck() const { return canCheck_; }
    platform::updates::StandardUpdaterController* controller() const { return controller_.get(); }

    // Activates the application, then lets the framework check with its own windows.
    void checkForUpdates();

    // The framework's own setting; a write redraws the observers.
    bool automaticallyChecks() const;
    void setAutomaticallyChecks(bool on);

    bool supportsGentleScheduledUpdateReminders() const override { return true; }

signals:
    void changed();

private:
    bool canCheck_ = false;
    std::unique_ptr<platform::updates::StandardUpdaterController> controller_;
};
