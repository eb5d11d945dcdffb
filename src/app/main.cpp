// Until the application entry exists, Pelorn starts its event loop on the simulated desk.
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/sim/Desk.h"
#include "platform/sim/Mac.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName("Pelorn");

    const sim::DeskResult desk = sim::Desk::fromEnvironment();
    if (!desk) {
        std::fprintf(stderr, "Pelorn: desk refused: %s\n", qPrintable(desk.error().text()));
        return 2;
    }
    sim::Mac::shared().install(desk.value());
    platform::log::write(QString("Pelorn: desk \"%1\", sim root %2").arg(desk.value().name, platform::paths::simRoot()));
    return app.exec();
}
