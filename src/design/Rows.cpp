#include "design/Rows.h"

#include "design/Accessibility.h"
#include "design/Controls.h"
#include "design/Glass.h"
#include "design/Paint.h"
#include "design/Shapes.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/Theme.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

// ---- StatRow

StatRow::StatRow(QString label, QString value, std::optional<QString> secondary, QWidget* parent) : QWidget(parent)
{
    auto* row = row_ = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    label_ = new TextLine(std::move(label), design::calloutFont(), TextLine::Tone::secondary);
    row->addWidget(label_);
    row->addSpacerItem(new QSpacerItem(12, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    value_ = new TextLine(std::move(value), design::calloutFont());
    row->addWidget(value_);
    setSecondary(secondary);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void StatRow::setLabel(const QString& label) { label_->setText(label); }

void StatRow::setValue(const QString& value) { value_->setText(value); }

void StatRow::setValueColor(const Tint& color) { value_->setColor(color); }

void StatRow::setSecondary(const std::optional<QString>& secondary)
{
    if (secondary && !secondary_) {
        secondary_ = new TextLine(QString(), design::calloutFont(), TextLine::Tone::secondary);
        secondary_->setMinimumWidth(52);
        secondary_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row_->addWidget(secondary_);
    }
    if (secondary_) {
        secondary_->setText(secondary.value_or(QString()));
        secondary_->setVisible(secondary.has_value());
    }
}

// ---- Switch

Switch::Switch(QString accessibleTitle, BoolBinding isOn, QWidget* parent) : QWidget(parent), isOn_(std::move(isOn))
{
    design::a11y::describe(this, {.role = QAccessible::CheckBox, .checked = [this] { return this->isOn(); },
                                  .activate = [this] { toggle(); }});
    setAccessibleName(accessibleTitle);
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::TabFocus); // a click toggles without leaving a focus ring
    setCursor(Qt::PointingHandCursor);
    followTheme(this);
}

void Switch::toggle()
{
    const bool was = isOn_.get();
    isOn_.set(!was);
    update();
    if (isOn_.get() != was) { // a refused change is no change
        QAccessible::State changed;
        changed.checked = true;
        design::a11y::announceState(this, changed);
    }
}

void Switch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, 0.5, width() - 1, height() - 1);
    const bool on = isOn_.get();
    p.fillPath(capsule(r), on ? kvmAccent(this) : primaryColor(this, 0.12));
    const qreal d = r.height() - 3;
    const QRectF knob(on ? r.right() - 1.5 - d : r.left() + 1.5, r.top() + 1.5, d, d);
    p.fillPath(circle(knob.translated(0, 0.5)), QColor(0, 0, 0, 45));
    p.fillPath(circle(knob), Qt::white);
    if (!isEnabled())
        p.fillPath(capsule(r), withAlpha(palette().color(QPalette::Window), 0.5));
    design::a11y::paintFocusRing(p, this, capsule(QRectF(rect()).adjusted(1, 1, -1, -1)));
}

void Switch::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        toggle();
}

// ---- SwitchRow

SwitchRow::SwitchRow(QString title, std::optional<QString> subtitle, std::optional<QString> symbol, BoolBinding isOn,
                     QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    if (symbol) {
        icon_ = new SymbolView(std::move(*symbol), 13, SymbolWeight::regular);
        icon_->setFixedWidth(20);
        row->addWidget(icon_, 0, Qt::AlignVCenter);
    }
    auto* textsBox = new QWidget;
    auto* texts = new QVBoxLayout(textsBox);
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(1);
    // Titles and explanations run long (and longer in some languages): they wrap, and the row
    // grows, rather than lose words.
    title_ = new WrappingText(title, design::systemFont(13), TextLine::Tone::primary);
    texts->addWidget(title_);
    if (subtitle) {
        subtitle_ = new WrappingText(std::move(*subtitle), design::calloutFont(), TextLine::Tone::secondary);
        texts->addWidget(subtitle_);
    }
    // The texts take the width the switch leaves, so they wrap only where they must.
    row->addWidget(textsBox, 1, Qt::AlignVCenter);
    row->addSpacerItem(new QSpacerItem(8, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
    switch_ = new Switch(title, std::move(isOn));
    row->addWidget(switch_, 0, Qt::AlignVCenter);
    // The height comes from the width; a fixed vertical policy would cap it at one line.
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

// ---- SelectableRow

SelectableRow::SelectableRow(QString title, QString symbol, bool selected, std::function<void()> action,
                             QWidget* parent)
    : QWidget(parent), title_(std::move(title)), symbol_(std::move(symbol)), selected_(selected),
      action_(std::move(action))
{
    design::a11y::describe(this, {.role = QAccessible::RadioButton, .checked = [this] { return selected_; },
                                  .activate = [this] {
                                      if (action_)
                                          action_();
                                  }});
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(title_);
    followTheme(this);
}

QSize SelectableRow::sizeHint() const
{
    const qreal text = design::textWidth(design::systemFont(13), title_);
    return {int(std::ceil(6 + 24 + 10 + text + 10 + 16 + 6)), 24 + 8};
}

QRectF SelectableRow::badgeRect() const { return QRectF(6, (height() - 24) / 2.0, 24, 24); }

QRectF SelectableRow::checkRect() const { return QRectF(width() - 6 - 14, (height() - 14) / 2.0, 14, 14); }

void SelectableRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor accent = kvmAccent(this);
    if (hovering_)
        p.fillPath(continuousRoundedRect(QRectF(rect()), 12), primaryColor(this, 0.06));
    const QRectF badge = badgeRect();
    p.fillPath(circle(badge), selected_ ? accent : primaryColor(this, 0.08));
    Symbols::draw(p, symbol_, Symbols::boxFor(12, badge.center()), selected_ ? QColor(Qt::white) : secondaryColor(this),
                  SymbolWeight::semibold);
    const qreal textLeft = badge.right() + 10;
    const qreal textRight = selected_ ? checkRect().left() - 8 : width() - 6;
    p.setPen(primaryColor(this));
    design::drawLine(p, QRectF(textLeft, 0, std::max<qreal>(0, textRight - textLeft), height()), title_,
                     design::systemFont(13));
    if (selected_)
        Symbols::draw(p, "checkmark", checkRect(), accent, SymbolWeight::bold);
    design::a11y::paintFocusRing(p, this, continuousRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 12));
}

void SelectableRow::enterEvent(QEnterEvent*)
{
    hovering_ = true;
    update();
}

void SelectableRow::leaveEvent(QEvent*)
{
    hovering_ = false;
    update();
}

void SelectableRow::mousePressEvent(QMouseEvent* e) { pressed_ = e->button() == Qt::LeftButton; }

void SelectableRow::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    if (click && action_)
        action_();
}

// ---- StatusChip

namespace {
QFont chipFont() { return design::calloutFont(QFont::Medium); }
constexpr qreal kChipSymbol = 13; // box of the label's symbol at the callout size
constexpr qreal kChipGap = 5;
} // namespace

StatusChip::StatusChip(QString text, QString symbol, Tint tint, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), symbol_(std::move(symbol)), tint_(std::move(tint))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text_);
    followTheme(this);
}

QSize StatusChip::sizeHint() const
{
    const QFontMetricsF fm(chipFont());
    return {int(std::ceil(10 + kChipSymbol + kChipGap + fm.horizontalAdvance(text_) + 10)),
            int(std::ceil(5 + std::max(fm.height(), kChipSymbol) + 5))};
}

void StatusChip::setText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    setAccessibleName(text_);
    updateGeometry();
    update();
}

void StatusChip::setSymbol(const QString& symbol)
{
    symbol_ = symbol;
    update();
}

void StatusChip::setTint(const Tint& tint)
{
    tint_ = tint;
    update();
}

void StatusChip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor tint = tint_.resolve(this, Tint::secondary());
    const KVMGlass glass = kvmGlass(capsule(QRectF(rect())), withAlpha(tint, 0.15), false);
    glass.paintBackground(p, this);
    const qreal mid = height() / 2.0;
    Symbols::draw(p, symbol_, QRectF(10, mid - kChipSymbol / 2, kChipSymbol, kChipSymbol), tint, SymbolWeight::medium);
    p.setPen(tint);
    const qreal left = 10 + kChipSymbol + kChipGap;
    design::drawLine(p, QRectF(left, 0, width() - left - 10 + 1, height()), text_, chipFont());
    glass.paintOverlay(p, this);
}
