#include "battery/ChargeLimitPicker.h"

#include "app/Texts.h"
#include "battery/BatteryManager.h"
#include "design/Paint.h"
#include "design/TextLine.h"
#include "design/ViewSync.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

ChargeLimitSegments::ChargeLimitSegments(State state, std::function<void(int)> select, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    caption_ = new TextLine(Texts::tr("Şarj sınırı"), design::calloutFont());
    caption_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed); // never truncated
    row->addWidget(caption_, 0, Qt::AlignVCenter);
    choice_ = new SegmentedChoice<int>(options(state_.limits), state_.limit, 300,
                                       [select = std::move(select)](const int& limit) {
                                           if (select)
                                               select(limit);
                                       });
    // The segments take the room up to their 300 points; the gap before them takes the rest.
    row->addStretch(1);
    row->addWidget(choice_, 1000, Qt::AlignVCenter);
    choice_->setAccessibleName(caption_->text());
    choice_->setEnabled(!state_.locked);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QString ChargeLimitSegments::title(int limit) { return limit >= 100 ? Texts::tr("Yok") : QString::number(limit); }

std::vector<SegmentedChoice<int>::Option> ChargeLimitSegments::options(const std::vector<int>& limits)
{
    std::vector<SegmentedChoice<int>::Option> out;
    for (int l : limits)
        out.push_back({l, title(l)});
    return out;
}

void ChargeLimitSegments::setState(const State& state)
{
    if (state == state_)
        return;
    if (state.limits != state_.limits)
        choice_->setOptions(options(state.limits), state.limit);
    else if (state.limit != state_.limit)
        choice_->setSelection(state.limit);
    choice_->setEnabled(!state.locked);
    state_ = state;
}

ChargeLimitPicker::ChargeLimitPicker(BatteryManager& battery, QWidget* parent) : QWidget(parent), battery_(battery)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    // The segments set the limit on this picker's manager, the one it shows.
    segments_ = new ChargeLimitSegments(stateOf(battery_), [this](int limit) { battery_.setLimit(limit); });
    column->addWidget(segments_);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    binding_ = new ViewSync(this, [this] { sync(); });
    binding_->follow(&battery_, &BatteryManager::changed);
    sync();
}

bool ChargeLimitPicker::offers(const BatteryManager& b) { return b.limitSupported() && !b.availableLimits().empty(); }

ChargeLimitSegments::State ChargeLimitPicker::stateOf(const BatteryManager& b)
{
    return {b.limit(), b.availableLimits(), b.calibration().has_value() || b.topUpRestoreLimit().has_value()};
}

void ChargeLimitPicker::sync()
{
    segments_->setState(stateOf(battery_));
    // Hidden, the picker takes no room in its parent's layout. Shown again only if it was
    // hidden here, so a picker that was never shown is not opened as a window of its own.
    if (!offers(battery_)) {
        hiddenForNoLimit_ = true;
        hide();
    } else if (hiddenForNoLimit_) {
        hiddenForNoLimit_ = false;
        show();
    }
}
