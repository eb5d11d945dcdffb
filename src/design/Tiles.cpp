#include "design/Tiles.h"

#include "design/Accessibility.h"
#include "design/Glass.h"
#include "design/Paint.h"
#include "design/Shapes.h"
#include "design/Symbols.h"
#include "design/Theme.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr qreal kPadding = 10;
constexpr qreal kBadge = 30;
constexpr qreal kSpacing = 10;
constexpr qreal kTitleMinimumScale = 0.68;
constexpr qreal kSubtitleMinimumScale = 0.8;
QFont titleFont() { return design::systemFont(13, QFont::DemiBold); }
QFont subtitleFont() { return design::systemFont(12); }
QPainterPath tileShape(const QRectF& r) { return continuousRoundedRect(r, 16); }
} // namespace

TileLabel::TileLabel(QString symbol, QString title, std::optional<QString> subtitle, bool active,
                     Tint tint, QWidget* parent)
    : QWidget(parent), symbol_(std::move(symbol)), title_(std::move(title)), subtitle_(std::move(subtitle)),
      active_(active), tint_(std::move(tint))
{
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(subtitle_ ? title_ + ", " + *subtitle_ : title_);
    followTheme(this);
}

QColor TileLabel::color() const { return tint_.resolve(this, Tint::accent()); }

void TileLabel::textsChanged()
{
    setAccessibleName(subtitle_ ? title_ + ", " + *subtitle_ : title_);
    updateTip();
    updateGeometry();
    update();
}

void TileLabel::resizeEvent(QResizeEvent*) { updateTip(); }

void TileLabel::updateTip()
{
    const bool cut = design::elides(titleFont(), title_, titleRect().width(), kTitleMinimumScale) ||
                     (subtitle_ && design::elides(subtitleFont(), *subtitle_, subtitleRect().width(), kSubtitleMinimumScale));
    if (toolTip() != tip_)
        return; // the owner's own
    tip_ = cut ? (subtitle_ ? title_ + "\n" + *subtitle_ : title_) : QString();
    setToolTip(tip_);
}

void TileLabel::setSymbol(const QString& symbol)
{
    symbol_ = symbol;
    update();
}

void TileLabel::setTitle(const QString& title)
{
    if (title == title_)
        return;
    title_ = title;
    textsChanged();
}

void TileLabel::setSubtitle(const std::optional<QString>& subtitle)
{
    if (subtitle == subtitle_)
        return;
    subtitle_ = subtitle;
    textsChanged();
}

void TileLabel::setActive(bool active)
{
    active_ = active;
    update();
}

void TileLabel::setTint(const Tint& tint)
{
    tint_ = tint;
    update();
}

QSize TileLabel::sizeHint() const
{
    const qreal text = std::max(design::textWidth(titleFont(), title_),
                                subtitle_ ? design::textWidth(subtitleFont(), *subtitle_) : 0.0);
    return {int(std::ceil(2 * kPadding + kBadge + kSpacing + text)), int(2 * kPadding + kBadge)};
}

QRectF TileLabel::badgeRect() const { return QRectF(kPadding, (height() - kBadge) / 2, kBadge, kBadge); }

QRectF TileLabel::titleRect() const
{
    const qreal left = kPadding + kBadge + kSpacing;
    const qreal w = std::max<qreal>(0, width() - left - kPadding);
    const qreal th = QFontMetricsF(titleFont()).height();
    if (!subtitle_)
        return QRectF(left, (height() - th) / 2, w, th); // alone, centred beside the badge
    const qreal sh = QFontMetricsF(subtitleFont()).height();
    const qreal top = (height() - th - 1 - sh) / 2;
    return QRectF(left, top, w, th);
}

QFont TileLabel::shownTitleFont() const
{
    return design::fittedFont(titleFont(), title_, titleRect().width(), kTitleMinimumScale);
}

QRectF TileLabel::subtitleRect() const
{
    if (!subtitle_)
        return {};
    const QRectF t = titleRect();
    return QRectF(t.left(), t.bottom() + 1, t.width(), QFontMetricsF(subtitleFont()).height());
}

void TileLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(0.45);
    const QColor c = color();
    const KVMGlass glass = kvmGlass(tileShape(QRectF(rect())), active_ ? std::optional(withAlpha(c, 0.25)) : std::nullopt,
                                    true);
    glass.paintBackground(p, this, isEnabled() && (hovered_ || pressed_));
    const QRectF badge = badgeRect();
    p.fillPath(circle(badge), active_ ? c : primaryColor(this, 0.1));
    Symbols::draw(p, symbol_, Symbols::boxFor(13, badge.center()), active_ ? QColor(Qt::white) : primaryColor(this),
                  SymbolWeight::semibold);
    p.setPen(primaryColor(this));
    design::drawLine(p, titleRect(), title_, titleFont(), kTitleMinimumScale);
    if (subtitle_) {
        p.setPen(secondaryColor(this));
        design::drawLine(p, subtitleRect(), *subtitle_, subtitleFont(), kSubtitleMinimumScale);
    }
    glass.paintOverlay(p, this);
    design::a11y::paintFocusRing(p, this, tileShape(QRectF(rect()).adjusted(1, 1, -1, -1)));
}

void TileLabel::enterEvent(QEnterEvent*)
{
    hovered_ = true;
    update();
}

void TileLabel::leaveEvent(QEvent*)
{
    hovered_ = false;
    update();
}

ControlTile::ControlTile(QString symbol, QString title, std::optional<QString> subtitle, bool active,
                         Tint tint, std::function<void()> action, QWidget* parent)
    : TileLabel(std::move(symbol), std::move(title), std::move(subtitle), active, std::move(tint), parent),
      action_(std::move(action))
{
    design::a11y::describe(this, {.role = QAccessible::Button, .activate = [this] {
                                      if (action_)
                                          action_();
                                  }});
    setFocusPolicy(Qt::TabFocus); // as the buttons: a click acts without leaving a focus ring behind
    setCursor(Qt::PointingHandCursor);
}

void ControlTile::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton && tileShape(QRectF(rect())).contains(e->position());
    update();
}

void ControlTile::mouseReleaseEvent(QMouseEvent* e)
{
    const bool tap = pressed_ && e->button() == Qt::LeftButton && tileShape(QRectF(rect())).contains(e->position());
    pressed_ = false;
    update();
    if (tap && action_)
        action_();
}
