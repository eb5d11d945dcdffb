#pragma once
// The one object through which the system sees and changes the Mac's sound devices: the
// device lists, the default devices, the input volume, and the master volume on whichever
// route the default output allows (its own volume, the software gain, the monitor's DDC/CI
// volume, or none).
#include "audio/AudioDevice.h"
#include "audio/AudioLevel.h"
#include "audio/SoftwareVolume.h"
#include "platform/Audio.h"
#include "platform/Clock.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class DisplayManager;

class AudioManager : public QObject {
    Q_OBJECT
public:
    enum class VolumeSource { system, software, ddc, none };

    explicit AudioManager(DisplayManager& display);
    ~AudioManager() override;

    // Devices and defaults
    const std::vector<AudioDevice>& outputs() const { return outputs_; }
    const std::vector<AudioDevice>& inputs() const { return inputs_; }
    uint32_t defaultOutputID() const { return defaultOutputID_; }
    uint32_t defaultInputID() const { return defaultInputID_; }
    std::optional<AudioDevice> defaultOutput() const;
    std::optional<AudioDevice> defaultInput() const;
    void refresh();
    // False when the UID is not listed or the audio system refused the write.
    bool setDefaultOutput(const QString& uid);
    bool setDefaultInput(const QString& uid);

    std::optional<double> inputVolume() const { return inputVolume_; }
    void refreshInputVolume();
    void setInputVolume(double v);

    // Master volume
    AudioLevel& level() { return *level_; }
    const AudioLevel& level() const { return *level_; }
    VolumeSource volumeSource() const { return volumeSource_; }
    void refreshVolume();
    void setVolume(double v);
    void setMuted(bool m);
    void stepVolume(bool up, bool fine);
    void reconfigureMaster();
    std::optional<double> masterSecondsSinceSound() const;

    // The route for an output, from what it offers; ties go to the first that fits.
    static VolumeSource chooseRoute(bool hardwareVolume, bool useSoftwareVolume, bool hasDefaultOutput,
                                    uint32_t transport, bool ddcAvailable);
    // The software gain for a level and mute.
    static float softwareGain(double softLevel, bool softMuted);
    // One key press: snap to the step's grid, then one step. A step that is not positive
    // and finite counts as the default step.
    static double steppedLevel(double level, double step, bool up, bool fine);

    // Settings
    bool mediaKeysEnabled() const { return mediaKeysEnabled_; }
    void setMediaKeysEnabled(bool on);
    double volumeStep() const { return volumeStep_; }
    void setVolumeStep(double step);
    bool useSoftwareVolume() const { return useSoftwareVolume_; }
    void setUseSoftwareVolume(bool on);

    // The software volume could not start, or a settings change above was refused by the store.
    std::optional<QString> softwareError() const { return softwareError_; }
    bool tapsSuspended() const { return tapsSuspended_; }
    void setTapsSuspended(bool suspended) { tapsSuspended_ = suspended; }
    double softLevel() const { return softLevel_; }
    bool softMuted() const { return softMuted_; }
    const SoftwareVolume* softEngine() const { return softEngine_.get(); }

    // Filled by the per-application audio.
    std::function<std::vector<uint32_t>()> excludedProcesses = [] { return std::vector<uint32_t>{}; };
    std::function<void()> onRoutingChanged;

    DisplayManager& display() { return display_; }

    static constexpr double kDefaultStep = 5.0;
    // Tests: waits until engines handed to the background for stopping have stopped.
    static void waitForBackgroundStops();

signals:
    void changed();

private:
    void scheduleRefresh();
    void applySoftwareGain();
    void startMaster(const std::shared_ptr<SoftwareVolume>& engine, const QString& uid);
    void stopSoftware();
    bool store(const QString& key, const QVariant& value);
    void scheduleIdleStop();
    void idleStopFired();
    void moveListeners(uint32_t& watched, uint32_t target, uint32_t scope, const platform::audio::ListenerBlock& block);
    std::vector<AudioDevice> readDevices(const std::vector<uint32_t>& ids, uint32_t scope) const;
    uint32_t readDefault(uint32_t selector) const;
    bool setDefault(const std::vector<AudioDevice>& list, uint32_t current, const QString& uid,
                    std::initializer_list<uint32_t> selectors);

    std::vector<AudioDevice> outputs_;
    std::vector<AudioDevice> inputs_;
    uint32_t defaultOutputID_ = 0;
    uint32_t defaultInputID_ = 0;
    AudioLevel* level_;
    VolumeSource volumeSource_ = VolumeSource::none;
    std::optional<double> inputVolume_;
    bool mediaKeysEnabled_ = true;
    double volumeStep_ = kDefaultStep;
    bool useSoftwareVolume_ = true;
    std::optional<QString> softwareError_;
    bool tapsSuspended_ = false;
    DisplayManager& display_;
    uint32_t watchedOutput_ = 0;
    uint32_t watchedInput_ = 0;
    std::optional<double> ddcVolumeBeforeMute_;
    double softLevel_ = 100.0;
    bool softMuted_ = false;
    std::shared_ptr<SoftwareVolume> softEngine_;
    std::pair<bool, double> lastDisplayPair_{false, -1};
    platform::audio::ListenerBlock outputListener_;
    platform::audio::ListenerBlock inputListener_;
    platform::Timer refreshWork_;
    platform::Timer idleStop_;
    // The output a master start last failed on: the device-list change that the failed start's
    // own teardown causes must not start it again; a change of output, route or settings does.
    std::optional<QString> failedStartOutput_;
};
