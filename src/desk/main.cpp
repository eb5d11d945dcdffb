// pelorn-desk: operates the simulated Mac under PELORN_SIM_ROOT from outside, as a person at
// the desk would. While Pelorn runs, the command goes to its machine, which Pelorn sees at
// once; otherwise it changes the machine that Pelorn's next launch finds.
#include "platform/Paths.h"
#include "platform/sim/DeskCommands.h"
#include "platform/sim/DeskServer.h"
#include "platform/sim/Mac.h"
#include "platform/sim/Machine.h"
#include "platform/sim/Persistence.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>
#include <cstdio>

namespace {

// How long a Pelorn that holds the machine (starting, or quitting) may take to answer.
constexpr int kPatienceMs = 60000;

int finish(const sim::deskcommands::Outcome& o)
{
    std::fputs(o.out.toUtf8().constData(), stdout);
    std::fputs(o.err.toUtf8().constData(), stderr);
    return o.status;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        std::fputs(sim::deskcommands::usage().toUtf8().constData(), stdout);
        return 0;
    }
    const sim::deskcommands::Outcome form = sim::deskcommands::checkForm(args);
    if (form.status != 0)
        return finish(form);

    const auto noMachine = [] {
        return finish({sim::deskcommands::kBadInput, {},
                       QString("pelorn-desk: no machine under %1 (start Pelorn on this sim root once)\n")
                           .arg(platform::paths::simRoot())});
    };
    if (!QFileInfo::exists(sim::machine::stateFolder()))
        return noMachine(); // and nothing made under a sim root that holds none

    // The machine is a running Pelorn's while one holds it, even in the moments while it starts
    // or quits and does not answer: the command then waits for it, or for it to be gone.
    const QDeadlineTimer patience(kPatienceMs);
    for (;;) {
        if (const auto answer = sim::deskserver::send(args, kPatienceMs))
            return finish(*answer);
        if (sim::machine::hold(0))
            break;
        if (patience.hasExpired())
            return finish({1, {}, QString("pelorn-desk: Pelorn holds the machine under %1 but does not answer\n")
                                      .arg(platform::paths::simRoot())});
        QThread::msleep(20);
    }

    const std::optional<sim::Desk> desk = sim::Mac::stored();
    if (!desk)
        return noMachine();
    sim::Mac::shared().boot(*desk, sim::Mac::Role::desk);
    const sim::deskcommands::Outcome outcome = sim::deskcommands::run(args);
    sim::persistence::flush();
    return finish(outcome);
}
