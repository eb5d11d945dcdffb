#include "audio/SoftwareVolume.h"

#include "platform/RunningApps.h"

#include <QUuid>
#include <algorithm>
#include <cmath>
#include <cstring>

using namespace platform::audio;

namespace {

QString uuidString(const QUuid& u) { return u.toString(QUuid::WithoutBraces).toUpper(); }

std::optional<uint32_t> ownProcessObject()
{
    const int32_t pid = platform::apps::currentProcessID();
    uint32_t object = 0;
    uint32_t size = sizeof(object);
    const Status status = getPropertyData(kSystemObject, {kHardwareTranslatePIDToProcessObject}, sizeof(pid), &pid,
                                          size, &object);
    if (status != kNoError || size != sizeof(object) || object == 0)
        return std::nullopt;
    return object;
}

float maxMagnitude(const float* samples, uint32_t count)
{
    float peak = 0.0f;
    for (uint32_t i = 0; i < count; ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

} // namespace

QString SoftwareVolume::Failure::description() const
{
    switch (kind) {
    case FailureKind::tap:
        return QString("tap(%1)").arg(status);
    case FailureKind::aggregate:
        return QString("aggregate(%1)").arg(status);
    case FailureKind::ioProc:
        return QString("ioProc(%1)").arg(status);
    case FailureKind::start:
        return QString("start(%1)").arg(status);
    case FailureKind::noProcessObject:
        break;
    }
    return "noProcessObject";
}

SoftwareVolume::SoftwareVolume()
    : shared_(std::make_shared<Shared>()), queue_(std::make_unique<platform::SerialQueue>("pelorn.softvolume"))
{
}

SoftwareVolume::~SoftwareVolume() { stop(); }

SoftwareVolume::StartResult SoftwareVolume::start(const QString& outputUID,
                                                  const std::optional<std::vector<uint32_t>>& only,
                                                  const std::vector<uint32_t>& excluding)
{
    stop();

    TapDescription tap;
    if (!only) {
        const auto own = ownProcessObject();
        if (!own)
            return StartResult::failure({FailureKind::noProcessObject});
        std::vector<uint32_t> excluded{*own};
        excluded.insert(excluded.end(), excluding.begin(), excluding.end());
        tap = TapDescription::stereoGlobalTapButExcludeProcesses(std::move(excluded));
    } else {
        tap = TapDescription::stereoMixdownOfProcesses(*only);
    }
    tap.uuid = QUuid::createUuid();
    tap.name = kName;
    tap.isPrivate = true;
    // The tapped processes fall silent on their own path and are heard only through us.
    tap.muteBehavior = TapMuteBehavior::mutedWhenTapped;

    if (const Status s = createProcessTap(tap, tapID_); s != kNoError) {
        tapID_ = 0;
        return StartResult::failure({FailureKind::tap, s});
    }

    const QVariantMap description{
        {aggregate::kName, kName},
        {aggregate::kUID, QString(kUIDPrefix) + uuidString(QUuid::createUuid())},
        {aggregate::kMainSubDevice, outputUID},
        {aggregate::kIsPrivate, true},
        {aggregate::kIsStacked, false},
        {aggregate::kTapAutoStart, true},
        {aggregate::kSubDeviceList, QVariantList{QVariantMap{{aggregate::kSubDeviceUID, outputUID}}}},
        {aggregate::kTapList,
         QVariantList{QVariantMap{{aggregate::kSubTapDriftCompensation, true}, {aggregate::kSubTapUID, uuidString(tap.uuid)}}}},
    };
    if (const Status s = createAggregateDevice(description, aggregateID_); s != kNoError) {
        aggregateID_ = 0;
        stop();
        return StartResult::failure({FailureKind::aggregate, s});
    }

    auto ramp = std::make_shared<float>(gain());
    shared_->lastSoundTicks.store(absoluteTime(), std::memory_order_relaxed);

    IOProcID proc = 0;
    if (const Status s = createIOProcIDWithBlock(proc, aggregateID_, queue_.get(), makeIOBlock(shared_, ramp));
        s != kNoError) {
        stop();
        return StartResult::failure({FailureKind::ioProc, s});
    }
    procID_ = proc;
    if (const Status s = deviceStart(aggregateID_, proc); s != kNoError) {
        stop();
        return StartResult::failure({FailureKind::start, s});
    }

    outputUID_ = outputUID;
    processes_ = only ? *only : excluding;
    return std::monostate{};
}

void SoftwareVolume::stop()
{
    if (procID_) {
        deviceStop(aggregateID_, *procID_);
        destroyIOProcID(aggregateID_, *procID_);
        procID_.reset();
    }
    if (aggregateID_ != 0) {
        destroyAggregateDevice(aggregateID_);
        aggregateID_ = 0;
    }
    if (tapID_ != 0) {
        destroyProcessTap(tapID_);
        tapID_ = 0;
    }
    outputUID_.reset();
    processes_.clear();
}

IOBlock SoftwareVolume::makeIOBlock(std::weak_ptr<Shared> engine, std::shared_ptr<float> ramp)
{
    return [engine = std::move(engine), ramp = std::move(ramp)](const BufferList& input, BufferList& output) {
        const std::shared_ptr<Shared> shared = engine.lock();
        if (!shared) {
            silence(output);
            return;
        }
        if (hasSignal(input))
            shared->lastSoundTicks.store(absoluteTime(), std::memory_order_relaxed);
        const float target = shared->gain.load(std::memory_order_relaxed);
        render(input, output, *ramp, target);
        *ramp = target;
    };
}

bool SoftwareVolume::hasSignal(const BufferList& input)
{
    for (uint32_t b = 0; b < input.numberBuffers; ++b) {
        const Buffer& buf = input.buffers[b];
        if (!buf.data)
            continue;
        if (maxMagnitude(static_cast<const float*>(buf.data), buf.dataByteSize / 4) > kSignalThreshold)
            return true;
    }
    return false;
}

void SoftwareVolume::silence(BufferList& output)
{
    for (uint32_t b = 0; b < output.numberBuffers; ++b) {
        Buffer& buf = output.buffers[b];
        if (buf.data && buf.numberChannels)
            std::memset(buf.data, 0, size_t(buf.dataByteSize / (buf.numberChannels * 4)) * buf.numberChannels * 4);
    }
}

void SoftwareVolume::render(const BufferList& input, BufferList& output, float start, float target)
{
    // Input shape: buffers without channels or without data take no part.
    uint32_t total = 0;
    uint32_t frames = UINT32_MAX;
    for (uint32_t b = 0; b < input.numberBuffers; ++b) {
        const Buffer& buf = input.buffers[b];
        if (buf.numberChannels == 0 || !buf.data)
            continue;
        total += buf.numberChannels;
        frames = std::min(frames, buf.dataByteSize / (buf.numberChannels * 4));
    }
    if (total == 0) {
        silence(output);
        return;
    }

    uint32_t base = 0;
    for (uint32_t b = 0; b < output.numberBuffers; ++b) {
        Buffer& buf = output.buffers[b];
        const uint32_t c = buf.numberChannels;
        if (c == 0 || !buf.data)
            continue;
        const uint32_t n = buf.dataByteSize / (c * 4);
        if (n == 0) {
            base += c;
            continue;
        }
        float* out = static_cast<float*>(buf.data);
        const float step = (target - start) / float(n);
        const uint32_t copied = std::min(n, frames);
        for (uint32_t k = 0; k < c; ++k) {
            // Find the source channel across the input buffers.
            uint32_t s = (base + k) % total;
            const float* src = nullptr;
            uint32_t stride = 0;
            for (uint32_t ib = 0; ib < input.numberBuffers; ++ib) {
                const Buffer& in = input.buffers[ib];
                if (in.numberChannels == 0 || !in.data)
                    continue;
                if (s < in.numberChannels) {
                    src = static_cast<const float*>(in.data) + s;
                    stride = in.numberChannels;
                    break;
                }
                s -= in.numberChannels;
            }
            float* dst = out + k;
            for (uint32_t f = 0; f < copied; ++f)
                dst[size_t(f) * c] = src[size_t(f) * stride] * (start + float(f) * step);
            for (uint32_t f = copied; f < n; ++f)
                dst[size_t(f) * c] = 0.0f;
        }
        base += c;
    }
}
