#pragma once
// The application's launch, reopen, URL and quit handling. It keeps no state: it reaches
// everything through the hub and the updater.
#include <QObject>
#include <QStringList>
#include <functional>

class Hub;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    // Takes the hub, starts it, then the showcase mode, then the updater.
    void applicationDidFinishLaunching();
    // Asks for the main window, whatever is visible; the system should do nothing more.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    void openURLs(const QStringList& urls);
    void applicationWillTerminate();

    // The first "quendrel://check-updates" among the URLs runs `check` once; others are ignored.
    static void openURLs(const QStringList& urls, const std::function<void()>& check);
    // Ends any blackout, then restores software-dimmed displays.
    static void terminate(Hub& hub);
};
