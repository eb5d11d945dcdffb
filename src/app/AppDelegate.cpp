#include "app/AppDelegate.h"

#include "app/Hub.h"
#include "app/Notifications.h"
#include "app/Updater.h"
#include "showcase/Showcase.h"

#include <QApplication>
#include <QRegularExpression>

Notifications& Notifications::shared()
{
    static Notifications* center = new Notifications();
    return *center;
}

void AppDelegate::applicationDidFinishLaunching()
{
    Hub::shared().start();
    Showcase::start();
    Updater::shared();
}

bool AppDelegate::applicationShouldHandleReopen(bool)
{
    Notifications::shared().post(Notifications::kOpenMainWindow);
    return false;
}

void AppDelegate::openURLs(const QStringList& urls)
{
    openURLs(urls, [] { Updater::shared().checkForUpdates(); });
}

void AppDelegate::openURLs(const QStringList& urls, const std::function<void()>& check)
{
    for (const QString& text : urls) {
        // Scheme and host compared exactly as written (QUrl would lower-case them).
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        if (colon <= 0 || text.mid(colon + 1, 2) != QLatin1String("//"))
            continue;
        QString host = text.mid(colon + 3);
        host.truncate(host.indexOf(QRegularExpression("[/?#:]")) >= 0 ? host.indexOf(QRegularExpression("[/?#:]"))
                                                                     : host.size());
        if (text.left(colon) == QLatin1String("quendrel") && host == QLatin1String("check-updates")) {
            check(); // the updater activates the application first
            return;
        }
    }
}

void AppDelegate::applicationWillTerminate() { terminate(Hub::shared()); }

void AppDelegate::terminate(Hub& hub)
{
    hub.oled.deactivate();
    hub.display.restoreDimmedDisplays();
}
