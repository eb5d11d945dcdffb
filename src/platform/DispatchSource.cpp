#include "platform/DispatchSource.h"

#include "platform/Clock.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

QueueTimer::QueueTimer(SerialQueue& queue, std::function<void()> handler)
    : queue_(queue), handler_(std::move(handler)), timer_(std::make_unique<Timer>())
{
}

QueueTimer::~QueueTimer() { cancel(); }

void QueueTimer::schedule(double firstDeadline, double interval)
{
    interval_ = interval;
    if (firstDeadline == interval) {
        timer_->start(interval, [this] { fire(); }, true);
        return;
    }
    timer_->start(firstDeadline, [this] {
        timer_->start(interval_, [this] { fire(); }, true);
        fire();
    });
}

void QueueTimer::cancel() { timer_->stop(); }

bool QueueTimer::isActive() const { return timer_->isActive(); }

void QueueTimer::fire()
{
    if (clock::testing::isVirtual())
        queue_.sync(handler_);
    else
        queue_.async(handler_);
}

namespace {
int gSignalPipe[2] = {-1, -1};

void onSignal(int signal)
{
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}
} // namespace

struct SignalSource::Impl {
    int signal = 0;
    std::function<void()> handler;
    std::unique_ptr<QSocketNotifier> notifier;
};

SignalSource::SignalSource(int signal, std::function<void()> handler) : d(std::make_unique<Impl>())
{
    d->signal = signal;
    d->handler = std::move(handler);
}

SignalSource::~SignalSource() = default;

void SignalSource::resume()
{
    if (gSignalPipe[0] < 0 && ::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    d->notifier = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(d->notifier.get(), &QSocketNotifier::activated, [impl = d.get()] {
        unsigned char byte;
        bool caught = false;
        while (::read(gSignalPipe[0], &byte, 1) == 1)
            caught = caught || byte == impl->signal;
        if (caught)
            impl->handler();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(d->signal, &action, nullptr);
}

} // namespace platform
