#include "audio/InputControls.h"

#include "app/Texts.h"
#include "audio/AudioManager.h"
#include "audio/DeviceRowList.h"
#include "design/Buttons.h"
#include "design/Paint.h"
#include "design/Sliders.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/ViewSync.h"
#include "platform/Audio.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

using namespace platform::audio;

namespace {
constexpr qreal kMenuLabelWidth = 160;
} // namespace

InputControls::InputControls(AudioManager& audio, bool showList, QWidget* parent) : QWidget(parent), audio_(audio)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    if (showList) {
        rows_ = new DeviceRowList([](const AudioDevice& d) { return symbolFor(d.transport); },
                                  [this](const AudioDevice& d) { choose(d.uid); });
        column->addWidget(rows_);
    } else {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(8);
        auto* mic = new SymbolView("mic.fill", 14, SymbolWeight::regular);
        mic->setFixedWidth(20);
        row->addWidget(mic);
        auto* title = new TextLine(Texts::tr("Mikrofon"), design::bodyFont());
        title->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        row->addWidget(title);
        row->addStretch(1);
        picker_ = new MenuPicker<uint32_t>({}, std::nullopt, [this](const uint32_t& id) {
            for (const AudioDevice& d : audio_.inputs())
                if (d.id == id)
                    choose(d.uid);
        });
        picker_->setPlaceholder(Texts::tr("Yok"));
        row->addWidget(picker_);
        column->addLayout(row);
    }

    level_ = new ValueSlider(Texts::tr("Giriş seviyesi"), "waveform", std::nullopt,
                             DoubleBinding{[this] { return audio_.inputVolume().value_or(0); },
                                           [this](double v) { audio_.setInputVolume(v); }},
                             ClosedRange{0, 100}, nullptr);
    column->addWidget(level_);

    binding_ = new ViewSync(this, [this] { sync(); });
    binding_->follow(&audio_, &AudioManager::changed);
    sync();
}

QString InputControls::symbolFor(uint32_t transport)
{
    switch (transport) {
    case kTransportBluetooth:
    case kTransportBluetoothLE:
        return "headphones";
    case kTransportBuiltIn:
        return "laptopcomputer";
    case fourCC("ccwd"): // Continuity capture, wired and wireless
    case fourCC("ccwl"):
        return "iphone";
    default:
        return "mic";
    }
}

void InputControls::choose(const QString& uid)
{
    // Choosing the checked input again writes nothing; a refused write leaves the default as it
    // was, and the sync shows that.
    audio_.setDefaultInput(uid);
}

void InputControls::sync()
{
    const std::vector<AudioDevice>& inputs = audio_.inputs();
    if (rows_)
        rows_->setDevices(inputs, audio_.defaultInputID());
    if (picker_) {
        std::vector<MenuPicker<uint32_t>::Option> options;
        for (const AudioDevice& d : inputs)
            options.push_back({d.id, d.name});
        picker_->setOptions(std::move(options), audio_.defaultInput() ? std::optional(audio_.defaultInputID()) : std::nullopt);
        // The label is cut at its own width; the capsule and the chevron come on top.
        const qreal label = design::textWidth(picker_->font(), picker_->text());
        picker_->setMaximumWidth(int(std::ceil(picker_->sizeHint().width() - label + std::min(label, kMenuLabelWidth))));
    }
    const std::optional<double> volume = audio_.inputVolume();
    level_->setVisible(volume.has_value());
    if (volume)
        level_->refresh();
}
