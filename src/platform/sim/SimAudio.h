#pragma once
// The simulated sound system behind platform/Audio.h and platform/RunningApps.h. Processes play
// a tone on the default output; process taps capture it (and silence its direct path while an
// aggregate device reads them); aggregate devices run their IO procs on the owner's queue with
// real interleaved float buffers and mix what they write into their main sub-device. Tests
// call render() and measure what each device played.
#include "platform/Audio.h"
#include "platform/sim/Desk.h"

#include <QJsonObject>
#include <map>
#include <mutex>
#include <set>

namespace sim {

class AudioSystem {
public:
    static AudioSystem& shared();

    void install(const DeskAudio& desk);
    // What lasts from one launch to the next: the devices connected, their volumes and mutes,
    // the default devices and which processes play.
    QJsonObject snapshot() const;
    // Brings the installed machine to a snapshot's state (before anyone listens).
    void restore(const QJsonObject& snapshot);
    std::vector<DeskAudioProcess> processes() const;
    QStringList deviceUIDs() const; // connected devices in list order, aggregates left out

    // Creation steps that tests make fail; a status of 0 makes the step succeed again.
    enum class Step { tap, aggregate, ioProc, start };
    void setFailure(Step step, platform::audio::Status status);
    // Writes of the default devices are refused while set.
    void setRefuseDefaultWrites(bool refuse);

    // The machine changing under the application (each notifies its listeners).
    void addDevice(const DeskAudioDevice& device);
    void removeDevice(const QString& uid);
    void setDefaultDevice(uint32_t selector, const QString& uid); // "" for none
    void setVolumeScalar(const QString& uid, uint32_t scope, uint32_t element, float value);
    // The system's own volume keys, for a key no application took: they move every volume the
    // default output has by the step (unmuting it), or toggle its mute. An output without a
    // volume (or mute) of its own is left as it is.
    void stepDefaultOutputVolume(float step);
    void toggleDefaultOutputMute();
    void addProcess(const DeskAudioProcess& process, bool notify = true);
    void removeProcess(uint32_t object);
    void setPlaying(uint32_t object, bool playing, double amplitude = -1);
    void addApp(const DeskAudioApp& app);
    void removeApp(int32_t pid);
    void notifyProcessListChanged();

    // One IO cycle of `frames` frames on every output device.
    void render(uint32_t frames);
    // What the device played in the last cycle: one interleaved vector per buffer.
    std::vector<std::vector<float>> played(const QString& uid) const;
    // Largest magnitude on one channel of the device's output (channels counted across buffers).
    float playedPeak(const QString& uid, uint32_t channel = 0) const;

    // Inspection.
    platform::audio::ObjectID idOf(const QString& uid) const;
    QString uidOf(platform::audio::ObjectID id) const;
    QString defaultDeviceUID(uint32_t selector) const;
    float volumeScalar(const QString& uid, uint32_t scope, uint32_t element) const;
    std::optional<bool> mute(const QString& uid, uint32_t scope) const;
    int writeCount(uint32_t selector) const; // successful and refused writes alike
    int listenerCount(platform::audio::ObjectID object, const platform::audio::PropertyAddress& address) const;
    struct TapInfo {
        platform::audio::ObjectID id;
        platform::audio::TapDescription description;
    };
    std::vector<TapInfo> taps() const;
    struct AggregateInfo {
        platform::audio::ObjectID id;
        QVariantMap description;
        int ioProcs;
        bool running;
    };
    std::vector<AggregateInfo> aggregates() const;
    int ioProcCount() const;

    // platform/Audio.h, implemented here.
    bool hasProperty(uint32_t object, const platform::audio::PropertyAddress& a) const;
    platform::audio::Status isSettable(uint32_t object, const platform::audio::PropertyAddress& a, bool& settable) const;
    platform::audio::Status getSize(uint32_t object, const platform::audio::PropertyAddress& a, uint32_t& size) const;
    platform::audio::Status get(uint32_t object, const platform::audio::PropertyAddress& a, uint32_t qualifierSize,
                                const void* qualifier, uint32_t& size, void* data) const;
    platform::audio::Status set(uint32_t object, const platform::audio::PropertyAddress& a, uint32_t size, const void* data);
    platform::audio::Status getString(uint32_t object, const platform::audio::PropertyAddress& a,
                                      std::optional<QString>& value) const;
    platform::audio::Status addListener(uint32_t object, const platform::audio::PropertyAddress& a,
                                        const platform::audio::ListenerBlock& block);
    platform::audio::Status removeListener(uint32_t object, const platform::audio::PropertyAddress& a,
                                           const platform::audio::ListenerBlock& block);
    platform::audio::Status createTap(const platform::audio::TapDescription& d, uint32_t& tap);
    platform::audio::Status destroyTap(uint32_t tap);
    platform::audio::Status createAggregate(const QVariantMap& d, uint32_t& device);
    platform::audio::Status destroyAggregate(uint32_t device);
    platform::audio::Status createIOProc(platform::audio::IOProcID& proc, uint32_t device, platform::SerialQueue* queue,
                                         platform::audio::IOBlock block);
    platform::audio::Status destroyIOProc(uint32_t device, platform::audio::IOProcID proc);
    platform::audio::Status start(uint32_t device, platform::audio::IOProcID proc);
    platform::audio::Status stop(uint32_t device, platform::audio::IOProcID proc);

    std::optional<DeskAudioApp> app(int32_t pid) const;
    int32_t selfPid() const;
    bool hasResponsibility() const;
    int32_t responsibleFor(int32_t pid) const;

private:
    AudioSystem() = default;

    struct IOProc {
        platform::audio::IOBlock block;
        platform::SerialQueue* queue = nullptr;
        bool started = false;
    };
    void addDeviceLocked(const DeskAudioDevice& d); // with mutex_ held
    struct Device {
        DeskAudioDevice desk;
        std::map<std::pair<uint32_t, uint32_t>, float> volume; // (scope, element)
        std::map<uint32_t, bool> muted;                       // scope
        bool aggregate = false;
        QVariantMap description;
        QString mainUID;
        QString tapUID;
        std::map<platform::audio::IOProcID, IOProc> procs;
        std::vector<std::vector<float>> played;
    };
    struct Tap {
        platform::audio::TapDescription description;
    };

    Device* device(uint32_t id);
    Device* defaultOutputLocked(); // with mutex_ held; null when there is none
    const Device* device(uint32_t id) const;
    const Device* deviceByUID(const QString& uid) const;
    const DeskAudioProcess* process(uint32_t object) const;
    bool covers(const platform::audio::TapDescription& tap, uint32_t object) const;
    bool isTapRead(uint32_t tapObject) const;
    void notify(uint32_t object, const platform::audio::PropertyAddress& a);
    void notifyLocked(uint32_t object, const platform::audio::PropertyAddress& a);
    void tone(const DeskAudioProcess& p, uint32_t frames, std::vector<float>& interleaved, uint32_t channels,
              uint32_t firstChannel, uint32_t bufferChannels) const;

    mutable std::recursive_mutex mutex_;
    DeskAudio desk_;
    std::vector<uint32_t> order_; // device list order
    std::map<uint32_t, Device> devices_;
    std::map<uint32_t, Tap> taps_;
    std::map<uint32_t, uint32_t> defaults_; // selector -> device id
    std::vector<std::tuple<uint32_t, platform::audio::PropertyAddress, platform::audio::ListenerBlock>> listeners_;
    std::map<Step, platform::audio::Status> failures_;
    std::map<uint32_t, int> writes_;
    bool refuseDefaults_ = false;
    uint32_t nextObject_ = 0x10000;
    platform::audio::IOProcID nextProc_ = 1;
    uint64_t frameClock_ = 0;
};

} // namespace sim
