#pragma once
// Frame-synchronised callbacks per screen, in place of the platform's display links, and the
// little of the screen list that choosing a link's screen needs.
#include "platform/RunLoop.h"

#include <QPointF>
#include <QRectF>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform::displaylink {

struct Screen {
    QRectF frame;                  // global coordinates
    std::optional<uint32_t> number; // the screen-number entry of its device description
};

std::vector<Screen> screens();
QPointF mouseLocation();

// Calls its frame callback once per refresh of its screen, on the run loop it was added to.
class DisplayLink {
public:
    virtual ~DisplayLink() = default;
    virtual void addToRunLoop(RunLoop& loop) = 0;
    virtual void setPaused(bool paused) = 0;
    virtual bool isPaused() const = 0;
    // No more frames, for good.
    virtual void invalidate() = 0;
};

// A new link starts unpaused. Null when the screen does not exist.
std::unique_ptr<DisplayLink> create(uint32_t screenNumber, std::function<void(DisplayLink&)> frame);

} // namespace platform::displaylink
