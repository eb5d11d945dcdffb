#include "design/Sliders.h"

#include "app/Texts.h"
#include "design/Accessibility.h"
#include "design/Glass.h"
#include "design/Paint.h"
#include "design/Shapes.h"
#include "design/Symbols.h"
#include "design/NumericText.h"
#include "design/TextLine.h"
#include "design/Theme.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QStylePainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace {
constexpr double kAccessibilityStep = 5;
// The platform slider's arrow and accessibility step, as a share of its range.
constexpr double kLevelStepShare = 0.05;
// Page Up/Down and a press on the groove: a bigger move than an arrow's.
constexpr double kLevelPageShare = 0.2;

// Moves a pointer has to make before a press on the symbol stops being a tap.
constexpr qreal kTapSlop = 4;

bool isIncrement(int key) { return key == Qt::Key_Right || key == Qt::Key_Up; }
bool isDecrement(int key) { return key == Qt::Key_Left || key == Qt::Key_Down; }

} // namespace

// ---- ControlSlider

ControlSlider::ControlSlider(QString symbol, DoubleBinding value, ClosedRange range, std::function<void()> onSymbolTap,
                             qreal height, QWidget* parent)
    : QWidget((design::a11y::install(), parent)), symbol_(new SymbolReplace(symbol, this)), value_(std::move(value)),
      range_(range), onSymbolTap_(std::move(onSymbolTap)), height_(height), spring_(0.15)
{
    setFixedHeight(int(std::lround(height_)));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus); // from the keyboard only: a drag leaves no focus ring
    spring_.drawnBy(this);
    connect(&spring_, &Spring::moved, this, qOverload<>(&QWidget::update));
    followTheme(this);
    refresh();
}

QString ControlSlider::symbol() const { return symbol_->name(); }

void ControlSlider::setSymbol(const QString& symbol)
{
    symbol_->setName(symbol);
    update();
}

void ControlSlider::refresh()
{
    spring_.setTarget(shownValue());
    update();
    const QString heard = accessibilityValue();
    if (heard != announced_) {
        announced_ = heard;
        design::a11y::announceValue(this, heard.toDouble());
    }
}

double ControlSlider::fraction(double value, ClosedRange range)
{
    const double span = range.upper - range.lower;
    if (!(span > 0) || !std::isfinite(value))
        return 0.0; // equal bounds draw an empty track rather than NaN
    return std::clamp((value - range.lower) / span, 0.0, 1.0);
}

double ControlSlider::valueAt(double x, double w, ClosedRange range)
{
    if (!(w > 0))
        return range.lower;
    return range.clamp(range.lower + (range.upper - range.lower) * (x / w));
}

qreal ControlSlider::fillWidth() const
{
    return std::max(height_, width() * fraction(spring_.current(), range_));
}

bool ControlSlider::symbolOnFill() const { return width() * fraction(spring_.current(), range_) > 0.9 * height_; }

QSize ControlSlider::sizeHint() const { return {240, int(std::lround(height_))}; }

void ControlSlider::paintEvent(QPaintEvent*)
{
    if (spring_.target() != shownValue())
        spring_.setTarget(shownValue());
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, width(), height_);
    const KVMGlass glass = kvmGlass(capsule(r), std::nullopt, false);
    glass.paintBackground(p, this);

    const QRectF fill(0, 0, std::min<qreal>(fillWidth(), width()), height_);
    p.save();
    p.translate(0, 0.5);
    p.fillPath(capsule(fill.adjusted(-0.5, -0.5, 0.5, 0.5)), QColor(0, 0, 0, 31)); // shadow
    p.restore();
    p.fillPath(capsule(fill), Qt::white);
    glass.paintOverlay(p, this);

    const QColor symbolColor = symbolOnFill() ? QColor(0, 0, 0, 179) : secondaryColor(this);
    symbol_->paint(p, Symbols::boxFor(14, QPointF(height_ / 2, height_ / 2)), symbolColor, SymbolWeight::semibold);
    design::a11y::paintFocusRing(p, this, capsule(r.adjusted(1, 1, -1, -1)));
}

void ControlSlider::dragChanged(qreal x)
{
    if (!dragStart_) {
        // A press that began on the symbol belongs to the symbol's action, for the whole drag.
        if (pressX_ && *pressX_ < height_ && onSymbolTap_)
            return;
        dragStart_ = value_.get();
    }
    dragValue_ = valueAt(x, width(), range_);
    value_.set(*dragValue_);
    refresh();
}

void ControlSlider::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    pressX_ = e->position().x();
    moved_ = false;
    dragChanged(e->position().x());
}

void ControlSlider::mouseMoveEvent(QMouseEvent* e)
{
    if (!pressX_)
        return;
    if (std::abs(e->position().x() - *pressX_) > kTapSlop)
        moved_ = true;
    dragChanged(e->position().x());
}

void ControlSlider::mouseReleaseEvent(QMouseEvent* e)
{
    if (!pressX_ || e->button() != Qt::LeftButton)
        return;
    const bool tapOnSymbol = *pressX_ < height_ && !moved_ && e->position().x() < height_
        && e->position().y() >= 0 && e->position().y() <= height_;
    pressX_.reset();
    dragStart_.reset();
    dragValue_.reset();
    refresh(); // what the owner made of the drag
    if (tapOnSymbol && onSymbolTap_)
        onSymbolTap_();
}

QString ControlSlider::accessibilityValue() const { return QString::number(std::lround(value_.get())); }

void ControlSlider::accessibilitySet(double value)
{
    value_.set(range_.clamp(value));
    refresh();
}

void ControlSlider::accessibilityIncrement()
{
    value_.set(range_.clamp(value_.get() + kAccessibilityStep));
    refresh();
}

void ControlSlider::accessibilityDecrement()
{
    value_.set(range_.clamp(value_.get() - kAccessibilityStep));
    refresh();
}

void ControlSlider::keyPressEvent(QKeyEvent* e)
{
    if (isIncrement(e->key()))
        accessibilityIncrement();
    else if (isDecrement(e->key()))
        accessibilityDecrement();
    else
        QWidget::keyPressEvent(e);
}

// ---- MiniSlider

MiniSlider::MiniSlider(double value, std::function<void(double)> onChange, qreal knob, QWidget* parent)
    : MiniSlider(value, {0, 100}, std::move(onChange), knob, parent)
{
}

MiniSlider::MiniSlider(double value, ClosedRange range, std::function<void(double)> onChange, qreal knob,
                       QWidget* parent)
    : QWidget((design::a11y::install(), parent)), value_(value), range_(range), onChange_(std::move(onChange)), knob_(knob)
{
    setFixedHeight(22);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus); // from the keyboard only: a drag leaves no focus ring
    followTheme(this);
}

void MiniSlider::setValue(double value)
{
    if (dragging_) {
        held_ = value;
        return;
    }
    const bool heard = std::lround(value) != std::lround(value_);
    value_ = value;
    update();
    if (heard)
        design::a11y::announceValue(this, double(std::lround(value_)));
}

void MiniSlider::setRange(ClosedRange range)
{
    range_ = range;
    update();
}

qreal MiniSlider::knobOffset(double value, qreal w, qreal knob, ClosedRange range)
{
    const qreal usable = std::max<qreal>(w - knob, 1);
    return usable * ControlSlider::fraction(value, range); // NaN draws at the left
}

double MiniSlider::levelAt(qreal x, qreal w, qreal knob, ClosedRange range)
{
    const qreal usable = std::max<qreal>(w - knob, 1);
    const double f = std::clamp((x - knob / 2) / usable, 0.0, 1.0);
    return range.clamp(range.lower + f * (range.upper - range.lower));
}

void MiniSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width();
    const qreal mid = height() / 2.0;
    const qreal x = knobOffset(value_, w, knob_, range_);
    p.fillPath(capsule(QRectF(0, mid - 2, w, 4)), primaryColor(this, 0.14));
    p.fillPath(capsule(QRectF(0, mid - 2, x + knob_ / 2, 4)), kvmAccent(this));
    const QRectF knob(x, mid - knob_ / 2, knob_, knob_);
    p.fillPath(circle(knob.translated(0, 0.5).adjusted(-1, -1, 1, 1)), QColor(0, 0, 0, 40));
    p.fillPath(circle(knob.translated(0, 0.5)), QColor(0, 0, 0, 40));
    p.fillPath(circle(knob), Qt::white);
    design::a11y::paintFocusRing(p, this, circle(knob.adjusted(-1, -1, 1, 1)));
}

void MiniSlider::dragTo(qreal x)
{
    value_ = levelAt(x, width(), knob_, range_);
    update();
    if (onChange_)
        onChange_(value_);
}

void MiniSlider::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    held_.reset();
    dragTo(e->position().x());
}

void MiniSlider::mouseMoveEvent(QMouseEvent* e)
{
    if (dragging_ && (e->buttons() & Qt::LeftButton))
        dragTo(e->position().x());
}

void MiniSlider::mouseReleaseEvent(QMouseEvent* e)
{
    if (!dragging_ || e->button() != Qt::LeftButton)
        return;
    dragging_ = false;
    // The owner's last word during the drag is what it made of it.
    if (held_)
        setValue(*held_);
    held_.reset();
}

QString MiniSlider::accessibilityValue() const { return QString::number(std::lround(value_)); }

void MiniSlider::accessibilitySet(double value)
{
    if (onChange_)
        onChange_(range_.clamp(value));
}

void MiniSlider::accessibilityIncrement()
{
    if (onChange_)
        onChange_(range_.clamp(value_ + kAccessibilityStep));
}

void MiniSlider::accessibilityDecrement()
{
    if (onChange_)
        onChange_(range_.clamp(value_ - kAccessibilityStep));
}

void MiniSlider::keyPressEvent(QKeyEvent* e)
{
    if (isIncrement(e->key()))
        accessibilityIncrement();
    else if (isDecrement(e->key()))
        accessibilityDecrement();
    else
        QWidget::keyPressEvent(e);
}

// ---- LevelSlider

void LevelSlider::paintWithFocusRing(QSlider& slider)
{
    QStylePainter p(&slider);
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    option.orientation = slider.orientation();
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = slider.sliderPosition();
    option.sliderValue = slider.value();
    option.singleStep = slider.singleStep();
    option.pageStep = slider.pageStep();
    option.upsideDown = slider.invertedAppearance();
    if (slider.isSliderDown()) {
        option.activeSubControls = QStyle::SC_SliderHandle;
        option.state |= QStyle::State_Sunken;
    }
    option.state &= ~QStyle::State_HasFocus; // the ring below says it, in the accent
    p.drawComplexControl(QStyle::CC_Slider, option);
    design::a11y::paintFocusRing(p, &slider, capsule(QRectF(slider.rect()).adjusted(1, 1, -1, -1)));
}

// ---- ValueSlider

ValueSlider::ValueSlider(QString title, QString symbol, std::optional<QString> valueText, DoubleBinding value,
                         ClosedRange range, std::function<void()> onSymbolTap, QWidget* parent)
    : QWidget((design::a11y::install(), parent)), title_(std::move(title)), valueText_(std::move(valueText)),
      value_(std::move(value)), range_(range)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    titleLine_ = new TextLine(title_, design::calloutFont(), TextLine::Tone::secondary);
    top->addWidget(titleLine_, 1);
    readout_ = new NumericText(design::calloutFont(), TextLine::Tone::secondary);
    readout_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    top->addWidget(readout_);
    column->addLayout(top);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(10);
    symbol_ = new SymbolView(std::move(symbol), 14, SymbolWeight::medium);
    symbol_->setFixedWidth(20);
    if (onSymbolTap) {
        auto* button = new QToolButton;
        button->setAutoRaise(true);
        button->setFixedSize(20, 22);
        button->setStyleSheet("QToolButton { border: none; background: transparent; }");
        auto* inner = new QHBoxLayout(button);
        inner->setContentsMargins(0, 0, 0, 0);
        inner->addWidget(symbol_);
        symbol_->setAttribute(Qt::WA_TransparentForMouseEvents);
        connect(button, &QToolButton::clicked, this, [tap = std::move(onSymbolTap)] { tap(); });
        symbolButton_ = button;
    } else {
        symbolButton_ = symbol_;
    }
    bottom->addWidget(symbolButton_);
    slider_ = new LevelSlider(Qt::Horizontal);
    slider_->setFocusPolicy(Qt::TabFocus); // from the keyboard only, as every control
    slider_->setRange(0, kSteps);
    slider_->setSingleStep(int(std::lround(kSteps * kLevelStepShare)));
    slider_->setPageStep(int(std::lround(kSteps * kLevelPageShare)));
    slider_->setFixedHeight(22);
    bottom->addWidget(slider_, 1);
    column->addLayout(bottom);

    connect(slider_, &QSlider::valueChanged, this, [this](int step) {
        const double span = range_.upper - range_.lower;
        value_.set(range_.clamp(range_.lower + span * step / kSteps));
        readout_->setText(readout());
    });
    connect(slider_, &QSlider::sliderReleased, this, &ValueSlider::refresh);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    refresh();
}

void ValueSlider::setTitle(const QString& title)
{
    title_ = title;
    titleLine_->setText(title);
}

void ValueSlider::setSymbol(const QString& symbol) { symbol_->setSymbol(symbol); }

void ValueSlider::setValueText(std::optional<QString> text)
{
    valueText_ = std::move(text);
    readout_->setText(readout());
}

void ValueSlider::refresh()
{
    if (slider_->isSliderDown())
        return;
    const QSignalBlocker block(slider_);
    slider_->setValue(int(std::lround(ControlSlider::fraction(value_.get(), range_) * kSteps)));
    readout_->setText(readout());
}

QString ValueSlider::percentText(double value)
{
    return Texts::tr("%%1", std::lround(value));
}

double ValueSlider::step() const { return (range_.upper - range_.lower) * kLevelStepShare; }

void ValueSlider::setLevelAsDragged(double level)
{
    // Through the slider, so the level takes the same path as a drag does.
    slider_->setValue(int(std::lround(ControlSlider::fraction(range_.clamp(level), range_) * kSteps)));
}

QString ValueSlider::readout() const { return valueText_ ? *valueText_ : percentText(value_.get()); }
