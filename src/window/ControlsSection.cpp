#include "window/ControlsSection.h"

#include "app/Hub.h"
#include "app/Texts.h"
#include "audio/AppAudioList.h"
#include "audio/InputControls.h"
#include "audio/MasterVolumeSlider.h"
#include "audio/OutputDeviceList.h"
#include "battery/BatteryActionTiles.h"
#include "battery/BatteryExplanation.h"
#include "battery/BatterySummary.h"
#include "battery/ChargeLimitPicker.h"
#include "design/Accessibility.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Grid.h"
#include "design/MoreLink.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/Sliders.h"
#include "design/TextLine.h"
#include "design/ViewSync.h"
#include "display/BrightnessControls.h"
#include "display/InputSourceMenu.h"
#include "display/ResolutionSlider.h"
#include "window/MousePage.h"
#include "window/Router.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {

Card* wrapInCard(QWidget* self)
{
    auto* outer = new QVBoxLayout(self);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(14);
    outer->addWidget(card);
    return card;
}

} // namespace

BatteryControlCard::BatteryControlCard(BatteryManager& battery, QWidget* parent) : QWidget(parent), battery_(battery)
{
    Card* card = wrapInCard(this);
    header_ = new CardHeader(Texts::tr("Pil"), "battery.75percent", battery_.stateTint());
    card->addWidget(header_);
    card->addWidget(new BatterySummary(battery_, true));
    card->addWidget(new ChargeLimitPicker(battery_));
    card->addWidget(new BatteryActionTiles(battery_, true));
    card->addWidget(new BatteryExplanation(battery_, battery_.live()));
    auto* binding = new ViewSync(this, [this] { header_->setTint(battery_.stateTint()); });
    binding->follow(&battery_, &BatteryManager::changed);
}

MouseCard::MouseCard(ScrollManager& scroll, QWidget* parent) : QWidget(parent), scroll_(scroll)
{
    Card* card = wrapInCard(this);
    card->addWidget(new CardHeader(Texts::tr("Fare"), "computermouse", Tint(),
                                   new TextLine(Texts::tr("Trackpad etkilenmez"), design::calloutFont(),
                                                TextLine::Tone::secondary)));
    auto* smooth = new SwitchRow(Texts::tr("Yumuşak kaydırma"), std::nullopt, std::nullopt,
                                 {[this] { return scroll_.smoothEnabled(); },
                                  [this](bool on) { scroll_.setSmoothEnabled(on); }});
    auto* reverse = new SwitchRow(Texts::tr("Yönü ters çevir"), std::nullopt, std::nullopt,
                                  {[this] { return scroll_.reverseEnabled(); },
                                   [this](bool on) { scroll_.setReverseEnabled(on); }});
    step_ = new ValueSlider(Texts::tr("Adım"), "arrow.up.and.down", MousePage::stepText(scroll_.step()),
                            {[this] { return scroll_.step(); }, [this](double v) { scroll_.setStep(v); }}, {20, 200},
                            nullptr);
    card->addWidget(smooth);
    card->addWidget(reverse);
    card->addWidget(step_);
    auto* binding = new ViewSync(this, [this, smooth, reverse] {
        smooth->toggle()->update();
        reverse->toggle()->update();
        step_->setEnabled(scroll_.smoothEnabled());
        step_->setValueText(MousePage::stepText(scroll_.step()));
        step_->refresh();
    });
    binding->follow(&scroll_, &ScrollManager::changed);
    step_->setEnabled(scroll_.smoothEnabled());
}

std::optional<KVMCard::Chip> KVMCard::chip(const AutomationManager& automation)
{
    if (const auto active = automation.activeProfile())
        return Chip{KVMProfile::cutName(active->label()), "link", SystemColor::green};
    if (!automation.profiles().empty())
        return Chip{Texts::tr("Ayrık"), "link.badge.plus", SystemColor::gray};
    return std::nullopt;
}

namespace {
constexpr qreal kDot = 7;
constexpr qreal kRowSpacing = 6; // between the dot, the label and the button
} // namespace

KVMCardList::KVMCardList(std::function<void(const QString& id)> onApply, QWidget* parent)
    : DrawnList(parent), apply_(std::move(onApply))
{
    // Described first: naming the widget makes its accessible interface.
    describeRows({QAccessible::Button, [this](int i) { return rows_[size_t(i)].label; },
                  [](int) { return Texts::tr("Uygula"); }, {}});
    setAccessibleName(Texts::tr("KVM")); // the card's title
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    followTheme(this);
}

void KVMCardList::setRows(std::vector<Row> rows)
{
    if (rows == rows_)
        return;
    const bool resized = rows.size() != rows_.size();
    rows_ = std::move(rows);
    if (hovered_ >= rowCount() || (hovered_ >= 0 && !rows_[size_t(hovered_)].enabled))
        setHovered(-1);
    pressed_ = -1;
    rowsChanged(resized);
}

qreal KVMCardList::rowHeight() const
{
    return std::max(QFontMetricsF(design::bodyFont()).height(), DrawnButton::size(Texts::tr("Uygula")).height());
}

qreal KVMCardList::preferredWidth() const
{
    return kDot + kRowSpacing * 2 + 60 + DrawnButton::size(Texts::tr("Uygula")).width();
}

QRectF KVMCardList::buttonRect(int index) const
{
    const QRectF row = rowRect(index);
    const QSizeF button = DrawnButton::size(Texts::tr("Uygula"));
    return {row.right() - button.width(), row.center().y() - button.height() / 2, button.width(), button.height()};
}

void KVMCardList::paintRow(QPainter& p, int index, const QRectF& r)
{
    const Row& row = rows_[size_t(index)];
    p.setPen(Qt::NoPen);
    p.setBrush(row.lit ? systemColor(SystemColor::green, this) : withAlpha(secondaryColor(this), 0.4));
    p.drawEllipse(QRectF(r.left(), r.center().y() - kDot / 2, kDot, kDot));
    const QFont font = design::bodyFont();
    const qreal lineHeight = QFontMetricsF(font).height();
    const QRectF button = buttonRect(index);
    const qreal x = r.left() + kDot + kRowSpacing;
    p.setPen(primaryColor(this));
    design::drawLine(p, QRectF(x, r.center().y() - lineHeight / 2, std::max<qreal>(0, button.left() - kRowSpacing - x),
                               lineHeight),
                     row.label, font);
    DrawnButton{Texts::tr("Uygula"), isRowEnabled(index), index == hovered_ || index == pressed_, showsFocusOn(index)}
        .paint(p, this, button);
}

int KVMCardList::buttonAt(const QPointF& point) const
{
    const int i = rowAt(point);
    return i >= 0 && isRowEnabled(i) && buttonRect(i).contains(point) ? i : -1;
}

void KVMCardList::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton ? buttonAt(e->position()) : -1;
    update();
}

void KVMCardList::mouseMoveEvent(QMouseEvent* e) { setHovered(buttonAt(e->position())); }

void KVMCardList::mouseReleaseEvent(QMouseEvent* e)
{
    const int pressed = std::exchange(pressed_, -1);
    update();
    if (e->button() == Qt::LeftButton && pressed >= 0 && buttonAt(e->position()) == pressed)
        activateRow(pressed);
}

bool KVMCardList::event(QEvent* e)
{
    if (e->type() == QEvent::HoverLeave || e->type() == QEvent::Leave)
        setHovered(-1);
    return DrawnList::event(e);
}

void KVMCardList::setHovered(int index)
{
    if (index == hovered_)
        return;
    hovered_ = index;
    if (index >= 0)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    update();
}

void KVMCardList::activateRow(int index)
{
    if (index >= 0 && index < rowCount() && isRowEnabled(index) && apply_)
        apply_(rows_[size_t(index)].id);
}

KVMCard::KVMCard(AutomationManager& automation, DisplayManager& display, QWidget* parent)
    : QWidget(parent), automation_(automation), display_(display)
{
    Card* card = wrapInCard(this);
    header_ = new CardHeader(Texts::tr("KVM"), "link");
    card->addWidget(header_);
    card->addWidget(new SwitchRow(Texts::tr("Bağlanınca profili uygula"), std::nullopt, std::nullopt,
                                  {[this] { return automation_.enabled(); },
                                   [this](bool on) { automation_.setEnabled(on); }}));
    empty_ = new WrappingText(Texts::tr("Profil yok. KVM Profili sayfasından ekleyin."), design::calloutFont());
    card->addWidget(empty_);
    list_ = new KVMCardList([this](const QString& id) {
        for (const auto& profile : automation_.profiles())
            if (profile.id.toString() == id) {
                automation_.apply(profile);
                return;
            }
    });
    card->addWidget(list_);
    auto* more = new MoreLink(Texts::tr("Profilleri düzenle"), [] { Router::shared().setPage(Router::Page::kvm); });
    auto* moreRow = new QHBoxLayout;
    moreRow->addWidget(more);
    moreRow->addStretch(1);
    card->addLayout(moreRow);

    auto* binding = new ViewSync(this, [this] { sync(); });
    // The dots follow the monitors coming and going as well as the profiles.
    binding->follow(&automation_, &AutomationManager::changed).follow(&display_, &DisplayManager::changed);
    sync();
}

KVMCard::~KVMCard() = default;

StatusChip* KVMCard::headerChip() const { return qobject_cast<StatusChip*>(header_->trailing()); }

void KVMCard::sync()
{
    const auto wanted = chip(automation_);
    StatusChip* shown = headerChip();
    if (!wanted) {
        if (shown)
            header_->setTrailing(nullptr);
    } else {
        const Tint tint = wanted->tint == SystemColor::gray ? Tint() : Tint(wanted->tint);
        if (shown) {
            shown->setText(wanted->text);
            shown->setSymbol(wanted->symbol);
            shown->setTint(tint);
        } else {
            header_->setTrailing(new StatusChip(wanted->text, wanted->symbol, tint));
        }
    }
    empty_->setVisible(automation_.profiles().empty());
    std::vector<KVMCardList::Row> rows;
    rows.reserve(automation_.profiles().size());
    for (const auto& profile : automation_.profiles()) {
        const bool connected = automation_.isConnected(profile);
        rows.push_back({profile.id.toString(), KVMProfile::cutName(profile.label()), connected && profile.enabled,
                        connected});
    }
    list_->setVisible(!rows.empty());
    list_->setRows(std::move(rows));
}

ControlsSection::ControlsSection(DisplayManager& display, AudioManager& audio, bool hasBattery, Hub& hub,
                                 QWidget* parent)
    : QWidget(parent), display_(display)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* grid = new MasonryGrid(300, 12);
    outer->addWidget(grid);

    auto* screen = new Card(14);
    selectedName_ = new TextLine(QString(), design::calloutFont(), TextLine::Tone::secondary);
    screen->addWidget(new CardHeader(Texts::tr("Ekran"), "display", Tint(), selectedName_));
    screen->addWidget(new BrightnessControls(display_, true));
    screen->addWidget(new ResolutionSlider(display_));
    inputRow_ = new QWidget;
    auto* input = new QHBoxLayout(inputRow_);
    input->setContentsMargins(0, 0, 0, 0);
    auto* inputTitle = new TextLine(Texts::tr("Giriş kaynağı"), design::calloutFont());
    inputTitle->setMinimumWidth(inputTitle->sizeHint().width());
    input->addWidget(inputTitle);
    input->addStretch(1);
    // In a narrow column the device name gives way (elided), never the title.
    auto* menu = new InputSourceMenu(display_, Router::shared());
    menu->setMinimumWidth(80);
    input->addWidget(menu);
    screen->addWidget(inputRow_);
    grid->addWidget(screen);

    auto* sound = new Card(14);
    sound->addWidget(new CardHeader(Texts::tr("Ses"), "speaker.wave.2"));
    sound->addWidget(new MasterVolumeSlider(audio));
    sound->addWidget(new OutputDeviceList(audio));
    sound->addWidget(new Divider(0.5));
    sound->addWidget(new InputControls(audio, false));
    grid->addWidget(sound);

    auto* apps = new Card(14);
    apps->addWidget(new CardHeader(Texts::tr("Uygulama sesleri"), "square.stack.3d.up"));
    apps->addWidget(new AppAudioList(audio, hub.appAudio, false));
    grid->addWidget(apps);

    if (hasBattery) {
        batteryCard_ = new BatteryControlCard(hub.battery);
        grid->addWidget(batteryCard_);
    }
    mouseCard_ = new MouseCard(hub.scroll);
    grid->addWidget(mouseCard_);
    kvmCard_ = new KVMCard(hub.automation, hub.display);
    grid->addWidget(kvmCard_);

    auto* binding = new ViewSync(this, [this] { sync(); });
    binding->follow(&display_, &DisplayManager::changed);
    sync();
}

ControlsSection::~ControlsSection() = default;

void ControlsSection::sync()
{
    const auto selected = display_.selected();
    selectedName_->setText(selected ? selected->name : QString());
    inputRow_->setVisible(display_.ddcAvailable());
}
