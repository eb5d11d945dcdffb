#pragma once
// Keeps the simulated machine under the sim root from one launch to the next. The process that
// runs the machine (Pelorn, or the desk program while Pelorn is not running) saves the state
// that lives in its memory (displays, monitors, audio, input access) as "<sim root>/.sim/
// machine.json" whenever it changes; the SMC and the battery are shared documents already.
// Saving happens on a thread of its own, a moment after the change, so a VCP write or a volume
// step never waits for the disk, and an unchanged machine writes nothing.
#include <QJsonObject>
#include <QString>

namespace sim {
struct Desk;
}

namespace sim::persistence {

// The machine changed in this process; cheap, callable with any lock held.
void changed();
// Saving on or off (off until the machine is booted from the sim root; tests that build
// machines directly never save).
// `saved` is what the sim root holds already, so that it is not written again unchanged.
void enable(const QJsonObject& saved = {});
void disable();
// Writes now what is not written yet.
void flush();

// A desk's identity: the same content gives the same machine.
QString fingerprint(const Desk& desk);

} // namespace sim::persistence
