#include "audio/AudioManager.h"

#include "app/Prefs.h"
#include "app/Texts.h"
#include "audio/CA.h"
#include "showcase/Showcase.h"
#include "display/DisplayManager.h"
#include "platform/DispatchQueue.h"
#include "platform/Log.h"

#include <QPointer>
#include <algorithm>
#include <cmath>
#include <set>

using namespace platform::audio;

namespace {

constexpr double kDebounce = 0.15;
constexpr double kIdleStopDelay = 2.0;
constexpr double kDdcUnmuteFallback = 30.0;
const char* const kOwnUIDPrefix = "com.ostrane.pelorn.";

// Engines are stopped off the main thread, where their teardown may wait for an IO cycle.
platform::SerialQueue& stopQueue()
{
    static platform::SerialQueue queue("pelorn.softvolume.stop");
    return queue;
}

template <class T>
bool assign(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

double clampLevel(double v) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 100.0); }

} // namespace

AudioManager::AudioManager(DisplayManager& display) : level_(new AudioLevel(this)), display_(display)
{
    mediaKeysEnabled_ = Prefs::boolValue("audio.mediaKeys", true);
    volumeStep_ = Prefs::doubleValue("audio.step", kDefaultStep);
    softLevel_ = Prefs::doubleValue("audio.softLevel", 100.0);
    useSoftwareVolume_ = Prefs::boolValue("audio.softwareVolume", true);

    QPointer<AudioManager> self(this);
    for (uint32_t selector : {kHardwareDevices, kHardwareDefaultOutputDevice, kHardwareDefaultInputDevice})
        addPropertyListenerBlock(kSystemObject, {selector, kScopeGlobal, kElementMain}, makeListener([self] {
                                     if (self)
                                         self->scheduleRefresh();
                                 }));

    // The monitor's DDC state decides and shows the DDC route.
    lastDisplayPair_ = {display_.ddcAvailable(), display_.volume()};
    connect(
        &display_, &DisplayManager::changed, this,
        [this] {
            if (assign(lastDisplayPair_, std::pair{display_.ddcAvailable(), display_.volume()}))
                refreshVolume();
        },
        Qt::QueuedConnection);
    platform::mainQueue::async([self] {
        if (self)
            self->refreshVolume();
    });

    refresh();
}

AudioManager::~AudioManager()
{
    stopSoftware();
    if (watchedOutput_)
        moveListeners(watchedOutput_, 0, kScopeOutput, outputListener_);
    if (watchedInput_)
        moveListeners(watchedInput_, 0, kScopeInput, inputListener_);
}

void AudioManager::waitForBackgroundStops() { stopQueue().drain(); }

// --- devices and defaults ---

std::optional<AudioDevice> AudioManager::defaultOutput() const
{
    for (const AudioDevice& d : outputs_)
        if (d.id == defaultOutputID_)
            return d;
    return std::nullopt;
}

std::optional<AudioDevice> AudioManager::defaultInput() const
{
    for (const AudioDevice& d : inputs_)
        if (d.id == defaultInputID_)
            return d;
    return std::nullopt;
}

void AudioManager::scheduleRefresh()
{
    QPointer<AudioManager> self(this);
    refreshWork_.start(kDebounce, [self] {
        if (self)
            self->refresh();
    });
}

std::vector<AudioDevice> AudioManager::readDevices(const std::vector<uint32_t>& ids, uint32_t scope) const
{
    std::vector<AudioDevice> out;
    for (uint32_t id : ids) {
        const PropertyAddress streams{kDeviceStreams, scope, kElementMain};
        uint32_t size = 0;
        if (getPropertyDataSize(id, streams, 0, nullptr, size) != kNoError || size == 0)
            continue;
        std::vector<uint32_t> list(size / 4);
        uint32_t got = uint32_t(list.size() * 4);
        if (list.empty() || getPropertyData(id, streams, 0, nullptr, got, list.data()) != kNoError || got < 4)
            continue;

        const auto text = [&](uint32_t selector) -> std::optional<QString> {
            const PropertyAddress a{selector, kScopeGlobal, kElementMain};
            if (!hasProperty(id, a))
                return std::nullopt;
            std::optional<QString> value;
            if (getStringProperty(id, a, value) != kNoError)
                return std::nullopt;
            return value;
        };
        const auto word = [&](uint32_t selector) -> std::optional<uint32_t> {
            const PropertyAddress a{selector, kScopeGlobal, kElementMain};
            if (!hasProperty(id, a))
                return std::nullopt;
            uint32_t v = 0;
            uint32_t n = sizeof(v);
            if (getPropertyData(id, a, 0, nullptr, n, &v) != kNoError)
                return std::nullopt;
            return v;
        };

        const auto uid = text(kDeviceUID);
        if (!uid)
            continue;
        const auto name = text(kObjectName);
        if (!name)
            continue;
        if (word(kDeviceIsHidden).value_or(0) != 0)
            continue;
        if (uid->startsWith(kOwnUIDPrefix))
            continue;
        out.push_back(AudioDevice{id, *uid, Showcase::presentedName(*name), word(kDeviceTransportType).value_or(0)});
    }
    return out;
}

uint32_t AudioManager::readDefault(uint32_t selector) const
{
    const PropertyAddress a{selector, kScopeGlobal, kElementMain};
    if (!hasProperty(kSystemObject, a))
        return 0;
    uint32_t id = 0;
    uint32_t size = sizeof(id);
    if (getPropertyData(kSystemObject, a, 0, nullptr, size, &id) != kNoError)
        return 0;
    return id;
}

void AudioManager::moveListeners(uint32_t& watched, uint32_t target, uint32_t scope, const ListenerBlock& block)
{
    if (watched == target)
        return;
    for (uint32_t selector : {kDeviceVolumeScalar, kDeviceMute}) {
        const PropertyAddress a{selector, scope, kElementMain};
        if (watched)
            removePropertyListenerBlock(watched, a, block);
        if (target)
            addPropertyListenerBlock(target, a, block);
    }
    watched = target;
}

void AudioManager::refresh()
{
    bool dirty = false;
    const std::vector<uint32_t> ids = CA::objectList(kSystemObject, kHardwareDevices, kScopeGlobal);
    const bool outputsChanged = assign(outputs_, readDevices(ids, kScopeOutput));
    dirty |= outputsChanged;
    dirty |= assign(inputs_, readDevices(ids, kScopeInput));

    const uint32_t previousOutput = defaultOutputID_;
    dirty |= assign(defaultOutputID_, Showcase::presentedOutput(outputs_).value_or(readDefault(kHardwareDefaultOutputDevice)));
    dirty |= assign(defaultInputID_, Showcase::presentedInput(inputs_).value_or(readDefault(kHardwareDefaultInputDevice)));
    if (dirty)
        emit changed();

    QPointer<AudioManager> self(this);
    if (!outputListener_)
        outputListener_ = makeListener([self] {
            platform::mainQueue::async([self] {
                if (self)
                    self->refreshVolume();
            });
        });
    if (!inputListener_)
        inputListener_ = makeListener([self] {
            platform::mainQueue::async([self] {
                if (self)
                    self->refreshInputVolume();
            });
        });
    moveListeners(watchedOutput_, defaultOutputID_, kScopeOutput, outputListener_);
    moveListeners(watchedInput_, defaultInputID_, kScopeInput, inputListener_);

    refreshVolume();
    refreshInputVolume();

    // A gone or returning output moves the applications routed to it as well.
    if ((previousOutput != defaultOutputID_ || outputsChanged) && onRoutingChanged)
        onRoutingChanged();
}

bool AudioManager::setDefault(const std::vector<AudioDevice>& list, uint32_t current, const QString& uid,
                              std::initializer_list<uint32_t> selectors)
{
    const auto it = std::find_if(list.begin(), list.end(), [&](const AudioDevice& d) { return d.uid == uid; });
    if (it == list.end())
        return false;
    if (it->id == current)
        return true;
    const uint32_t id = it->id;
    // The first write is the one that matters; the system output only follows it.
    bool accepted = true;
    bool first = true;
    for (uint32_t selector : selectors) {
        const Status s = setPropertyData(kSystemObject, {selector, kScopeGlobal, kElementMain}, sizeof(id), &id);
        if (first)
            accepted = s == kNoError;
        first = false;
    }
    refresh();
    return accepted;
}

bool AudioManager::setDefaultOutput(const QString& uid)
{
    return setDefault(outputs_, defaultOutputID_, uid, {kHardwareDefaultOutputDevice, kHardwareDefaultSystemOutputDevice});
}

bool AudioManager::setDefaultInput(const QString& uid)
{
    return setDefault(inputs_, defaultInputID_, uid, {kHardwareDefaultInputDevice});
}

void AudioManager::refreshInputVolume()
{
    std::optional<double> v;
    if (!CA::volumeElements(defaultInputID_, kScopeInput).empty())
        v = double(CA::readVolume(defaultInputID_, kScopeInput)) * 100;
    if (assign(inputVolume_, v))
        emit changed();
}

void AudioManager::setInputVolume(double v)
{
    v = clampLevel(v);
    CA::writeVolume(defaultInputID_, float(v / 100), kScopeInput);
    if (assign(inputVolume_, std::optional<double>(v)))
        emit changed();
}

// --- master volume ---

AudioManager::VolumeSource AudioManager::chooseRoute(bool hardwareVolume, bool useSoftwareVolume, bool hasDefaultOutput,
                                                     uint32_t transport, bool ddcAvailable)
{
    if (hardwareVolume)
        return VolumeSource::system;
    if (useSoftwareVolume && hasDefaultOutput)
        return VolumeSource::software;
    if (hasDefaultOutput && (transport == kTransportHDMI || transport == kTransportDisplayPort) && ddcAvailable)
        return VolumeSource::ddc;
    return VolumeSource::none;
}

float AudioManager::softwareGain(double softLevel, bool softMuted)
{
    if (softMuted)
        return 0.0f;
    const double x = (std::isnan(softLevel) ? 0.0 : std::clamp(softLevel, 0.0, 100.0)) / 100.0;
    return float(x * x);
}

double AudioManager::steppedLevel(double level, double step, bool up, bool fine)
{
    if (!(step > 0) || !std::isfinite(step))
        step = kDefaultStep;
    if (fine)
        step *= 0.25;
    const double n = std::round(level / step); // halves away from zero
    return step * (up ? n + 1 : n - 1);
}

void AudioManager::refreshVolume()
{
    const uint32_t d = defaultOutputID_;
    const std::optional<AudioDevice> out = defaultOutput();
    const bool hardware = !CA::volumeElements(d, kScopeOutput).empty();
    const VolumeSource route = chooseRoute(hardware, useSoftwareVolume_, d != 0 && out.has_value(),
                                           out ? out->transport : 0, display_.ddcAvailable());
    if (route != VolumeSource::software || !out || failedStartOutput_ != out->uid)
        failedStartOutput_.reset();
    bool dirty = assign(volumeSource_, route);
    switch (route) {
    case VolumeSource::system: {
        level_->setVolume(double(CA::readVolume(d, kScopeOutput)) * 100);
        const PropertyAddress mute{kDeviceMute, kScopeOutput, kElementMain};
        uint32_t m = 0;
        uint32_t size = sizeof(m);
        level_->setMuted(hasProperty(d, mute) && getPropertyData(d, mute, 0, nullptr, size, &m) == kNoError && m != 0);
        if (dirty)
            emit changed();
        stopSoftware();
        return;
    }
    case VolumeSource::software:
        level_->setVolume(softLevel_);
        level_->setMuted(softMuted_);
        if (dirty)
            emit changed();
        if (softEngine_ && softEngine_->isRunning() && softEngine_->outputUID() != out->uid)
            stopSoftware();
        applySoftwareGain();
        return;
    case VolumeSource::ddc:
        stopSoftware();
        level_->setVolume(display_.volume());
        level_->setMuted(ddcVolumeBeforeMute_.has_value());
        break;
    case VolumeSource::none:
        stopSoftware();
        break;
    }
    if (dirty)
        emit changed();
}

void AudioManager::setVolume(double v)
{
    v = clampLevel(v);
    level_->setVolume(v);
    switch (volumeSource_) {
    case VolumeSource::system:
        CA::writeVolume(defaultOutputID_, float(v / 100), kScopeOutput);
        if (level_->muted() && v > 0)
            setMuted(false);
        break;
    case VolumeSource::software:
        softLevel_ = v;
        Prefs::set("audio.softLevel", v);
        if (v > 0) {
            softMuted_ = false;
            level_->setMuted(false);
        }
        failedStartOutput_.reset();
        applySoftwareGain();
        break;
    case VolumeSource::ddc:
        ddcVolumeBeforeMute_.reset();
        level_->setMuted(false);
        display_.setVolume(v);
        break;
    case VolumeSource::none:
        break;
    }
}

void AudioManager::setMuted(bool m)
{
    switch (volumeSource_) {
    case VolumeSource::system: {
        const uint32_t value = m ? 1 : 0;
        setPropertyData(defaultOutputID_, {kDeviceMute, kScopeOutput, kElementMain}, sizeof(value), &value);
        level_->setMuted(m);
        break;
    }
    case VolumeSource::software:
        softMuted_ = m;
        level_->setMuted(m);
        failedStartOutput_.reset();
        applySoftwareGain();
        break;
    case VolumeSource::ddc:
        if (m) {
            ddcVolumeBeforeMute_ = display_.volume();
            display_.setVolume(0);
        } else {
            display_.setVolume(ddcVolumeBeforeMute_.value_or(kDdcUnmuteFallback));
            ddcVolumeBeforeMute_.reset();
        }
        level_->setMuted(m);
        level_->setVolume(display_.volume());
        break;
    case VolumeSource::none:
        break;
    }
}

void AudioManager::stepVolume(bool up, bool fine)
{
    if (level_->muted())
        setMuted(false);
    setVolume(steppedLevel(level_->volume(), volumeStep_, up, fine));
}

void AudioManager::applySoftwareGain()
{
    const std::optional<AudioDevice> out = defaultOutput();
    if (!out) {
        if (onRoutingChanged)
            onRoutingChanged();
        return;
    }
    const float gain = volumeSource_ == VolumeSource::software ? softwareGain(softLevel_, softMuted_) : 1.0f;
    if (tapsSuspended_) {
        stopSoftware();
    } else {
        if (!softEngine_)
            softEngine_ = std::make_shared<SoftwareVolume>();
        const std::shared_ptr<SoftwareVolume> engine = softEngine_;
        engine->setGain(gain);
        if (gain >= 1.0f) {
            if (engine->isRunning())
                scheduleIdleStop();
        } else {
            idleStop_.stop();
            if (!engine->isRunning() && failedStartOutput_ != out->uid)
                startMaster(engine, out->uid);
        }
    }
    if (onRoutingChanged)
        onRoutingChanged();
}

void AudioManager::startMaster(const std::shared_ptr<SoftwareVolume>& engine, const QString& uid)
{
    const std::vector<uint32_t> excluded = excludedProcesses ? excludedProcesses() : std::vector<uint32_t>{};
    const SoftwareVolume::StartResult r = engine->start(uid, std::nullopt, excluded);
    std::optional<QString> error;
    if (r.ok()) {
        failedStartOutput_.reset();
    } else {
        const QString description = r.error().description();
        error = Texts::tr("Yazılımsal ses başlatılamadı (%1). Sistem Ayarları > Gizlilik > Ses Kaydı iznini "
                          "kontrol edin.",
                          description);
        platform::log::write("Pelorn software volume: " + description);
        failedStartOutput_ = uid;
    }
    if (assign(softwareError_, error))
        emit changed();
}

void AudioManager::stopSoftware()
{
    idleStop_.stop();
    if (!softEngine_)
        return;
    std::shared_ptr<SoftwareVolume> engine = std::move(softEngine_);
    softEngine_.reset();
    if (engine->isRunning())
        stopQueue().async([engine] { engine->stop(); });
}

void AudioManager::scheduleIdleStop()
{
    QPointer<AudioManager> self(this);
    idleStop_.start(kIdleStopDelay, [self] {
        if (self)
            self->idleStopFired();
    });
}

void AudioManager::idleStopFired()
{
    if (volumeSource_ != VolumeSource::software)
        stopSoftware();
    else if (!softMuted_ && softwareGain(softLevel_, false) >= 1.0f)
        stopSoftware();
}

void AudioManager::reconfigureMaster()
{
    if (!softEngine_ || !softEngine_->isRunning() || !softEngine_->outputUID())
        return;
    const std::vector<uint32_t> current = softEngine_->processes();
    const std::vector<uint32_t> wanted = excludedProcesses ? excludedProcesses() : std::vector<uint32_t>{};
    if (std::set<uint32_t>(current.begin(), current.end()) != std::set<uint32_t>(wanted.begin(), wanted.end())) {
        const std::shared_ptr<SoftwareVolume> engine = softEngine_;
        startMaster(engine, *engine->outputUID());
    }
}

std::optional<double> AudioManager::masterSecondsSinceSound() const
{
    if (!softEngine_ || !softEngine_->isRunning())
        return std::nullopt;
    // The last-sound time first: the IO block may move it on between the two reads.
    const uint64_t last = softEngine_->lastSoundTicks();
    const uint64_t now = absoluteTime();
    return ticksToSeconds(now > last ? now - last : 0);
}

// --- settings ---

// A change the store refuses is not taken: the setting stays as stored, and the person is told.
bool AudioManager::store(const QString& key, const QVariant& value)
{
    if (Prefs::set(key, value))
        return true;
    softwareError_ = Texts::tr("Ayar kaydedilemedi: ayarlar dosyası en büyük boyutunda.");
    emit changed();
    return false;
}

void AudioManager::setMediaKeysEnabled(bool on)
{
    if (!store("audio.mediaKeys", on))
        return;
    const bool dirty = assign(mediaKeysEnabled_, on);
    if (dirty)
        emit changed();
}

void AudioManager::setVolumeStep(double step)
{
    if (!store("audio.step", step))
        return;
    const bool dirty = assign(volumeStep_, step);
    if (dirty)
        emit changed();
}

void AudioManager::setUseSoftwareVolume(bool on)
{
    if (!store("audio.softwareVolume", on))
        return;
    const bool dirty = assign(useSoftwareVolume_, on);
    if (!on)
        stopSoftware();
    failedStartOutput_.reset();
    if (dirty)
        emit changed();
    refreshVolume();
}
