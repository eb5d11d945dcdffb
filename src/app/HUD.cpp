#include "app/HUD.h"

#include "design/Glass.h"
#include "design/Spring.h"
#include "design/Symbols.h"
#include "design/Theme.h"
#include "platform/DisplayServices.h"
#include "platform/Windowing.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kPadding = 16;
constexpr double kSpacing = 10;
constexpr double kSymbolWidth = 18;
constexpr double kNumberWidth = 26;
constexpr double kBarHeight = 5;

double trackWidth(double width) { return width - 2 * kPadding - kSymbolWidth - kNumberWidth - 2 * kSpacing; }

} // namespace

HUD& HUD::shared()
{
    static HUD* hud = new HUD; // lives for the process, like its panel
    return *hud;
}

void HUD::show(const QString& symbol, const QString& title, double level)
{
    model_.symbol = symbol;
    model_.title = title;
    model_.level = std::clamp(level, 0.0, 100.0);
    if (!panel_)
        panel_ = makePanel();
    static_cast<HUDView*>(panel_)->modelChanged();
    applyStyle();

    const QPointF o = origin();
    const auto screens = platform::screens::screens();
    // Global bottom-left coordinates flip around the first screen, the one with the menu bar.
    const double flipHeight = screens.empty() ? 0 : screens.front().frame.bottom();
    panel_->move(int(std::lround(o.x())), int(std::lround(flipHeight - o.y() - size.height())));

    // A show during the fade takes the panel back: the fade stops, so its end finds the
    // alpha above 0 and the panel stays up.
    fade_.stop();
    if (!(panel_->isVisible() && panel_->windowOpacity() >= 1.0)) {
        setAlpha(1.0);
        panel_->show();
        panel_->raise();
    }

    hideWork_.start(kStay, [this] { fadeOut(); });
}

QWidget* HUD::makePanel()
{
    auto* view = new HUDView(model_);
    // A tool-tip window: on top of everything, on every workspace, never activated.
    view->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
                         | Qt::WindowTransparentForInput | Qt::NoDropShadowWindowHint);
    view->setAttribute(Qt::WA_TranslucentBackground);
    view->setAttribute(Qt::WA_ShowWithoutActivating);
    view->setAttribute(Qt::WA_TransparentForMouseEvents);
    view->setFocusPolicy(Qt::NoFocus);
    view->setFixedSize(size.toSize());
    return view;
}

void HUD::applyStyle()
{
    auto* view = static_cast<HUDView*>(panel_);
    const GlassStyle style = GlassStyle::current();
    if (style == GlassStyle::solid)
        view->setGlassTint(view->palette().color(QPalette::Window));
    else if (Theme::glassAccentTint())
        view->setGlassTint(withAlpha(AccentChoice::current().nsColor(isDark(view)), 0.2));
    else
        view->setGlassTint(std::nullopt);
    view->update();
}

QPointF HUD::origin() const
{
    using platform::screens::Screen;
    std::optional<QRectF> item;
    for (const auto& w : platform::windowing::appWindows())
        if (w.className.contains("StatusBarWindow") && w.visible && w.frame.height() < 60) {
            item = w.frame;
            break;
        }

    const auto screens = platform::screens::screens();
    const Screen* screen = nullptr;
    if (item)
        for (const auto& s : screens)
            if (s.frame.intersects(*item)) {
                screen = &s;
                break;
            }
    if (!screen) {
        const QPointF mouse = platform::screens::mouseLocation();
        for (const auto& s : screens)
            if (platform::screens::mouseInRect(mouse, s.frame)) {
                screen = &s;
                break;
            }
    }
    if (!screen && !screens.empty())
        screen = &screens.front();
    if (!screen)
        return {0, 0};

    const QRectF visible = platform::windowing::visibleFrame(*screen);
    const double centre = item ? item->center().x() : visible.right() - 142;
    const double halfWidth = size.width() / 2;
    const double x = std::min(std::max(centre - halfWidth, visible.left() + 8), visible.right() - size.width() - 8);
    const double y = visible.bottom() - size.height() - 8; // bottom() is the top edge: y grows upwards
    return {x, y};
}

void HUD::fadeOut()
{
    if (!panel_)
        return;
    fadeStart_ = platform::clock::now();
    fade_.start(1.0 / 60, [this] {
        const double t = (platform::clock::now() - fadeStart_) / kFade;
        if (t < 1.0) {
            setAlpha(1.0 - t);
            return;
        }
        fade_.stop();
        setAlpha(0.0);
        if (panel_->windowOpacity() == 0.0)
            panel_->hide();
    }, true);
}

void HUD::setAlpha(double alpha) { panel_->setWindowOpacity(alpha); }

HUDView::HUDView(const HUD::Model& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      levelAnimation_(new QVariantAnimation(this)),
      number_(new NumericRoll(numberText(), this)),
      symbol_(new SymbolReplace(model.symbol, this))
{
    levelAnimation_->setDuration(120);
    levelAnimation_->setEasingCurve(QEasingCurve::OutCubic);
    connect(levelAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        shownLevel_ = v.toDouble();
        update();
    });
    connect(&Theme::shared(), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void HUDView::modelChanged()
{
    setToolTip(model_.title); // the title is not drawn, only offered as help text
    number_->setText(numberText());
    levelAnimation_->stop();
    levelAnimation_->setStartValue(shownLevel_);
    levelAnimation_->setEndValue(model_.level);
    levelAnimation_->start();
    symbol_->setName(model_.symbol);
    update();
}

HUDView::Crossover HUDView::numberCrossover() const
{
    const NumericRoll::State s = number_->state();
    return {s.from, s.to, s.progress};
}

HUDView::Crossover HUDView::symbolCrossover() const { return symbol_->state(); }

double HUDView::fillWidth() const { return std::max(kBarHeight, trackWidth(width()) * model_.level / 100.0); }

QString HUDView::numberText() const { return QString::number(std::llround(model_.level)); }

void HUDView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath capsule;
    capsule.addRoundedRect(QRectF(rect()), 22, 22);
    const KVMGlass glass = kvmGlass(capsule, tint_, false);
    glass.paintBackground(p, this);

    const double midY = height() / 2.0;
    const QColor primary = primaryColor(this);
    symbol_->paint(p, Symbols::boxFor(13, QPointF(kPadding + kSymbolWidth / 2, midY)), primary, SymbolWeight::semibold);

    const double trackX = kPadding + kSymbolWidth + kSpacing;
    const double track = trackWidth(width());
    const QRectF trackRect(trackX, midY - kBarHeight / 2, track, kBarHeight);
    p.setPen(Qt::NoPen);
    p.setBrush(primaryColor(this, 0.18));
    p.drawRoundedRect(trackRect, kBarHeight / 2, kBarHeight / 2);
    const double fill = std::max(kBarHeight, track * shownLevel_ / 100.0);
    p.setBrush(primary);
    p.drawRoundedRect(QRectF(trackX, trackRect.y(), fill, kBarHeight), kBarHeight / 2, kBarHeight / 2);

    paintNumber(p, QRectF(width() - kPadding - kNumberWidth, 0, kNumberWidth, height()), primary);
    glass.paintOverlay(p, this);
}

void HUDView::paintNumber(QPainter& p, const QRectF& box, const QColor& color) const
{
    QFont font = p.font();
    font.setPixelSize(12);
    font.setWeight(QFont::Medium);
    font.setStyleHint(QFont::Monospace); // steady digits while the number counts
    p.setFont(font);
    p.setPen(color);
    // Clipped to the number's own row, widened by a digit for a count that passes 100.
    p.save();
    p.setClipRect(box.adjusted(-QFontMetricsF(font).horizontalAdvance(QLatin1Char('0')), 0, 0, 0));
    number_->paint(p, box, Qt::AlignRight | Qt::AlignVCenter);
    p.restore();
}
