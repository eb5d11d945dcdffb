#include "audio/SoftwareVolume.h"

#include "platform/RunningApps.h"

#include <QUuid>
#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

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

// Hot loops get a wider-vector version where the processor has it, chosen once at load.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define PELORN_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define PELORN_VECTOR_CLONES
#endif

// Whether any sample's magnitude is above the threshold. With the sign bit cleared, the bit
// patterns of floats order as the values do, so an integer maximum finds the loudest sample;
// chunks keep the loop vectorised and still stop soon after the first loud chunk.
PELORN_VECTOR_CLONES
bool anyAbove(const float* samples, uint32_t count, float threshold)
{
    uint32_t limit = 0;
    std::memcpy(&limit, &threshold, 4);
    constexpr uint32_t kChunk = 64;
    uint32_t i = 0;
    for (; i + kChunk <= count; i += kChunk) {
        uint32_t peak = 0;
        for (uint32_t j = 0; j < kChunk; ++j) {
            uint32_t bits;
            std::memcpy(&bits, samples + i + j, 4);
            bits &= 0x7fffffffu;
            peak = bits > peak ? bits : peak;
        }
        if (peak > limit)
            return true;
    }
    for (; i < count; ++i)
        if (std::fabs(samples[i]) > threshold)
            return true;
    return false;
}

// Same layout in and out: one flat pass of sample times its frame's gain.
PELORN_VECTOR_CLONES
void rampStereo(const float* __restrict src, float* __restrict dst, int count, float start, float step)
{
    for (int i = 0; i < count; ++i)
        dst[i] = src[i] * (start + float(i >> 1) * step);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define PELORN_HAS_AVX2_PATH 1
const bool kHasAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();

// Interleaved stereo repeated over six channels, the usual surround output: four frames
// (eight input samples) become three full vectors of output.
__attribute__((target("avx2"))) void rampStereoInto6(const float* src, float* dst, uint32_t frames, float start,
                                                     float step)
{
    const __m256i p0 = _mm256_setr_epi32(0, 1, 0, 1, 0, 1, 2, 3);
    const __m256i p1 = _mm256_setr_epi32(2, 3, 2, 3, 4, 5, 4, 5);
    const __m256i p2 = _mm256_setr_epi32(4, 5, 6, 7, 6, 7, 6, 7);
    const __m256 lanes = _mm256_mul_ps(_mm256_setr_ps(0, 0, 1, 1, 2, 2, 3, 3), _mm256_set1_ps(step));
    uint32_t f = 0;
    for (; f + 4 <= frames; f += 4) {
        const __m256 g = _mm256_add_ps(_mm256_set1_ps(start + float(int(f)) * step), lanes);
        const __m256 y = _mm256_mul_ps(_mm256_loadu_ps(src + 2 * size_t(f)), g);
        float* out = dst + 6 * size_t(f);
        _mm256_storeu_ps(out, _mm256_permutevar8x32_ps(y, p0));
        _mm256_storeu_ps(out + 8, _mm256_permutevar8x32_ps(y, p1));
        _mm256_storeu_ps(out + 16, _mm256_permutevar8x32_ps(y, p2));
    }
    for (; f < frames; ++f) {
        const float g = start + float(int(f)) * step;
        for (int k = 0; k < 6; k += 2) {
            dst[6 * size_t(f) + k] = src[2 * size_t(f)] * g;
            dst[6 * size_t(f) + k + 1] = src[2 * size_t(f) + 1] * g;
        }
    }
}
#endif

// Interleaved stereo into an output of c channels (c even or not): channel k takes the left
// or right input by the parity of its number across the outputs.
template <uint32_t C>
void stereoInto(const float* in, float* out, uint32_t runtimeC, uint32_t copied, uint32_t n, bool swap,
                float start, float step)
{
    const uint32_t c = C ? C : runtimeC;
    if (C == 2 && !swap) {
        // Same layout in and out: one flat pass the compiler turns into vector code.
        const int count = int(copied * 2);
        rampStereo(in, out, count, start, step);
        if (copied < n)
            std::memset(out + count, 0, size_t(n - copied) * 2 * 4);
        return;
    }
#ifdef PELORN_HAS_AVX2_PATH
    if (c == 6 && !swap && kHasAvx2) {
        rampStereoInto6(in, out, copied, start, step);
        if (copied < n)
            std::memset(out + size_t(copied) * 6, 0, size_t(n - copied) * 6 * 4);
        return;
    }
#endif
    const uint32_t l = swap ? 1 : 0;
    const uint32_t r = 1 - l;
    for (uint32_t f = 0; f < copied; ++f) {
        const float g = start + float(f) * step;
        const float a = in[2 * size_t(f) + l] * g;
        const float b = in[2 * size_t(f) + r] * g;
        float* dst = out + size_t(f) * c;
        for (uint32_t k = 0; k + 1 < c; k += 2) {
            dst[k] = a;
            dst[k + 1] = b;
        }
        if (c % 2)
            dst[c - 1] = a;
    }
    if (copied < n)
        std::memset(out + size_t(copied) * c, 0, size_t(n - copied) * c * 4);
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
        if (anyAbove(static_cast<const float*>(buf.data), buf.dataByteSize / 4, kSignalThreshold))
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

    // The tap's usual shape, one interleaved stereo buffer, has a fast path.
    const Buffer* stereo = nullptr;
    if (total == 2)
        for (uint32_t b = 0; b < input.numberBuffers; ++b)
            if (input.buffers[b].numberChannels == 2 && input.buffers[b].data)
                stereo = &input.buffers[b];

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
        if (stereo) {
            const auto* in = static_cast<const float*>(stereo->data);
            const bool swap = base % 2;
            if (c == 2)
                stereoInto<2>(in, out, c, copied, n, swap, start, step);
            else
                stereoInto<0>(in, out, c, copied, n, swap, start, step);
            base += c;
            continue;
        }
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
