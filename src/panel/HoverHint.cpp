#include "panel/HoverHint.h"

#include "design/Paint.h"
#include "design/Spring.h"
#include "design/Theme.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <algorithm>

using namespace design;

HoverHintModel& HoverHintModel::shared()
{
    static HoverHintModel* model = new HoverHintModel; // kept for the process
    return *model;
}

void HoverHintModel::hover(const QString& text, const QRectF& frame, const QUuid& id)
{
    pending_.stop();
    owner_ = id;
    QPointer<HoverHintModel> self(this);
    pending_.start(kDelay, [self, text, frame] {
        if (!self)
            return;
        self->hint_ = Hint{text, frame};
        emit self->changed();
    });
}

void HoverHintModel::leave(const QUuid& id)
{
    if (!owner_ || *owner_ != id)
        return;
    pending_.stop();
    owner_.reset();
    if (hint_) {
        hint_.reset();
        emit changed();
    }
}

HoverHint::HoverHint(QWidget* view, QString text, QWidget* panel)
    : QObject(view), view_(view), text_(std::move(text)), panel_(panel)
{
    view_->setAttribute(Qt::WA_Hover);
    view_->installEventFilter(this);
    if (view_->accessibleName().isEmpty())
        view_->setAccessibleName(text_); // an icon-only button is named by its hint
}

HoverHint::~HoverHint() { HoverHintModel::shared().leave(id_); }

QRectF HoverHint::frame() const
{
    const QPoint origin = panel_ ? view_->mapTo(panel_, QPoint(0, 0)) : view_->pos();
    return QRectF(origin, view_->size());
}

bool HoverHint::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_) {
        switch (event->type()) {
        case QEvent::Enter:
            HoverHintModel::shared().hover(text_, frame(), id_);
            break;
        case QEvent::Leave:
        case QEvent::Hide:
        case QEvent::MouseButtonPress:
            HoverHintModel::shared().leave(id_);
            break;
        default:
            break;
        }
    }
    return false; // the view still gets every event
}

HoverHint* hoverHint(QWidget* view, const QString& text, QWidget* panel) { return new HoverHint(view, text, panel); }

namespace {
constexpr qreal kInset = 4;
constexpr qreal kGap = 6;
QFont hintFont() { return calloutFont(QFont::Medium); }
} // namespace

HoverHintLayer::HoverHintLayer(HoverHintModel& model, QWidget* parent)
    : QWidget(parent), model_(model), transition_(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    transition_->setDuration(kTransitionMs);
    transition_->setEasingCurve(QEasingCurve::OutQuad);
    transition_->setStartValue(0.0);
    transition_->setEndValue(1.0);
    connect(transition_, &QVariantAnimation::valueChanged, this, &HoverHintLayer::repaintBubble);
    connect(&model_, &HoverHintModel::changed, this, &HoverHintLayer::follow);
    follow();
}

void HoverHintLayer::follow()
{
    // From what is drawn now, so a change in mid-transition carries on without a jump.
    fromRect_ = shownRect();
    fromOpacity_ = shownOpacity();
    if (!model_.hint() && fromOpacity_ <= 0) {
        // Nothing shown and nothing to show: no fade, no repaint.
        transition_->stop();
        toRect_ = fromRect_;
        toOpacity_ = 0;
        return;
    }
    if (const auto& hint = model_.hint()) {
        text_ = hint->text;
        toRect_ = bubbleRect();
        toOpacity_ = 1;
        if (fromOpacity_ <= 0)
            fromRect_ = toRect_; // a fresh bubble fades in where it belongs, without a glide
    } else {
        toRect_ = fromRect_; // fades out where it is
        toOpacity_ = 0;
    }
    transition_->stop();
    if (Spring::animationsEnabled())
        transition_->start();
    else
        transition_->setCurrentTime(kTransitionMs);
    repaintBubble();
}

QRect HoverHintLayer::paintedArea(const QRectF& box)
{
    if (box.isEmpty())
        return {};
    // The shadow reaches 3 points around the bubble and 2 more below it; a point more for
    // antialiasing.
    return box.adjusted(-4, -4, 4, 6).toAlignedRect();
}

void HoverHintLayer::repaintBubble()
{
    const QRect now = shownOpacity() > 0 ? paintedArea(shownRect()) : QRect();
    const QRect dirty = now | shownArea_;
    shownArea_ = now;
    if (!dirty.isEmpty())
        update(dirty);
}

QRectF HoverHintLayer::shownRect() const
{
    const qreal t = transition_->currentValue().toDouble();
    return {fromRect_.topLeft() + (toRect_.topLeft() - fromRect_.topLeft()) * t,
            fromRect_.size() + (toRect_.size() - fromRect_.size()) * t};
}

void HoverHintLayer::resizeEvent(QResizeEvent*)
{
    // The bubble keeps 4 points inside the layer's edges, wherever they are now.
    if (model_.hint()) {
        const QRectF to = bubbleRect();
        if (fromRect_ == toRect_)
            fromRect_ = to;
        toRect_ = to;
    }
}

qreal HoverHintLayer::shownOpacity() const
{
    const qreal t = transition_->currentValue().toDouble();
    return fromOpacity_ + (toOpacity_ - fromOpacity_) * t;
}

QSizeF HoverHintLayer::bubbleSize() const
{
    if (!model_.hint())
        return {};
    const QFontMetricsF fm(hintFont());
    return {std::ceil(fm.horizontalAdvance(model_.hint()->text)) + 20, std::ceil(fm.height()) + 10};
}

QRectF HoverHintLayer::bubbleRect(const QRectF& anchor, const QSizeF& size, qreal width)
{
    // The right-hand bound wins when the bubble is wider than the room.
    const qreal x = std::min(std::max(anchor.center().x(), size.width() / 2 + kInset), width - size.width() / 2 - kInset);
    const qreal y = anchor.bottom() + kGap + size.height() / 2;
    return {QPointF(x - size.width() / 2, y - size.height() / 2), size};
}

QRectF HoverHintLayer::bubbleRect() const
{
    if (!model_.hint())
        return {};
    return bubbleRect(model_.hint()->frame, bubbleSize(), width());
}

void HoverHintLayer::paintEvent(QPaintEvent*)
{
    const qreal opacity = shownOpacity();
    if (opacity <= 0 || text_.isEmpty())
        return;
    const QRectF box = shownRect();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(opacity);
    const qreal r = box.height() / 2;
    // Shadow: black at 0.3, about 6 points soft, 2 points down.
    for (int i = 6; i >= 1; --i) {
        QColor shade(0, 0, 0, int(255 * 0.3 * 0.16 * (7 - i) / 6.0));
        p.setPen(Qt::NoPen);
        p.setBrush(shade);
        p.drawRoundedRect(box.translated(0, 2).adjusted(-i * 0.5, -i * 0.5, i * 0.5, i * 0.5), r + i * 0.5, r + i * 0.5);
    }
    p.setBrush(palette().color(QPalette::Window));
    p.drawRoundedRect(box, r, r);
    p.setPen(QPen(primaryColor(this, 0.15), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), r - 0.5, r - 0.5);
    p.setPen(primaryColor(this));
    p.setFont(hintFont());
    p.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text_);
}
