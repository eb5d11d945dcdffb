#include "platform/SystemSettings.h"

#include "platform/Log.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/SettingsPane.h"

#include <QCoreApplication>
#include <QThread>
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
    sim::settingspane::show(url);
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
    {
        std::lock_guard lock(gMutex);
        gOpened.clear();
    }
    sim::settingspane::close();
}

void setInputAccess(bool granted)
{
    EventSystem::shared().setTrusted(granted);
    platform::log::write(granted ? "System Settings: input access granted to Pelorn"
                                 : "System Settings: input access revoked from Pelorn");
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        sim::settingspane::sync();
    else if (app)
        QMetaObject::invokeMethod(app, [] { sim::settingspane::sync(); }, Qt::QueuedConnection);
}

} // namespace sim::systemsettings
