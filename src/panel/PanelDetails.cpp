#include "panel/PanelDetails.h"

#include "app/Texts.h"
#include "audio/AppAudioList.h"
#include "audio/InputControls.h"
#include "audio/OutputDeviceList.h"
#include "battery/BatteryActionTiles.h"
#include "battery/BatteryManager.h"
#include "battery/BatterySummary.h"
#include "battery/ChargeLimitPicker.h"
#include "battery/LivePowerSplitBar.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Paint.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"
#include "display/DisplayManager.h"
#include "display/InputSourceMenu.h"
#include "display/MonitorPicker.h"
#include "display/ResolutionSlider.h"
#include "design/MoreLink.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace design;

namespace {
Card* cardIn(QWidget* view)
{
    auto* outer = new QVBoxLayout(view);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(12, view);
    outer->addWidget(card);
    return card;
}
} // namespace

DisplayDetail::DisplayDetail(DisplayManager& display, Router& router, std::function<void()> more, QWidget* parent)
    : QWidget(parent), display_(display)
{
    Card* card = cardIn(this);
    more_ = new MoreLink(Texts::tr("Daha fazla"), std::move(more));
    card->addWidget(new CardHeader(Texts::tr("Ekran"), "display", Tint::secondary(), more_));
    card->addWidget(new MonitorPicker(display_));
    card->addWidget(new ResolutionSlider(display_));
    inputRow_ = new QWidget;
    auto* row = new QHBoxLayout(inputRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new TextLine(Texts::tr("Giriş"), calloutFont()), 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(new InputSourceMenu(display_, router), 0, Qt::AlignVCenter);
    card->addWidget(inputRow_);
    auto sync = [this] { inputRow_->setVisible(display_.ddcAvailable()); };
    (new ViewSync(this, sync))->follow(&display_, &DisplayManager::changed);
    sync();
}

AudioDetail::AudioDetail(AudioManager& audio, AppAudioManager& appAudio, std::function<void()> more, QWidget* parent)
    : QWidget(parent)
{
    Card* card = cardIn(this);
    more_ = new MoreLink(Texts::tr("Daha fazla"), std::move(more));
    card->addWidget(new CardHeader(Texts::tr("Çıkış"), "speaker.wave.2", Tint::secondary(), more_));
    card->addWidget(new OutputDeviceList(audio));
    card->addWidget(new Divider(0.5));
    card->addWidget(new InputControls(audio, false));
    card->addWidget(new Divider(0.5));
    card->addWidget(new AppAudioList(audio, appAudio, true));
}

BatteryDetail::BatteryDetail(BatteryManager& battery, QWidget* parent) : QWidget(parent)
{
    Card* card = cardIn(this);
    card->addWidget(new BatterySummary(battery, false));
    card->addWidget(new ChargeLimitPicker(battery));
    card->addWidget(new BatteryActionTiles(battery, false));
    card->addWidget(new Divider(0.5));
    card->addWidget(new LivePowerSplitBar(battery.live()));
}
