#pragma once
// The main window's page for sound: the default output with the master volume, the microphone,
// the per-application volumes and the options of the master volume.
#include "design/SegmentedChoice.h"

#include <QWidget>

class AppAudioManager;
class AudioManager;
class SwitchRow;

// How the master volume reaches HDMI/DisplayPort outputs, whether the volume keys are taken
// over, and the size of one key step. It shows three values and draws again only when one of
// them changes, so the volume moving next to it costs nothing here.
class AudioOptionsCard : public QWidget {
    Q_OBJECT
public:
    struct Values {
        bool useSoftwareVolume = true;
        bool mediaKeysEnabled = true;
        double volumeStep = 6.25;
        friend bool operator==(const Values&, const Values&) = default;
    };

    explicit AudioOptionsCard(AudioManager& audio, QWidget* parent = nullptr);

    static Values valuesOf(const AudioManager& audio);
    static std::vector<SegmentedChoice<double>::Option> stepOptions();

    const Values& values() const { return values_; }
    int redraws() const { return redraws_; } // how often new values were shown
    SegmentedChoice<double>* stepChoice() const { return step_; }
    SwitchRow* softwareVolumeRow() const { return software_; }
    SwitchRow* mediaKeysRow() const { return keys_; }

private:
    void sync();

    AudioManager& audio_;
    Values values_;
    int redraws_ = 0;
    SwitchRow* software_;
    SwitchRow* keys_;
    SegmentedChoice<double>* step_;
};

class AudioPage : public QWidget {
    Q_OBJECT
public:
    AudioPage(AudioManager& audio, AppAudioManager& appAudio, QWidget* parent = nullptr);
    AudioOptionsCard* optionsCard() const { return options_; }

private:
    AudioOptionsCard* options_;
};
