#pragma once
// The simulated login-item service. Its record lives under the sim root; a test can make the
// user's approval necessary or make the next request fail.
#include <QString>
#include <optional>

namespace sim::loginitems {

void reset();
void setNeedsApproval(bool needed);
void failNext(const QString& description);

} // namespace sim::loginitems
