#include "design/Controls.h"

#include "design/Accessibility.h"
#include "design/Paint.h"
#include "design/Shapes.h"
#include "design/Symbols.h"
#include "design/Theme.h"
#include "design/ViewSync.h"

#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QVBoxLayout>
#include <cmath>

namespace {
constexpr qreal kBox = 14;
constexpr qreal kBoxGap = 6;
constexpr qreal kDisabledOpacity = TextLine::kDisabledOpacity;

// What names a disclosure header: its label, or the first named part of the caller's row.
QString accessibleNameOf(const QWidget* label)
{
    if (!label)
        return {};
    if (!label->accessibleName().isEmpty())
        return label->accessibleName();
    for (const QWidget* part : label->findChildren<QWidget*>())
        if (!part->accessibleName().isEmpty())
            return part->accessibleName();
    return {};
}
} // namespace

// ---- CheckBox

CheckBox::CheckBox(QString title, BoolBinding isOn, QWidget* parent)
    : QWidget(parent), title_(std::move(title)), isOn_(std::move(isOn))
{
    design::a11y::describe(this, {.role = QAccessible::CheckBox, .checked = [this] { return this->isOn(); },
                                  .activate = [this] { toggle(); }});
    setFont(design::calloutFont());
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(title_);
    followTheme(this);
}

void CheckBox::setTitle(const QString& title)
{
    title_ = title;
    setAccessibleName(title_);
    updateGeometry();
    update();
}

QSize CheckBox::sizeHint() const
{
    const QFontMetricsF fm(font());
    const qreal text = title_.isEmpty() ? 0 : kBoxGap + fm.horizontalAdvance(title_);
    return {int(std::ceil(kBox + text + 1)), int(std::ceil(std::max(fm.height(), kBox + 2)))};
}

QRectF CheckBox::boxRect() const { return QRectF(0.5, (height() - kBox) / 2, kBox, kBox); }

void CheckBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(kDisabledOpacity);
    const QRectF box = boxRect();
    const QPainterPath shape = continuousRoundedRect(box, 4);
    if (isOn()) {
        p.fillPath(shape, kvmAccent(this));
        if (pressed_)
            p.fillPath(shape, QColor(0, 0, 0, 40));
        Symbols::draw(p, "checkmark", box.adjusted(2, 2, -2, -2), Qt::white, SymbolWeight::bold);
    } else {
        p.fillPath(shape, primaryColor(this, pressed_ ? 0.14 : isDark(this) ? 0.1 : 0.04));
        p.setPen(QPen(primaryColor(this, 0.3), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(continuousRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3.5));
    }
    design::a11y::paintFocusRing(p, this, continuousRoundedRect(box.adjusted(-1, -1, 1, 1), 5));
    if (!title_.isEmpty()) {
        p.setPen(primaryColor(this));
        const qreal left = box.right() + kBoxGap;
        design::drawLine(p, QRectF(left, 0, width() - left, height()), title_, font());
    }
}

void CheckBox::toggle()
{
    const bool was = isOn();
    if (isOn_.set)
        isOn_.set(!was);
    update();
    if (isOn() != was) {
        QAccessible::State changed;
        changed.checked = true;
        design::a11y::announceState(this, changed);
    }
}

void CheckBox::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton;
    update();
}

void CheckBox::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    if (click)
        toggle();
    else
        update();
}

void CheckBox::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange)
        updateGeometry();
    QWidget::changeEvent(e);
}

// ---- DisclosureGroup

namespace {

// The header row: the whole row is the tap target.
class DisclosureHeader : public QWidget {
public:
    DisclosureHeader(std::function<void()> toggle, std::function<bool()> expanded, std::function<QString()> name,
                     QWidget* parent = nullptr)
        : QWidget(parent), toggle_(std::move(toggle))
    {
        design::a11y::describe(this, {.role = QAccessible::Button, .name = std::move(name),
                                      .expanded = std::move(expanded), .activate = [this] { toggle_(); },
                                      .owner = parent});
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override { pressed_ = e->button() == Qt::LeftButton; }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
        pressed_ = false;
        if (click)
            toggle_();
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        QPainterPath ring;
        ring.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 5, 5);
        design::a11y::paintFocusRing(p, this, ring);
    }

private:
    std::function<void()> toggle_;
    bool pressed_ = false;
};

} // namespace

DisclosureGroup::DisclosureGroup(QString title, BoolBinding expanded, QWidget* content, QWidget* parent)
    : QWidget(parent), expanded_(std::move(expanded)), content_(content)
{
    title_ = new TextLine(std::move(title), design::calloutFont(), TextLine::Tone::secondary);
    build(title_);
}

DisclosureGroup::DisclosureGroup(QWidget* header, BoolBinding expanded, QWidget* content, QWidget* parent)
    : QWidget(parent), expanded_(std::move(expanded)), content_(content)
{
    build(header);
}

void DisclosureGroup::build(QWidget* label)
{
    column_ = new QVBoxLayout(this);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(8);
    header_ = new DisclosureHeader([this] { setExpanded(!isExpanded()); }, [this] { return isExpanded(); },
                                   [label] { return accessibleNameOf(label); }, this);
    auto* row = new QHBoxLayout(header_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    chevron_ = new SymbolView("chevron.right", 9, SymbolWeight::bold);
    chevron_->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(chevron_, 0, Qt::AlignVCenter);
    if (label) {
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        row->addWidget(label, 1);
    }
    column_->addWidget(header_);
    if (content_)
        column_->addWidget(content_);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    refresh();
}

bool DisclosureGroup::isExpanded() const { return expanded_.get ? expanded_.get() : own_; }

void DisclosureGroup::setExpanded(bool expanded)
{
    if (expanded_.set)
        expanded_.set(expanded);
    else if (!expanded_.get)
        own_ = expanded;
    refresh();
}

void DisclosureGroup::setTitle(const QString& title)
{
    if (title_)
        title_->setText(title);
}

void DisclosureGroup::setContent(QWidget* content)
{
    if (content == content_)
        return;
    retireWidget(content_);
    content_ = content;
    if (content_)
        column_->addWidget(content_);
    refresh();
}

void DisclosureGroup::refresh()
{
    const bool open = isExpanded();
    if (content_ && content_->isVisibleTo(this) != open) {
        QAccessible::State changed;
        changed.expanded = true;
        design::a11y::announceState(header_, changed);
    }
    chevron_->setSymbol(open ? "chevron.down" : "chevron.right");
    if (content_)
        content_->setVisible(open);
}

// ---- TextField

TextField::TextField(const QString& placeholder, QWidget* parent) : QLineEdit(parent)
{
    setPlaceholderText(placeholder);
    setAccessibleName(placeholder); // what the field is for, also once it holds a text
    setFrame(false);
    setFont(design::bodyFont());
    // Only the base is set: the text and placeholder colours come from the palette the field
    // inherits, so it follows the appearance.
    QPalette clear;
    clear.setBrush(QPalette::Base, Qt::transparent);
    setPalette(clear);
    setTextMargins(2, 1, 2, 1);
}

void TextField::syncText(const QString& text)
{
    if (hasFocus() || text == this->text())
        return;
    setText(text);
    setCursorPosition(0);
}

void TextField::paintEvent(QPaintEvent* e)
{
    if (hasFocus()) {
        // Editing shows as a faint well with the accent on its edge.
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
        p.fillPath(continuousRoundedRect(r, 5), primaryColor(this, 0.05));
        p.setPen(QPen(withAlpha(kvmAccent(this), 0.6), 1.5));
        p.drawPath(continuousRoundedRect(r, 5));
    }
    QLineEdit::paintEvent(e);
}

void TextField::changeEvent(QEvent* e)
{
    // Faded when disabled, as the other controls: the line edit draws its own text, so the
    // whole field is faded as one.
    if (e->type() == QEvent::EnabledChange) {
        if (isEnabled()) {
            setGraphicsEffect(nullptr);
        } else if (!graphicsEffect()) {
            auto* fade = new QGraphicsOpacityEffect(this);
            fade->setOpacity(kDisabledOpacity);
            setGraphicsEffect(fade);
        }
    }
    QLineEdit::changeEvent(e);
}

// ---- Divider

Divider::Divider(qreal opacity, Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), opacity_(opacity), orientation_(orientation)
{
    if (orientation_ == Qt::Horizontal) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setFixedWidth(1);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
    followTheme(this);
}

QSize Divider::sizeHint() const { return orientation_ == Qt::Horizontal ? QSize(40, 1) : QSize(1, 20); }

void Divider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), withAlpha(separatorColor(this), opacity_));
}

// ---- WrappingText

WrappingText::WrappingText(QString text, QFont font, TextLine::Tone tone, QWidget* parent)
    : TextLine(std::move(text), std::move(font), tone, parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAlignment(Qt::AlignLeft);
}

const WrappingText::Layouts& WrappingText::laidOut(int width) const
{
    const QString of = QStringLiteral("%1|%2|%3").arg(textFont().key()).arg(int(alignment())).arg(text());
    if (of != layoutsOf_) {
        layouts_.clear();
        layoutsOf_ = of;
    }
    for (const auto& [w, kept] : layouts_)
        if (w == width)
            return kept;
    constexpr size_t kWidthsKept = 4;
    if (layouts_.size() >= kWidthsKept)
        layouts_.erase(layouts_.begin());
    Layouts& out = layouts_.emplace_back(width, Layouts()).second;
    if (text().isEmpty())
        return out;
    const qreal lineSpacing = QFontMetricsF(textFont()).lineSpacing();
    qreal y = 0;
    for (const QString& paragraph : text().split('\n')) {
        auto layout = std::make_unique<QTextLayout>(paragraph, textFont());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        option.setAlignment(alignment() & Qt::AlignHorizontal_Mask);
        layout->setTextOption(option);
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(std::max(1, width));
            line.setPosition(QPointF(0, y));
            y += lineSpacing;
        }
        layout->endLayout();
        out.push_back(std::move(layout));
    }
    return out;
}

int WrappingText::lineCount(int width) const
{
    int lines = 0;
    for (const auto& layout : laidOut(width))
        lines += layout->lineCount();
    return lines;
}

int WrappingText::heightForWidth(int width) const
{
    const QFontMetricsF fm(textFont());
    const int lines = std::max(1, lineCount(width));
    return int(std::ceil(lines * fm.lineSpacing() - fm.leading()));
}

QSize WrappingText::sizeHint() const
{
    // As wide as the longest paragraph up to a comfortable measure; layouts narrow it.
    const QFontMetricsF fm(textFont());
    qreal widest = 0;
    for (const QString& paragraph : text().split('\n'))
        widest = std::max(widest, fm.horizontalAdvance(paragraph));
    const int w = int(std::ceil(std::min<qreal>(widest + 1, 320)));
    return {w, heightForWidth(w)};
}

QSize WrappingText::minimumSizeHint() const
{
    // One line: the layouts ask heightForWidth for the height at the width they give, and a
    // minimum taken at the narrowest width would make every card around it needlessly tall.
    return {std::min(sizeHint().width(), 60), heightForWidth(QWIDGETSIZE_MAX)};
}

void WrappingText::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (!isEnabled())
        p.setOpacity(TextLine::kDisabledOpacity);
    p.setPen(shownColor());
    for (const auto& layout : laidOut(width()))
        layout->draw(&p, QPointF(0, 0));
}
