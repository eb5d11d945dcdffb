#pragma once
// The software-update framework: a standard controller that owns an updater, shows its own
// progress, result and installation windows, and runs scheduled checks by itself once started.
// The automatic-check switch is the framework's own setting.
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace platform::updates {

class UserDriverDelegate {
public:
    virtual ~UserDriverDelegate() = default;
    // Scheduled checks that find an update then remind the user gently, without a window
    // taking the focus.
    virtual bool supportsGentleScheduledUpdateReminders() const { return false; }
};

class Updater {
public:
    virtual ~Updater() = default;
    // Whether a user-initiated check can start now (false while one or an update session runs,
    // and before the updater is started).
    virtual bool canCheckForUpdates() const = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool on) = 0;
    // Observation of `canCheckForUpdates`: the current value first, then every change, each
    // delivered later on the main thread. Lives as long as the updater.
    virtual void observeCanCheckForUpdates(std::function<void(bool)> observer) = 0;
};

class StandardUpdaterController {
public:
    // A controller that does not start its updater runs no check, scheduled or asked for.
    StandardUpdaterController(bool startingUpdater, UserDriverDelegate* userDriverDelegate);
    ~StandardUpdaterController();
    StandardUpdaterController(const StandardUpdaterController&) = delete;
    StandardUpdaterController& operator=(const StandardUpdaterController&) = delete;

    // A user-initiated check with the framework's own windows.
    void checkForUpdates();
    Updater& updater();

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

// The main bundle's information dictionary ("CFBundleShortVersionString", ...).
std::optional<QString> infoDictionaryValue(const QString& key);

} // namespace platform::updates
