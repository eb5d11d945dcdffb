#pragma once
// A fresh simulated Mac for a benchmark: the default desk under a sim root of its own, on the
// virtual clock, with the settings read anew and the showcase mode off.
#include "bridge/Bridge.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Desk.h"
#include "platform/sim/Mac.h"
#include "showcase/Showcase.h"

#include <QString>

inline void installDefaultBenchDesk(const QString& simRoot)
{
    platform::paths::setSimRoot(simRoot);
    platform::clock::testing::useVirtual();
    platform::UserDefaults::standard().reload();
    Showcase::setEnabledForTesting(false);
    sim::Mac::shared().install(sim::Desk::parse(sim::Desk::defaultJson()).value());
    bridge_forget_cached_clients();
}
