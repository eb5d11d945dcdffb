#include "design/Gauges.h"

#include "app/Prefs.h"
#include "app/Texts.h"
#include "design/Accessibility.h"
#include "design/Paint.h"
#include "design/Shapes.h"
#include "design/Symbols.h"
#include "design/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace {
constexpr double kGaugeResponse = 0.5;
double clampPercent(double p) { return std::isfinite(p) ? std::clamp(p, 0.0, 100.0) : 0.0; }
} // namespace

// ---- BatteryRing

BatteryRing::BatteryRing(int percent, int limit, Tint tint, qreal size, qreal lineWidth, QWidget* parent)
    : QWidget(parent), percent_(percent), limit_(limit), tint_(std::move(tint)), size_(size), lineWidth_(lineWidth),
      spring_(kGaugeResponse)
{
    // One element, labelled as the bar is.
    design::a11y::describe(this, {.role = QAccessible::ProgressBar});
    setAccessibleName(BatteryBar::accessibilityLabel(percent_, limit_));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    spring_.drawnBy(this);
    connect(&spring_, &Spring::moved, this, qOverload<>(&QWidget::update));
    spring_.setTarget(percent_);
    followTheme(this);
}

void BatteryRing::setValues(int percent, int limit)
{
    if (percent == percent_ && limit == limit_)
        return; // a re-read that changed nothing repaints nothing
    setAccessibleName(BatteryBar::accessibilityLabel(percent, limit));
    percent_ = percent;
    limit_ = limit;
    spring_.setTarget(percent_);
    update();
}

void BatteryRing::setTint(const Tint& tint)
{
    if (tint == tint_)
        return;
    tint_ = tint;
    update();
}

double BatteryRing::arcFraction(int percent) { return clampPercent(percent) / 100.0; }

// The stroke is centred on the circle of the square's side, so it reaches half a stroke (and
// the limit mark 1.5 more) past the square; the widget leaves room for that around it.
QSize BatteryRing::sizeHint() const
{
    const int side = int(std::ceil(size_ + lineWidth_ + 3));
    return {side, side};
}

QPointF BatteryRing::centre() const { return QRectF(rect()).center(); }

std::optional<QPointF> BatteryRing::limitMarkCentre() const
{
    if (limit_ > 99)
        return std::nullopt;
    const double a = limit_ / 100.0 * 2 * M_PI; // clockwise from twelve o'clock
    return centre() + QPointF(radius() * std::sin(a), -radius() * std::cos(a));
}

void BatteryRing::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = centre();
    const QRectF ring(c.x() - radius(), c.y() - radius(), 2 * radius(), 2 * radius());
    p.setBrush(Qt::NoBrush);
    // The track is the same on every paint: drawn once, copied after.
    const QColor track = primaryColor(this, 0.12);
    const qreal reach = lineWidth_ / 2 + 1;
    design::paintCached(p, ring.adjusted(-reach, -reach, reach, reach),
                        QStringLiteral("ring track|%1|%2|%3").arg(radius()).arg(lineWidth_).arg(track.rgba64(), 0, 16),
                        [&](QPainter& q) {
                            q.setPen(QPen(track, lineWidth_, Qt::SolidLine, Qt::FlatCap));
                            q.drawEllipse(ring);
                        });
    const double f = clampPercent(spring_.current()) / 100.0;
    if (f > 0) {
        p.setPen(QPen(tint_.resolve(this, Tint::accent()), lineWidth_, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(ring, 90 * 16, -int(std::lround(f * 360 * 16)));
    }
    if (limit_ <= 99) {
        p.save();
        p.translate(c);
        p.rotate(limit_ / 100.0 * 360);
        const qreal h = lineWidth_ + 3;
        p.fillPath(capsule(QRectF(-0.75, -radius() - h / 2, 1.5, h)), primaryColor(this, 0.7));
        p.restore();
    }
}

// ---- BatteryBar

BatteryBar::BatteryBar(int percent, int limit, Tint tint, qreal height, QWidget* parent)
    : QWidget(parent), percent_(percent), limit_(limit), tint_(std::move(tint)), height_(height), spring_(kGaugeResponse)
{
    setFixedHeight(int(std::ceil(height_ + 8)));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    design::a11y::describe(this, {.role = QAccessible::ProgressBar});
    setAccessibleName(accessibilityLabel(percent_, limit_));
    spring_.drawnBy(this);
    connect(&spring_, &Spring::moved, this, qOverload<>(&QWidget::update));
    spring_.setTarget(percent_);
    followTheme(this);
}

void BatteryBar::setValues(int percent, int limit)
{
    if (percent == percent_ && limit == limit_)
        return;
    percent_ = percent;
    limit_ = limit;
    setAccessibleName(accessibilityLabel(percent_, limit_));
    spring_.setTarget(percent_);
    update();
}

void BatteryBar::setTint(const Tint& tint)
{
    if (tint == tint_)
        return;
    tint_ = tint;
    update();
}

qreal BatteryBar::chargeWidth(double percent, qreal w, qreal height)
{
    // A reading outside 0-100 still draws inside the track.
    return std::min(std::max(height, w * clampPercent(percent) / 100.0), std::max<qreal>(w, 0));
}

std::optional<qreal> BatteryBar::limitMarkLeft(int limit, qreal w)
{
    if (limit > 99)
        return std::nullopt;
    return w * limit / 100.0 - 1;
}

QString BatteryBar::accessibilityLabel(int percent, int limit)
{
    return Texts::tr("Pil yüzde %1, şarj sınırı yüzde %2", percent, limit);
}

QSize BatteryBar::sizeHint() const { return {200, int(std::ceil(height_ + 8))}; }

void BatteryBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width();
    const qreal h = height_ + 8;
    p.fillPath(capsule(QRectF(0, 0, w, h)), primaryColor(this, 0.1));
    p.fillPath(capsule(QRectF(0, 0, drawnChargeWidth(), h)), tint_.resolve(this, Tint::accent()));
    if (const auto left = limitMarkLeft(limit_, w))
        p.fillPath(capsule(QRectF(*left, 0, 2, h)), primaryColor(this));
}

// ---- PowerSplitBar

namespace {
constexpr qreal kBarHeight = 8;
constexpr qreal kRowSpacing = 6;
QFont rowFont(QFont::Weight weight = QFont::Normal) { return design::calloutFont(weight); }
qreal rowHeight() { return std::ceil(QFontMetricsF(rowFont()).height()); }
} // namespace

PowerSplitBar::PowerSplitBar(double adapter, double battery, double system, QWidget* parent)
    : QWidget(parent), adapter_(adapter), battery_(battery), system_(system), share_(kGaugeResponse)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
    share_.drawnBy(this);
    connect(&share_, &Spring::moved, this, qOverload<>(&QWidget::update));
    setValues(adapter, battery, system);
    followTheme(this);
}

void PowerSplitBar::setValues(double adapter, double battery, double system)
{
    if (adapter == adapter_ && battery == battery_ && system == system_ && hasValues_)
        return;
    hasValues_ = true; // the first values always set the spring
    adapter_ = adapter;
    battery_ = battery;
    system_ = system;
    const Split s = split(battery_, system_);
    share_.setTarget(std::max(s.fromAdapter, 0.0) / s.total);
    update();
}

PowerSplitBar::Split PowerSplitBar::split(double battery, double system)
{
    const double a = battery < 0 ? system + battery : system;
    const double d = battery < 0 ? -battery : 0;
    return {a, d, std::max(std::max(a, 0.0) + d, 0.01)};
}

QString PowerSplitBar::watts(double value, const QLocale& locale) { return locale.toString(value, 'f', 1) + " W"; }

QString PowerSplitBar::consumptionText(const QLocale& locale) const { return watts(system_, locale); }

std::optional<QString> PowerSplitBar::chargingText(const QLocale& locale) const
{
    if (!(battery_ > 0.05))
        return std::nullopt;
    return Texts::tr("Pile %1 W", locale.toString(battery_, 'f', 1));
}

QString PowerSplitBar::adapterLegend(const QLocale& locale) const
{
    return Texts::tr("Adaptör %1 W", locale.toString(std::max(split(battery_, system_).fromAdapter, 0.0), 'f', 1));
}

QString PowerSplitBar::batteryLegend(const QLocale& locale) const
{
    return Texts::tr("Pil %1 W", locale.toString(split(battery_, system_).fromBattery, 'f', 1));
}

PowerSplitBar::Segments PowerSplitBar::segments(double battery, double system, qreal w)
{
    const Split s = split(battery, system);
    const qreal adapter = s.fromAdapter > 0.05 ? w * std::max(s.fromAdapter, 0.0) / s.total : 0;
    if (!(battery < -0.05))
        return {adapter, 0, 0};
    const qreal left = adapter > 0 ? adapter + 2 : 0;
    return {adapter, left, std::max<qreal>(0, w - left)};
}

QRectF PowerSplitBar::barRect() const { return QRectF(0, rowHeight() + kRowSpacing, width(), kBarHeight); }

QSize PowerSplitBar::sizeHint() const
{
    return {240, int(rowHeight() * 2 + kRowSpacing * 2 + kBarHeight)};
}

void PowerSplitBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QLocale& locale = Locale::ui();
    const QColor accent = kvmAccent(this);
    const QColor orange = systemColor(SystemColor::orange, this);
    const qreal rh = rowHeight();

    // Header: "Mac", the consumption, and while charging the watts into the battery.
    qreal x = 0;
    p.setPen(secondaryColor(this));
    const QString mac = Texts::tr("Mac");
    design::drawLine(p, QRectF(x, 0, width(), rh), mac, rowFont());
    x += design::textWidth(rowFont(), mac) + 8;
    p.setPen(primaryColor(this));
    design::drawLine(p, QRectF(x, 0, std::max<qreal>(0, width() - x), rh), consumptionText(locale),
                     rowFont(QFont::DemiBold));
    if (const auto charging = chargingText(locale)) {
        const QColor green = systemColor(SystemColor::green, this);
        const qreal tw = design::textWidth(rowFont(), *charging);
        const qreal left = width() - tw;
        Symbols::draw(p, "arrow.down.to.line", QRectF(left - 17, (rh - 13) / 2, 13, 13), green);
        p.setPen(green);
        design::drawLine(p, QRectF(left, 0, tw + 1, rh), *charging, rowFont());
    }

    // Bar: the adapter's drawn share, then the battery's rest.
    const QRectF bar = barRect();
    const Split s = split(battery_, system_);
    const qreal share = std::clamp(share_.current(), 0.0, 1.0);
    const qreal adapterWidth = s.fromAdapter > 0.05 ? bar.width() * share : 0;
    if (adapterWidth > 0)
        p.fillPath(capsule(QRectF(bar.left(), bar.top(), adapterWidth, bar.height())), accent);
    if (battery_ < -0.05) {
        const qreal left = adapterWidth > 0 ? adapterWidth + 2 : 0;
        if (bar.width() - left > 0)
            p.fillPath(capsule(QRectF(bar.left() + left, bar.top(), bar.width() - left, bar.height())), orange);
    }

    // Legend.
    const qreal ly = bar.bottom() + kRowSpacing;
    x = 0;
    for (const auto& [color, text] : {std::pair{accent, adapterLegend(locale)}, std::pair{orange, batteryLegend(locale)}}) {
        p.fillPath(circle(QRectF(x, ly + (rh - 7) / 2, 7, 7)), color);
        x += 7 + 5;
        const qreal tw = design::textWidth(rowFont(), text);
        p.setPen(secondaryColor(this));
        design::drawLine(p, QRectF(x, ly, tw + 1, rh), text, rowFont());
        x += tw + 12;
    }
}
