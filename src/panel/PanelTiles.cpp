#include "panel/PanelTiles.h"

#include "app/ScrollManager.h"
#include "app/Texts.h"
#include "audio/AudioManager.h"
#include "automation/AutomationManager.h"
#include "battery/BatteryManager.h"
#include "design/Accessibility.h"
#include "design/Gauges.h"
#include "design/Glass.h"
#include "design/Paint.h"
#include "design/Shapes.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"
#include "display/DisplayManager.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

using namespace design;

DisplayTile::DisplayTile(DisplayManager& display, bool active, std::function<void()> action, QWidget* parent)
    : ControlTile("aspectratio", Texts::tr("Ekran"), subtitle(display), active, Tint(), std::move(action), parent),
      display_(display)
{
    (new ViewSync(this, [this] { sync(); }))->follow(&display_, &DisplayManager::changed);
}

std::optional<QString> DisplayTile::subtitle(const DisplayManager& display)
{
    const auto current = display.currentModeID();
    if (!current || current->isEmpty())
        return std::nullopt;
    for (const DisplayModeOption& mode : display.modes()) {
        if (mode.id != *current)
            continue;
        const QString size = QString::number(mode.width) + QChar(0x00D7) + QString::number(mode.height);
        return mode.width < mode.pixelWidth ? size + " HiDPI" : size;
    }
    return std::nullopt;
}

void DisplayTile::sync() { setSubtitle(subtitle(display_)); }

OutputTile::OutputTile(AudioManager& audio, bool active, std::function<void()> action, QWidget* parent)
    : ControlTile("speaker.wave.2", Texts::tr("Ses çıkışı"), std::nullopt, active, Tint(), std::move(action),
                  parent),
      audio_(audio)
{
    (new ViewSync(this, [this] { sync(); }))->follow(&audio_, &AudioManager::changed);
    sync();
}

void OutputTile::sync()
{
    const auto output = audio_.defaultOutput();
    setSymbol(output ? output->symbol() : QString("speaker.wave.2"));
    setSubtitle(output ? std::optional(output->name) : std::nullopt);
}

KVMTile::KVMTile(AutomationManager& automation, DisplayManager& display, std::function<void()> action, QWidget* parent)
    : ControlTile("link.badge.plus", "KVM", std::nullopt, false, SystemColor::green,
                  std::move(action), parent),
      automation_(automation)
{
    // The active profile depends on which displays are connected.
    auto* binding = new ViewSync(this, [this] { sync(); });
    binding->follow(&automation_, &AutomationManager::changed);
    binding->follow(&display, &DisplayManager::changed);
    sync();
}

QString KVMTile::subtitle(const AutomationManager& automation)
{
    if (const auto active = automation.activeProfile())
        return KVMProfile::cutName(active->label());
    return automation.profiles().empty() ? Texts::tr("Profil yok") : Texts::tr("Ayrık");
}

void KVMTile::sync()
{
    const bool active = automation_.activeProfile().has_value();
    setSymbol(active ? "link" : "link.badge.plus");
    setSubtitle(subtitle(automation_));
    setActive(active);
}

ScrollTile::ScrollTile(ScrollManager& scroll, bool reverse, QWidget* parent)
    : ControlTile(reverse ? "arrow.up.arrow.down" : "computermouse",
                  // The tile's own short title, where the switches say "Yumuşak kaydırma" in full.
                  reverse ? Texts::tr("Ters yön", "tile.reverseScroll") : Texts::tr("Yumuşak kaydırma", "tile.smoothScroll"), std::nullopt,
                  false, Tint(), {}, parent),
      scroll_(scroll), reverse_(reverse)
{
    const auto toggle = [this] {
        if (reverse_)
            scroll_.setReverseEnabled(!scroll_.reverseEnabled());
        else
            scroll_.setSmoothEnabled(!scroll_.smoothEnabled());
    };
    setAction(toggle);
    // A toggle to assistive technology: the state is its checked state, not a word in its name.
    design::a11y::describe(this, {.role = QAccessible::Button,
                                  .name = [this] { return title(); },
                                  .checked = [this] { return isOn(); },
                                  .activate = toggle});
    (new ViewSync(this, [this] { sync(); }))->follow(&scroll_, &ScrollManager::changed);
    shown_ = isOn();
    sync();
}

bool ScrollTile::isOn() const { return reverse_ ? scroll_.reverseEnabled() : scroll_.smoothEnabled(); }

void ScrollTile::sync()
{
    const bool on = isOn();
    setActive(on);
    setSubtitle(on ? Texts::tr("Açık") : Texts::tr("Kapalı"));
    if (on != shown_) {
        shown_ = on;
        QAccessible::State changed;
        changed.checked = true;
        design::a11y::announceState(this, changed);
    }
}

namespace {
constexpr qreal kBatteryRadius = 16;
constexpr int kRingArea = 30;
} // namespace

BatteryTile::BatteryTile(BatteryManager& battery, bool active, std::function<void()> action, QWidget* parent)
    : QWidget(parent), battery_(battery), active_(active), action_(std::move(action))
{
    // One button, named by its two lines.
    design::a11y::describe(this, {.role = QAccessible::Button,
                                  .name = [this] { return percent_->text() + ", " + limit_->text(); },
                                  .activate = [this] {
                                      if (battery_.hasBattery() && action_)
                                          action_();
                                  }});
    setAttribute(Qt::WA_Hover);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    face_ = new QWidget(this);
    face_->setAttribute(Qt::WA_TransparentForMouseEvents);
    outer->addWidget(face_);
    auto* row = new QHBoxLayout(face_);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(10);
    auto* ringArea = new QWidget(face_);
    ringArea->setFixedSize(kRingArea, kRingArea);
    ring_ = new BatteryRing(battery_.percent(), battery_.limit(), battery_.stateTint(), 26, 3, ringArea);
    ring_->resize(ring_->sizeHint());
    ring_->move((kRingArea - ring_->width()) / 2, (kRingArea - ring_->height()) / 2);
    row->addWidget(ringArea, 0, Qt::AlignVCenter);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(1);
    QFont digits = systemFont(12, QFont::DemiBold);
    percent_ = new TextLine(QString(), digits, TextLine::Tone::primary, face_);
    limit_ = new TextLine(QString(), systemFont(11), TextLine::Tone::secondary, face_);
    lines->addWidget(percent_);
    lines->addWidget(limit_);
    row->addLayout(lines);
    row->addStretch(1);
    (new ViewSync(this, [this] { sync(); }))->follow(&battery_, &BatteryManager::changed);
    sync();
}

QString BatteryTile::percentLine(int percent) { return Texts::tr("Pil %%1", percent); }

QString BatteryTile::limitLine(int limit) { return limit > 99 ? Texts::tr("Sınır yok") : Texts::tr("Sınır %%1", limit); }

QColor BatteryTile::stateColor() const { return systemColor(battery_.stateTint(), this); }

void BatteryTile::setActive(bool active)
{
    if (active_ == active)
        return;
    active_ = active;
    sync();
}

void BatteryTile::sync()
{
    const bool has = battery_.hasBattery();
    face_->setVisible(has);
    setFocusPolicy(has ? Qt::TabFocus : Qt::NoFocus); // as the other tiles: no ring after a click
    setCursor(has ? Qt::PointingHandCursor : Qt::ArrowCursor);
    setToolTip(has ? battery_.explanation() : QString());
    ring_->setValues(battery_.percent(), battery_.limit());
    ring_->setTint(active_ ? Tint::fixed(Qt::white) : Tint(battery_.stateTint()));
    percent_->setText(percentLine(battery_.percent()));
    limit_->setText(limitLine(battery_.limit()));
    update();
}

void BatteryTile::paintEvent(QPaintEvent*)
{
    if (!battery_.hasBattery())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const KVMGlass glass = kvmGlass(continuousRoundedRect(QRectF(rect()), kBatteryRadius), std::nullopt, true);
    glass.paintBackground(p, this, hovered_ || pressed_);
    if (active_) {
        const QWidget* area = ring_->parentWidget();
        p.setPen(Qt::NoPen);
        p.setBrush(stateColor());
        p.drawEllipse(QRectF(area->mapTo(this, QPoint(0, 0)), QSizeF(area->size())));
    }
    glass.paintOverlay(p, this);
    design::a11y::paintFocusRing(p, this, continuousRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), kBatteryRadius));
}

void BatteryTile::enterEvent(QEnterEvent*)
{
    hovered_ = true;
    update();
}

void BatteryTile::leaveEvent(QEvent*)
{
    hovered_ = false;
    pressed_ = false;
    update();
}

void BatteryTile::mousePressEvent(QMouseEvent* e)
{
    if (!battery_.hasBattery() || e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    pressed_ = true;
    update();
}

void BatteryTile::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    update();
    if (click && battery_.hasBattery() && action_)
        action_();
}
