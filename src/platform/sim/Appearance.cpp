#include "platform/Appearance.h"

#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QPointer>
#include <mutex>
#include <vector>

namespace {

struct Observer {
    QPointer<QObject> context;
    std::function<void()> changed;
};

std::mutex gMutex;
std::vector<Observer> gObservers;

void tellApplications()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    // Later on the main thread, as a notification arrives: the change is stored by then.
    QMetaObject::invokeMethod(app, [] {
        std::vector<Observer> now;
        {
            std::lock_guard lock(gMutex);
            std::erase_if(gObservers, [](const Observer& o) { return !o.context; });
            now = gObservers;
        }
        for (const Observer& o : now)
            if (o.context)
                o.changed();
    }, Qt::QueuedConnection);
}

} // namespace

namespace platform::appearance {

void observe(QObject* context, std::function<void()> changed)
{
    std::lock_guard lock(gMutex);
    gObservers.push_back({context, std::move(changed)});
}

} // namespace platform::appearance

namespace sim::appearance {

void setDark(bool dark)
{
    platform::UserDefaults::standard().setGlobalObject("AppleInterfaceStyle", dark ? QVariant("Dark") : QVariant());
    tellApplications();
}

void setAccent(std::optional<int> accent)
{
    platform::UserDefaults::standard().setGlobalObject("AppleAccentColor", accent ? QVariant(qlonglong(*accent)) : QVariant());
    tellApplications();
}

} // namespace sim::appearance
