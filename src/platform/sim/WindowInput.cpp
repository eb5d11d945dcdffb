#include "platform/sim/WindowInput.h"

#include "platform/Events.h"
#include "platform/Windowing.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/Session.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <QWindow>
#include <optional>

namespace sim::windowinput {
namespace {

using namespace platform::windowing;
using platform::events::ModifierFlags;

// The auxiliary control buttons of the keyboard's media keys.
std::optional<int> mediaKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_VolumeUp: return 0;
    case Qt::Key_VolumeDown: return 1;
    case Qt::Key_MonBrightnessUp: return 2;
    case Qt::Key_MonBrightnessDown: return 3;
    case Qt::Key_VolumeMute: return 7;
    default: return std::nullopt;
    }
}

ModifierFlags flagsOf(Qt::KeyboardModifiers m)
{
    using namespace platform::events;
    ModifierFlags f = 0;
    if (m & Qt::ShiftModifier)
        f |= kFlagShift;
    if (m & Qt::ControlModifier)
        f |= kFlagControl;
    if (m & Qt::AltModifier)
        f |= kFlagOption;
    if (m & Qt::MetaModifier)
        f |= kFlagCommand;
    return f;
}

// Window coordinates are event coordinates (top-left origin); the session takes global ones.
QPointF global(const QPointF& eventPoint) { return globalFrame(QRectF(eventPoint, QSizeF(0, 0))).topLeft(); }

uint32_t buttonType(Qt::MouseButton button, bool down)
{
    switch (button) {
    case Qt::LeftButton: return down ? kLeftMouseDown : kLeftMouseUp;
    case Qt::RightButton: return down ? kRightMouseDown : kRightMouseUp;
    default: return down ? kOtherMouseDown : kOtherMouseUp;
    }
}

class Filter : public QObject {
public:
    std::optional<QPoint> warp;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        // Only what the window system delivered, and once: at the window, before Qt hands it
        // on to a widget (events Qt makes up itself are not spontaneous).
        if (!e->spontaneous() || !qobject_cast<QWindow*>(watched))
            return false;
        Session& session = Session::shared();
        switch (e->type()) {
        case QEvent::MouseMove: {
            const auto* m = static_cast<QMouseEvent*>(e);
            const QPointF at = m->globalPosition();
            if (warp && *warp == at.toPoint()) {
                warp.reset();
                break;
            }
            const uint32_t type = m->buttons() & Qt::LeftButton    ? kLeftMouseDragged
                                  : m->buttons() & Qt::RightButton ? kRightMouseDragged
                                                                   : kMouseMoved;
            session.input(type, true, global(at));
            break;
        }
        // A double click comes as a press followed by a double-click event for the same press.
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            const auto* m = static_cast<QMouseEvent*>(e);
            session.input(buttonType(m->button(), e->type() != QEvent::MouseButtonRelease), true,
                          global(m->globalPosition()));
            break;
        }
        case QEvent::Wheel: {
            const auto* w = static_cast<QWheelEvent*>(e);
            const QPoint notches = w->angleDelta() / 120;
            if (!w->pixelDelta().isNull())
                EventSystem::shared().post(trackpadEvent(w->pixelDelta().y(), w->pixelDelta().x()), true);
            else if (!notches.isNull())
                EventSystem::shared().post(wheelEvent(notches.y(), notches.x()), true);
            else
                session.input(kScrollWheel, true); // a fraction of a notch moves nothing yet
            break;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* k = static_cast<QKeyEvent*>(e);
            const bool down = e->type() == QEvent::KeyPress;
            if (const auto key = mediaKey(k->key()))
                EventSystem::shared().post(mediaKeyEvent(*key, down, flagsOf(k->modifiers())), true);
            else
                session.input(down ? kKeyDown : kKeyUp, true);
            break;
        }
        default:
            break;
        }
        return false;
    }
};

QPointer<Filter> gFilter;

} // namespace

void install()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || gFilter)
        return;
    gFilter = new Filter;
    gFilter->setParent(app);
    app->installEventFilter(gFilter);
}

void warped(const QPointF& eventPoint)
{
    if (gFilter)
        gFilter->warp = eventPoint.toPoint();
}

} // namespace sim::windowinput
