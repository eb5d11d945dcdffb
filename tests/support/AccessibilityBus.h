#pragma once
// A private session bus with the accessibility bus on it, as a desktop starts them, and the
// python probe (tests/app/atspi_probe.py) that drives the real Pelorn through it as a screen
// reader would. Both buses end with the object.
#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class AccessibilityBus {
public:
    ~AccessibilityBus();
    // Whether dbus-daemon, the bus launcher and Debian's python3-pyatspi are there.
    static bool installed();
    // Starts both buses for programs on the display `display` holds.
    bool start(const QProcessEnvironment& display);
    // `display` as given to start(), with the session bus address.
    QProcessEnvironment environment() const { return env_; }

    // Runs the probe with `arguments` to its end; its standard output, its errors in `errors`.
    static QByteArray probe(const QProcessEnvironment& env, const QStringList& arguments, QString* errors);

private:
    QProcess bus_;
    QProcess launcher_;
    QString address_;
    QProcessEnvironment env_;
};
