// A slider-like burst of brightness changes into the DDC write queue against a simulated
// monitor on the real clock: how many bus writes it makes, how long after the last change
// its write starts, and what each change costs the main thread.
#include "display/DisplayManager.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Mac.h"
#include "showcase/Showcase.h"
#include "QtBenchmarkMain.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

void SliderBurst(benchmark::State& state)
{
    QTemporaryDir dir;
    platform::paths::setSimRoot(dir.path());
    platform::UserDefaults::standard().reload();
    Showcase::setEnabledForTesting(false);
    sim::Mac::shared().install(sim::Desk::parse(sim::Desk::defaultJson()).value());
    const int changes = int(state.range(0));

    double writes = 0, lagMs = 0, perChangeUs = 0;
    for (auto _ : state) {
        DisplayManager manager;
        for (int i = 0; i < 4; ++i) { // the first reads and the capabilities string
            manager.ddcQueue().drain();
            QCoreApplication::processEvents();
        }
        auto monitor = sim::Mac::shared().displays().monitor(manager.selectedID());
        monitor->clearTransfers();
        // Start times of the Set VCP messages for brightness (each is sent twice).
        std::atomic<int> lastValue{-1};
        std::atomic<double> lastStart{0};
        monitor->setWriteObserver([&](const sim::Transfer& t) {
            if (t.bytes.size() == 6 && uint8_t(t.bytes[2]) == 0x10) {
                const int v = uint8_t(t.bytes[4]);
                if (v != lastValue.exchange(v))
                    lastStart = t.time - 0.010; // the write starts with its 10 ms pause
            }
        });

        double lastChange = 0;
        std::chrono::nanoseconds cost{0};
        const auto begin = std::chrono::steady_clock::now();
        for (int i = 0; i < changes; ++i) {
            // A fast drag delivers a value about every millisecond.
            std::this_thread::sleep_until(begin + std::chrono::milliseconds(i));
            const auto t0 = std::chrono::steady_clock::now();
            manager.setBrightness(20 + 60.0 * i / (changes - 1), false);
            cost += std::chrono::steady_clock::now() - t0;
            lastChange = platform::clock::now();
        }
        manager.ddcQueue().drain();
        monitor->setWriteObserver(nullptr);

        int messages = 0;
        for (const auto& t : monitor->transfers())
            if (t.write && t.bytes.size() == 6 && uint8_t(t.bytes[2]) == 0x10)
                ++messages;
        writes = messages / 2.0;
        lagMs = std::max(0.0, lastStart - lastChange) * 1000.0;
        perChangeUs = std::chrono::duration<double, std::micro>(cost).count() / changes;
        if (lastValue != 80)
            state.SkipWithError("the last value was not written");
    }
    state.counters["bus_writes"] = writes;
    state.counters["last_change_to_write_ms"] = lagMs;
    state.counters["main_thread_us_per_change"] = perChangeUs;
}

BENCHMARK(SliderBurst)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks(argc, argv);
}
