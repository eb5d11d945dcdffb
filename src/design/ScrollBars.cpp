#include "design/ScrollBars.h"

#include "design/Shapes.h"
#include "design/Theme.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <algorithm>

namespace {

constexpr int kMinHandle = 28;
constexpr qreal kInset = 2; // between the capsule and the bar's edges

// Geometry and drawing of the thin bar. The bar's own mouse handling asks the style for the
// same rectangles, so a press lands where the capsule is drawn.
class ThinScrollStyle : public QProxyStyle {
public:
    ThinScrollStyle() : QProxyStyle(nullptr) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_ScrollBarExtent)
            return design::kThinScrollBarWidth;
        if (metric == PM_ScrollBarSliderMin)
            return kMinHandle;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override
    {
        if (hint == SH_ScrollBar_ContextMenu)
            return 0;
        if (hint == SH_ScrollBar_LeftClickAbsolutePosition)
            return 1; // a click on the track goes there, as on the platform
        return QProxyStyle::styleHint(hint, option, widget, data);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override
    {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !bar || bar->orientation != Qt::Vertical)
            return QProxyStyle::subControlRect(control, option, sub, widget);
        const QRect r = bar->rect;
        const int span = bar->maximum - bar->minimum;
        const int length = span > 0 ? std::clamp(int(qint64(r.height()) * bar->pageStep / (span + bar->pageStep)),
                                                 std::min(kMinHandle, r.height()), r.height())
                                    : r.height();
        const int top = r.top()
            + sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition, r.height() - length,
                                      bar->upsideDown);
        const QRect handle(r.left(), top, r.width(), length);
        switch (sub) {
        case SC_ScrollBarSubLine:
        case SC_ScrollBarAddLine:
            return {}; // no arrows
        case SC_ScrollBarGroove:
            return r;
        case SC_ScrollBarSlider:
            return handle;
        case SC_ScrollBarSubPage:
            return QRect(r.left(), r.top(), r.width(), top - r.top());
        case SC_ScrollBarAddPage:
            return QRect(r.left(), handle.bottom() + 1, r.width(), r.bottom() - handle.bottom());
        default:
            return {};
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !bar || bar->orientation != Qt::Vertical || !widget)
            return QProxyStyle::drawComplexControl(control, option, painter, widget);
        if (bar->maximum <= bar->minimum)
            return;
        const QRectF handle = QRectF(subControlRect(control, option, SC_ScrollBarSlider, widget))
                                  .adjusted(kInset, kInset, -kInset, -kInset);
        const bool active = bar->state & (State_MouseOver | State_Sunken);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->fillPath(capsule(handle), primaryColor(widget, active ? 0.45 : 0.3));
        painter->restore();
    }
};

QStyle* thinScrollStyle()
{
    static ThinScrollStyle* style = [] {
        auto* s = new ThinScrollStyle;
        s->setParent(qApp); // goes with the application, after every bar
        return s;
    }();
    return style;
}

} // namespace

namespace design {

void useThinScrollBars(QAbstractScrollArea* area)
{
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QScrollBar* bar = area->verticalScrollBar();
    bar->setStyle(thinScrollStyle());
    bar->setAttribute(Qt::WA_Hover);
    bar->setAttribute(Qt::WA_OpaquePaintEvent, false);
    bar->setAutoFillBackground(false);
}

} // namespace design
