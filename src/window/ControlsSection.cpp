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
#include <QPainter>
#include <QVBoxLayout>

namespace {

Card* wrapInCard(QWidget* self)
{
    auto* outer = new QVBoxLayout(self);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(14);
    outer->addWidget(card);
    return card;
}

// The 7-point live dot of a profile.
class Dot : public QWidget {
public:
    Dot() { setFixedSize(7, 7); }
    bool lit = false;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(lit ? systemColor(SystemColor::green, this) : withAlpha(secondaryColor(this), 0.4));
        p.drawEllipse(QRectF(rect()));
    }
};

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

KVMCardRow::KVMCardRow(AutomationManager& automation, const QString& id, QWidget* parent)
    : QWidget(parent), automation_(automation), id_(id)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    dot_ = new Dot;
    row->addWidget(dot_);
    label_ = new TextLine(QString(), design::bodyFont());
    row->addWidget(label_, 1);
    apply_ = new GlassButton(Texts::tr("Uygula"));
    apply_->setControlSize(GlassButton::ControlSize::small);
    connect(apply_, &QPushButton::clicked, this, [this] {
        for (const auto& profile : automation_.profiles())
            if (profile.id.toString() == id_)
                automation_.apply(profile);
    });
    row->addWidget(apply_);
}

void KVMCardRow::sync(const KVMProfile& profile)
{
    const bool connected = automation_.isConnected(profile);
    lit_ = connected && profile.enabled;
    static_cast<Dot*>(dot_)->lit = lit_;
    dot_->update();
    label_->setText(KVMProfile::cutName(profile.label()));
    apply_->setEnabled(connected);
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
    auto* list = new QWidget;
    auto* rows = new QVBoxLayout(list);
    rows->setContentsMargins(0, 0, 0, 0);
    rows_ = std::make_unique<KeyedRows>(rows);
    card->addWidget(list);
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

QWidget* KVMCard::profileRow(const QString& id) const { return rows_->row(id); }

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
    QStringList keys;
    for (const auto& profile : automation_.profiles())
        keys << profile.id.toString();
    rows_->sync(keys, [this](const QString& id) { return new KVMCardRow(automation_, id); });
    // Each row from its own profile: a row looking its profile up would make a sync quadratic.
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (auto* row = rows_->row<KVMCardRow>(keys[i]))
            row->sync(automation_.profiles()[size_t(i)]);
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
