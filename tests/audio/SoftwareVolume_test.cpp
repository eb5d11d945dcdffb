#include "audio/SoftwareVolume.h"

#include "platform/sim/SimAudio.h"
#include "support/SimTest.h"

#include <cmath>
#include <vector>

using namespace platform::audio;

namespace {

using Shape = std::vector<std::pair<uint32_t, int>>; // (channels, frames) per buffer; frames < 0: no data

// Buffers of interleaved samples with a list that points into them.
struct Buffers {
    std::vector<std::vector<float>> samples;
    std::vector<Buffer> buffers;
    BufferList list;

    explicit Buffers(const Shape& shape, float fill = 0.0f)
    {
        for (auto [c, n] : shape)
            samples.emplace_back(size_t(c) * size_t(std::max(n, 0)), fill);
        for (size_t i = 0; i < shape.size(); ++i)
            buffers.push_back(Buffer{shape[i].first, uint32_t(samples[i].size() * 4),
                                     shape[i].second < 0 ? nullptr : samples[i].data()});
        list = BufferList{uint32_t(buffers.size()), buffers.data()};
    }
    Buffers(const Buffers&) = delete;
    float& at(size_t buffer, uint32_t frame, uint32_t channel)
    {
        return samples[buffer][size_t(frame) * buffers[buffer].numberChannels + channel];
    }
};

// Input channel k (counted across buffers) of frame f carries (k + 1) * 100 + f, so every
// output sample names its source.
void number(Buffers& in)
{
    uint32_t first = 0;
    for (size_t b = 0; b < in.buffers.size(); ++b) {
        const uint32_t c = in.buffers[b].numberChannels;
        if (!in.buffers[b].data || c == 0)
            continue;
        const uint32_t n = uint32_t(in.samples[b].size() / c);
        for (uint32_t f = 0; f < n; ++f)
            for (uint32_t k = 0; k < c; ++k)
                in.at(b, f, k) = float((first + k + 1) * 100 + f);
        first += c;
    }
}

TEST(SoftwareVolumeRender, MapsChannelsFramesAndGain)
{
    struct Case {
        const char* name;
        Shape in, out;
        float start, target;
        std::vector<std::tuple<size_t, uint32_t, uint32_t, float>> expect; // buffer, frame, channel, value
    };
    const Case cases[] = {
        {"stereo to stereo at unity", {{2, 4}}, {{2, 4}}, 1, 1,
         {{0, 0, 0, 100}, {0, 0, 1, 200}, {0, 3, 0, 103}, {0, 3, 1, 203}}},
        {"stereo into six channels", {{2, 2}}, {{6, 2}}, 1, 1,
         {{0, 1, 0, 101}, {0, 1, 1, 201}, {0, 1, 2, 101}, {0, 1, 3, 201}, {0, 1, 4, 101}, {0, 1, 5, 201}}},
        {"stereo into three stereo buffers", {{2, 2}}, {{2, 2}, {2, 2}, {2, 2}}, 1, 1,
         {{1, 0, 0, 100}, {1, 0, 1, 200}, {2, 1, 0, 101}, {2, 1, 1, 201}}},
        {"an odd channel count carries on in the next buffer", {{2, 2}}, {{1, 2}, {3, 2}}, 1, 1,
         {{0, 1, 0, 101}, {1, 1, 0, 201}, {1, 1, 1, 101}, {1, 1, 2, 201}}},
        {"mono inputs count across buffers", {{1, 2}, {1, 2}}, {{2, 2}}, 1, 1, {{0, 0, 0, 100}, {0, 0, 1, 200}}},
        {"a longer output gets zeros after the input", {{2, 2}}, {{2, 4}}, 1, 1,
         {{0, 1, 1, 201}, {0, 2, 0, 0}, {0, 3, 1, 0}}},
        {"the shortest input buffer sets the frames", {{1, 3}, {1, 1}}, {{2, 3}}, 1, 1,
         {{0, 0, 0, 100}, {0, 1, 0, 0}, {0, 1, 1, 0}}},
        {"the gain ramps from start towards target", {{2, 4}}, {{2, 4}}, 1, 0,
         {{0, 0, 0, 100}, {0, 1, 0, 101 * 0.75f}, {0, 3, 1, 203 * 0.25f}}},
        {"an output buffer without channels is skipped", {{2, 2}}, {{0, 0}, {2, 2}}, 1, 1,
         {{1, 0, 0, 100}, {1, 1, 1, 201}}},
        {"an output buffer without data is skipped", {{2, 2}}, {{2, -1}, {2, 2}}, 1, 1,
         {{1, 0, 0, 100}, {1, 1, 1, 201}}},
        {"an input buffer without data takes no part", {{2, -1}, {1, 2}}, {{2, 2}}, 1, 1,
         {{0, 0, 0, 100}, {0, 1, 1, 101}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Buffers in(c.in);
        number(in);
        Buffers out(c.out, -7.0f);
        SoftwareVolume::render(in.list, out.list, c.start, c.target);
        for (auto [b, f, k, v] : c.expect)
            EXPECT_FLOAT_EQ(out.at(b, f, k), v) << "buffer " << b << " frame " << f << " channel " << k;
    }
}

// Longer buffers take the vectorised paths; every sample must still follow the formula.
TEST(SoftwareVolumeRender, LongBuffersFollowTheSameFormula)
{
    for (uint32_t channels : {1u, 2u, 3u, 6u, 8u}) {
        for (uint32_t frames : {13u, 512u}) {
            SCOPED_TRACE(testing::Message() << channels << " channels, " << frames << " frames");
            Buffers in({{2, int(frames)}});
            number(in);
            Buffers out({{channels, int(frames + 3)}}, -7.0f);
            const float start = 0.9f, target = 0.1f;
            SoftwareVolume::render(in.list, out.list, start, target);
            const double step = (double(target) - start) / (frames + 3);
            for (uint32_t f = 0; f < frames + 3; ++f)
                for (uint32_t k = 0; k < channels; ++k) {
                    const double source = f < frames ? in.at(0, f, k % 2) : 0.0;
                    ASSERT_NEAR(out.at(0, f, k), source * (start + f * step), 1e-3) << "frame " << f << " channel " << k;
                }
        }
    }
}

TEST(SoftwareVolumeRender, NoUsableInputWritesSilence)
{
    const Shape inputs[] = {{}, {{0, 4}}, {{2, -1}}};
    for (const Shape& shape : inputs) {
        Buffers in(shape, 0.5f);
        Buffers out({{2, 4}, {6, 4}}, -7.0f);
        SoftwareVolume::render(in.list, out.list, 1, 1);
        for (const auto& buf : out.samples)
            for (float s : buf)
                EXPECT_EQ(s, 0.0f);
    }
}

TEST(SoftwareVolumeIOBlock, RampsOnceThenHoldsAndDetectsSound)
{
    auto shared = std::make_shared<SoftwareVolume::Shared>();
    auto ramp = std::make_shared<float>(1.0f);
    IOBlock block = SoftwareVolume::makeIOBlock(shared, ramp);
    shared->gain = 0.0f;

    Buffers in({{2, 512}}, 1.0f);
    Buffers out({{2, 512}});
    block(in.list, out.list);
    EXPECT_FLOAT_EQ(out.at(0, 0, 0), 1.0f);
    EXPECT_NEAR(out.at(0, 511, 1), 1.0f / 512, 1e-6);
    EXPECT_GT(shared->lastSoundTicks.load(), 0u);

    block(in.list, out.list);
    EXPECT_EQ(out.at(0, 0, 0), 0.0f);
    EXPECT_EQ(out.at(0, 511, 1), 0.0f);
}

TEST(SoftwareVolumeIOBlock, SignalThreshold)
{
    struct Case {
        Shape shape;
        float peak; // written to the last sample of the last buffer with data
        bool sound;
    };
    const Case cases[] = {
        {{{2, 8}}, 0.0001f, false},
        {{{2, 8}}, 0.00011f, true},
        {{{2, 8}}, -0.5f, true},
        {{{2, 8}, {2, 8}}, 0.2f, true},
        {{{2, 8}, {2, -1}}, 0.0f, false},
    };
    for (const Case& c : cases) {
        Buffers in(c.shape);
        for (size_t b = in.samples.size(); b-- > 0;)
            if (in.buffers[b].data) {
                in.samples[b].back() = c.peak;
                break;
            }
        EXPECT_EQ(SoftwareVolume::hasSignal(in.list), c.sound) << c.peak;
    }
}

TEST(SoftwareVolumeIOBlock, PlaysSilenceOnceTheEngineIsGone)
{
    auto shared = std::make_shared<SoftwareVolume::Shared>();
    IOBlock block = SoftwareVolume::makeIOBlock(shared, std::make_shared<float>(1.0f));
    shared.reset();
    Buffers in({{2, 16}}, 0.5f);
    Buffers out({{2, 16}}, -7.0f);
    block(in.list, out.list);
    for (float s : out.samples[0])
        EXPECT_EQ(s, 0.0f);
}

class SoftwareVolumeEngine : public SimTest {
protected:
    sim::AudioSystem& sys = sim::AudioSystem::shared();
    static constexpr uint32_t kOwnProcess = 100;
    static constexpr uint32_t kMusic = 110;
    static constexpr float kMusicAmplitude = 0.5f;
};

TEST_F(SoftwareVolumeEngine, GlobalTapExcludesItselfAndRecordsTheExclusions)
{
    SoftwareVolume engine;
    ASSERT_TRUE(engine.start("BuiltInSpeakerDevice", std::nullopt, {5, 9}).ok());
    EXPECT_TRUE(engine.isRunning());
    EXPECT_EQ(engine.outputUID(), "BuiltInSpeakerDevice");
    EXPECT_EQ(engine.processes(), (std::vector<uint32_t>{5, 9}));

    const auto taps = sys.taps();
    ASSERT_EQ(taps.size(), 1u);
    const TapDescription& tap = taps[0].description;
    EXPECT_TRUE(tap.exclusive);
    EXPECT_EQ(tap.processes, (std::vector<uint32_t>{kOwnProcess, 5, 9}));
    EXPECT_EQ(tap.name, "Quendrel Volume");
    EXPECT_TRUE(tap.isPrivate);
    EXPECT_EQ(tap.muteBehavior, TapMuteBehavior::mutedWhenTapped);

    const auto aggs = sys.aggregates();
    ASSERT_EQ(aggs.size(), 1u);
    const QVariantMap& d = aggs[0].description;
    EXPECT_EQ(d.size(), 8);
    EXPECT_EQ(d["name"].toString(), "Quendrel Volume");
    EXPECT_TRUE(d["uid"].toString().startsWith("com.ostrane.pelorn.volume."));
    EXPECT_EQ(d["master"].toString(), "BuiltInSpeakerDevice");
    EXPECT_TRUE(d["private"].toBool());
    EXPECT_FALSE(d["stacked"].toBool());
    EXPECT_TRUE(d["tapautostart"].toBool());
    EXPECT_EQ(d["subdevices"].toList().value(0).toMap()["uid"].toString(), "BuiltInSpeakerDevice");
    const QVariantMap tapEntry = d["taps"].toList().value(0).toMap();
    EXPECT_TRUE(tapEntry["drift"].toBool());
    EXPECT_EQ(tapEntry["uid"].toString(), tap.uuid.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_NE(d["uid"].toString().mid(26), tapEntry["uid"].toString()) << "the device has a UUID of its own";
    EXPECT_TRUE(aggs[0].running);
}

TEST_F(SoftwareVolumeEngine, StartingAgainReplacesEverythingWithNewIdentities)
{
    SoftwareVolume engine;
    ASSERT_TRUE(engine.start("BuiltInSpeakerDevice", std::vector<uint32_t>{kMusic}, {}).ok());
    const auto firstTap = sys.taps().at(0).description.uuid;
    const QString firstUID = sys.aggregates().at(0).description["uid"].toString();
    ASSERT_TRUE(engine.start("USB-Headset", std::vector<uint32_t>{kMusic}, {7}).ok());
    ASSERT_EQ(sys.taps().size(), 1u);
    ASSERT_EQ(sys.aggregates().size(), 1u);
    EXPECT_EQ(sys.ioProcCount(), 1);
    EXPECT_NE(sys.taps()[0].description.uuid, firstTap);
    EXPECT_NE(sys.aggregates()[0].description["uid"].toString(), firstUID);
    EXPECT_FALSE(sys.taps()[0].description.exclusive);
    EXPECT_EQ(engine.processes(), std::vector<uint32_t>{kMusic}) << "`excluding` is unused for a chosen tap";
    EXPECT_EQ(engine.outputUID(), "USB-Headset");

    engine.stop();
    engine.stop();
    EXPECT_TRUE(sys.taps().empty());
    EXPECT_TRUE(sys.aggregates().empty());
    EXPECT_EQ(sys.ioProcCount(), 0);
    EXPECT_FALSE(engine.outputUID());
    EXPECT_TRUE(engine.processes().empty());
}

TEST_F(SoftwareVolumeEngine, EveryFailedStepLeavesNothingBehind)
{
    using Step = sim::AudioSystem::Step;
    const std::pair<Step, SoftwareVolume::FailureKind> cases[] = {
        {Step::tap, SoftwareVolume::FailureKind::tap},
        {Step::aggregate, SoftwareVolume::FailureKind::aggregate},
        {Step::ioProc, SoftwareVolume::FailureKind::ioProc},
        {Step::start, SoftwareVolume::FailureKind::start},
    };
    for (auto [step, kind] : cases) {
        SoftwareVolume engine;
        ASSERT_TRUE(engine.start("BuiltInSpeakerDevice", std::nullopt, {}).ok()); // a running engine restarts
        sys.setFailure(step, -66);
        const auto r = engine.start("BuiltInSpeakerDevice", std::nullopt, {3});
        sys.setFailure(step, 0);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error(), (SoftwareVolume::Failure{kind, -66}));
        EXPECT_FALSE(engine.isRunning());
        EXPECT_EQ(engine.tapID(), 0u);
        EXPECT_EQ(engine.aggregateID(), 0u);
        EXPECT_FALSE(engine.outputUID());
        EXPECT_TRUE(engine.processes().empty());
        EXPECT_TRUE(sys.taps().empty());
        EXPECT_TRUE(sys.aggregates().empty());
        EXPECT_EQ(sys.ioProcCount(), 0);
    }
    EXPECT_EQ((SoftwareVolume::Failure{SoftwareVolume::FailureKind::aggregate, -66}).description(), "aggregate(-66)");
    EXPECT_EQ((SoftwareVolume::Failure{SoftwareVolume::FailureKind::noProcessObject}).description(), "noProcessObject");
}

TEST_F(SoftwareVolumeEngine, GlobalTapWithoutOwnProcessObjectCreatesNothing)
{
    sys.removeProcess(kOwnProcess);
    SoftwareVolume engine;
    const auto r = engine.start("BuiltInSpeakerDevice", std::nullopt, {});
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind, SoftwareVolume::FailureKind::noProcessObject);
    EXPECT_TRUE(sys.taps().empty());
    EXPECT_TRUE(sys.aggregates().empty());
    // A chosen tap needs no own process object.
    EXPECT_TRUE(engine.start("BuiltInSpeakerDevice", std::vector<uint32_t>{kMusic}, {}).ok());
}

TEST_F(SoftwareVolumeEngine, TappedSoundIsHeardOnceThroughTheGain)
{
    sys.render(512);
    EXPECT_NEAR(sys.playedPeak("BuiltInSpeakerDevice"), kMusicAmplitude, 1e-3) << "direct path before any tap";

    {
        SoftwareVolume engine;
        engine.setGain(0.25f);
        ASSERT_TRUE(engine.start("BuiltInSpeakerDevice", std::nullopt, {}).ok());
        const uint64_t started = engine.lastSoundTicks();
        SimTest::advance(1.0);
        sys.render(512);
        for (uint32_t ch : {0u, 1u})
            EXPECT_NEAR(sys.playedPeak("BuiltInSpeakerDevice", ch), 0.25f * kMusicAmplitude, 1e-3);
        EXPECT_GT(engine.lastSoundTicks(), started);

        // Silence keeps the last-sound time.
        sys.setPlaying(kMusic, false);
        const uint64_t heard = engine.lastSoundTicks();
        SimTest::advance(1.0);
        sys.render(512);
        EXPECT_EQ(engine.lastSoundTicks(), heard);
        EXPECT_EQ(sys.playedPeak("BuiltInSpeakerDevice"), 0.0f);
        sys.setPlaying(kMusic, true);
    }
    sys.render(512);
    EXPECT_NEAR(sys.playedPeak("BuiltInSpeakerDevice"), kMusicAmplitude, 1e-3) << "released engine leaves the direct path";
    EXPECT_TRUE(sys.taps().empty());
}

} // namespace
