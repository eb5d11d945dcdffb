#pragma once
// Real input that the window system delivers to the application's own windows reaches the
// simulated machine as its hardware's events, as it would on a Mac: pointer motion, buttons,
// the wheel and keys count as the person's activity (the idle time, the event monitors, the
// blackout), the wheel and media keys pass the event taps. What the events do inside the windows
// is left as it is, and nothing outside the application's windows is read.
class QPointF;

namespace sim::windowinput {

// Starts passing the running application's window input on (once; nothing without a GUI).
void install();
// The system itself moved the window system's pointer to `eventPoint` (a warp): the motion that
// comes back for it is not the person's.
void warped(const QPointF& eventPoint);

} // namespace sim::windowinput
