#include "app/InputTap.h"
#include "app/ScrollManager.h"
#include "app/SyntheticEvents.h"
#include "platform/Clock.h"
#include "platform/UserDefaults.h"
#include "platform/sim/EventSystem.h"
#include "showcase/Showcase.h"
#include "support/SimTest.h"

#include <chrono>
#include <cmath>
#include <thread>

using namespace platform::events;

namespace {

constexpr pid_t kSafari = 700;
constexpr pid_t kChrome = 800;

class ScrollTest : public SimTest {
protected:
    sim::EventSystem& system = sim::EventSystem::shared();
    std::unique_ptr<InputTap> tap;
    std::unique_ptr<ScrollManager> scroll;

    void SetUp() override
    {
        SimTest::SetUp();
        system.setTrusted(true);
        system.setApplication(kSafari, "com.apple.Safari");
        system.setApplication(kChrome, "com.google.Chrome");
        system.setPointerTarget(kSafari);
    }
    void TearDown() override
    {
        tap.reset();
        scroll.reset();
        SimTest::TearDown();
    }

    void startEngine()
    {
        scroll = std::make_unique<ScrollManager>();
        tap = std::make_unique<InputTap>();
        tap->onScroll = [s = scroll.get()](Event* e) { return s->handle(e); };
        tap->start(false);
        ASSERT_TRUE(tap->isRunning());
    }

    // The glide thread picks up a new glide on its own time: waits for the hand-over (a few
    // microseconds; the bound only keeps a broken build from hanging). Only a glide runs a
    // link; the one made at launch is paused before it joins the glide thread's run loop.
    bool gliding(uint32_t screen = 1)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (system.runningLinks(screen) == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        return system.runningLinks(screen) > 0;
    }

    // Frames until the link of the screen pauses (or a limit).
    int glide(uint32_t screen = 1, int limit = 2000)
    {
        EXPECT_TRUE(gliding(screen));
        int frames = 0;
        while (system.runningLinks(screen) > 0 && frames < limit) {
            system.stepFrames(screen);
            ++frames;
        }
        return frames;
    }

    static double sum(const std::vector<Event>& events, Field field, size_t from = 0)
    {
        double total = 0;
        for (size_t i = from; i < events.size(); ++i)
            total += events[i].doubleField(field);
        return total;
    }
};

// The glide of one notch worked out by hand: target `target` points, `rate` frames per second,
// wheel idle from the first frame on. Returns the point deltas posted, start and end events
// included as zeros.
std::vector<double> expectedGlide(double target, double rate, double smoothness = 0.915)
{
    const double k = 1 - smoothness;
    const double start = platform::clock::now();
    double t = start, current = 0, filtered = 0;
    bool ended = false;
    std::optional<double> stopAt;
    std::vector<double> posted{0}; // the gesture's first event
    for (int frame = 0; frame < 5000; ++frame) {
        t += 1.0 / rate;
        const double inc = (target - current) * k;
        current += inc;
        const double prev = filtered;
        filtered = prev + (inc - prev) * 0.23;
        if (!ended && t - start > 0.18) {
            ended = true;
            stopAt = t + 0.04;
            posted.push_back(0);
        }
        if (std::fabs(prev) > 1)
            posted.push_back(prev);
        if (std::fabs(prev) <= 1 && ended && std::fabs(target - current) <= 1 && *stopAt <= t)
            break;
    }
    return posted;
}

TEST_F(ScrollTest, EventsThatAreNotSmoothedPassWithOnlyReversalApplied)
{
    startEngine();
    const struct {
        const char* name;
        bool smooth;
        bool reverse;
        Event event;
        bool negated;
    } cases[] = {
        {"trackpad, both on", true, true, sim::trackpadEvent(14.5, -3), false},
        {"trackpad, reverse only", false, true, sim::trackpadEvent(14.5, -3), false},
        {"zero deltas, both on", true, true, sim::wheelEvent(0, 0), false},
        {"both off", false, false, sim::wheelEvent(2, -1), false},
        {"reverse only", false, true, sim::wheelEvent(2, -1), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        scroll->setSmoothEnabled(c.smooth);
        scroll->setReverseEnabled(c.reverse);
        const auto delivered = system.deliver(c.event);
        ASSERT_TRUE(delivered);
        const double sign = c.negated ? -1 : 1;
        for (Field f : {Field::lineDeltaY, Field::lineDeltaX, Field::fixedDeltaY, Field::fixedDeltaX,
                        Field::pointDeltaY, Field::pointDeltaX})
            EXPECT_EQ(delivered->doubleField(f), sign * c.event.doubleField(f)) << "field " << uint32_t(f);
        EXPECT_EQ(system.postedTotal(), 0);
        EXPECT_EQ(system.runningLinks(1), 0);
    }
}

TEST_F(ScrollTest, NotchBecomesMarkedContinuousGlideToTheTargetProcessEndingOnItsOwn)
{
    startEngine();
    const std::vector<double> expected = expectedGlide(-90.72, 120); // reversed notch up
    EXPECT_FALSE(system.deliver(sim::wheelEvent(1))) << "the notch itself is swallowed";
    ASSERT_EQ(system.posted(kSafari).size(), 1u) << "a new gesture starts with an empty event";

    const int frames = glide();
    const auto posted = system.posted(kSafari);
    ASSERT_EQ(posted.size(), expected.size());
    for (size_t i = 0; i < posted.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(posted[i].doubleField(Field::pointDeltaY), expected[i], 1e-9);
        EXPECT_EQ(posted[i].doubleField(Field::pointDeltaX), 0);
        EXPECT_EQ(posted[i].integerField(Field::sourceUserData), kSyntheticMark);
        EXPECT_EQ(posted[i].integerField(Field::isContinuous), 1);
        EXPECT_EQ(posted[i].integerField(Field::targetPid), kSafari);
        EXPECT_EQ(posted[i].integerField(Field::lineDeltaY), -1) << "cloned from the reversed notch";
        EXPECT_NE(posted[i].integerField(Field::scrollPhase), kScrollPhaseEnded) << "only one bundle gets an end";
    }
    const double total = sum(posted, Field::pointDeltaY);
    EXPECT_LT(total, -75);
    EXPECT_GT(total, -90.72);
    EXPECT_LT(frames, 2000) << "the glide stops";
    EXPECT_EQ(system.links(1), 1) << "the link stays, paused";

    system.stepFrames(1, 30);
    EXPECT_EQ(system.posted(kSafari).size(), posted.size()) << "nothing after the stop";
}

TEST_F(ScrollTest, GlideInChromeEndsWithAPhaseEndedEvent)
{
    system.setPointerTarget(kChrome);
    startEngine();
    system.deliver(sim::wheelEvent(-1));
    glide();
    const auto posted = system.posted(kChrome);
    ASSERT_GE(posted.size(), 3u);
    EXPECT_GT(sum(posted, Field::pointDeltaY), 75) << "reversed notch down scrolls up";
    const Event& end = posted.back();
    EXPECT_EQ(end.integerField(Field::scrollPhase), kScrollPhaseEnded);
    EXPECT_EQ(end.integerField(Field::momentumPhase), 0);
    EXPECT_EQ(end.doubleField(Field::pointDeltaY), 0);
    EXPECT_EQ(end.doubleField(Field::pointDeltaX), 0);
    EXPECT_EQ(end.integerField(Field::sourceUserData), kSyntheticMark);
    EXPECT_EQ(end.integerField(Field::isContinuous), 1);
    for (size_t i = 0; i + 1 < posted.size(); ++i)
        EXPECT_NE(posted[i].integerField(Field::scrollPhase), kScrollPhaseEnded);
}

TEST_F(ScrollTest, SecondNotchMidGlideAddsOrRestartsItsAxis)
{
    startEngine();
    scroll->setReverseEnabled(false);
    const struct {
        const char* name;
        int linesY, linesX;
        // Points posted for the whole gesture. The first notch has travelled 37.5 points
        // (1 - 0.915^6 of 90.72) when the second one comes.
        double minY, maxY;
        double minX, maxX;
    } cases[] = {
        {"same direction adds", 1, 0, 170, 181.44, 0, 0},
        {"opposite direction restarts", -1, 0, -53.3, -35, 0, 0},
        {"other axis cancels this one", 0, 1, 30, 37.6, 75, 90.72},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        system.clearRecords();
        system.deliver(sim::wheelEvent(1));
        ASSERT_TRUE(gliding(1));
        system.stepFrames(1, 6); // 50 ms into the glide
        const size_t before = system.posted(kSafari).size();
        const double firstY = sum(system.posted(kSafari), Field::pointDeltaY);
        EXPECT_GT(firstY, 5);
        system.deliver(sim::wheelEvent(c.linesY, c.linesX));
        EXPECT_EQ(system.posted(kSafari).size(), before) << "no new gesture within 0.45 s";
        glide();
        const auto posted = system.posted(kSafari);
        const double y = sum(posted, Field::pointDeltaY);
        const double x = sum(posted, Field::pointDeltaX);
        EXPECT_GE(y, c.minY);
        EXPECT_LE(y, c.maxY);
        EXPECT_GE(x, c.minX);
        EXPECT_LE(x, c.maxX);
    }
}

TEST_F(ScrollTest, KeepsGlidingWhileTheWheelTurnsAndAGapStartsANewGesture)
{
    startEngine();
    for (int i = 0; i < 10; ++i) { // a notch every 0.1 s for a second
        system.deliver(sim::wheelEvent(1));
        ASSERT_TRUE(gliding(1));
        system.stepFrames(1, 12);
        ASSERT_EQ(system.runningLinks(1), 1) << "still gliding after notch " << i;
    }
    const auto starts = [&] {
        int n = 0;
        for (const auto& e : system.posted(kSafari))
            n += e.doubleField(Field::pointDeltaY) == 0;
        return n;
    };
    EXPECT_EQ(starts(), 1) << "one gesture";
    glide();
    system.stepFrames(1, 1);
    platform::clock::testing::advance(0.5);
    system.deliver(sim::wheelEvent(1));
    // The first gesture's start and wheel-end events, and the second gesture's start.
    EXPECT_EQ(starts(), 3);
}

TEST_F(ScrollTest, WheelEventWithoutTargetBeforeAnyTemplatePassesInsteadOfBeingLost)
{
    system.setPointerTarget(0);
    startEngine();
    const auto delivered = system.deliver(sim::wheelEvent(1));
    ASSERT_TRUE(delivered) << "nothing could be posted in its place";
    EXPECT_EQ(delivered->integerField(Field::lineDeltaY), -1) << "reversed, as the user asked";
    EXPECT_EQ(delivered->doubleField(Field::pointDeltaY), -10);
    EXPECT_EQ(system.postedTotal(), 0);
    EXPECT_EQ(system.runningLinks(1), 0);

    // Once a target exists, the glide takes over as usual.
    system.setPointerTarget(kSafari);
    EXPECT_FALSE(system.deliver(sim::wheelEvent(1)));
    glide();
    EXPECT_LT(sum(system.posted(kSafari), Field::pointDeltaY), -75) << "only the second notch glides";
}

TEST_F(ScrollTest, LinkFollowsTheScreenUnderThePointerAndAdvancesPerFrame)
{
    system.setScreens({{1u, QRectF(0, 0, 1512, 982), 60.0}, {2u, QRectF(1512, 0, 2560, 1440), 144.0}});
    system.setMouseLocation({2000, 500});
    startEngine();
    system.deliver(sim::wheelEvent(1));
    EXPECT_TRUE(gliding(2));
    EXPECT_EQ(system.runningLinks(1), 0);
    const int on144 = glide(2);
    const size_t posted144 = system.posted(kSafari).size();

    system.clearRecords();
    system.setMouseLocation({100, 100});
    system.deliver(sim::wheelEvent(1));
    const int on60 = glide(1);
    EXPECT_EQ(system.links(2), 0) << "the old screen's link is invalidated";
    EXPECT_EQ(on60, on144) << "the glide converges per frame, not per second";
    EXPECT_EQ(system.posted(kSafari).size(), posted144);

    // Pointer outside every screen: the first one.
    system.setMouseLocation({-5000, -5000});
    platform::clock::testing::advance(1);
    system.deliver(sim::wheelEvent(1));
    EXPECT_TRUE(gliding(1));
    glide(1);
}

TEST_F(ScrollTest, WithoutScreensTheGlideResetsAtOnce)
{
    system.setScreens({});
    startEngine();
    EXPECT_FALSE(system.deliver(sim::wheelEvent(1)));
    system.stepFrames(1, 60);
    EXPECT_EQ(system.posted(kSafari).size(), 1u) << "only the gesture's start";
    EXPECT_EQ(system.links(1), 0);
}

TEST_F(ScrollTest, SettingsMigrateOnceAndShowcaseStoresNothing)
{
    auto& store = platform::UserDefaults::standard();
    const struct {
        const char* name;
        bool showcase;
        QVariantMap stored;
        double step, smoothness;
        QVariantMap after;
    } cases[] = {
        {"fresh", false, {}, 90.72, 0.915,
         {{"scroll.step", 90.72}, {"scroll.smoothness", 0.915}, {"scroll.engine4", true}}},
        {"older values", false, {{"scroll.step", 40.0}, {"scroll.smoothness", 0.6}, {"scroll.reverse", false}},
         90.72, 0.915,
         {{"scroll.step", 90.72}, {"scroll.smoothness", 0.915}, {"scroll.engine4", true}, {"scroll.reverse", false}}},
        {"migrated", false, {{"scroll.step", 40.0}, {"scroll.smoothness", 0.6}, {"scroll.engine4", true}}, 40, 0.6,
         {{"scroll.step", 40.0}, {"scroll.smoothness", 0.6}, {"scroll.engine4", true}}},
        {"showcase", true, {}, 90.72, 0.915, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& key : store.persistentDomain().keys())
            store.remove(key);
        for (auto it = c.stored.begin(); it != c.stored.end(); ++it)
            store.set(it.key(), it.value());
        Showcase::setEnabledForTesting(c.showcase);
        ScrollManager m;
        EXPECT_EQ(m.step(), c.step);
        EXPECT_EQ(m.smoothness(), c.smoothness);
        EXPECT_EQ(m.reverseEnabled(), c.stored.value("scroll.reverse", true).toBool());
        EXPECT_EQ(store.persistentDomain(), c.after);

        m.setSmoothEnabled(false);
        EXPECT_EQ(store.object("scroll.smooth").isValid(), !c.showcase);
        EXPECT_FALSE(m.smoothEnabled()) << "works for the run either way";
        Showcase::setEnabledForTesting(false);
    }
}

} // namespace
