#pragma once
// The simulated update framework. The feed is a JSON file under the sim root
// ("Library/Updates/appcast.json": {"items": [{"version": "12", "shortVersionString": "1.2"}]});
// a missing or unreadable feed, or one marked {"unreachable": true}, is a failed check. A
// machine starts with a feed that offers the installed version. The framework's window is a real top-level
// dialog in the interface language; its button, Escape or closing it dismisses it, which ends
// the session.
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <utility>

class QDialog;

namespace sim {

class Updates {
public:
    static constexpr double kFeedDelay = 0.5;        // seconds until the feed is read
    static constexpr double kCheckInterval = 86400;  // the bundle's scheduled check interval

    static Updates& shared();
    void reset();

    static QString feedPath();
    void writeFeed(const QString& version, const QString& shortVersion);
    // The feed offers the version that is installed; `replace` false leaves a feed that exists.
    void publishInstalledVersion(bool replace);
    // The feed's newest item (version, short version); nothing when a check would fail.
    static std::optional<std::pair<QString, QString>> feedItem();
    // The feed's server stops answering (the items stay for when it answers again).
    void makeFeedUnreachable();

    // The bundle's information dictionary.
    void setInfo(const QString& key, std::optional<QString> value);
    std::optional<QString> info(const QString& key) const;

    // What the framework showed: window texts in order, and the gentle reminders.
    QStringList windowTexts() const { return texts_; }
    QDialog* window() const { return window_; }
    int userChecks() const { return userChecks_; }
    int scheduledChecks() const { return scheduledChecks_; }
    int gentleReminders() const { return reminders_; }
    // The user closes the framework's window; the session ends.
    void dismiss();

    // Served to the controllers: the window shows the text with one button that closes it.
    void showWindow(const QString& text, const QString& button);
    void countUserCheck() { ++userChecks_; }
    void countScheduledCheck() { ++scheduledChecks_; }
    void countReminder() { ++reminders_; }
    std::function<void()> onDismiss;

private:
    Updates() = default;
    QStringList texts_;
    QDialog* window_ = nullptr;
    int userChecks_ = 0;
    int scheduledChecks_ = 0;
    int reminders_ = 0;
    std::map<QString, std::optional<QString>> info_;
};

} // namespace sim
