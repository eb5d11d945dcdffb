#include "battery/BatteryActionTiles.h"

#include "app/Texts.h"
#include "battery/BatteryManager.h"
#include "design/Buttons.h"
#include "design/Controls.h"
#include "design/Grid.h"
#include "design/Paint.h"
#include "design/Symbols.h"
#include "design/Theme.h"
#include "design/Tiles.h"
#include "design/ViewSync.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
constexpr int kDrainTargets[] = {80, 60, 40, 20};
}

BatteryActionTiles::BatteryActionTiles(BatteryManager& battery, bool showCalibrate, QWidget* parent)
    : QWidget(parent), battery_(battery)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    install_ = new GlassButton(QString(), "lock.shield", GlassButton::Form::glass);
    connect(install_, &QPushButton::clicked, this, [this] { battery_.installHelper(); });
    column->addWidget(install_, 0, Qt::AlignLeft);

    grid_ = new CardGrid(140, 8, true);
    drain_ = new ControlTile("arrow.down.to.line", Texts::tr("Boşalt"), Texts::tr("Hedef seç"), false, Tint(),
                             [this] { drainTapped(); });
    drainMenu_ = new LiveMenu([this](QMenu& menu) { fillDrainMenu(menu); }, drain_);
    grid_->addWidget(drain_);
    topUp_ = new ControlTile("battery.100percent.bolt", Texts::tr("Tam doldur"), Texts::tr("Bir kez %100"), false,
                             SystemColor::green, [this] { topUpTapped(); });
    grid_->addWidget(topUp_);
    if (showCalibrate) {
        calibrate_ = new ControlTile("arrow.triangle.2.circlepath", Texts::tr("Kalibrasyon"), QString("100→15→100"),
                                     false, SystemColor::purple, [this] { calibrationTapped(); });
        grid_->addWidget(calibrate_);
    }
    column->addWidget(grid_);

    errorLine_ = new QWidget;
    auto* errorRow = new QHBoxLayout(errorLine_);
    errorRow->setContentsMargins(0, 0, 0, 0);
    errorRow->setSpacing(6);
    errorSymbol_ = new SymbolView("exclamationmark.triangle", 12, SymbolWeight::regular);
    errorSymbol_->setColor(SystemColor::orange);
    errorRow->addWidget(errorSymbol_, 0, Qt::AlignTop);
    error_ = new WrappingText(QString(), design::calloutFont());
    error_->setColor(SystemColor::orange);
    errorRow->addWidget(error_, 1);
    column->addWidget(errorLine_);

    binding_ = new ViewSync(this, [this] { sync(); });
    binding_->follow(&battery_, &BatteryManager::changed);
    sync();
}

std::vector<BatteryActionTiles::DrainEntry> BatteryActionTiles::drainEntries(int percent, int limit)
{
    std::vector<DrainEntry> out;
    if (limit <= 99 && limit < percent)
        out.push_back({limit, true});
    for (int target : kDrainTargets) {
        if (percent > target)
            out.push_back({target, false});
    }
    return out;
}

bool BatteryActionTiles::drainMenuEnabled(const BatteryManager& b)
{
    return b.helperInstalled() && !b.helperOutdated() && b.onAC() && !b.calibration();
}

bool BatteryActionTiles::topUpEnabled(const BatteryManager& b)
{
    if (b.topUpRestoreLimit())
        return true; // a running top-up can always be ended
    return b.limit() < 100 && !b.calibration();
}

bool BatteryActionTiles::calibrationEnabled(const BatteryManager& b)
{
    // A running cycle stays cancellable even when the helper meanwhile reports an old version.
    return b.calibration() || (b.helperInstalled() && !b.helperOutdated());
}

std::optional<QString> BatteryActionTiles::errorText(const BatteryManager& b)
{
    return b.helperError() ? b.helperError() : b.actionError();
}

void BatteryActionTiles::sync()
{
    install_->setVisible(!battery_.helperInstalled() || battery_.helperOutdated());
    install_->setText(battery_.helperOutdated() ? Texts::tr("Pil yardımcısını güncelle")
                                                : Texts::tr("Boşaltma için pil yardımcısını kur"));

    const bool draining = battery_.dischargeTarget() >= 1;
    drain_->setSubtitle(draining ? Texts::tr("Durdur") : Texts::tr("Hedef seç"));
    drain_->setActive(draining);
    drain_->setTint(draining ? Tint(SystemColor::orange) : Tint());
    drain_->setEnabled(draining || drainMenuEnabled(battery_));

    const bool toppingUp = battery_.topUpRestoreLimit().has_value();
    topUp_->setSubtitle(toppingUp ? Texts::tr("Durdur") : Texts::tr("Bir kez %100"));
    topUp_->setActive(toppingUp);
    topUp_->setEnabled(topUpEnabled(battery_));

    if (calibrate_) {
        const bool calibrating = battery_.calibration().has_value();
        calibrate_->setSubtitle(calibrating ? Texts::tr("İptal et") : QString("100→15→100"));
        calibrate_->setActive(calibrating);
        calibrate_->setEnabled(calibrationEnabled(battery_));
    }

    const auto error = errorText(battery_);
    errorLine_->setVisible(error.has_value());
    error_->setText(error.value_or(QString()));
}

void BatteryActionTiles::drainTapped()
{
    // Taps come from the tile as it was drawn; the manager's state now decides.
    if (battery_.dischargeTarget() >= 1)
        battery_.stopDischarge();
    else if (drainMenuEnabled(battery_))
        drainMenu_->popUpBelow(drain_);
}

void BatteryActionTiles::fillDrainMenu(QMenu& menu)
{
    // A section header is a disabled item: not every style draws the text of a menu section.
    addMenuAction(menu, Texts::tr("Adaptör takılıyken pili kullan"), {})->setEnabled(false);
    for (const DrainEntry& e : drainEntries(battery_.percent(), battery_.limit())) {
        const QString text = e.toLimit ? Texts::tr("Şarj sınırına (%%1)", e.target) : Texts::tr("%%1", e.target);
        addMenuAction(menu, text, [this, target = e.target] { battery_.startDischarge(target); });
    }
}

void BatteryActionTiles::topUpTapped()
{
    if (battery_.topUpRestoreLimit())
        battery_.stopTopUp();
    else if (topUpEnabled(battery_))
        battery_.startTopUp();
}

void BatteryActionTiles::calibrationTapped()
{
    if (battery_.calibration())
        battery_.stopCalibration();
    else if (calibrationEnabled(battery_))
        battery_.startCalibration();
}

