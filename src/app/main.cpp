// Pelorn's entry: a menu-bar utility on the simulated desk. The main window stays closed until
// the user or a notification opens it; without a status area it opens at launch instead, so
// the application is never out of reach.
#include "app/AppDelegate.h"
#include "app/Hub.h"
#include "app/Notifications.h"
#include "app/Texts.h"
#include "design/Accessibility.h"
#include "panel/MenuBarLabel.h"
#include "platform/Launch.h"
#include "platform/Log.h"
#include "platform/Bundle.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Desk.h"
#include "platform/sim/Mac.h"
#include "platform/sim/Processes.h"
#include "showcase/Showcase.h"
#include "window/AppLanguage.h"
#include "window/MainView.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <csignal>

// Qt's regular expressions would otherwise compile to executable memory of no file, which the
// helper refuses in any client as code from elsewhere. Qt decides at the first match, which may
// come from a static initializer, so this runs before those.
__attribute__((constructor(101))) static void withoutRegularExpressionJit()
{
    qputenv("QT_ENABLE_REGEXP_JIT", "0");
}

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN); // a peer that closes its end is an error to handle, not our end
    QApplication app(argc, argv);
    // After the application, whose own widget interfaces would otherwise be asked first, and
    // before any control exists: an interface is made once and kept.
    design::a11y::install();
    app.setApplicationName("Pelorn");
    app.setQuitOnLastWindowClosed(false);

    // URLs of the application's scheme arrive as launch arguments. While Pelorn already runs
    // on this Mac, they go to it (no URL: the user opened the application again).
    const QStringList urls = app.arguments().mid(1);
    switch (platform::launch::claimOrHandOver(urls)) {
    case platform::launch::Start::instance:
        break;
    case platform::launch::Start::handedOver:
        return 0;
    case platform::launch::Start::unanswered:
        std::fprintf(stderr, "Pelorn: another instance runs on this Mac but did not take the request\n");
        return 1;
    }

    const sim::DeskResult desk = sim::Desk::fromEnvironment();
    if (!desk) {
        std::fprintf(stderr, "Pelorn: desk refused: %s\n", qPrintable(desk.error().text()));
        return 2;
    }
    sim::Mac::shared().boot(desk.value(), sim::Mac::Role::application);
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
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&] {
        delegate.applicationWillTerminate();
        platform::UserDefaults::standard().flush(); // quit and SIGTERM end here
    });
    platform::launch::quitOnTerminationRequest();
    // A closed terminal is a request to quit like any other: it takes the same orderly way, so
    // the settings changed last are written.
    struct sigaction hangUp = {};
    hangUp.sa_handler = [](int) { ::raise(SIGTERM); }; // async-signal-safe
    sigemptyset(&hangUp.sa_mask);
    hangUp.sa_flags = SA_RESTART;
    ::sigaction(SIGHUP, &hangUp, nullptr);
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
    const int code = app.exec();
    // The end in a fixed order: the managers' threads are joined while everything they touch
    // still exists, before this frame's objects and then the process's statics go.
    Hub::shared().stop();
    return code;
}
