#pragma once
// The gain stage for sound the system cannot attenuate itself: a process tap captures a set of
// processes (silencing their direct path while it is read), and an IO proc on a private
// aggregate device plays the captured audio, times `gain`, on one output device.
#include "platform/Audio.h"
#include "platform/DispatchQueue.h"
#include "platform/Result.h"

#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

class SoftwareVolume {
public:
    enum class FailureKind { tap, aggregate, ioProc, start, noProcessObject };
    struct Failure {
        FailureKind kind;
        int32_t status = 0;
        // The case name, with the status in parentheses for the cases that carry one.
        QString description() const;
        bool operator==(const Failure&) const = default;
    };
    using StartResult = pelorn::Result<std::monostate, Failure>;

    // What the IO block shares with the owner, without a lock.
    struct Shared {
        std::atomic<float> gain{1.0f};
        std::atomic<uint64_t> lastSoundTicks{0};
    };

    static constexpr const char* kName = "Quendrel Volume";
    static constexpr const char* kUIDPrefix = "com.ostrane.pelorn.volume.";
    static constexpr float kSignalThreshold = 0.0001f;

    SoftwareVolume();
    ~SoftwareVolume(); // stops
    SoftwareVolume(const SoftwareVolume&) = delete;
    SoftwareVolume& operator=(const SoftwareVolume&) = delete;

    float gain() const { return shared_->gain.load(std::memory_order_relaxed); }
    void setGain(float gain) { shared_->gain.store(gain, std::memory_order_relaxed); }
    const std::optional<QString>& outputUID() const { return outputUID_; }
    const std::vector<uint32_t>& processes() const { return processes_; }
    uint32_t tapID() const { return tapID_; }
    uint32_t aggregateID() const { return aggregateID_; }
    std::optional<platform::audio::IOProcID> procID() const { return procID_; }
    bool isRunning() const { return procID_.has_value(); }
    uint64_t lastSoundTicks() const { return shared_->lastSoundTicks.load(std::memory_order_relaxed); }

    // (Re)starts on the output with that UID. With `only` the tap is a stereo mixdown of exactly
    // those process objects; without it, a stereo global tap of every process except this
    // application's own and `excluding`. A failure leaves nothing behind.
    StartResult start(const QString& outputUID, const std::optional<std::vector<uint32_t>>& only,
                      const std::vector<uint32_t>& excluding);
    // Stops and destroys whatever exists; safe at any time, any number of times.
    void stop();

    // The IO block: signal test, then the gain ramp from the previous buffer's gain to the
    // current one. It does not keep the engine alive; once the engine is gone it plays silence.
    static platform::audio::IOBlock makeIOBlock(std::weak_ptr<Shared> engine, std::shared_ptr<float> ramp);
    // True when a buffer with data has a sample above the threshold.
    static bool hasSignal(const platform::audio::BufferList& input);
    // Input channels into the output channels (repeating them in turn), ramping the gain
    // linearly from `start` at the first frame towards `target`.
    static void render(const platform::audio::BufferList& input, platform::audio::BufferList& output, float start,
                       float target);
    static void silence(platform::audio::BufferList& output);

private:
    std::shared_ptr<Shared> shared_;
    std::optional<QString> outputUID_;
    std::vector<uint32_t> processes_;
    uint32_t tapID_ = 0;
    uint32_t aggregateID_ = 0;
    std::optional<platform::audio::IOProcID> procID_;
    std::unique_ptr<platform::SerialQueue> queue_;
};
