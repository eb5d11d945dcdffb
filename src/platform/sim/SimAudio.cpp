#include "platform/sim/SimAudio.h"

#include "platform/sim/Persistence.h"

#include "platform/Clock.h"
#include "platform/RunningApps.h"

#include <QColor>
#include <algorithm>
#include <cmath>
#include <cstring>

using namespace platform::audio;

namespace sim {
namespace {

uint32_t transportCode(const QString& t)
{
    const QByteArray b = t.toLatin1();
    if (b.size() != 4)
        return 0;
    return (uint32_t(uint8_t(b[0])) << 24) | (uint32_t(uint8_t(b[1])) << 16) | (uint32_t(uint8_t(b[2])) << 8)
        | uint32_t(uint8_t(b[3]));
}

template <class T>
Status putValue(uint32_t& size, void* data, T value)
{
    if (size < sizeof(T) || !data)
        return kBadPropertySizeError;
    std::memcpy(data, &value, sizeof(T));
    size = sizeof(T);
    return kNoError;
}

Status putList(uint32_t& size, void* data, const std::vector<uint32_t>& list)
{
    const uint32_t n = std::min<uint32_t>(size / 4, uint32_t(list.size()));
    if (n && data)
        std::memcpy(data, list.data(), n * 4);
    size = n * 4;
    return kNoError;
}

constexpr double kTonePeriod = 48.0; // frames: 1 kHz at 48 kHz

} // namespace

AudioSystem& AudioSystem::shared()
{
    static AudioSystem* system = new AudioSystem(); // outlives the queues that still render
    return *system;
}

void AudioSystem::addDeviceLocked(const DeskAudioDevice& d)
{
    Device dev;
    dev.desk = d;
    for (auto [scope, dir] : {std::pair{kScopeOutput, &d.output}, std::pair{kScopeInput, &d.input}}) {
        if (dir->volume)
            for (uint32_t e : dir->volume->elements)
                dev.volume[{scope, e}] = float(dir->volume->value);
        if (dir->mute)
            dev.muted[scope] = *dir->mute;
    }
    devices_[d.id] = dev;
    order_.push_back(d.id);
}

void AudioSystem::install(const DeskAudio& desk)
{
    std::lock_guard lock(mutex_);
    desk_ = desk;
    order_.clear();
    devices_.clear();
    taps_.clear();
    defaults_.clear();
    listeners_.clear();
    failures_.clear();
    writes_.clear();
    refuseDefaults_ = false;
    frameClock_ = 0;
    for (const DeskAudioDevice& d : desk.devices) {
        addDeviceLocked(d);
    }
    const auto idFor = [&](const QString& uid) -> uint32_t {
        const Device* d = deviceByUID(uid);
        return d ? d->desk.id : 0;
    };
    defaults_[kHardwareDefaultOutputDevice] = idFor(desk.defaultOutput);
    defaults_[kHardwareDefaultInputDevice] = idFor(desk.defaultInput);
    defaults_[kHardwareDefaultSystemOutputDevice] = idFor(desk.systemOutput);
}

void AudioSystem::setFailure(Step step, Status status)
{
    std::lock_guard lock(mutex_);
    if (status == kNoError)
        failures_.erase(step);
    else
        failures_[step] = status;
}

void AudioSystem::setRefuseDefaultWrites(bool refuse)
{
    std::lock_guard lock(mutex_);
    refuseDefaults_ = refuse;
}

AudioSystem::Device* AudioSystem::device(uint32_t id)
{
    auto it = devices_.find(id);
    return it == devices_.end() ? nullptr : &it->second;
}

const AudioSystem::Device* AudioSystem::device(uint32_t id) const
{
    auto it = devices_.find(id);
    return it == devices_.end() ? nullptr : &it->second;
}

const AudioSystem::Device* AudioSystem::deviceByUID(const QString& uid) const
{
    if (uid.isEmpty())
        return nullptr;
    for (const auto& [id, d] : devices_)
        if (d.desk.uid == uid)
            return &d;
    return nullptr;
}

const DeskAudioProcess* AudioSystem::process(uint32_t object) const
{
    for (const DeskAudioProcess& p : desk_.processes)
        if (p.object == object)
            return &p;
    return nullptr;
}

QJsonObject AudioSystem::snapshot() const
{
    std::lock_guard lock(mutex_);
    QJsonObject devices;
    for (uint32_t id : order_) {
        const Device& d = devices_.at(id);
        if (d.aggregate)
            continue;
        QJsonObject volume, muted;
        for (const auto& [where, v] : d.volume)
            volume[QString("%1/%2").arg(where.first).arg(where.second)] = double(v);
        for (const auto& [scope, m] : d.muted)
            muted[QString::number(scope)] = m;
        devices[d.desk.uid] = QJsonObject{{"volume", volume}, {"mute", muted}};
    }
    const auto uidOfDefault = [&](uint32_t selector) {
        const auto it = defaults_.find(selector);
        const Device* d = it == defaults_.end() ? nullptr : device(it->second);
        return d ? d->desk.uid : QString();
    };
    QJsonObject playing;
    for (const DeskAudioProcess& p : desk_.processes)
        playing[QString::number(p.object)] = p.playing;
    return QJsonObject{{"devices", devices},
                       {"output", uidOfDefault(kHardwareDefaultOutputDevice)},
                       {"input", uidOfDefault(kHardwareDefaultInputDevice)},
                       {"system", uidOfDefault(kHardwareDefaultSystemOutputDevice)},
                       {"playing", playing}};
}

void AudioSystem::restore(const QJsonObject& snapshot)
{
    std::lock_guard lock(mutex_);
    const QJsonObject devices = snapshot["devices"].toObject();
    for (auto it = devices_.begin(); it != devices_.end();) {
        if (!devices.contains(it->second.desk.uid)) {
            order_.erase(std::remove(order_.begin(), order_.end(), it->first), order_.end());
            it = devices_.erase(it);
            continue;
        }
        Device& d = it->second;
        const QJsonObject stored = devices[d.desk.uid].toObject();
        for (auto& [where, v] : d.volume) {
            const QJsonValue sv = stored["volume"].toObject()[QString("%1/%2").arg(where.first).arg(where.second)];
            if (sv.isDouble())
                v = std::clamp(float(sv.toDouble()), 0.0f, 1.0f);
        }
        for (auto& [scope, m] : d.muted)
            m = stored["mute"].toObject()[QString::number(scope)].toBool(m);
        ++it;
    }
    for (auto [selector, key] : {std::pair{kHardwareDefaultOutputDevice, "output"},
                                 std::pair{kHardwareDefaultInputDevice, "input"},
                                 std::pair{kHardwareDefaultSystemOutputDevice, "system"}}) {
        const Device* d = deviceByUID(snapshot[key].toString());
        defaults_[selector] = d ? d->desk.id : 0;
    }
    const QJsonObject playing = snapshot["playing"].toObject();
    for (DeskAudioProcess& p : desk_.processes)
        p.playing = playing[QString::number(p.object)].toBool(p.playing);
}

std::vector<DeskAudioProcess> AudioSystem::processes() const
{
    std::lock_guard lock(mutex_);
    return desk_.processes;
}

QStringList AudioSystem::deviceUIDs() const
{
    std::lock_guard lock(mutex_);
    QStringList out;
    for (uint32_t id : order_)
        if (!devices_.at(id).aggregate)
            out << devices_.at(id).desk.uid;
    return out;
}

void AudioSystem::notifyLocked(uint32_t object, const PropertyAddress& a)
{
    persistence::changed();
    for (const auto& [o, addr, block] : listeners_)
        if (o == object && addr == a)
            platform::mainQueue::async([b = block] { (*b)(); });
}

void AudioSystem::notify(uint32_t object, const PropertyAddress& a)
{
    std::lock_guard lock(mutex_);
    notifyLocked(object, a);
}

void AudioSystem::addDevice(const DeskAudioDevice& d)
{
    {
        std::lock_guard lock(mutex_);
        addDeviceLocked(d);
    }
    notify(kSystemObject, {kHardwareDevices});
}

void AudioSystem::removeDevice(const QString& uid)
{
    std::lock_guard lock(mutex_);
    const Device* d = deviceByUID(uid);
    if (!d)
        return;
    const uint32_t id = d->desk.id;
    devices_.erase(id);
    order_.erase(std::remove(order_.begin(), order_.end(), id), order_.end());
    notifyLocked(kSystemObject, {kHardwareDevices});
    // The system falls back to the first remaining device of the kind.
    for (uint32_t sel : {kHardwareDefaultOutputDevice, kHardwareDefaultSystemOutputDevice, kHardwareDefaultInputDevice}) {
        if (defaults_[sel] != id)
            continue;
        uint32_t next = 0;
        for (uint32_t o : order_) {
            const Device* c = device(o);
            const bool fits = sel == kHardwareDefaultInputDevice ? c->desk.input.present : c->desk.output.present;
            if (fits && !c->aggregate) {
                next = o;
                break;
            }
        }
        defaults_[sel] = next;
        notifyLocked(kSystemObject, {sel});
    }
}

void AudioSystem::setDefaultDevice(uint32_t selector, const QString& uid)
{
    std::lock_guard lock(mutex_);
    const Device* d = deviceByUID(uid);
    defaults_[selector] = d ? d->desk.id : 0;
    notifyLocked(kSystemObject, {selector});
}

void AudioSystem::setVolumeScalar(const QString& uid, uint32_t scope, uint32_t element, float value)
{
    std::lock_guard lock(mutex_);
    const Device* d = deviceByUID(uid);
    if (!d)
        return;
    const uint32_t id = d->desk.id;
    auto it = devices_[id].volume.find({scope, element});
    if (it == devices_[id].volume.end())
        return;
    it->second = std::clamp(value, 0.0f, 1.0f);
    notifyLocked(id, {kDeviceVolumeScalar, scope, element});
}

AudioSystem::Device* AudioSystem::defaultOutputLocked()
{
    auto it = defaults_.find(kHardwareDefaultOutputDevice);
    return it == defaults_.end() ? nullptr : device(it->second);
}

void AudioSystem::stepDefaultOutputVolume(float step)
{
    std::lock_guard lock(mutex_);
    Device* d = defaultOutputLocked();
    if (!d)
        return;
    bool any = false;
    for (auto& [address, value] : d->volume)
        if (address.first == kScopeOutput) {
            value = std::clamp(value + step, 0.0f, 1.0f);
            notifyLocked(d->desk.id, {kDeviceVolumeScalar, address.first, address.second});
            any = true;
        }
    if (any && d->muted.count(kScopeOutput) && d->muted[kScopeOutput]) {
        d->muted[kScopeOutput] = false;
        notifyLocked(d->desk.id, {kDeviceMute, kScopeOutput, 0});
    }
}

void AudioSystem::toggleDefaultOutputMute()
{
    std::lock_guard lock(mutex_);
    Device* d = defaultOutputLocked();
    if (!d || !d->muted.count(kScopeOutput))
        return;
    d->muted[kScopeOutput] = !d->muted[kScopeOutput];
    notifyLocked(d->desk.id, {kDeviceMute, kScopeOutput, 0});
}

void AudioSystem::addProcess(const DeskAudioProcess& p, bool notify)
{
    {
        std::lock_guard lock(mutex_);
        desk_.processes.push_back(p);
    }
    if (notify)
        notifyProcessListChanged();
}

void AudioSystem::removeProcess(uint32_t object)
{
    {
        std::lock_guard lock(mutex_);
        auto& ps = desk_.processes;
        ps.erase(std::remove_if(ps.begin(), ps.end(), [&](const auto& p) { return p.object == object; }), ps.end());
    }
    notifyProcessListChanged();
}

void AudioSystem::setPlaying(uint32_t object, bool playing, double amplitude)
{
    std::lock_guard lock(mutex_);
    for (DeskAudioProcess& p : desk_.processes)
        if (p.object == object) {
            p.playing = playing;
            if (amplitude >= 0)
                p.amplitude = amplitude;
            notifyLocked(object, {kProcessIsRunningOutput});
        }
}

void AudioSystem::addApp(const DeskAudioApp& app)
{
    std::lock_guard lock(mutex_);
    desk_.apps.push_back(app);
}

void AudioSystem::removeApp(int32_t pid)
{
    std::lock_guard lock(mutex_);
    auto& as = desk_.apps;
    as.erase(std::remove_if(as.begin(), as.end(), [&](const auto& a) { return a.pid == pid; }), as.end());
}

void AudioSystem::notifyProcessListChanged() { notify(kSystemObject, {kHardwareProcessObjectList}); }

// --- properties ---

bool AudioSystem::hasProperty(uint32_t object, const PropertyAddress& a) const
{
    std::lock_guard lock(mutex_);
    if (object == kSystemObject) {
        switch (a.selector) {
        case kHardwareDevices:
        case kHardwareDefaultOutputDevice:
        case kHardwareDefaultInputDevice:
        case kHardwareDefaultSystemOutputDevice:
        case kHardwareProcessObjectList:
        case kHardwareTranslatePIDToProcessObject:
            return true;
        default:
            return false;
        }
    }
    if (process(object))
        return a.selector == kProcessPID || a.selector == kProcessIsRunningOutput;
    const Device* d = device(object);
    if (!d)
        return false;
    const DeskAudioDirection* dir = a.scope == kScopeOutput ? &d->desk.output
        : a.scope == kScopeInput                          ? &d->desk.input
                                                          : nullptr;
    switch (a.selector) {
    case kDeviceUID:
    case kObjectName:
    case kDeviceIsHidden:
        return true;
    case kDeviceTransportType:
        return !d->desk.transport.isEmpty() || d->aggregate;
    case kDeviceStreams:
        return true;
    case kDeviceVolumeScalar:
        return dir && d->volume.count({a.scope, a.element});
    case kDeviceMute:
        return dir && a.element == kElementMain && d->muted.count(a.scope);
    default:
        return false;
    }
}

Status AudioSystem::isSettable(uint32_t object, const PropertyAddress& a, bool& settable) const
{
    std::lock_guard lock(mutex_);
    settable = false;
    if (!hasProperty(object, a))
        return kUnknownPropertyError;
    if (object == kSystemObject) {
        settable = a.selector == kHardwareDefaultOutputDevice || a.selector == kHardwareDefaultInputDevice
            || a.selector == kHardwareDefaultSystemOutputDevice;
        return kNoError;
    }
    const Device* d = device(object);
    if (d && a.selector == kDeviceVolumeScalar) {
        const DeskAudioDirection& dir = a.scope == kScopeOutput ? d->desk.output : d->desk.input;
        settable = dir.volume && dir.volume->settable;
    } else if (d && a.selector == kDeviceMute) {
        settable = true;
    }
    return kNoError;
}

Status AudioSystem::getSize(uint32_t object, const PropertyAddress& a, uint32_t& size) const
{
    std::lock_guard lock(mutex_);
    size = 0;
    if (!hasProperty(object, a))
        return kUnknownPropertyError;
    if (object == kSystemObject && a.selector == kHardwareDevices) {
        size = uint32_t(order_.size() * 4);
        return kNoError;
    }
    if (object == kSystemObject && a.selector == kHardwareProcessObjectList) {
        size = uint32_t(desk_.processes.size() * 4);
        return kNoError;
    }
    const Device* d = device(object);
    if (d && a.selector == kDeviceStreams) {
        const DeskAudioDirection& dir = a.scope == kScopeOutput ? d->desk.output : d->desk.input;
        size = a.scope == kScopeGlobal ? uint32_t((d->desk.output.buffers.size() + d->desk.input.buffers.size()) * 4)
            : dir.present             ? uint32_t(dir.buffers.size() * 4)
                                      : 0;
        return kNoError;
    }
    if (d && (a.selector == kDeviceUID || a.selector == kObjectName)) {
        size = 8;
        return kNoError;
    }
    size = 4;
    return kNoError;
}

Status AudioSystem::get(uint32_t object, const PropertyAddress& a, uint32_t qualifierSize, const void* qualifier,
                        uint32_t& size, void* data) const
{
    std::lock_guard lock(mutex_);
    if (!hasProperty(object, a)) {
        size = 0;
        return kUnknownPropertyError;
    }
    if (object == kSystemObject) {
        switch (a.selector) {
        case kHardwareDevices:
            return putList(size, data, order_);
        case kHardwareProcessObjectList: {
            std::vector<uint32_t> list;
            for (const auto& p : desk_.processes)
                list.push_back(p.object);
            return putList(size, data, list);
        }
        case kHardwareTranslatePIDToProcessObject: {
            if (qualifierSize != 4 || !qualifier)
                return kBadPropertySizeError;
            int32_t pid = 0;
            std::memcpy(&pid, qualifier, 4);
            uint32_t found = 0;
            for (const auto& p : desk_.processes)
                if (p.pid == pid) {
                    found = p.object;
                    break;
                }
            return putValue<uint32_t>(size, data, found);
        }
        default: {
            auto it = defaults_.find(a.selector);
            return putValue<uint32_t>(size, data, it == defaults_.end() ? 0 : it->second);
        }
        }
    }
    if (const DeskAudioProcess* p = process(object)) {
        if (a.selector == kProcessPID)
            return putValue<int32_t>(size, data, p->pid);
        return putValue<uint32_t>(size, data, p->playing ? 1 : 0);
    }
    const Device* d = device(object);
    const bool unreadable = [&] {
        const char* name = a.selector == kDeviceStreams ? "streams"
            : a.selector == kDeviceTransportType      ? "transport"
            : a.selector == kDeviceIsHidden           ? "hidden"
                                                      : "";
        return d->desk.unreadable.contains(QString::fromLatin1(name));
    }();
    if (unreadable) {
        size = 0;
        return kUnsupportedOperationError;
    }
    switch (a.selector) {
    case kDeviceStreams: {
        std::vector<uint32_t> streams;
        const auto add = [&](const DeskAudioDirection& dir, uint32_t base) {
            for (size_t i = 0; i < dir.buffers.size(); ++i)
                streams.push_back(d->desk.id * 100 + base + uint32_t(i));
        };
        if (a.scope != kScopeInput)
            add(d->desk.output, 0);
        if (a.scope != kScopeOutput)
            add(d->desk.input, 50);
        return putList(size, data, streams);
    }
    case kDeviceIsHidden:
        return putValue<uint32_t>(size, data, d->desk.hidden ? 1 : 0);
    case kDeviceTransportType:
        return putValue<uint32_t>(size, data, d->aggregate ? kTransportAggregate : transportCode(d->desk.transport));
    case kDeviceVolumeScalar:
        return putValue<float>(size, data, d->volume.at({a.scope, a.element}));
    case kDeviceMute:
        return putValue<uint32_t>(size, data, d->muted.at(a.scope) ? 1 : 0);
    default:
        size = 0;
        return kUnsupportedOperationError; // strings go through getString
    }
}

Status AudioSystem::getString(uint32_t object, const PropertyAddress& a, std::optional<QString>& value) const
{
    std::lock_guard lock(mutex_);
    value.reset();
    if (!hasProperty(object, a))
        return kUnknownPropertyError;
    const Device* d = device(object);
    if (!d || (a.selector != kDeviceUID && a.selector != kObjectName))
        return kUnsupportedOperationError;
    const bool isUID = a.selector == kDeviceUID;
    if (d->desk.unreadable.contains(isUID ? "uid" : "name"))
        return kUnsupportedOperationError;
    value = isUID ? d->desk.uid : d->desk.name;
    return kNoError;
}

Status AudioSystem::set(uint32_t object, const PropertyAddress& a, uint32_t size, const void* data)
{
    std::lock_guard lock(mutex_);
    writes_[a.selector]++;
    if (!hasProperty(object, a))
        return kUnknownPropertyError;
    if (size != 4 || !data)
        return kBadPropertySizeError;
    uint32_t word = 0;
    std::memcpy(&word, data, 4);
    if (object == kSystemObject) {
        if (a.selector != kHardwareDefaultOutputDevice && a.selector != kHardwareDefaultInputDevice
            && a.selector != kHardwareDefaultSystemOutputDevice)
            return kIllegalOperationError;
        const Device* d = device(word);
        const bool input = a.selector == kHardwareDefaultInputDevice;
        if (refuseDefaults_ || !d || !(input ? d->desk.input.present : d->desk.output.present))
            return kIllegalOperationError;
        if (defaults_[a.selector] != word) {
            defaults_[a.selector] = word;
            notifyLocked(kSystemObject, {a.selector});
        }
        return kNoError;
    }
    Device* d = device(object);
    if (!d)
        return kBadObjectError;
    bool settable = false;
    isSettable(object, a, settable);
    if (!settable)
        return kIllegalOperationError;
    if (a.selector == kDeviceVolumeScalar) {
        float v = 0;
        std::memcpy(&v, data, 4);
        d->volume[{a.scope, a.element}] = std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f);
    } else if (a.selector == kDeviceMute) {
        d->muted[a.scope] = word != 0;
    } else {
        return kIllegalOperationError;
    }
    notifyLocked(object, a);
    return kNoError;
}

Status AudioSystem::addListener(uint32_t object, const PropertyAddress& a, const ListenerBlock& block)
{
    std::lock_guard lock(mutex_);
    if (!block)
        return kIllegalOperationError;
    if (object != kSystemObject && !device(object) && !process(object))
        return kBadObjectError;
    listeners_.emplace_back(object, a, block);
    return kNoError;
}

Status AudioSystem::removeListener(uint32_t object, const PropertyAddress& a, const ListenerBlock& block)
{
    std::lock_guard lock(mutex_);
    for (auto it = listeners_.begin(); it != listeners_.end(); ++it)
        if (std::get<0>(*it) == object && std::get<1>(*it) == a && std::get<2>(*it) == block) {
            listeners_.erase(it);
            return kNoError;
        }
    return kIllegalOperationError;
}

int AudioSystem::listenerCount(uint32_t object, const PropertyAddress& a) const
{
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& [o, addr, block] : listeners_)
        n += o == object && addr == a;
    return n;
}

// --- taps, aggregate devices, IO procs ---

Status AudioSystem::createTap(const TapDescription& d, uint32_t& tap)
{
    std::lock_guard lock(mutex_);
    tap = 0;
    if (auto it = failures_.find(Step::tap); it != failures_.end())
        return it->second;
    tap = nextObject_++;
    taps_[tap] = Tap{d};
    return kNoError;
}

Status AudioSystem::destroyTap(uint32_t tap)
{
    std::lock_guard lock(mutex_);
    return taps_.erase(tap) ? kNoError : kBadObjectError;
}

Status AudioSystem::createAggregate(const QVariantMap& d, uint32_t& out)
{
    {
        std::lock_guard lock(mutex_);
        out = 0;
        if (auto it = failures_.find(Step::aggregate); it != failures_.end())
            return it->second;
        const QString mainUID = d.value(aggregate::kMainSubDevice).toString();
        const Device* main = deviceByUID(mainUID);
        const QVariantList tapsList = d.value(aggregate::kTapList).toList();
        const QString tapUID = tapsList.isEmpty() ? QString() : tapsList[0].toMap().value(aggregate::kSubTapUID).toString();
        bool tapFound = false;
        for (const auto& [id, t] : taps_)
            tapFound = tapFound || t.description.uuid.toString(QUuid::WithoutBraces).compare(tapUID, Qt::CaseInsensitive) == 0;
        if (!main || !main->desk.output.present || main->aggregate || !tapFound)
            return kIllegalOperationError;
        Device dev;
        dev.aggregate = true;
        dev.description = d;
        dev.mainUID = mainUID;
        dev.tapUID = tapUID;
        dev.desk.id = nextObject_++;
        dev.desk.uid = d.value(aggregate::kUID).toString();
        dev.desk.name = d.value(aggregate::kName).toString();
        dev.desk.output = main->desk.output;
        dev.desk.output.volume.reset();
        dev.desk.output.mute.reset();
        dev.desk.input.present = true;
        dev.desk.input.buffers = {2};
        dev.desk.hidden = false; // private devices are left out by their UID, not by a flag
        out = dev.desk.id;
        devices_[out] = dev;
        order_.push_back(out);
    }
    notify(kSystemObject, {kHardwareDevices});
    return kNoError;
}

Status AudioSystem::destroyAggregate(uint32_t id)
{
    {
        std::lock_guard lock(mutex_);
        const Device* d = device(id);
        if (!d || !d->aggregate)
            return kBadObjectError;
        devices_.erase(id);
        order_.erase(std::remove(order_.begin(), order_.end(), id), order_.end());
    }
    notify(kSystemObject, {kHardwareDevices});
    return kNoError;
}

Status AudioSystem::createIOProc(IOProcID& proc, uint32_t id, platform::SerialQueue* queue, IOBlock block)
{
    std::lock_guard lock(mutex_);
    proc = 0;
    if (auto it = failures_.find(Step::ioProc); it != failures_.end())
        return it->second;
    Device* d = device(id);
    if (!d || !block || !queue)
        return kBadObjectError;
    proc = nextProc_++;
    d->procs[proc] = IOProc{std::move(block), queue, false};
    return kNoError;
}

Status AudioSystem::destroyIOProc(uint32_t id, IOProcID proc)
{
    std::lock_guard lock(mutex_);
    Device* d = device(id);
    if (!d)
        return kBadObjectError;
    return d->procs.erase(proc) ? kNoError : kIllegalOperationError;
}

Status AudioSystem::start(uint32_t id, IOProcID proc)
{
    std::lock_guard lock(mutex_);
    if (auto it = failures_.find(Step::start); it != failures_.end())
        return it->second;
    Device* d = device(id);
    if (!d || !d->procs.count(proc))
        return kBadObjectError;
    d->procs[proc].started = true;
    return kNoError;
}

Status AudioSystem::stop(uint32_t id, IOProcID proc)
{
    std::lock_guard lock(mutex_); // waits for a cycle in flight
    Device* d = device(id);
    if (!d || !d->procs.count(proc))
        return kBadObjectError;
    d->procs[proc].started = false;
    return kNoError;
}

std::vector<AudioSystem::TapInfo> AudioSystem::taps() const
{
    std::lock_guard lock(mutex_);
    std::vector<TapInfo> out;
    for (const auto& [id, t] : taps_)
        out.push_back({id, t.description});
    return out;
}

std::vector<AudioSystem::AggregateInfo> AudioSystem::aggregates() const
{
    std::lock_guard lock(mutex_);
    std::vector<AggregateInfo> out;
    for (uint32_t id : order_) {
        const Device& d = devices_.at(id);
        if (!d.aggregate)
            continue;
        bool running = false;
        for (const auto& [pid, p] : d.procs)
            running = running || p.started;
        out.push_back({id, d.description, int(d.procs.size()), running});
    }
    return out;
}

int AudioSystem::ioProcCount() const
{
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& [id, d] : devices_)
        n += int(d.procs.size());
    return n;
}

// --- sound ---

bool AudioSystem::covers(const TapDescription& tap, uint32_t object) const
{
    const bool listed = std::find(tap.processes.begin(), tap.processes.end(), object) != tap.processes.end();
    return tap.exclusive ? !listed : listed;
}

bool AudioSystem::isTapRead(uint32_t tapObject) const
{
    const auto t = taps_.find(tapObject);
    if (t == taps_.end())
        return false;
    const QString uid = t->second.description.uuid.toString(QUuid::WithoutBraces);
    for (const auto& [id, d] : devices_) {
        if (!d.aggregate || d.tapUID.compare(uid, Qt::CaseInsensitive) != 0)
            continue;
        for (const auto& [pid, p] : d.procs)
            if (p.started)
                return true;
    }
    return false;
}

void AudioSystem::tone(const DeskAudioProcess& p, uint32_t frames, std::vector<float>& out, uint32_t channels,
                       uint32_t firstChannel, uint32_t bufferChannels) const
{
    for (uint32_t f = 0; f < frames; ++f) {
        const float s = float(p.amplitude * std::sin(2.0 * M_PI * double(frameClock_ + f) / kTonePeriod));
        for (uint32_t c = 0; c < channels; ++c)
            out[size_t(f) * bufferChannels + firstChannel + c] += s;
    }
}

void AudioSystem::render(uint32_t frames)
{
    std::lock_guard lock(mutex_);
    const auto shape = [&](const DeskAudioDirection& dir) {
        std::vector<std::vector<float>> bufs;
        for (uint32_t c : dir.buffers)
            bufs.emplace_back(size_t(c) * frames, 0.0f);
        return bufs;
    };
    for (auto& [id, d] : devices_)
        d.played = d.aggregate || !d.desk.output.present ? std::vector<std::vector<float>>{} : shape(d.desk.output);

    // The direct path: every playing process on the default output, unless a tap that is being
    // read silences it.
    Device* out = device(defaults_[kHardwareDefaultOutputDevice]);
    if (out && !out->aggregate) {
        for (const DeskAudioProcess& p : desk_.processes) {
            if (!p.playing)
                continue;
            bool muted = false;
            for (const auto& [tid, t] : taps_)
                muted = muted
                    || (t.description.muteBehavior != TapMuteBehavior::unmuted && covers(t.description, p.object)
                        && isTapRead(tid));
            if (muted)
                continue;
            for (auto& buf : out->played) {
                const uint32_t c = uint32_t(buf.size() / frames);
                tone(p, frames, buf, c, 0, c);
            }
        }
    }

    // Aggregate devices: the tap's mixdown in, the IO proc's output mixed into the main device.
    for (auto& [id, agg] : devices_) {
        if (!agg.aggregate)
            continue;
        Device* main = nullptr;
        for (auto& [mid, m] : devices_)
            if (!m.aggregate && m.desk.uid == agg.mainUID)
                main = &m;
        const TapDescription* tap = nullptr;
        for (const auto& [tid, t] : taps_)
            if (t.description.uuid.toString(QUuid::WithoutBraces).compare(agg.tapUID, Qt::CaseInsensitive) == 0)
                tap = &t.description;
        if (!main || !tap)
            continue;
        for (auto& [pid, proc] : agg.procs) {
            if (!proc.started)
                continue;
            std::vector<float> inSamples(size_t(frames) * 2, 0.0f);
            for (const DeskAudioProcess& p : desk_.processes)
                if (p.playing && covers(*tap, p.object))
                    tone(p, frames, inSamples, 2, 0, 2);
            std::vector<std::vector<float>> outSamples = shape(main->desk.output);
            Buffer inBuf{2, uint32_t(inSamples.size() * 4), inSamples.data()};
            BufferList inList{1, &inBuf};
            std::vector<Buffer> outBufs;
            for (auto& s : outSamples)
                outBufs.push_back(Buffer{uint32_t(s.size() / frames), uint32_t(s.size() * 4), s.data()});
            BufferList outList{uint32_t(outBufs.size()), outBufs.data()};
            const IOBlock& block = proc.block;
            proc.queue->sync([&] { block(inList, outList); });
            for (size_t b = 0; b < outSamples.size() && b < main->played.size(); ++b)
                for (size_t i = 0; i < outSamples[b].size(); ++i)
                    main->played[b][i] += outSamples[b][i];
        }
    }
    frameClock_ += frames;
}

std::vector<std::vector<float>> AudioSystem::played(const QString& uid) const
{
    std::lock_guard lock(mutex_);
    const Device* d = deviceByUID(uid);
    return d ? d->played : std::vector<std::vector<float>>{};
}

float AudioSystem::playedPeak(const QString& uid, uint32_t channel) const
{
    std::lock_guard lock(mutex_);
    const Device* d = deviceByUID(uid);
    if (!d)
        return 0;
    uint32_t base = 0;
    for (size_t b = 0; b < d->desk.output.buffers.size() && b < d->played.size(); ++b) {
        const uint32_t c = d->desk.output.buffers[b];
        if (channel < base + c) {
            float peak = 0;
            const auto& buf = d->played[b];
            for (size_t i = channel - base; i < buf.size(); i += c)
                peak = std::max(peak, std::fabs(buf[i]));
            return peak;
        }
        base += c;
    }
    return 0;
}

// --- inspection ---

ObjectID AudioSystem::idOf(const QString& uid) const
{
    std::lock_guard lock(mutex_);
    const Device* d = deviceByUID(uid);
    return d ? d->desk.id : 0;
}

QString AudioSystem::uidOf(ObjectID id) const
{
    std::lock_guard lock(mutex_);
    const Device* d = device(id);
    return d ? d->desk.uid : QString();
}

QString AudioSystem::defaultDeviceUID(uint32_t selector) const
{
    std::lock_guard lock(mutex_);
    auto it = defaults_.find(selector);
    const Device* d = it == defaults_.end() ? nullptr : device(it->second);
    return d ? d->desk.uid : QString();
}

float AudioSystem::volumeScalar(const QString& uid, uint32_t scope, uint32_t element) const
{
    std::lock_guard lock(mutex_);
    const Device* d = deviceByUID(uid);
    if (!d)
        return -1;
    auto it = d->volume.find({scope, element});
    return it == d->volume.end() ? -1 : it->second;
}

std::optional<bool> AudioSystem::mute(const QString& uid, uint32_t scope) const
{
    std::lock_guard lock(mutex_);
    const Device* d = deviceByUID(uid);
    if (!d || !d->muted.count(scope))
        return std::nullopt;
    return d->muted.at(scope);
}

int AudioSystem::writeCount(uint32_t selector) const
{
    std::lock_guard lock(mutex_);
    auto it = writes_.find(selector);
    return it == writes_.end() ? 0 : it->second;
}

std::optional<DeskAudioApp> AudioSystem::app(int32_t pid) const
{
    std::lock_guard lock(mutex_);
    for (const auto& a : desk_.apps)
        if (a.pid == pid)
            return a;
    return std::nullopt;
}

int32_t AudioSystem::selfPid() const
{
    std::lock_guard lock(mutex_);
    return desk_.selfPid;
}

bool AudioSystem::hasResponsibility() const
{
    std::lock_guard lock(mutex_);
    return desk_.responsibility;
}

int32_t AudioSystem::responsibleFor(int32_t pid) const
{
    std::lock_guard lock(mutex_);
    for (const auto& p : desk_.processes)
        if (p.pid == pid && p.responsible > 0)
            return p.responsible;
    return pid;
}

} // namespace sim

// --- the platform interface over the simulation ---

namespace platform::audio {

namespace {
sim::AudioSystem& sys() { return sim::AudioSystem::shared(); }
} // namespace

bool hasProperty(ObjectID o, const PropertyAddress& a) { return sys().hasProperty(o, a); }
Status isPropertySettable(ObjectID o, const PropertyAddress& a, bool& s) { return sys().isSettable(o, a, s); }
Status getPropertyDataSize(ObjectID o, const PropertyAddress& a, uint32_t, const void*, uint32_t& size)
{
    return sys().getSize(o, a, size);
}
Status getPropertyData(ObjectID o, const PropertyAddress& a, uint32_t qs, const void* q, uint32_t& size, void* data)
{
    return sys().get(o, a, qs, q, size, data);
}
Status setPropertyData(ObjectID o, const PropertyAddress& a, uint32_t size, const void* data)
{
    return sys().set(o, a, size, data);
}
Status getStringProperty(ObjectID o, const PropertyAddress& a, std::optional<QString>& v) { return sys().getString(o, a, v); }

ListenerBlock makeListener(std::function<void()> body)
{
    return std::make_shared<const std::function<void()>>(std::move(body));
}
Status addPropertyListenerBlock(ObjectID o, const PropertyAddress& a, const ListenerBlock& b) { return sys().addListener(o, a, b); }
Status removePropertyListenerBlock(ObjectID o, const PropertyAddress& a, const ListenerBlock& b)
{
    return sys().removeListener(o, a, b);
}

TapDescription TapDescription::stereoGlobalTapButExcludeProcesses(std::vector<ObjectID> processes)
{
    TapDescription d;
    d.processes = std::move(processes);
    d.exclusive = true;
    return d;
}

TapDescription TapDescription::stereoMixdownOfProcesses(std::vector<ObjectID> processes)
{
    TapDescription d;
    d.processes = std::move(processes);
    return d;
}

Status createProcessTap(const TapDescription& d, ObjectID& tap) { return sys().createTap(d, tap); }
Status destroyProcessTap(ObjectID tap) { return sys().destroyTap(tap); }
Status createAggregateDevice(const QVariantMap& d, ObjectID& device) { return sys().createAggregate(d, device); }
Status destroyAggregateDevice(ObjectID device) { return sys().destroyAggregate(device); }
Status createIOProcIDWithBlock(IOProcID& proc, ObjectID device, SerialQueue* queue, IOBlock block)
{
    return sys().createIOProc(proc, device, queue, std::move(block));
}
Status destroyIOProcID(ObjectID device, IOProcID proc) { return sys().destroyIOProc(device, proc); }
Status deviceStart(ObjectID device, IOProcID proc) { return sys().start(device, proc); }
Status deviceStop(ObjectID device, IOProcID proc) { return sys().stop(device, proc); }

// Ticks of 1/24 µs, as on machines whose timebase is 125/3.
uint64_t absoluteTime() { return uint64_t(std::llround(platform::clock::now() * 24e6)); }
Timebase timebase() { return {125, 3}; }
double ticksToSeconds(uint64_t ticks)
{
    const Timebase tb = timebase();
    return double(ticks) * tb.numer / tb.denom / 1e9;
}

} // namespace platform::audio

namespace platform::apps {

std::optional<RunningApplication> runningApplication(int32_t pid)
{
    const auto a = sim::AudioSystem::shared().app(pid);
    if (!a)
        return std::nullopt;
    RunningApplication r;
    r.pid = a->pid;
    if (!a->bundleID.isEmpty())
        r.bundleIdentifier = a->bundleID;
    if (!a->name.isEmpty())
        r.localizedName = a->name;
    r.policy = a->policy == "accessory" ? ActivationPolicy::accessory
        : a->policy == "prohibited"     ? ActivationPolicy::prohibited
                                        : ActivationPolicy::regular;
    if (!a->icon.isEmpty()) {
        r.icon = QImage(64, 64, QImage::Format_ARGB32_Premultiplied);
        r.icon.fill(QColor(a->icon));
    }
    return r;
}

int32_t currentProcessID() { return sim::AudioSystem::shared().selfPid(); }

namespace {
int32_t responsibleForPid(int32_t pid) { return sim::AudioSystem::shared().responsibleFor(pid); }
} // namespace

ResponsibleForPID lookupResponsibleForPID()
{
    return sim::AudioSystem::shared().hasResponsibility() ? &responsibleForPid : nullptr;
}

} // namespace platform::apps
