#pragma once
// Dispatch sources: a timer whose handler runs on a serial queue, and a signal source whose
// handler runs on the main thread.
#include "platform/DispatchQueue.h"

#include <functional>
#include <memory>

namespace platform {

class Timer;

// Created, scheduled and destroyed on a thread with an event loop (the main thread). On the
// virtual clock the advancing thread waits until the handler ran on the queue, so a test that
// advances the clock sees its effect.
class QueueTimer {
public:
    QueueTimer(SerialQueue& queue, std::function<void()> handler);
    ~QueueTimer();
    QueueTimer(const QueueTimer&) = delete;
    QueueTimer& operator=(const QueueTimer&) = delete;

    void schedule(double firstDeadline, double interval);
    void cancel();
    bool isActive() const;

private:
    void fire();
    SerialQueue& queue_;
    std::function<void()> handler_;
    std::unique_ptr<Timer> timer_;
    double interval_ = 0;
};

// Catches the signal (replacing an ignore) and runs the handler on the main thread's event loop.
class SignalSource {
public:
    SignalSource(int signal, std::function<void()> handler);
    ~SignalSource();
    SignalSource(const SignalSource&) = delete;
    SignalSource& operator=(const SignalSource&) = delete;

    void resume();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform
