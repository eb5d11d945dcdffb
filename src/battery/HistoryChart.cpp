#include "battery/HistoryChart.h"

#include "app/Prefs.h"
#include "app/Texts.h"
#include "design/Paint.h"
#include "design/Symbols.h"
#include "design/NumericText.h"
#include "design/TextLine.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>

namespace historychart {

Range autoDomain(const std::vector<Point>& points)
{
    if (points.empty())
        return {-1.0, 2.0}; // lo 0 and hi 1, padded by 1
    double lo = points.front().value, hi = lo;
    for (const Point& p : points) {
        lo = std::min(lo, p.value);
        hi = std::max(hi, p.value);
    }
    const double pad = std::max((hi - lo) * 0.2, 1.0);
    return {lo - pad, hi + pad};
}

std::optional<Point> nearest(const std::vector<Point>& points, double date)
{
    std::optional<Point> best;
    double bestDistance = 0;
    for (const Point& p : points) {
        const double d = std::fabs(p.date - date);
        if (!best || d < bestDistance || (d == bestDistance && p.date < best->date)) {
            best = p;
            bestDistance = d;
        }
    }
    return best;
}

std::vector<double> timeMarks(double t0, double t1, int utcOffset)
{
    static constexpr std::array<double, 13> kSteps{60,    120,   300,   600,   900,   1800, 3600,
                                                   7200,  10800, 14400, 21600, 43200, 86400};
    if (!(t1 > t0))
        return {};
    auto count = [&](double step) {
        return std::floor((t1 + utcOffset) / step) - std::ceil((t0 + utcOffset) / step) + 1;
    };
    double step = kSteps.back();
    for (double s : kSteps) {
        if (count(s) <= 5) {
            step = s;
            break;
        }
    }
    std::vector<double> marks;
    for (double k = std::ceil((t0 + utcOffset) / step); k * step - utcOffset <= t1; k += 1)
        marks.push_back(k * step - utcOffset);
    return marks;
}

namespace {
double markCount(Range range, double step)
{
    const double eps = step * 1e-9; // keeps a mark that sits on an edge up to rounding
    return std::floor((range.hi + eps) / step) - std::ceil((range.lo - eps) / step) + 1;
}
} // namespace

double valueStep(Range range)
{
    const double span = range.hi - range.lo;
    if (!(span > 0))
        return 1;
    // The round step (1, 2, 2.5 or 5 times a power of ten) whose marks come nearest to three;
    // between two equally near, the one with more marks.
    const double top = std::pow(10.0, std::ceil(std::log10(span)));
    double best = top;
    double bestMiss = std::fabs(markCount(range, top) - 3);
    for (double magnitude = top; magnitude >= top / 1000; magnitude /= 10) {
        for (double nice : {5.0, 2.5, 2.0, 1.0}) {
            const double step = nice * magnitude / 10;
            const double miss = std::fabs(markCount(range, step) - 3);
            if (miss < bestMiss || (miss == bestMiss && step < best)) {
                best = step;
                bestMiss = miss;
            }
        }
    }
    return best;
}

std::vector<double> valueMarks(Range range)
{
    const double step = valueStep(range);
    const double eps = step * 1e-9;
    std::vector<double> marks;
    for (double k = std::ceil((range.lo - eps) / step); k * step <= range.hi + eps; k += 1)
        marks.push_back(k * step == 0 ? 0.0 : k * step);
    return marks;
}

namespace {
Range widened(Range r, double half)
{
    if (r.hi > r.lo)
        return r;
    const double mid = (r.lo + r.hi) / 2;
    return {mid - half, mid + half};
}
} // namespace

Mapping::Mapping(QRectF plot, Range time, Range values)
    : plot(plot), time(widened(time, 60)), values(widened(values, 1))
{
}

QPointF Mapping::map(double date, double value) const
{
    return {plot.left() + (date - time.lo) / (time.hi - time.lo) * plot.width(),
            plot.bottom() - (value - values.lo) / (values.hi - values.lo) * plot.height()};
}

double Mapping::dateAt(qreal x) const
{
    if (plot.width() <= 0)
        return time.lo;
    return time.lo + (x - plot.left()) / plot.width() * (time.hi - time.lo);
}

QPainterPath curve(const std::vector<QPointF>& pts)
{
    QPainterPath path;
    const size_t n = pts.size();
    if (n == 0)
        return path;
    path.moveTo(pts[0]);
    if (n == 1)
        return path;
    // Secant slopes, then tangents limited so that each segment stays monotone (Steffen's method).
    std::vector<double> h(n - 1), s(n - 1), t(n);
    for (size_t i = 0; i + 1 < n; ++i) {
        h[i] = pts[i + 1].x() - pts[i].x();
        s[i] = h[i] > 0 ? (pts[i + 1].y() - pts[i].y()) / h[i] : 0.0;
    }
    auto sign = [](double v) { return v > 0 ? 1.0 : v < 0 ? -1.0 : 0.0; };
    for (size_t i = 1; i + 1 < n; ++i) {
        const double hs = h[i - 1] + h[i];
        const double p = hs > 0 ? (s[i - 1] * h[i] + s[i] * h[i - 1]) / hs : 0.0;
        t[i] = (sign(s[i - 1]) + sign(s[i])) * std::min({std::fabs(s[i - 1]), std::fabs(s[i]), 0.5 * std::fabs(p)});
    }
    t[0] = h[0] > 0 ? (3 * s[0] - t[1]) / 2 : 0.0;
    t[n - 1] = h[n - 2] > 0 ? (3 * s[n - 2] - t[n - 2]) / 2 : 0.0;
    if (n == 2)
        t[0] = t[1] = s[0];
    // The end tangents keep the sign of their segment, or the first and last bends overshoot.
    if (sign(t[0]) != sign(s[0]))
        t[0] = 0;
    if (sign(t[n - 1]) != sign(s[n - 2]))
        t[n - 1] = 0;
    for (size_t i = 0; i + 1 < n; ++i) {
        const QPointF& a = pts[i];
        const QPointF& b = pts[i + 1];
        if (h[i] <= 0) {
            path.lineTo(b);
            continue;
        }
        const double d = h[i] / 3;
        path.cubicTo(a.x() + d, a.y() + d * t[i], b.x() - d, b.y() - d * t[i + 1], b.x(), b.y());
    }
    return path;
}

} // namespace historychart

using namespace historychart;

namespace {

QFont axisFont() { return design::captionFont(); }
constexpr qreal kGridOpacity = 0.15;
constexpr qreal kAxisGap = 6;
const qreal kPointDiameter = std::sqrt(70.0); // a point mark of symbol size 70 (its area)

int utcOffsetAt(double date)
{
    return QDateTime::fromSecsSinceEpoch(qint64(std::floor(date))).offsetFromUtc();
}

QString valueLabel(double v, double step)
{
    int decimals = 0;
    while (decimals < 3 && std::fabs(step * std::pow(10.0, decimals) - std::round(step * std::pow(10.0, decimals))) > 1e-6)
        ++decimals;
    return Locale::ui().toString(v, 'f', decimals);
}

} // namespace

// ---- HistoryChart

HistoryChart::HistoryChart(QString title, QString headline, QString symbol, SystemColor color,
                           std::vector<Sample> samples, Value value, Format format, std::optional<Range> domain,
                           std::optional<Reference> reference, bool area, QWidget* parent)
    : Card(14, parent), headline_(std::move(headline)), color_(color), valueOf_(std::move(value)),
      format_(std::move(format)), domain_(domain), reference_(std::move(reference)), area_(area)
{
    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    auto* caption = new TextLine(std::move(title), design::calloutFont(), TextLine::Tone::secondary);
    caption->setMinimumScale(0.8);
    texts->addWidget(caption);
    value_ = new NumericText(design::valueFont(22));
    texts->addWidget(value_);
    header->addLayout(texts, 1);
    symbol_ = new SymbolView(std::move(symbol), 15, SymbolWeight::medium);
    header->addWidget(symbol_, 0, Qt::AlignTop | Qt::AlignRight);
    time_ = new TextLine(QString(), design::calloutFont(), TextLine::Tone::secondary);
    time_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    time_->hide();
    header->addWidget(time_, 0, Qt::AlignTop | Qt::AlignRight);
    addLayout(header);

    plot_ = new HistoryPlot(this);
    addWidget(plot_);

    setContent(std::move(samples), headline_, reference_);
}

QColor HistoryChart::color() const { return systemColor(color_, this); }

Range HistoryChart::yDomain() const { return domain_ ? *domain_ : autoDomain(points_); }

void HistoryChart::setContent(std::vector<Sample> samples, QString headline, std::optional<Reference> reference)
{
    std::vector<Point> points;
    points.reserve(samples.size());
    for (const Sample& s : samples) {
        if (const auto v = valueOf_(s))
            points.push_back({s.date, *v});
    }
    const bool plotChanged = points != points_ || reference != reference_;
    points_ = std::move(points);
    reference_ = std::move(reference);
    headline_ = std::move(headline);
    if (plotChanged) {
        selectedPoint_ = selected_ ? nearest(points_, *selected_) : std::nullopt;
        plot_->invalidate();
    }
    syncHeader();
}

void HistoryChart::setSelected(std::optional<double> date)
{
    selected_ = date;
    const auto point = date && !points_.empty() ? nearest(points_, *date) : std::nullopt;
    if (point == selectedPoint_)
        return;
    const auto previous = selectedPoint_;
    selectedPoint_ = point;
    syncHeader();
    plot_->selectionMoved(previous, point);
}

QString HistoryChart::valueText() const { return selectedPoint_ ? format_(selectedPoint_->value) : headline_; }

QString HistoryChart::timeText(double date)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(qint64(std::floor(date)));
    return Locale::ui().toString(at.time(), QLocale::ShortFormat);
}

void HistoryChart::syncHeader()
{
    value_->setText(valueText());
    symbol_->setColor(color_);
    symbol_->setVisible(!selectedPoint_);
    time_->setVisible(bool(selectedPoint_));
    if (selectedPoint_) {
        time_->setText(timeText(selectedPoint_->date));
        time_->setFixedSize(time_->sizeHint());
    }
}

// ---- HistoryPlot

HistoryPlot::HistoryPlot(HistoryChart* chart) : QWidget(chart), chart_(chart)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(int(HistoryChart::kPlotHeight));
}

QSize HistoryPlot::sizeHint() const { return {272, int(HistoryChart::kPlotHeight)}; }

QSize HistoryPlot::minimumSizeHint() const { return {120, int(HistoryChart::kPlotHeight)}; }

void HistoryPlot::selectionMoved(const std::optional<Point>& from, const std::optional<Point>& to)
{
    if (!showsChart())
        return;
    // Only the strips of the old and the new rule are drawn again.
    const Mapping m = mapping();
    for (const auto& p : {from, to}) {
        if (!p)
            continue;
        const qreal x = m.map(p->date, p->value).x();
        const qreal half = kPointDiameter / 2 + 2;
        update(QRectF(x - half, m.plot.top() - half, 2 * half, m.plot.height() + 2 * half).toAlignedRect());
    }
}

void HistoryPlot::invalidate()
{
    still_ = QPixmap();
    update();
}

void HistoryPlot::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::PaletteChange || e->type() == QEvent::FontChange)
        invalidate();
    QWidget::changeEvent(e);
}

QRectF HistoryPlot::plotRect() const
{
    // Room on the right for the widest value label and below for the time labels.
    const QFontMetricsF fm(axisFont());
    const Range y = chart_->yDomain();
    const double step = valueStep(y);
    qreal labels = 0;
    for (double v : valueMarks(y))
        labels = std::max(labels, fm.horizontalAdvance(valueLabel(v, step)));
    const qreal top = fm.height() / 2; // half a label above the top mark
    return QRectF(0, top, std::max<qreal>(0, width() - labels - kAxisGap), height() - top - fm.height() - 4);
}

Mapping HistoryPlot::mapping() const
{
    const auto& pts = chart_->points();
    const Range time = pts.empty() ? Range{0, 0} : Range{pts.front().date, pts.back().date};
    return Mapping(plotRect(), time, chart_->yDomain());
}

void HistoryPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!showsChart()) {
        paintEmpty(p);
        return;
    }
    const qreal dpr = p.device()->devicePixelRatioF();
    if (still_.isNull() || still_.devicePixelRatio() != dpr || still_.size() != size() * dpr) {
        still_ = QPixmap(size() * dpr);
        still_.setDevicePixelRatio(dpr);
        still_.fill(Qt::transparent);
        QPainter sp(&still_);
        paintStill(sp);
        ++stillPaints_;
    }
    p.drawPixmap(0, 0, still_);

    const auto selected = chart_->selectedPoint();
    if (!selected)
        return;
    p.setRenderHint(QPainter::Antialiasing);
    const Mapping m = mapping();
    const QPointF at = m.map(selected->date, selected->value);
    p.setPen(QPen(withAlpha(secondaryColor(this), 0.5), 1));
    p.drawLine(QPointF(at.x(), m.plot.top()), QPointF(at.x(), m.plot.bottom()));
    p.setPen(Qt::NoPen);
    p.setBrush(chart_->color());
    p.drawEllipse(at, kPointDiameter / 2, kPointDiameter / 2);
}

void HistoryPlot::paintStill(QPainter& p) const
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const Mapping m = mapping();
    const QColor secondary = secondaryColor(this);
    const QColor grid = withAlpha(secondary, kGridOpacity);
    const QFontMetricsF fm(axisFont());
    p.setFont(axisFont());

    // Time marks: grid lines and hour:minute labels, each at its natural width, kept inside.
    for (double t : timeMarks(m.time.lo, m.time.hi, utcOffsetAt(m.time.lo))) {
        const qreal x = m.map(t, m.values.lo).x();
        p.setPen(QPen(grid, 1));
        p.drawLine(QPointF(x, m.plot.top()), QPointF(x, m.plot.bottom()));
        const QString label = HistoryChart::timeText(t);
        const qreal w = fm.horizontalAdvance(label);
        const qreal left = std::clamp(x - w / 2, 0.0, std::max(0.0, m.plot.right() - w));
        p.setPen(secondary);
        p.drawText(QRectF(left, m.plot.bottom() + 4, w + 1, fm.height()), Qt::AlignLeft | Qt::AlignTop, label);
    }

    // Value marks on the right.
    const double step = valueStep(m.values);
    for (double v : valueMarks(m.values)) {
        const qreal y = m.map(m.time.lo, v).y();
        p.setPen(QPen(grid, 1));
        p.drawLine(QPointF(m.plot.left(), y), QPointF(m.plot.right(), y));
        p.setPen(secondary);
        p.drawText(QRectF(m.plot.right() + kAxisGap, y - fm.height() / 2, width() - m.plot.right(), fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, valueLabel(v, step));
    }

    std::vector<QPointF> pixels;
    pixels.reserve(chart_->points().size());
    for (const Point& pt : chart_->points())
        pixels.push_back(m.map(pt.date, pt.value));
    const QPainterPath line = curve(pixels);
    const QColor color = chart_->color();
    p.save();
    p.setClipRect(m.plot.adjusted(-2, -2, 2, 2));
    if (chart_->area()) {
        QPainterPath area = line;
        area.lineTo(pixels.back().x(), m.plot.bottom());
        area.lineTo(pixels.front().x(), m.plot.bottom());
        area.closeSubpath();
        QLinearGradient fill(0, m.plot.top(), 0, m.plot.bottom());
        fill.setColorAt(0, withAlpha(color, 0.18));
        fill.setColorAt(1, withAlpha(color, 0.0));
        p.fillPath(area, fill);
    }
    p.strokePath(line, QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.restore();

    if (const auto& ref = chart_->reference()) {
        const qreal y = m.map(m.time.lo, ref->value).y();
        QPen dashed(withAlpha(secondary, 0.6), 1);
        dashed.setDashPattern({4, 4}); // in units of the pen width, which is 1
        p.setPen(dashed);
        p.drawLine(QPointF(m.plot.left(), y), QPointF(m.plot.right(), y));
        const QFontMetricsF sfm(design::subheadlineFont());
        p.setFont(design::subheadlineFont());
        p.setPen(secondary);
        const qreal top = std::max<qreal>(0, y - 2 - sfm.height());
        p.drawText(QRectF(m.plot.left() + 2, top, m.plot.width() - 2, sfm.height()), Qt::AlignLeft | Qt::AlignBottom,
                   ref->label);
    }
}

void HistoryPlot::paintEmpty(QPainter& p) const
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QString title = Texts::tr("Veri toplanıyor");
    const QString description = Texts::tr("Grafik birkaç dakika içinde dolacak.");
    const QFont titleFont = design::title3Font(QFont::DemiBold);
    const QFont bodyFont = design::calloutFont();
    const qreal symbolSide = 28, gap = 6;
    const QRectF box(8, 0, width() - 16, 0);
    const qreal bodyHeight =
        QFontMetricsF(bodyFont).boundingRect(box.adjusted(0, 0, 0, 1000), Qt::AlignHCenter | Qt::TextWordWrap, description)
            .height();
    const qreal titleHeight = QFontMetricsF(titleFont).height();
    const qreal total = symbolSide + gap + titleHeight + gap / 2 + bodyHeight;
    qreal y = std::max<qreal>(0, (height() - total) / 2);
    const QColor secondary = secondaryColor(this);
    Symbols::draw(p, "chart.xyaxis.line", QRectF(width() / 2.0 - symbolSide / 2, y, symbolSide, symbolSide), secondary,
                  SymbolWeight::medium);
    y += symbolSide + gap;
    p.setPen(primaryColor(this));
    design::drawLine(p, QRectF(box.left(), y, box.width(), titleHeight), title, titleFont, 0.8, Qt::AlignCenter);
    y += titleHeight + gap / 2;
    p.setFont(bodyFont);
    p.setPen(secondary);
    p.drawText(QRectF(box.left(), y, box.width(), bodyHeight + 1), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
               description);
}

void HistoryPlot::point(const QPointF& pos)
{
    if (!showsChart())
        return;
    const Mapping m = mapping();
    if (pos.x() < m.plot.left() || pos.x() > m.plot.right()) {
        chart_->setSelected(std::nullopt);
        return;
    }
    chart_->setSelected(m.dateAt(pos.x()));
}

void HistoryPlot::mouseMoveEvent(QMouseEvent* e) { point(e->position()); }

void HistoryPlot::mousePressEvent(QMouseEvent* e) { point(e->position()); }

void HistoryPlot::leaveEvent(QEvent*) { chart_->setSelected(std::nullopt); }
