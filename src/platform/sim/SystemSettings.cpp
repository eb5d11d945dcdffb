#include "platform/SystemSettings.h"

#include "platform/Log.h"

#include <mutex>

namespace {
std::mutex gMutex;
QStringList gOpened;
} // namespace

namespace platform::systemsettings {

bool open(const QString& url)
{
    {
        std::lock_guard lock(gMutex);
        gOpened << url;
    }
    platform::log::write("Pelorn: opened " + url);
    return true;
}

} // namespace platform::systemsettings

namespace sim::systemsettings {

QStringList opened()
{
    std::lock_guard lock(gMutex);
    return gOpened;
}

void clear()
{
    std::lock_guard lock(gMutex);
    gOpened.clear();
}

} // namespace sim::systemsettings
