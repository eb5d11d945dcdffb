#include "audio/MasterVolumeSlider.h"

#include "app/Texts.h"
#include "design/Accessibility.h"
#include "design/Controls.h"
#include "design/Paint.h"
#include "design/Sliders.h"
#include "design/Theme.h"
#include "design/ViewSync.h"

#include <QEvent>
#include <QVBoxLayout>

MasterVolumeSlider::MasterVolumeSlider(AudioManager& audio, QWidget* parent) : QWidget(parent), audio_(audio)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    notice_ = new WrappingText(Texts::tr("Bu çıkışın ses seviyesi ayarlanamıyor."), design::calloutFont());
    column->addWidget(notice_);

    const AudioLevel& level = audio_.level();
    slider_ = new ValueSlider(
        titleFor(audio_.volumeSource()), symbolFor(level.volume(), level.muted()), std::nullopt,
        DoubleBinding{[this] { return audio_.level().muted() ? 0.0 : audio_.level().volume(); },
                      [this](double v) { audio_.setVolume(v); }},
        ClosedRange{0, 100}, [this] { audio_.setMuted(!audio_.level().muted()); });
    // The speaker beside the slider is the mute switch.
    design::a11y::describe(slider_->symbolButton(),
                           {.role = QAccessible::CheckBox, .name = [] { return Texts::tr("Sessiz"); },
                            .checked = [this] { return audio_.level().muted(); },
                            .activate = [this] { audio_.setMuted(!audio_.level().muted()); }, .owner = this});
    column->addWidget(slider_);

    error_ = new WrappingText(QString(), design::calloutFont());
    error_->setColor(SystemColor::orange);
    column->addWidget(error_);

    binding_ = new ViewSync(this, [this] { sync(); });
    binding_->follow(&audio_, &AudioManager::changed).follow(&audio_.level(), &AudioLevel::changed);
    sync();
}

QString MasterVolumeSlider::symbolFor(double volume, bool muted)
{
    if (muted || volume < 0.5)
        return "speaker.slash.fill";
    if (volume < 34)
        return "speaker.wave.1.fill";
    if (volume < 67)
        return "speaker.wave.2.fill";
    return "speaker.wave.3.fill";
}

QString MasterVolumeSlider::titleFor(AudioManager::VolumeSource source)
{
    switch (source) {
    case AudioManager::VolumeSource::system: return Texts::tr("Ses");
    case AudioManager::VolumeSource::software: return Texts::tr("Ses · macOS");
    case AudioManager::VolumeSource::ddc: return Texts::tr("Ses · Monitör (DDC)");
    case AudioManager::VolumeSource::none: break;
    }
    return QString();
}

void MasterVolumeSlider::sync()
{
    const AudioManager::VolumeSource source = audio_.volumeSource();
    const bool settable = source != AudioManager::VolumeSource::none;
    notice_->setVisible(!settable);
    slider_->setVisible(settable);
    if (settable) {
        const AudioLevel& level = audio_.level();
        slider_->setTitle(titleFor(source));
        slider_->setSymbol(symbolFor(level.volume(), level.muted()));
        slider_->setValueText(level.muted() ? std::optional(Texts::tr("Sessiz")) : std::nullopt);
        slider_->refresh();
    }
    const std::optional<QString> error = audio_.softwareError();
    error_->setVisible(error.has_value());
    error_->setText(error.value_or(QString()));
}
