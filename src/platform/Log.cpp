#include "platform/Log.h"

#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>

namespace platform::log {
namespace {
std::mutex gMutex;
// Never destroyed: a thread may still log while the process's statics go at exit.
std::deque<QString>& gTail = *new std::deque<QString>;
std::atomic<bool> gQuiet{false};
constexpr size_t kTail = 500;
}

void write(const QString& line)
{
    {
        std::lock_guard lock(gMutex);
        gTail.push_back(line);
        if (gTail.size() > kTail)
            gTail.pop_front();
    }
    if (!gQuiet.load(std::memory_order_relaxed)) {
        const QByteArray bytes = line.toUtf8();
        std::fprintf(stderr, "%s\n", bytes.constData());
    }
}

QStringList recent()
{
    std::lock_guard lock(gMutex);
    return QStringList(gTail.begin(), gTail.end());
}

void clearRecent()
{
    std::lock_guard lock(gMutex);
    gTail.clear();
}

void setQuiet(bool quiet) { gQuiet = quiet; }

} // namespace platform::log
