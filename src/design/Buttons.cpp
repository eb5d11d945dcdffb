#include "design/Buttons.h"

#include "design/Glass.h"
#include "design/Paint.h"
#include "design/Shapes.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/Theme.h"

#include <QActionGroup>
#include <QEvent>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QScreen>
#include <cmath>

namespace {

constexpr qreal kSymbolGap = 5;
// A small button's room beside and above its label; a drawn button keeps the same.
constexpr qreal kSmallPadding = 10;
constexpr qreal kSmallVertical = 4;
// The room a symbol takes at a font's size; a button's height allows for one.
qreal symbolRoom(const QFont& font) { return std::ceil(font.pixelSize() * 1.15); }

// The text as a button shows it: "&x" is a shortcut marker (drawn as "x"), "&&" a literal "&".
QString withoutMnemonics(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

} // namespace

// ---- GlassButton

GlassButton::GlassButton(const QString& text, QWidget* parent) : GlassButton(text, QString(), Form::glass, parent) {}

GlassButton::GlassButton(const QString& text, const QString& symbol, Form form, QWidget* parent)
    : QPushButton(text, parent), form_(form), symbol_(symbol)
{
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus); // as on the platform: buttons take focus from the keyboard only
    setCursor(Qt::PointingHandCursor);
    setFont(design::bodyFont());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    followTheme(this);
}

void GlassButton::setForm(Form form)
{
    form_ = form;
    updateGeometry();
    update();
}

void GlassButton::setTint(const Tint& tint)
{
    tint_ = tint;
    update();
}

void GlassButton::setDestructive(bool destructive)
{
    destructive_ = destructive;
    update();
}

void GlassButton::setSymbol(const QString& symbol)
{
    if (symbol == symbol_)
        return;
    symbol_ = symbol;
    updateGeometry();
    update();
}

void GlassButton::setControlSize(ControlSize size)
{
    size_ = size;
    setFont(size == ControlSize::small ? design::subheadlineFont() : design::bodyFont());
    updateGeometry();
    update();
}

void GlassButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange)
        updateGeometry();
    QPushButton::changeEvent(e);
}

bool GlassButton::event(QEvent* e)
{
    // A button showing only a symbol is named by its hover hint, unless its owner named it.
    if (e->type() == QEvent::ToolTipChange && text().isEmpty()
        && (accessibleName().isEmpty() || accessibleName() == namedByHint_)) {
        namedByHint_ = toolTip();
        setAccessibleName(namedByHint_);
    }
    return QPushButton::event(e);
}

QColor GlassButton::labelColor() const
{
    if (form_ == Form::prominent)
        return Qt::white;
    if (destructive_)
        return systemColor(SystemColor::red, this);
    return tint_.resolve(this, Tint::primary());
}

std::optional<QColor> GlassButton::fillColor() const
{
    if (form_ != Form::prominent)
        return std::nullopt;
    if (destructive_)
        return systemColor(SystemColor::red, this);
    return tint_.resolve(this, Tint::accent());
}

qreal GlassButton::padding() const
{
    if (form_ == Form::plain)
        return 2;
    return size_ == ControlSize::small ? kSmallPadding : 14;
}

qreal GlassButton::symbolSize() const { return symbolRoom(font()); }

QSize GlassButton::sizeHint() const
{
    const QFontMetricsF fm(font());
    const QString shown = withoutMnemonics(text());
    qreal content = fm.horizontalAdvance(shown);
    if (!symbol_.isEmpty())
        content += symbolSize() + (shown.isEmpty() ? 0 : kSymbolGap);
    if (const qreal t = trailingWidth(); t > 0)
        content += (content > 0 ? kSymbolGap : 0) + t;
    const qreal vertical = form_ == Form::plain ? 2 : size_ == ControlSize::small ? kSmallVertical : 6;
    const qreal h = std::ceil(std::max(fm.height(), symbolSize()) + 2 * vertical);
    // A symbol alone makes a round button.
    const qreal w = shown.isEmpty() && trailingWidth() == 0 && form_ != Form::plain ? h : std::ceil(content + 2 * padding());
    return {int(w), int(h)};
}

QRectF GlassButton::labelRect() const { return QRectF(rect()).adjusted(padding(), 0, -padding(), 0); }

void GlassButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(TextLine::kDisabledOpacity);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = capsule(r);
    const bool highlighted = isEnabled() && (underMouse() || isDown());

    std::optional<KVMGlass> glass;
    if (form_ == Form::glass) {
        glass = kvmGlass(shape, std::nullopt, true);
        glass->paintBackground(p, this, highlighted);
    } else if (form_ == Form::prominent) {
        p.fillPath(shape, *fillColor());
        if (isDown())
            p.fillPath(shape, QColor(0, 0, 0, 40));
        else if (highlighted)
            p.fillPath(shape, QColor(255, 255, 255, 36));
        // The same light on the upper edge as the glass.
        QLinearGradient sheen(r.topLeft(), r.bottomLeft());
        sheen.setColorAt(0, QColor(255, 255, 255, 60));
        sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
        p.fillPath(shape, sheen);
    }

    QColor label = labelColor();
    if (form_ == Form::plain && isDown())
        label = withAlpha(label, 0.6);
    const QFontMetricsF fm(font());
    const QString shown = withoutMnemonics(text());
    const qreal trailing = trailingWidth();
    const qreal sym = symbol_.isEmpty() ? 0 : symbolSize();
    const qreal textW = fm.horizontalAdvance(shown);
    qreal content = textW + sym + (sym > 0 && !shown.isEmpty() ? kSymbolGap : 0);
    content += trailing > 0 ? (content > 0 ? kSymbolGap : 0) + trailing : 0;
    const QRectF area = labelRect();
    qreal x = std::max(area.left(), area.center().x() - content / 2);
    const qreal mid = height() / 2.0;
    if (sym > 0) {
        Symbols::draw(p, symbol_, QRectF(x, mid - sym / 2, sym, sym), label,
                      font().weight() >= QFont::DemiBold ? SymbolWeight::semibold : SymbolWeight::medium);
        x += sym + (shown.isEmpty() ? 0 : kSymbolGap);
    }
    if (!shown.isEmpty()) {
        p.setPen(label);
        const qreal room = std::max<qreal>(0, area.right() - x - (trailing > 0 ? trailing + kSymbolGap : 0));
        design::drawLine(p, QRectF(x, 0, room, height()), shown, font());
        x += std::min(textW, room) + (trailing > 0 ? kSymbolGap : 0);
    }
    if (trailing > 0)
        paintTrailing(p, QRectF(x, mid - trailing / 2, trailing, trailing), label);

    if (glass)
        glass->paintOverlay(p, this);
    if (hasFocus() && form_ != Form::plain) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(withAlpha(kvmAccent(this), 0.7), 2));
        p.drawPath(capsule(QRectF(rect()).adjusted(1, 1, -1, -1)));
    } else if (hasFocus()) {
        p.setPen(QPen(withAlpha(kvmAccent(this), 0.7), 1.5));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 4, 4);
    }
}

// ---- DrawnButton

QSizeF DrawnButton::size(const QString& title)
{
    // Measured once per title and font: a list asks for every row's size.
    static QHash<QString, QSizeF> measured;
    const QFont font = design::subheadlineFont();
    const QString key = title + QChar(0) + font.key();
    if (const auto it = measured.constFind(key); it != measured.constEnd())
        return *it;
    const QFontMetricsF fm(font);
    const QSizeF size(std::ceil(fm.horizontalAdvance(title) + 2 * kSmallPadding),
                      std::ceil(std::max(fm.height(), symbolRoom(font)) + 2 * kSmallVertical));
    measured.insert(key, size);
    return size;
}

void DrawnButton::paint(QPainter& p, const QWidget* widget, const QRectF& box) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (!enabled)
        p.setOpacity(p.opacity() * TextLine::kDisabledOpacity);
    const QRectF r = box.adjusted(0.5, 0.5, -0.5, -0.5);
    const KVMGlass glass = kvmGlass(capsule(r), std::nullopt, true);
    glass.paintBackground(p, widget, enabled && highlighted);
    p.setPen(primaryColor(widget));
    const QFont font = design::subheadlineFont();
    const qreal textW = std::min(QFontMetricsF(font).horizontalAdvance(title), box.width() - 2 * kSmallPadding);
    design::drawLine(p, QRectF(box.center().x() - textW / 2, box.top(), textW, box.height()), title, font);
    glass.paintOverlay(p, widget);
    if (focused) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(withAlpha(kvmAccent(widget), 0.7), 2));
        p.drawPath(capsule(box.adjusted(1, 1, -1, -1)));
    }
    p.restore();
}

// ---- menus

QString menuText(const QString& text)
{
    QString out = text;
    return out.replace('&', "&&");
}

LiveMenu::LiveMenu(std::function<void(QMenu&)> fill, QWidget* parent) : QMenu(parent), fill_(std::move(fill))
{
    followParentAppearance(this);
    connect(this, &QMenu::aboutToShow, this, &LiveMenu::refill);
}

void LiveMenu::setFill(std::function<void(QMenu&)> fill) { fill_ = std::move(fill); }

void LiveMenu::refill()
{
    qDeleteAll(findChildren<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly));
    clear();
    if (fill_)
        fill_(*this);
}

void LiveMenu::popUpBelow(QWidget* anchor)
{
    // QMenu moves a menu that would leave the screen back onto it.
    popup(anchor->mapToGlobal(QPoint(0, anchor->height() + 4)));
}

QAction* addMenuAction(QMenu& menu, const QString& text, std::function<void()> action, const QString& symbol)
{
    QAction* a = menu.addAction(menuText(text));
    if (!symbol.isEmpty())
        a->setIcon(Symbols::icon(symbol, &menu));
    if (action)
        QObject::connect(a, &QAction::triggered, &menu, [action = std::move(action)] { action(); });
    return a;
}

QAction* addMenuSection(QMenu& menu, const QString& title) { return menu.addSection(menuText(title)); }

QList<QAction*> addMenuChoices(QMenu& menu, const QStringList& titles, int checked, std::function<void(int)> choose)
{
    auto* group = new QActionGroup(&menu);
    group->setExclusive(true);
    QList<QAction*> out;
    for (int i = 0; i < titles.size(); ++i) {
        QAction* a = menu.addAction(menuText(titles[i]));
        a->setCheckable(true);
        a->setChecked(i == checked);
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, &menu, [choose, i] {
            if (choose)
                choose(i);
        });
        out << a;
    }
    return out;
}

// ---- GlassMenuButton

GlassMenuButton::GlassMenuButton(const QString& text, const QString& symbol, QWidget* parent)
    : GlassButton(text, symbol, Form::glass, parent), menu_(new LiveMenu({}, this))
{
    connect(this, &QPushButton::clicked, this, &GlassMenuButton::openMenu);
}

void GlassMenuButton::setMenuFill(std::function<void(QMenu&)> fill) { menu_->setFill(std::move(fill)); }

void GlassMenuButton::openMenu()
{
    if (opener_)
        opener_();
    else
        menu_->popUpBelow(this);
}

void GlassMenuButton::setIndicatorVisible(bool visible)
{
    indicator_ = visible;
    updateGeometry();
    update();
}

qreal GlassMenuButton::trailingWidth() const { return indicator_ ? std::ceil(font().pixelSize() * 0.75) : 0; }

void GlassMenuButton::paintTrailing(QPainter& p, const QRectF& box, const QColor& color)
{
    Symbols::draw(p, indicatorSymbol(), box, withAlpha(color, 0.8), SymbolWeight::bold);
}

// ---- MenuPickerView

MenuPickerView::MenuPickerView(QStringList titles, int selected, std::function<void(int)> select, QWidget* parent)
    : GlassMenuButton(QString(), QString(), parent), titles_(std::move(titles)), selected_(selected),
      select_(std::move(select))
{
    setFont(design::calloutFont());
    setMenuFill([this](QMenu& menu) { addMenuChoices(menu, titles_, selected_, select_); });
    showSelection();
}

void MenuPickerView::setItems(const QStringList& titles, int selected)
{
    titles_ = titles;
    selected_ = selected;
    showSelection();
}

void MenuPickerView::setSelectedIndex(int selected)
{
    selected_ = selected;
    showSelection();
}

void MenuPickerView::setPlaceholder(const QString& text)
{
    placeholder_ = text;
    showSelection();
}

void MenuPickerView::showSelection()
{
    const bool chosen = selected_ >= 0 && selected_ < titles_.size();
    setText(menuText(chosen ? titles_[selected_] : placeholder_));
    updateGeometry();
    update();
}
