#include "window/AudioPage.h"

#include "app/Texts.h"
#include "audio/AppAudioList.h"
#include "audio/AudioManager.h"
#include "audio/InputControls.h"
#include "audio/MasterVolumeSlider.h"
#include "audio/OutputDeviceList.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Grid.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cmath>

AudioOptionsCard::AudioOptionsCard(AudioManager& audio, QWidget* parent)
    : QWidget(parent), audio_(audio), values_(valuesOf(audio))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(14);
    outer->addWidget(card);
    card->addWidget(new CardHeader(Texts::tr("Seçenekler"), "slider.horizontal.3"));
    software_ = new SwitchRow(Texts::tr("HDMI/DP çıkışında sesi macOS ayarlasın"),
                              Texts::tr("Kapalıysa monitörün kendi sesi DDC ile değişir."), std::nullopt,
                              {[this] { return values_.useSoftwareVolume; },
                               [this](bool on) { audio_.setUseSoftwareVolume(on); }});
    card->addWidget(software_);
    keys_ = new SwitchRow(Texts::tr("Ses tuşlarını yakala"),
                          Texts::tr("macOS'un ayarlayamadığı çıkışlarda tuşları Quendrel'e yönlendirir."), std::nullopt,
                          {[this] { return values_.mediaKeysEnabled; },
                           [this](bool on) { audio_.setMediaKeysEnabled(on); }});
    card->addWidget(keys_);

    auto* stepRow = new QHBoxLayout;
    auto* title = new TextLine(Texts::tr("Ses adımı"), design::bodyFont());
    title->setMinimumWidth(title->sizeHint().width()); // never truncated
    stepRow->addWidget(title);
    stepRow->addSpacing(8);
    stepRow->addStretch(1);
    step_ = new SegmentedChoice<double>(stepOptions(), values_.volumeStep, 300,
                                        [this](const double& step) { audio_.setVolumeStep(step); });
    stepRow->addWidget(step_);
    card->addLayout(stepRow);
    card->addWidget(new WrappingText(Texts::tr("Option+Shift ile çeyrek adım."), design::calloutFont()));

    auto* binding = new ViewSync(this, [this] { sync(); });
    binding->follow(&audio_, &AudioManager::changed);
}

AudioOptionsCard::Values AudioOptionsCard::valuesOf(const AudioManager& audio)
{
    return {audio.useSoftwareVolume(), audio.mediaKeysEnabled(), audio.volumeStep()};
}

std::vector<SegmentedChoice<double>::Option> AudioOptionsCard::stepOptions()
{
    return {{2.0, Texts::tr("%%1", 2)},
            {5.0, Texts::tr("%%1", 5)},
            {6.25, Texts::tr("%%1", Texts::decimal(6.25, 2))}, // "%6,25" in Turkish
            {10.0, Texts::tr("%%1", 10)}};
}

void AudioOptionsCard::sync()
{
    const Values now = valuesOf(audio_);
    if (now == values_)
        return;
    values_ = now;
    ++redraws_;
    software_->toggle()->update();
    keys_->toggle()->update();
    step_->setSelection(values_.volumeStep);
}

AudioPage::AudioPage(AudioManager& audio, AppAudioManager& appAudio, QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* grid = new CardGrid(300, 12, true);
    outer->addWidget(grid);

    auto* output = new Card(14);
    output->addWidget(new CardHeader(Texts::tr("Çıkış"), "speaker.wave.2"));
    output->addWidget(new MasterVolumeSlider(audio));
    output->addWidget(new OutputDeviceList(audio));
    grid->addWidget(output);

    auto* microphone = new Card(14);
    microphone->addWidget(new CardHeader(Texts::tr("Mikrofon"), "mic"));
    microphone->addWidget(new InputControls(audio, true));
    grid->addWidget(microphone);

    auto* apps = new Card(14);
    apps->addWidget(new CardHeader(Texts::tr("Uygulamalar"), "square.stack.3d.up"));
    apps->addWidget(new AppAudioList(audio, appAudio, false));
    grid->addWidget(apps);

    options_ = new AudioOptionsCard(audio);
    grid->addWidget(options_);
}
