// The input thread sits in the path of every wheel event of the session, the glide thread in
// every display frame: what one wheel event costs in the tap callback, for each setting, and
// what one glide frame costs, with the allocations each makes on its thread.
#include "app/InputTap.h"
#include "app/ScrollManager.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/sim/EventSystem.h"
#include "platform/sim/Mac.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <pthread.h>
#include <thread>

using namespace platform::events;

// Allocations counted per thread; the glide thread's are counted where the benchmark can read
// them.
namespace {
thread_local uint64_t tAllocations = 0;
std::atomic<uint64_t> gGlideAllocations{0};

void countAllocation()
{
    ++tAllocations;
    char name[16] = {};
    if (pthread_getname_np(pthread_self(), name, sizeof name) == 0 && std::strcmp(name, "Pelorn.glide") == 0)
        gGlideAllocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

void* operator new(std::size_t size)
{
    countAllocation();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr pid_t kTarget = 700;

Event notch()
{
    Event e = sim::wheelEvent(1);
    e.setIntegerField(Field::targetPid, kTarget);
    return e;
}

void wheelEvent(benchmark::State& state, bool smooth, bool reverse)
{
    ScrollManager scroll;
    scroll.setSmoothEnabled(smooth);
    scroll.setReverseEnabled(reverse);
    InputTap tap;
    tap.onScroll = [&scroll](Event* e) { return scroll.handle(e); };
    const Event sample = notch();

    Event first = sample; // the first event may set things up
    InputTap::inputTapCallback(nullptr, kTypeScrollWheel, &first, &tap);
    const uint64_t before = tAllocations;
    for (auto _ : state) {
        Event e = sample;
        benchmark::DoNotOptimize(InputTap::inputTapCallback(nullptr, kTypeScrollWheel, &e, &tap));
        benchmark::ClobberMemory();
    }
    state.counters["allocs/event"] =
        benchmark::Counter(double(tAllocations - before) / double(state.iterations()));
    sim::EventSystem::shared().settle();
    sim::EventSystem::shared().clearRecords();
}

void BM_WheelEventSmoothAndReverse(benchmark::State& s) { wheelEvent(s, true, true); }
void BM_WheelEventSmooth(benchmark::State& s) { wheelEvent(s, true, false); }
void BM_WheelEventReverse(benchmark::State& s) { wheelEvent(s, false, true); }
void BM_WheelEventBothOff(benchmark::State& s) { wheelEvent(s, false, false); }

// One frame of a glide, timed on the glide thread by the simulated display. With a running
// target the frame includes the stand-in's posting; with a target that quit, posts are dropped
// at once, which leaves the glide's own work.
void glideFrame(benchmark::State& state, pid_t target)
{
    auto& system = sim::EventSystem::shared();
    const auto notch = [target] {
        Event e = sim::wheelEvent(1);
        e.setIntegerField(Field::targetPid, target);
        return e;
    };
    ScrollManager scroll;
    scroll.setSmoothEnabled(true);
    scroll.setReverseEnabled(true);
    Event e = notch();
    scroll.handle(&e);
    const auto waitForGlide = [&] {
        while (system.runningLinks(1) == 0)
            std::this_thread::yield();
    };
    waitForGlide();
    system.stepFrames(1, 2); // the first frames may set things up
    uint64_t allocations = 0;
    int frames = 0;
    for (auto _ : state) {
        if (system.runningLinks(1) == 0) { // glide over: the wheel turns again
            Event again = notch();
            scroll.handle(&again);
            waitForGlide(); // the new glide's link is (re)started on the glide thread
        }
        const uint64_t before = gGlideAllocations.load();
        system.stepFrames(1);
        allocations += gGlideAllocations.load() - before;
        state.SetIterationTime(system.lastFrameSeconds());
        if (++frames % 256 == 0)
            system.clearRecords(); // the simulated process's record of what it received
    }
    state.counters["allocs/frame"] = benchmark::Counter(double(allocations) / double(state.iterations()));
}

// What the stand-in's posting to a process costs the poster, for comparison with a frame
// (which posts once or twice); the event server is idle when each post comes, as in a glide.
void BM_PostToPid(benchmark::State& state)
{
    Event e = notch();
    e.setIntegerField(Field::sourceUserData, 0x5A565441);
    int posts = 0;
    for (auto _ : state) {
        sim::EventSystem::shared().settle();
        const auto start = std::chrono::steady_clock::now();
        postToPid(kTarget, e);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (++posts % 256 == 0)
            sim::EventSystem::shared().clearRecords();
    }
}

void BM_GlideFrame(benchmark::State& s) { glideFrame(s, kTarget); }
void BM_GlideFrameTargetGone(benchmark::State& s) { glideFrame(s, 9999); }

BENCHMARK(BM_WheelEventSmoothAndReverse);
BENCHMARK(BM_WheelEventSmooth);
BENCHMARK(BM_WheelEventReverse);
BENCHMARK(BM_WheelEventBothOff);
BENCHMARK(BM_GlideFrame)->UseManualTime();
BENCHMARK(BM_GlideFrameTargetGone)->UseManualTime();
BENCHMARK(BM_PostToPid)->UseManualTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    platform::paths::setSimRoot(root.path());
    platform::log::setQuiet(true);
    platform::UserDefaults::standard().reload();
    platform::clock::testing::useVirtual();
    sim::Mac::shared().install(sim::Desk::fromEnvironment().value());
    sim::EventSystem::shared().setApplication(kTarget, "com.apple.Safari");

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
