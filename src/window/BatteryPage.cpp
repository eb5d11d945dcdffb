#include "window/BatteryPage.h"

#include "app/Texts.h"
#include "battery/BatteryActionTiles.h"
#include "battery/BatteryExplanation.h"
#include "battery/BatteryManager.h"
#include "battery/BatterySummary.h"
#include "battery/ChargeLimitPicker.h"
#include "battery/LivePowerSplitBar.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Grid.h"
#include "design/LazySection.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"
#include "shared/HelperConstants.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
// The calibration and helper cards side by side at the window's default width.
constexpr int kLowerCardsHeight = 160;
} // namespace

BatteryPage::BatteryPage(BatteryManager& battery, QWidget* parent) : QWidget(parent), battery_(battery)
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);

    auto* main = new Card(14);
    main->addWidget(new BatterySummary(battery_, true));
    main->addWidget(new ChargeLimitPicker(battery_));
    main->addWidget(new BatteryActionTiles(battery_, true));
    main->addWidget(new BatteryExplanation(battery_, battery_.live()));
    main->addWidget(new Divider(0.5));
    main->addWidget(new LivePowerSplitBar(battery_.live()));
    stack->addWidget(main);

    lower_ = new LazySection([this] { return makeLowerCards(); }, kLowerCardsHeight);
    stack->addWidget(lower_);
}

QWidget* BatteryPage::makeLowerCards()
{
    auto* grid = new CardGrid(300, 12, true);

    auto* calibration = new Card(14);
    calibration->addWidget(
        new CardHeader(Texts::tr("Kalibrasyon"), "arrow.triangle.2.circlepath"));
    calibration->addWidget(new WrappingText(
        Texts::tr("%100'e şarj → %%1'e deşarj → %100'e şarj → 1 saat bekleme → sınıra dönüş. Pil yüzdesi "
                  "göstergesinin doğruluğunu tazeler; ayda bir yeterli.",
                  BatteryManager::kCalibrationTarget),
        design::calloutFont()));
    calibrationLine_ = new QWidget;
    auto* line = new QHBoxLayout(calibrationLine_);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(6);
    line->addWidget(new SymbolView("hourglass", 12, SymbolWeight::regular));
    calibrationText_ = new TextLine(QString(), design::calloutFont());
    line->addWidget(calibrationText_, 1);
    calibration->addWidget(calibrationLine_);
    grid->addWidget(calibration);

    auto* helper = new Card(14);
    helperHeader_ = new CardHeader(Texts::tr("Yardımcı Servis"), "lock.shield");
    helper->addWidget(helperHeader_);
    helper->addWidget(new WrappingText(
        Texts::tr("Deşarj ve kalibrasyon adaptörü SMC üzerinden kapatır; bunun için root yetkili küçük bir servis "
                  "gerekir. Servis uykuda, kapanışta ve hedefe ulaşınca adaptörü geri açar, %%1'un altına inmez.",
                  HelperConstants::minimumDischargeTarget),
        design::calloutFont()));
    auto* buttons = new QHBoxLayout;
    install_ = new GlassButton(Texts::tr("Kur…"), QString(), GlassButton::Form::prominent);
    update_ = new GlassButton(Texts::tr("Güncelle"), QString(), GlassButton::Form::prominent);
    remove_ = new GlassButton(Texts::tr("Kaldır"));
    remove_->setDestructive(true);
    connect(install_, &QPushButton::clicked, this, [this] { battery_.installHelper(); });
    connect(update_, &QPushButton::clicked, this, [this] { battery_.installHelper(); });
    connect(remove_, &QPushButton::clicked, this, [this] { removeHelper(battery_); });
    buttons->addWidget(install_);
    buttons->addWidget(update_);
    buttons->addWidget(remove_);
    buttons->addStretch(1);
    helper->addLayout(buttons);
    grid->addWidget(helper);

    // Only these cards follow the battery; the main card's views follow it themselves.
    auto* binding = new ViewSync(grid, [this] { sync(); });
    binding->follow(&battery_, &BatteryManager::changed);
    sync();
    return grid;
}

void BatteryPage::removeHelper(BatteryManager& battery)
{
    battery.stopCalibration();
    const auto removed = battery.helper().uninstall();
    if (!removed)
        battery.setActionError(removed.error().localizedDescription);
    battery.refresh();
}

StatusChip* BatteryPage::helperChip() const
{
    return helperHeader_ ? qobject_cast<StatusChip*>(helperHeader_->trailing()) : nullptr;
}

void BatteryPage::sync()
{
    const auto text = battery_.calibrationText();
    calibrationLine_->setVisible(text.has_value());
    calibrationText_->setText(text.value_or(QString()));

    const bool installed = battery_.helperInstalled();
    const bool outdated = installed && battery_.helperOutdated();
    if (!installed) {
        if (helperHeader_->trailing())
            helperHeader_->setTrailing(nullptr);
    } else {
        const QString chipText = outdated ? Texts::tr("Eski") : Texts::tr("Kurulu");
        const Tint tint = outdated ? SystemColor::orange : SystemColor::green;
        if (StatusChip* chip = helperChip()) {
            chip->setText(chipText);
            chip->setTint(tint);
        } else {
            helperHeader_->setTrailing(new StatusChip(chipText, "checkmark", tint));
        }
    }
    install_->setVisible(!installed);
    update_->setVisible(outdated);
    remove_->setVisible(installed);
}
