#pragma once
// The master volume as a titled slider that names its route, with the software gain's start
// error under it. On an output whose level nothing can set, a notice takes the slider's place.
#include "audio/AudioManager.h"

#include <QWidget>

class ValueSlider;
class ViewSync;
class WrappingText;

class MasterVolumeSlider : public QWidget {
    Q_OBJECT
public:
    explicit MasterVolumeSlider(AudioManager& audio, QWidget* parent = nullptr);

    // The speaker for a level: slashed when muted or below 0.5, else one to three waves.
    static QString symbolFor(double volume, bool muted);
    static QString titleFor(AudioManager::VolumeSource source);

    ValueSlider* slider() const { return slider_; }
    WrappingText* notice() const { return notice_; }
    WrappingText* errorText() const { return error_; }
    ViewSync& binding() const { return *binding_; }

private:
    void sync();

    AudioManager& audio_;
    WrappingText* notice_;
    ValueSlider* slider_;
    WrappingText* error_;
    ViewSync* binding_;
};
