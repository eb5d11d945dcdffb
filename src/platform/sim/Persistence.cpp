#include "platform/sim/Persistence.h"

#include "platform/DispatchQueue.h"
#include "platform/sim/Desk.h"
#include "platform/sim/Machine.h"
#include "platform/sim/Mac.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace sim::persistence {
namespace {

// Changes that come in a burst (a slider drag, a KVM switch of two monitors) make one write.
constexpr auto kGather = std::chrono::milliseconds(100);
// A save the disk refused (full, or the folder unwritable for a moment) is tried again.
constexpr auto kRetry = std::chrono::seconds(1);

struct Saver {
    std::mutex mutex;
    std::condition_variable wake;
    bool dirty = false;
    bool enabled = false;
    bool running = false;
    std::mutex writing; // one capture-and-write at a time
    QJsonObject last;

    // False when the state could not be written; it is then still to be written.
    bool save()
    {
        std::lock_guard w(writing);
        {
            std::lock_guard lock(mutex);
            if (!enabled)
                return true;
            dirty = false;
        }
        const QJsonObject now = Mac::shared().snapshot();
        if (now == last)
            return true;
        machine::Transaction tx;
        if (!tx.write("machine", now)) {
            markDirty(); // the saver's thread tries again
            return false;
        }
        last = now;
        return true;
    }

    // Wakes the saver's thread (started at the first change) for a save.
    void markDirty()
    {
        {
            std::lock_guard lock(mutex);
            if (!enabled || dirty)
                return;
            dirty = true;
            if (!running) {
                running = true;
                std::thread([this] { loop(); }).detach();
            }
        }
        wake.notify_all();
    }

    void loop()
    {
        platform::setThreadName("sim.persistence");
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return dirty; });
            wake.wait_for(lock, kGather);
            lock.unlock();
            const bool saved = save();
            lock.lock();
            if (!saved)
                wake.wait_for(lock, kRetry);
        }
    }
};

Saver& saver()
{
    static Saver* s = new Saver(); // its thread runs as long as the process
    return *s;
}

} // namespace

void changed() { saver().markDirty(); }

void enable(const QJsonObject& saved)
{
    Saver& s = saver();
    std::lock_guard w(s.writing);
    std::lock_guard lock(s.mutex);
    s.enabled = true;
    s.last = saved;
}

void disable()
{
    Saver& s = saver();
    std::lock_guard lock(s.mutex);
    s.enabled = false;
    s.dirty = false;
}

void flush() { saver().save(); }

QString fingerprint(const Desk& desk)
{
    const QByteArray canonical = QJsonDocument(desk.raw).toJson(QJsonDocument::Compact);
    return QString::fromLatin1(QCryptographicHash::hash(canonical, QCryptographicHash::Sha256).toHex());
}

} // namespace sim::persistence
