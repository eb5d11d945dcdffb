#include "design/SegmentedChoice.h"

#include "design/Accessibility.h"
#include "design/Paint.h"
#include "design/Shapes.h"
#include "design/Theme.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kPadding = 2;
constexpr qreal kGap = 2;
constexpr qreal kMinSegmentHeight = 24;
QFont segmentFont() { return design::calloutFont(QFont::Medium); }

class Segment : public QWidget {
public:
    Segment(std::function<void(int)> step, QWidget* parent) : QWidget(parent), step_(std::move(step))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents); // the row takes the taps
    }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Left || e->key() == Qt::Key_Up)
            step_(-1);
        else if (e->key() == Qt::Key_Right || e->key() == Qt::Key_Down)
            step_(1);
        else
            QWidget::keyPressEvent(e);
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        design::a11y::paintFocusRing(p, this, capsule(QRectF(rect()).adjusted(1, 1, -1, -1)));
    }

private:
    std::function<void(int)> step_;
};
} // namespace

SegmentedChoiceView::SegmentedChoiceView(QStringList titles, std::vector<bool> selected, qreal maxWidth,
                                         std::function<void(int)> select, QWidget* parent)
    : QWidget(parent), titles_(std::move(titles)), selected_(std::move(selected)), select_(std::move(select))
{
    setMaximumWidth(int(std::floor(maxWidth)));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
    design::a11y::describe(this, {.role = QAccessible::Grouping});
    syncSegments();
    followTheme(this);
}

QWidget* SegmentedChoiceView::segment(int index) const
{
    return index >= 0 && size_t(index) < segments_.size() ? segments_[size_t(index)] : nullptr;
}

void SegmentedChoiceView::syncSegments()
{
    while (segments_.size() < size_t(titles_.size())) {
        auto* s = new Segment([this](int d) { step(d); }, this);
        const int i = int(segments_.size());
        design::a11y::describe(s, {.role = QAccessible::RadioButton,
                                   .name = [this, i] { return i < titles_.size() ? titles_[i] : QString(); },
                                   .checked = [this, i] { return size_t(i) < selected_.size() && selected_[size_t(i)]; },
                                   .activate = [this, i] { choose(i); }, .owner = this});
        segments_.push_back(s);
        s->show();
    }
    while (segments_.size() > size_t(titles_.size())) {
        // Later: an arrow press in this very segment may have led here.
        segments_.back()->hide();
        segments_.back()->deleteLater();
        segments_.pop_back();
    }
    bool anySelected = false;
    for (bool on : selected_)
        anySelected = anySelected || on;
    bool hadFocus = false;
    for (size_t i = 0; i < segments_.size(); ++i) {
        QWidget* s = segments_[i];
        hadFocus = hadFocus || s->hasFocus();
        const bool on = i < selected_.size() && selected_[i];
        // One tab stop for the row: the selected segment, or the first while none is.
        s->setFocusPolicy(on || (!anySelected && i == 0) ? Qt::TabFocus : Qt::NoFocus);
        s->setGeometry(segmentRect(int(i)).toAlignedRect());
    }
    if (hadFocus)
        for (size_t i = 0; i < segments_.size(); ++i)
            if (i < selected_.size() && selected_[i])
                segments_[i]->setFocus(Qt::OtherFocusReason);
}

void SegmentedChoiceView::choose(int index)
{
    if (index < 0 || index >= titles_.size() || !isEnabled())
        return;
    if (!(size_t(index) < selected_.size() && selected_[size_t(index)]) && select_)
        select_(index);
}

void SegmentedChoiceView::step(int delta)
{
    int current = -1;
    for (size_t i = 0; i < selected_.size(); ++i)
        if (selected_[i])
            current = int(i);
    const int n = int(titles_.size());
    if (n == 0)
        return;
    choose(current < 0 ? 0 : std::clamp(current + delta, 0, n - 1));
}

void SegmentedChoiceView::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    syncSegments();
}

void SegmentedChoiceView::setTitles(const QStringList& titles)
{
    if (titles == titles_)
        return;
    titles_ = titles;
    setFixedHeight(sizeHint().height());
    syncSegments();
    updateGeometry();
    update();
}

void SegmentedChoiceView::setSelected(std::vector<bool> selected)
{
    const std::vector<bool> was = std::exchange(selected_, std::move(selected));
    syncSegments();
    update();
    for (size_t i = 0; i < segments_.size(); ++i) {
        const bool before = i < was.size() && was[i], now = i < selected_.size() && selected_[i];
        if (before != now) {
            QAccessible::State changed;
            changed.checked = true;
            design::a11y::announceState(segments_[i], changed);
        }
    }
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
