// The staging: a plain backdrop, then the panel (opened by clicking the menu-bar icon) or the
// main window at a page and size, the pointer out of the way, the application in front, and
// the info file once everything has settled. Every step runs on the main thread after fixed
// delays on the shared clock; a missing piece ends the staging where it is, silently.
#include "showcase/Showcase.h"

#include "app/Hub.h"
#include "app/Notifications.h"
#include "app/Prefs.h"
#include "platform/Clock.h"
#include "platform/DispatchQueue.h"
#include "platform/DisplayServices.h"
#include "platform/Events.h"
#include "platform/Windowing.h"
#include "window/Router.h"

#include <QAbstractItemView>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kOpenDelay = 0.6;
constexpr double kFrameDelay = 0.4;
constexpr double kPanelDelay = 0.8;
constexpr double kFitDelay = 0.5;
constexpr int kFitPasses = 6;
constexpr double kFitTolerance = 0.5;
constexpr double kSettleDelay = 1.7;
constexpr double kInfoDelay = 0.3;
constexpr double kEventPause = 0.06;
constexpr double kPanelWidth = 360;
constexpr double kPanelTolerance = 40;
constexpr const char* kBackdropTitle = "Quendrel Showcase Backdrop";

QPointer<QWidget> gBackdrop;
QPointer<QWidget> gPanel;
QPointer<QWidget> gMain;

// A plain colour over the whole screen, behind the staged window; it never takes a click or
// the focus.
class ShowcaseBackdrop : public QWidget {
    Q_OBJECT // its class name lists it in the info file
public:
    explicit ShowcaseBackdrop(const QColor& colour)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint |
                               Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus)
    {
        setWindowTitle(kBackdropTitle);
        setAttribute(Qt::WA_ShowWithoutActivating);
        QPalette p = palette();
        p.setColor(QPalette::Window, colour);
        setPalette(p);
        setAutoFillBackground(true);
    }
};

std::vector<QRectF> screenFrames()
{
    std::vector<QRectF> out;
    for (const auto& s : platform::screens::screens())
        out.push_back(s.frame);
    return out;
}

QRectF globalFrameOf(const QWidget* window) { return platform::windowing::globalFrame(QRectF(window->frameGeometry())); }

int64_t numberOf(const QWidget* window) { return window ? int64_t(window->winId()) : 0; }

// The screen the window is on (by its centre), else the main screen.
std::optional<platform::screens::Screen> screenOf(const QWidget* window)
{
    const QPointF centre = globalFrameOf(window).center();
    for (const auto& s : platform::screens::screens())
        if (s.frame.contains(centre))
            return s;
    return platform::screens::mainScreen();
}

} // namespace

QWidget* Showcase::backdrop() { return gBackdrop; }
QWidget* Showcase::panelWindow() { return gPanel; }
QWidget* Showcase::mainWindow() { return gMain; }

void Showcase::start()
{
    if (!isEnabled())
        return;
    Hub& hub = Hub::shared();
    addSampleProfile(hub.display, hub.audio, hub.battery, hub.automation);

    const auto colour = backdropColor(variable("PELORN_SHOWCASE_BACKDROP"));
    const auto screen = platform::screens::mainScreen();
    if (colour && screen) {
        auto* backdrop = new ShowcaseBackdrop(*colour);
        backdrop->setGeometry(platform::windowing::eventFrame(screen->frame).toRect());
        backdrop->show();
        backdrop->raise();
        gBackdrop = backdrop;
    }
    platform::mainQueue::asyncAfter(kOpenDelay, [] {
        if (variable("PELORN_SHOWCASE_PANEL") == QStringLiteral("1"))
            openPanel();
        else
            openMainWindow();
    });
}

void Showcase::openMainWindow()
{
    const auto page = Router::Page::fromRawValue(variable("PELORN_SHOWCASE_PAGE").value_or(QString()));
    Router::shared().setPage(page.value_or(Router::Page::overview));
    Notifications::shared().post(Notifications::kOpenMainWindow);

    platform::mainQueue::asyncAfter(kFrameDelay, [] {
        QWidget* window = nullptr;
        for (const auto& w : platform::windowing::appWindows())
            if (w.identifier.startsWith(QLatin1String("main")))
                if ((window = QWidget::find(WId(w.number))))
                    break;
        if (!window)
            return;
        const auto screen = screenOf(window);
        if (!screen)
            return;
        window->raise();
        window->activateWindow();
        allowOffscreen(window);
        gMain = window;

        QString text = variable("PELORN_SHOWCASE_SIZE").value_or(kDefaultSize);
        const bool fit = text.endsWith(QLatin1String("xfit"));
        if (fit)
            text.replace(QLatin1String("fit"), QLatin1String("900"));
        const QSizeF size = parseSize(text).value_or(*parseSize(kDefaultSize));
        const QRectF visible = platform::windowing::visibleFrame(*screen);
        place(window, visible, size);
        if (gBackdrop) {
            gBackdrop->raise();
            window->raise();
        }
        // Overlay scrollers: nothing drawn while idle, no room taken from the page.
        for (QAbstractScrollArea* area : scrollViews(window)) {
            area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        }
        forceActivate();
        movePointer(globalFrameOf(window));
        if (fit)
            fitToContent(window, visible, kFitPasses, [] { ready(); });
        else
            ready();
    });
}

void Showcase::place(QWidget* window, const QRectF& visibleFrame, const QSizeF& size)
{
    // Size and place are the frame's; the window's own geometry lies inside its decorations.
    const QRect frame = platform::windowing::eventFrame(placedFrame(visibleFrame, size)).toRect();
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    window->setGeometry(frame.marginsRemoved(QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                                      outer.right() - inner.right(), outer.bottom() - inner.bottom())));
}

void Showcase::allowOffscreen(QWidget* window)
{
    // The window system here never moves a frame back onto the screen; a maximum size is the
    // only thing that would keep the window from growing past it.
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

std::vector<QAbstractScrollArea*> Showcase::scrollViews(QWidget* view)
{
    std::vector<QAbstractScrollArea*> areas;
    if (!view)
        return areas;
    if (auto* self = qobject_cast<QAbstractScrollArea*>(view))
        areas.push_back(self);
    for (QAbstractScrollArea* a : view->findChildren<QAbstractScrollArea*>()) // depth first
        areas.push_back(a);
    return areas;
}

QAbstractScrollArea* Showcase::pageScrollView(QWidget* window)
{
    QAbstractScrollArea* best = nullptr;
    double tallest = -1;
    for (QAbstractScrollArea* a : scrollViews(window)) {
        if (qobject_cast<QAbstractItemView*>(a)) // lists and sidebars
            continue;
        const double h = contentHeight(a);
        if (h > tallest) {
            best = a;
            tallest = h;
        }
    }
    return best;
}

double Showcase::contentHeight(const QAbstractScrollArea* area)
{
    const auto* scroll = qobject_cast<const QScrollArea*>(area);
    const QWidget* document = scroll ? scroll->widget() : nullptr;
    if (!document)
        return 0;
    // The page's own height at the viewport's width: the document's current height follows
    // the viewport in a resizable area and would never let the window shrink.
    const int width = area->viewport()->width();
    const double height = document->hasHeightForWidth() ? document->heightForWidth(width) : document->sizeHint().height();
    // The insets: what lies between the area's inside and its viewport, above and below.
    const QRect inside = area->contentsRect();
    const QRect viewport = area->viewport()->geometry();
    return height + (viewport.top() - inside.top()) + (inside.bottom() - viewport.bottom());
}

void Showcase::fitToContent(QWidget* window, const QRectF& visibleFrame, int passes, std::function<void()> done)
{
    QAbstractScrollArea* area = passes < 1 ? nullptr : pageScrollView(window);
    const auto* scroll = qobject_cast<QScrollArea*>(area);
    if (!scroll || !scroll->widget()) {
        done();
        return;
    }
    const double content = contentHeight(area);
    const double visible = area->viewport()->height();
    if (std::abs(content - visible) <= kFitTolerance) {
        done();
        return;
    }
    const double height = std::min(std::ceil(window->frameGeometry().height() + content - visible), kMaxSide);
    place(window, visibleFrame, QSizeF(window->frameGeometry().width(), height));
    platform::mainQueue::asyncAfter(kFitDelay, [w = QPointer<QWidget>(window), visibleFrame, passes, done] {
        if (!w) {
            done();
            return;
        }
        fitToContent(w, visibleFrame, passes - 1, done);
    });
}

void Showcase::openPanel()
{
    forceActivate();
    if (gBackdrop)
        gBackdrop->raise();
    std::optional<QRectF> item;
    for (const auto& w : platform::windowing::appWindows())
        if (w.className.contains(QLatin1String("StatusBarWindow")) && w.title.startsWith(QLatin1String("Item")) &&
            w.frame.y() > 0) {
            item = w.frame;
            break;
        }
    if (!item)
        return;
    const QPointF pointer = platform::screens::mouseLocation();
    click(item->center());
    warpPointer(pointer);

    platform::mainQueue::asyncAfter(kPanelDelay, [] {
        const int64_t backdrop = gBackdrop ? numberOf(gBackdrop) : -1;
        gPanel = nullptr;
        for (const auto& w : platform::windowing::appWindows())
            if (w.visible && w.number != backdrop && !w.className.contains(QLatin1String("StatusBarWindow")) &&
                std::abs(w.frame.width() - kPanelWidth) < kPanelTolerance) {
                gPanel = QWidget::find(WId(w.number));
                if (gPanel) {
                    movePointer(w.frame);
                    break;
                }
            }
        ready();
    });
}

void Showcase::click(const QPointF& point)
{
    const auto at = toEventCoordinates(point, screenFrames());
    if (!at)
        return;
    using platform::events::MouseEvent;
    for (const MouseEvent kind : {MouseEvent::moved, MouseEvent::leftDown, MouseEvent::leftUp}) {
        platform::events::postMouseEvent(kind, *at); // refused without the permission: skipped
        platform::clock::sleep(kEventPause);
    }
}

void Showcase::warpPointer(const QPointF& point)
{
    if (const auto at = toEventCoordinates(point, screenFrames()))
        platform::events::warpPointer(*at);
}

void Showcase::movePointer(const QRectF& outOf)
{
    if (const auto to = pointerOutOf(outOf, platform::screens::mouseLocation(), screenFrames()))
        warpPointer(*to);
}

void Showcase::forceActivate()
{
    platform::windowing::activateSelf();
    if (gMain)
        gMain->activateWindow();
}

void Showcase::ready()
{
    platform::mainQueue::asyncAfter(kSettleDelay, [] {
        if (!platform::windowing::isActive())
            forceActivate();
        if (gMain) {
            // No control inside keeps the keyboard focus (no focus ring in the picture).
            if (QWidget* focused = gMain->focusWidget())
                focused->clearFocus();
            gMain->setFocus(Qt::OtherFocusReason);
        }
        platform::mainQueue::asyncAfter(kInfoDelay, [] { writeInfo(currentInfo(), variable("PELORN_SHOWCASE_INFO")); });
    });
}

Showcase::Info Showcase::currentInfo()
{
    Info info;
    info.page = Router::shared().page().rawValue();
    info.active = platform::windowing::isActive();
    info.language = Locale::preferredLocalizations().value(0);
    info.anchors = anchors();
    for (const auto& w : platform::windowing::appWindows())
        if (w.visible)
            info.windows.push_back({w.number, w.className, w.title, w.identifier, w.frame});
    if (gMain)
        info.main = numberOf(gMain);
    if (gPanel)
        info.panel = numberOf(gPanel);
    if (gBackdrop)
        info.backdrop = numberOf(gBackdrop);
    return info;
}

#include "ShowcaseStage.moc"
