#pragma once
// A listening local socket that keeps accepting whatever happens: a QLocalServer closes for
// good on the first failed accept (a process out of descriptors), while this one leaves the
// connection queued, pauses and tries again, so the door opens again once descriptors return.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace platform {
class Timer;
}

namespace sim {

class Acceptor {
public:
    // Listens at `path` (the caller has cleared it), readable by this user only; `take` gets
    // each accepted descriptor (close-on-exec, non-blocking). `logName` starts its log lines.
    Acceptor(const QString& path, double retrySeconds, QString logName, std::function<void(int)> take);
    ~Acceptor(); // stops listening and removes the path
    Acceptor(const Acceptor&) = delete;
    Acceptor& operator=(const Acceptor&) = delete;

    bool isListening() const { return listener_ >= 0; }

private:
    void acceptPending();

    QString path_;
    const double retrySeconds_;
    const QString logName_;
    std::function<void(int)> take_;
    int listener_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::unique_ptr<platform::Timer> retry_;
    bool starved_ = false; // out of descriptors or memory: said once in the log, not at every retry
};

} // namespace sim
