#include "platform/DispatchQueue.h"

#include "platform/Clock.h"

#include <QCoreApplication>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace platform {

void setThreadName(const std::string& name)
{
    pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

struct SerialQueue::Impl {
    std::string label;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::function<void()>> work;
    bool running = false;
    bool stopping = false;
    std::thread::id threadId;
    std::thread thread;

    void loop()
    {
        setThreadName(label);
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return stopping || !work.empty(); });
            if (work.empty() && stopping)
                return;
            auto next = std::move(work.front());
            work.pop_front();
            running = true;
            lock.unlock();
            next();
            lock.lock();
            running = false;
            if (work.empty())
                idle.notify_all();
        }
    }
};

SerialQueue::SerialQueue(std::string label) : d(std::make_unique<Impl>())
{
    d->label = std::move(label);
    d->thread = std::thread([this] { d->loop(); });
    d->threadId = d->thread.get_id();
}

SerialQueue::~SerialQueue()
{
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
    }
    d->wake.notify_all();
    if (d->thread.joinable())
        d->thread.join();
}

void SerialQueue::async(std::function<void()> work)
{
    {
        std::lock_guard lock(d->mutex);
        d->work.push_back(std::move(work));
    }
    d->wake.notify_one();
}

void SerialQueue::sync(const std::function<void()>& work)
{
    if (isCurrent()) {
        work();
        return;
    }
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    async([&] {
        work();
        std::lock_guard lock(m);
        done = true;
        cv.notify_one();
    });
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return done; });
}

void SerialQueue::drain()
{
    if (isCurrent())
        return;
    std::unique_lock lock(d->mutex);
    d->idle.wait(lock, [&] { return d->work.empty() && !d->running; });
}

bool SerialQueue::isCurrent() const { return std::this_thread::get_id() == d->threadId; }

const std::string& SerialQueue::label() const { return d->label; }

namespace mainQueue {

bool isCurrent()
{
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void async(std::function<void()> work)
{
    auto* app = QCoreApplication::instance();
    if (!app) {
        work();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

void sync(const std::function<void()>& work)
{
    if (isCurrent()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), [&work] { work(); }, Qt::BlockingQueuedConnection);
}

void asyncAfter(double seconds, std::function<void()> work)
{
    static std::list<std::unique_ptr<Timer>> scheduled;
    // A timer that fired is stopped; it is dropped here, never from inside its own callback.
    scheduled.remove_if([](const std::unique_ptr<Timer>& t) { return !t->isActive(); });
    scheduled.push_back(std::make_unique<Timer>());
    scheduled.back()->start(seconds, std::move(work));
}

} // namespace mainQueue
} // namespace platform
