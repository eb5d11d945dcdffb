// Pelorn's entry: a menu-bar utility on the simulated desk. The main window stays closed until
// the user or a notification opens it; without a status area it opens at launch instead, so
// the application is never out of reach.
#include "app/AppDelegate.h"
#include "app/Hub.h"
#include "app/Notifications.h"
#include "app/Texts.h"
#include "panel/MenuBarLabel.h"
#include "platform/Launch.h"
#include "platform/Log.h"
#include "platform/Bundle.h"
#include "platform/Paths.h"
#include "platform/sim/Desk.h"
#include "platform/sim/Mac.h"
#include "platform/sim/Processes.h"
#include "showcase/Showcase.h"
#include "window/AppLanguage.h"
#include "window/MainView.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

// Qt's regular expressions would otherwise compile to executable memory of no file, which the
// helper refuses in any client as code from elsewhere. Qt decides at the first match, which may
// come from a static initializer, so this runs before those.
__attribute__((constructor(101))) static void withoutRegularExpressionJit()
{
    qputenv("QT_ENABLE_REGEXP_JIT", "0");
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName("Pelorn");
    app.setQuitOnLastWindowClosed(false);

    // URLs of the application's scheme arrive as launch arguments. While Pelorn already runs
    // on this Mac, they go to it (no URL: the user opened the application again).
    const QStringList urls = app.arguments().mid(1);
    if (platform::launch::handToRunningInstance(urls))
        return 0;

    const sim::DeskResult desk = sim::Desk::fromEnvironment();
    if (!desk) {
        std::fprintf(stderr, "Pelorn: desk refused: %s\n", qPrintable(desk.error().text()));
        return 2;
    }
    sim::Mac::shared().install(desk.value());
    // Opening the bundle (the language relaunch) starts this program again.
    sim::Processes::shared().setOpenableApplication(platform::bundle::mainPath(), QCoreApplication::applicationFilePath());
    platform::log::write(QString("Pelorn: desk \"%1\", sim root %2").arg(desk.value().name, platform::paths::simRoot()));

    Showcase::prepareDefaults(); // before anything reads a setting
    // Before any manager or window makes a text.
    platform::log::write(Texts::installTranslator() ? "Pelorn: interface language en" : "Pelorn: interface language tr");
    (void)AppLanguage::launched(); // the choice in force until the next start

    AppDelegate delegate;
    MenuBarLabel label(Hub::shared());
    delegate.applicationDidFinishLaunching();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&] { delegate.applicationWillTerminate(); });
    platform::launch::quitOnTerminationRequest();
    platform::launch::Receiver later([&](const QStringList& urls) { delegate.openURLs(urls); },
                                     [&] {
                                         const QWidget* window = MainWindow::existing();
                                         delegate.applicationShouldHandleReopen(window && window->isVisible());
                                     });

    delegate.openURLs(urls);

    // In the showcase mode the staging decides which window shows.
    if (!label.isShown() && !Showcase::isEnabled())
        Notifications::shared().post(Notifications::kOpenMainWindow);
    QTimer::singleShot(0, &app, [&label] {
        platform::log::write(label.isShown()           ? "Pelorn: running, menu-bar icon shown"
                             : Showcase::isEnabled() ? "Pelorn: running without a status area, staging"
                                                     : "Pelorn: running without a status area, main window open");
    });
    return app.exec();
}
