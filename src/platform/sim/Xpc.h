#pragma once
// The simulated system's side of the service connection, for tests.

namespace sim::xpc {

// The next `count` threads a listener starts to check its peers fail to start, as they do when
// the system is out of threads or memory.
void failThreadStarts(int count);

} // namespace sim::xpc
