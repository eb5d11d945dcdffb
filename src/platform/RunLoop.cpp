#include "platform/RunLoop.h"

#include <condition_variable>
#include <mutex>
#include <vector>

namespace platform {

struct RunLoop::Impl {
    std::thread::id owner;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::vector<std::function<void()>> queued;  // keeps its capacity
    std::vector<std::function<void()>> running; // swapped with `queued` each round
    std::vector<std::shared_ptr<Source>> sources;
    bool woken = false;
    bool stopping = false;
    bool isRunning = false;
    bool stopped = false; // for good: later blocks are dropped
};

RunLoop::RunLoop() : d(std::make_unique<Impl>())
{
    d->owner = std::this_thread::get_id();
    d->queued.reserve(16);
    d->running.reserve(16);
}

RunLoop::~RunLoop()
{
    for (auto& s : d->sources)
        s->detach(*this);
}

RunLoop& RunLoop::current()
{
    thread_local std::unique_ptr<RunLoop> loop(new RunLoop());
    return *loop;
}

void RunLoop::addSource(std::shared_ptr<Source> source)
{
    source->attach(*this);
    std::lock_guard lock(d->mutex);
    d->sources.push_back(std::move(source));
}

void RunLoop::perform(std::function<void()> block)
{
    std::unique_lock lock(d->mutex);
    if (d->stopped) {
        lock.unlock();
        return; // the block dies here, outside the lock
    }
    d->queued.push_back(std::move(block));
}

// Notified under the lock: once the loop's thread sees the change it may end and take the
// loop with it.
void RunLoop::wakeUp()
{
    std::lock_guard lock(d->mutex);
    d->woken = true;
    d->wake.notify_all();
}

bool RunLoop::performAndWait(const std::function<void()>& block)
{
    if (isCurrent()) {
        block();
        return true;
    }
    struct Wait {
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        bool ran = false;
    } w;
    // Signals when the last copy of the queued block goes: after it ran, or when a stopped loop
    // dropped it. The waiter outlives the ticket because it waits for exactly that signal.
    struct Ticket {
        Wait* w;
        const std::function<void()>* block;
        bool ran = false;
        Ticket(Wait* wait, const std::function<void()>* b) : w(wait), block(b) {}
        Ticket(const Ticket&) = delete;
        ~Ticket()
        {
            std::lock_guard l(w->m);
            w->done = true;
            w->ran = ran;
            w->cv.notify_all();
        }
    };
    {
        auto ticket = std::make_shared<Ticket>(&w, &block);
        std::lock_guard lock(d->mutex);
        if (!d->stopped) {
            d->queued.push_back([ticket] {
                (*ticket->block)();
                ticket->ran = true;
            });
            d->woken = true;
            d->wake.notify_all();
        }
    }
    std::unique_lock l(w.m);
    w.cv.wait(l, [&] { return w.done; });
    return w.ran;
}

void RunLoop::run()
{
    std::unique_lock lock(d->mutex);
    d->isRunning = true;
    while (!d->stopping) {
        d->wake.wait(lock, [&] { return d->stopping || d->woken || !d->queued.empty(); });
        d->woken = false;
        d->running.swap(d->queued);
        lock.unlock();
        for (auto& block : d->running)
            block();
        d->running.clear();
        lock.lock();
    }
    d->isRunning = false;
    d->stopped = true;
    auto dropped = std::move(d->queued);
    lock.unlock();
    dropped.clear();
}

void RunLoop::stop()
{
    std::lock_guard lock(d->mutex);
    d->stopping = true;
    d->wake.notify_all();
}

bool RunLoop::isRunning() const
{
    std::lock_guard lock(d->mutex);
    return d->isRunning;
}

bool RunLoop::isCurrent() const { return std::this_thread::get_id() == d->owner; }

} // namespace platform
