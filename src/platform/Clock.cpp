#include "platform/Clock.h"

#include <QDateTime>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace platform::clock {
namespace {

struct VirtualEntry {
    double due = 0;
    double interval = 0;
    bool repeats = false;
    std::function<void()> fire;
};

struct VirtualClock {
    std::mutex mutex;
    double time = 0;
    double wallStart = 0;
    uint64_t nextId = 1;
    std::map<uint64_t, VirtualEntry> timers;
};

std::atomic<bool> gVirtual{false};
VirtualClock& vclock()
{
    static VirtualClock c;
    return c;
}

const auto gStart = std::chrono::steady_clock::now();

std::mutex gFiringsMutex;
std::map<double, int> gFirings;

void countFiring(double interval)
{
    std::lock_guard lock(gFiringsMutex);
    ++gFirings[interval];
}

} // namespace

double now()
{
    if (gVirtual.load(std::memory_order_acquire)) {
        std::lock_guard lock(vclock().mutex);
        return vclock().time;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - gStart).count();
}

double wallNow()
{
    if (gVirtual.load(std::memory_order_acquire)) {
        std::lock_guard lock(vclock().mutex);
        return vclock().wallStart + vclock().time;
    }
    return QDateTime::currentMSecsSinceEpoch() / 1000.0;
}

void sleep(double seconds)
{
    if (seconds <= 0)
        return;
    if (gVirtual.load(std::memory_order_acquire)) {
        std::lock_guard lock(vclock().mutex);
        vclock().time += seconds;
        return;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

namespace testing {

void useVirtual(double wallStart)
{
    auto& c = vclock();
    std::lock_guard lock(c.mutex);
    c.time = 1000.0; // not zero, so "never" and "at start" stay distinct
    c.wallStart = wallStart - c.time;
    c.timers.clear();
    gVirtual.store(true, std::memory_order_release);
}

void useReal()
{
    auto& c = vclock();
    std::lock_guard lock(c.mutex);
    c.timers.clear();
    gVirtual.store(false, std::memory_order_release);
}

bool isVirtual() { return gVirtual.load(std::memory_order_acquire); }

void advance(double seconds)
{
    auto& c = vclock();
    double target;
    {
        std::lock_guard lock(c.mutex);
        target = c.time + seconds;
    }
    for (;;) {
        std::function<void()> fire;
        {
            std::lock_guard lock(c.mutex);
            auto best = c.timers.end();
            for (auto it = c.timers.begin(); it != c.timers.end(); ++it)
                if (it->second.due <= target && (best == c.timers.end() || it->second.due < best->second.due))
                    best = it;
            if (best == c.timers.end())
                break;
            c.time = std::max(c.time, best->second.due);
            fire = best->second.fire;
            countFiring(best->second.interval);
            if (best->second.repeats)
                best->second.due += std::max(best->second.interval, 1e-6);
            else
                c.timers.erase(best);
        }
        if (fire)
            fire();
    }
    std::lock_guard lock(c.mutex);
    c.time = std::max(c.time, target);
}

int activeTimers()
{
    std::lock_guard lock(vclock().mutex);
    return int(vclock().timers.size());
}

std::map<double, int> firings()
{
    std::lock_guard lock(gFiringsMutex);
    return gFirings;
}

void resetFirings()
{
    std::lock_guard lock(gFiringsMutex);
    gFirings.clear();
}

} // namespace testing

uint64_t startVirtualTimer(double seconds, std::function<void()> fire, bool repeats)
{
    auto& c = vclock();
    std::lock_guard lock(c.mutex);
    const uint64_t id = c.nextId++;
    c.timers[id] = VirtualEntry{c.time + std::max(seconds, 0.0), seconds, repeats, std::move(fire)};
    return id;
}

void stopVirtualTimer(uint64_t id)
{
    auto& c = vclock();
    std::lock_guard lock(c.mutex);
    c.timers.erase(id);
}

bool virtualTimerActive(uint64_t id)
{
    auto& c = vclock();
    std::lock_guard lock(c.mutex);
    return c.timers.count(id) != 0;
}

} // namespace platform::clock

namespace platform {

struct Timer::Impl {
    uint64_t virtualId = 0;
    std::unique_ptr<QTimer> qt;
};

Timer::Timer() : d(std::make_unique<Impl>()) {}
Timer::~Timer() { stop(); }

void Timer::start(double seconds, std::function<void()> fire, bool repeats)
{
    stop();
    if (clock::testing::isVirtual()) {
        d->virtualId = clock::startVirtualTimer(seconds, std::move(fire), repeats);
        return;
    }
    d->qt = std::make_unique<QTimer>();
    d->qt->setTimerType(seconds < 2.0 ? Qt::PreciseTimer : Qt::CoarseTimer);
    d->qt->setSingleShot(!repeats);
    QObject::connect(d->qt.get(), &QTimer::timeout, [fire = std::move(fire), seconds]() {
        clock::countFiring(seconds);
        auto keep = fire; // the callback may restart or destroy this timer
        keep();
    });
    d->qt->start(std::max(0, int(seconds * 1000.0 + 0.5)));
}

void Timer::stop()
{
    if (d->virtualId) {
        clock::stopVirtualTimer(d->virtualId);
        d->virtualId = 0;
    }
    if (d->qt) {
        // Never delete a QTimer from inside its own timeout.
        d->qt->stop();
        d->qt.release()->deleteLater();
    }
}

bool Timer::isActive() const
{
    if (d->virtualId)
        return clock::virtualTimerActive(d->virtualId);
    return d->qt && d->qt->isActive();
}

} // namespace platform
