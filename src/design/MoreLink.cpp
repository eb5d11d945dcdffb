#include "design/MoreLink.h"

#include "design/Accessibility.h"
#include "design/Paint.h"
#include "design/Symbols.h"
#include "design/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using namespace design;

namespace {
constexpr qreal kSpacing = 3;
constexpr qreal kChevron = 10;
} // namespace

MoreLink::MoreLink(QString title, std::function<void()> action, QWidget* parent)
    : QWidget(parent), title_(std::move(title)), action_(std::move(action))
{
    design::a11y::describe(this, {.role = QAccessible::Link, .activate = [this] {
                                      if (action_)
                                          action_();
                                  }});
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(title_);
}

QColor MoreLink::labelColor() const { return hovering_ ? primaryColor(this) : secondaryColor(this); }

QSize MoreLink::sizeHint() const
{
    const QFontMetricsF fm(calloutFont());
    return {int(std::ceil(fm.horizontalAdvance(title_) + kSpacing + kChevron * 0.7)), int(std::ceil(fm.height()))};
}

void MoreLink::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = labelColor();
    p.setPen(color);
    p.setFont(calloutFont());
    const QFontMetricsF fm(calloutFont());
    const qreal textWidth = fm.horizontalAdvance(title_);
    p.drawText(QRectF(0, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, title_);
    const QRectF chevron = Symbols::boxFor(kChevron, QPointF(textWidth + kSpacing + kChevron * 0.35, height() / 2.0));
    Symbols::draw(p, "chevron.right", chevron, color, SymbolWeight::semibold);
    QPainterPath ring;
    ring.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    design::a11y::paintFocusRing(p, this, ring);
}

void MoreLink::enterEvent(QEnterEvent*)
{
    hovering_ = true;
    update();
}

void MoreLink::leaveEvent(QEvent*)
{
    hovering_ = false;
    pressed_ = false;
    update();
}

void MoreLink::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton;
}

void MoreLink::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    if (click && action_)
        action_();
}
