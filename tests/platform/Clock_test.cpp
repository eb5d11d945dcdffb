#include "platform/Clock.h"

#include "platform/DispatchQueue.h"
#include "support/SimTest.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

class ClockTest : public SimTest {};

TEST_F(ClockTest, VirtualTimersFireInOrderOnlyWhenAdvanced)
{
    std::vector<std::pair<int, double>> fired;
    platform::Timer a, b, repeat;
    const double t0 = platform::clock::now();
    a.start(1.0, [&] { fired.push_back({1, platform::clock::now() - t0}); });
    b.start(0.5, [&] { fired.push_back({2, platform::clock::now() - t0}); });
    repeat.start(0.4, [&] { fired.push_back({3, platform::clock::now() - t0}); }, true);
    platform::clock::sleep(0.0);
    EXPECT_TRUE(fired.empty());
    advance(1.0);
    const std::vector<std::pair<int, double>> expected{{3, 0.4}, {2, 0.5}, {3, 0.8}, {1, 1.0}};
    ASSERT_EQ(fired.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fired[i].first, expected[i].first);
        EXPECT_NEAR(fired[i].second, expected[i].second, 1e-9);
    }
    EXPECT_FALSE(a.isActive());
    EXPECT_TRUE(repeat.isActive());
    repeat.stop();
    EXPECT_EQ(platform::clock::testing::activeTimers(), 0);
}

TEST_F(ClockTest, RestartingDebouncesAndSleepMovesTime)
{
    int fired = 0;
    platform::Timer debounce;
    for (int i = 0; i < 5; ++i) {
        debounce.start(1.0, [&] { ++fired; });
        advance(0.5);
    }
    EXPECT_EQ(fired, 0);
    advance(1.0);
    EXPECT_EQ(fired, 1);

    const double before = platform::clock::now();
    platform::SerialQueue queue("pelorn.test");
    queue.sync([] { platform::clock::sleep(0.05); });
    EXPECT_NEAR(platform::clock::now() - before, 0.05, 1e-9);
}

TEST_F(ClockTest, SerialQueueRunsInOrderAndHopsToMain)
{
    platform::SerialQueue queue("pelorn.order");
    std::vector<int> seen;
    std::vector<int> onMain;
    for (int i = 0; i < 100; ++i)
        queue.async([&, i] {
            seen.push_back(i);
            if (i % 10 == 0)
                platform::mainQueue::async([&, i] { onMain.push_back(i); });
        });
    queue.drain();
    ASSERT_EQ(seen.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(seen[i], i);
    processEvents();
    EXPECT_EQ(onMain, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90}));
    // A queue waiting for the main thread gets its answer while the main loop runs.
    std::atomic<int> ranOnMain{0};
    queue.async([&] { platform::mainQueue::sync([&] { ranOnMain = platform::mainQueue::isCurrent() ? 1 : 2; }); });
    for (int i = 0; i < 1000 && ranOnMain == 0; ++i) {
        processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    queue.drain();
    EXPECT_EQ(ranOnMain, 1);
}

} // namespace
