// PelornHelper: the privileged helper, a root launch daemon started only by launchd. It has no
// interface, no settings and no log; it runs its main loop until SIGTERM.
#include "helper/Helper.h"
#include "platform/DispatchSource.h"
#include "platform/PowerEvents.h"
#include "platform/Xpc.h"
#include "platform/sim/SharedClock.h"
#include "shared/HelperConstants.h"

#include <QCoreApplication>
#include <csignal>
#include <unistd.h>

namespace {

std::shared_ptr<Helper> helper;
uint32_t rootPort = 0;
platform::power::NotificationPort* notifyPort = nullptr;
uint32_t notifier = 0;
platform::SignalSource* termSource = nullptr;
platform::xpc::Listener* listener = nullptr;

void powerCallback(void*, uint32_t, uint32_t messageType, void* argument)
{
    switch (messageType) {
    case platform::power::kMessageCanSystemSleep:
        platform::power::allowPowerChange(rootPort, argument); // idle sleep is never vetoed
        break;
    case platform::power::kMessageSystemWillSleep:
        helper->willSleep(); // the adapter is on before the system may sleep
        platform::power::allowPowerChange(rootPort, argument);
        break;
    case platform::power::kMessageSystemHasPoweredOn:
        helper->didWake();
        break;
    default:
        break;
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN); // a peer that closes its end is an error to handle, not our end
    QCoreApplication app(argc, argv);
    sim::sharedclock::follow(); // the simulated Mac's time line, when a test drives one

    helper = Helper::make();

    rootPort = platform::power::registerForSystemPower(nullptr, &notifyPort, powerCallback, &notifier);
    if (notifyPort)
        platform::power::addToMainRunLoop(notifyPort);

    std::signal(SIGTERM, SIG_IGN);
    termSource = new platform::SignalSource(SIGTERM, [] {
        helper->shutdown();
        ::_exit(0);
    });
    termSource->resume();

    helper->start();

    listener = new platform::xpc::Listener(QString::fromUtf8(HelperConstants::label.data(), HelperConstants::label.size()));
    listener->setDelegate(helper.get());
    listener->resume();

    return app.exec();
}
