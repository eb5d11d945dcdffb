#include "battery/BatterySummary.h"

#include "app/Texts.h"
#include "battery/BatteryManager.h"
#include "design/Gauges.h"
#include "design/Paint.h"
#include "design/Symbols.h"
#include "design/NumericText.h"
#include "design/TextLine.h"
#include "design/ViewSync.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

BatterySummary::BatterySummary(BatteryManager& battery, bool large, QWidget* parent)
    : QWidget(parent), battery_(battery)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    // The symbol sits on the ring: both in one grid cell, centred.
    auto* gauge = new QGridLayout;
    gauge->setContentsMargins(0, 0, 0, 0);
    ring_ = new BatteryRing(0, 100, Tint(), large ? 52 : 40, large ? 5 : 4);
    ring_->setFixedSize(ring_->sizeHint());
    symbol_ = new SymbolView("battery.75percent", large ? 15 : 12, SymbolWeight::semibold);
    gauge->addWidget(ring_, 0, 0, Qt::AlignCenter);
    gauge->addWidget(symbol_, 0, 0, Qt::AlignCenter);
    row->addLayout(gauge);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    percent_ = new NumericText(design::valueFont(large ? 30 : 22));
    status_ = new TextLine(QString(), design::calloutFont(), TextLine::Tone::secondary);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed); // one line, truncated
    texts->addWidget(percent_);
    texts->addWidget(status_);
    row->addLayout(texts, 1);
    column->addLayout(row);

    bar_ = new BatteryBar(0, 100, Tint(), 8);
    column->addWidget(bar_);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    binding_ = new ViewSync(this, [this] { sync(); });
    binding_->follow(&battery_, &BatteryManager::changed);
    binding_->follow(&battery_.live(), &BatteryLive::changed); // the status's real-fill note
    sync();
}

QString BatterySummary::symbolFor(bool isCharging, int dischargeTarget, bool onAC)
{
    if (isCharging)
        return "bolt.fill";
    if (dischargeTarget >= 1)
        return "arrow.down";
    if (onAC)
        return "powerplug.fill";
    return "battery.75percent";
}

void BatterySummary::sync()
{
    const Tint tint = battery_.stateTint();
    ring_->setValues(battery_.percent(), battery_.limit());
    ring_->setTint(tint);
    symbol_->setSymbol(symbolFor(battery_.isCharging(), battery_.dischargeTarget(), battery_.onAC()));
    symbol_->setColor(tint);
    percent_->setText(Texts::tr("%%1", battery_.percent()));
    status_->setText(battery_.shortStatus());
    status_->setToolTip(battery_.explanation());
    bar_->setValues(battery_.percent(), battery_.limit());
    bar_->setTint(tint);
}

