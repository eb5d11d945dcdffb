#include "design/SegmentedChoice.h"

#include "design/Paint.h"
#include "design/Shapes.h"
#include "design/Theme.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr qreal kPadding = 2;
constexpr qreal kGap = 2;
constexpr qreal kMinSegmentHeight = 24;
QFont segmentFont() { return design::calloutFont(QFont::Medium); }
} // namespace

SegmentedChoiceView::SegmentedChoiceView(QStringList titles, std::vector<bool> selected, qreal maxWidth,
                                         std::function<void(int)> select, QWidget* parent)
    : QWidget(parent), titles_(std::move(titles)), selected_(std::move(selected)), select_(std::move(select))
{
    setMaximumWidth(int(std::floor(maxWidth)));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
    followTheme(this);
}

void SegmentedChoiceView::setTitles(const QStringList& titles)
{
    if (titles == titles_)
        return;
    titles_ = titles;
    setFixedHeight(sizeHint().height());
    updateGeometry();
    update();
}

void SegmentedChoiceView::setSelected(std::vector<bool> selected)
{
    selected_ = std::move(selected);
    update();
}

QSize SegmentedChoiceView::sizeHint() const
{
    const QFontMetricsF fm(segmentFont());
    qreal widest = 0;
    for (const QString& t : titles_)
        widest = std::max(widest, fm.horizontalAdvance(t) + 16);
    const qreal n = titles_.size();
    const qreal w = 2 * kPadding + n * widest + std::max<qreal>(0, n - 1) * kGap;
    return {int(std::ceil(std::min<qreal>(w, maximumWidth()))),
            int(std::ceil(2 * kPadding + std::max(kMinSegmentHeight, fm.height())))};
}

QSize SegmentedChoiceView::minimumSizeHint() const { return {int(2 * kPadding), sizeHint().height()}; }

QRectF SegmentedChoiceView::segmentRect(int index) const
{
    const int n = int(titles_.size());
    if (index < 0 || index >= n)
        return {};
    const qreal w = std::max<qreal>(0, (width() - 2 * kPadding - kGap * (n - 1)) / n);
    return QRectF(kPadding + index * (w + kGap), kPadding, w, height() - 2 * kPadding);
}

int SegmentedChoiceView::segmentAt(const QPointF& pos) const
{
    for (int i = 0; i < titles_.size(); ++i)
        if (segmentRect(i).contains(pos))
            return i;
    return -1;
}

void SegmentedChoiceView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(0.5);
    p.fillPath(capsule(QRectF(rect())), primaryColor(this, 0.08));
    const QColor accent = kvmAccent(this);
    for (int i = 0; i < titles_.size(); ++i) {
        const QRectF r = segmentRect(i);
        const bool on = i < int(selected_.size()) && selected_[size_t(i)];
        if (on)
            p.fillPath(capsule(r), accent);
        p.setPen(on ? QColor(Qt::white) : primaryColor(this));
        design::drawLine(p, r.adjusted(6, 0, -6, 0), titles_[i], segmentFont(), 0.7, Qt::AlignCenter);
    }
}

void SegmentedChoiceView::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton ? segmentAt(e->position()) : -1;
}

void SegmentedChoiceView::mouseReleaseEvent(QMouseEvent* e)
{
    const int i = segmentAt(e->position());
    const bool tap = e->button() == Qt::LeftButton && i >= 0 && i == pressed_;
    pressed_ = -1;
    // The highlighted segment does nothing: the selection is the one the row was built with.
    if (tap && !(i < int(selected_.size()) && selected_[size_t(i)]) && select_)
        select_(i);
}
