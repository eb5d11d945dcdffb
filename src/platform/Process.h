#pragma once
// The process launcher: starts a program by its macOS path with arguments and can end it.
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace platform::process {

class Task {
public:
    Task(QString executable, QStringList arguments);
    ~Task();
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;

    // Starts the program; the reason when it could not be started.
    std::optional<QString> run();
    // Ends a running program; nothing happens when it never ran or has ended.
    void terminate();

    const QString& executable() const { return executable_; }
    const QStringList& arguments() const { return arguments_; }

private:
    QString executable_;
    QStringList arguments_;
    int64_t id_ = 0; // the launcher's number for a started run, 0 before
};

} // namespace platform::process
