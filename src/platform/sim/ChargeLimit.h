#pragma once
// The simulated power UI framework's smart-charge client: tests decide whether the framework,
// its class and each method exist, which methods report an error, and which limits are
// offered. The limit itself is the battery's: charging stops at it.
#include <QSet>
#include <QString>
#include <QVariant>

namespace sim::chargelimit {

struct Controls {
    bool framework = true;
    bool clientClass = true;
    QSet<QString> missing; // selectors the client does not answer, "initWithClientName:" included
    QSet<QString> failing; // selectors that report an error
    bool supported = true;
    QVariant offered = QVariantList{80, 85, 90, 95, 100};
};

// Back to a Mac that offers the limit; the limit itself is the battery's (the desk's).
void reset();
Controls controls();
void setControls(const Controls& controls);

int limit(); // the shared battery's charge limit
void setLimit(int percent);
int setCalls(); // "setMCLLimit:error:" calls that reached the client

} // namespace sim::chargelimit
