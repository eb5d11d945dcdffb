#pragma once
// One virtual time line for several processes on a sim root, so a test can drive a real helper
// process through minutes of battery drain in milliseconds, deterministically.
//
// The driving process (a test on the virtual clock) publishes its wall time to
// "<sim root>/.sim/clock.json". A program that calls follow() when that file exists switches
// to the virtual clock at the published time; its main loop then polls the file, moves its own
// clock on to each newly published time (running its timers as it goes) and acknowledges the
// time it has reached in "<sim root>/.sim/clock-ack/<pid>". Without the file, follow() leaves
// the real clock in place.
#include <QtGlobal>

namespace sim::sharedclock {

// Driver: publishes this process's wall time (platform::clock::wallNow()).
void publish();
// Driver: waits until the follower has reached the published time; false on timeout or exit.
bool waitForFollower(qint64 pid, int timeoutMs = 10000);

// Program: call once the application object exists, before its event loop runs.
void follow();

} // namespace sim::sharedclock
