// The per-application list with 20 applications on the simulated desk: what one sync of the
// list costs the main thread when nothing changed (the 3 s poll while the list is shown), when
// one application started or stopped playing, and when all rows are made (the list opens);
// and what one move of a row's volume slider costs from the pointer to the stored setting,
// with and without the settings store; and what one write of the store's file costs its writer
// thread, which a drag pays a few times a second rather than on every move.
// Figures in microseconds; a 120 Hz frame is 8333 us.
#include "QtBenchmarkMain.h"
#include "app/Prefs.h"
#include "audio/AppAudioList.h"
#include "audio/AppAudioManager.h"
#include "audio/AudioManager.h"
#include "bridge/Bridge.h"
#include "design/Sliders.h"
#include "display/DisplayManager.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Mac.h"
#include "platform/sim/SimAudio.h"
#include "showcase/Showcase.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kApps = 20;

// The default desk's two applications and 18 more, every other one playing, each with two
// process objects; "show all" on, so every application has a row.
struct Desk {
    QTemporaryDir root;
    std::unique_ptr<DisplayManager> display;
    std::unique_ptr<AudioManager> audio;
    std::unique_ptr<AppAudioManager> apps;

    Desk()
    {
        platform::paths::setSimRoot(root.path());
        platform::clock::testing::useVirtual();
        platform::UserDefaults::standard().reload();
        Showcase::setEnabledForTesting(false);
        sim::Mac::shared().install(sim::Desk::parse(sim::Desk::defaultJson()).value());
        sim::AudioSystem& sys = sim::AudioSystem::shared();
        const char* colours[] = {"#ff3b30", "#34c759", "#007aff", "#ff9500", "#af52de"};
        for (int i = 0; i < kApps - 2; ++i) {
            const int32_t pid = 1000 + i;
            sys.addApp({pid, QString("org.example.app%1").arg(i), QString("Uygulama %1").arg(i), "regular",
                        colours[i % 5]});
            sys.addProcess({uint32_t(2000 + 2 * i), pid, 0, i % 2 == 0, 0.3}, false);
            sys.addProcess({uint32_t(2001 + 2 * i), pid + 500, pid, false, 0.3}, false);
        }
        Prefs::set(AppAudioList::kShowAllKey, true);
        bridge_forget_cached_clients();
        display = std::make_unique<DisplayManager>();
        audio = std::make_unique<AudioManager>(*display);
        apps = std::make_unique<AppAudioManager>(*audio);
        QCoreApplication::processEvents();
    }
    ~Desk()
    {
        apps.reset();
        audio.reset();
        AudioManager::waitForBackgroundStops();
        display.reset();
        platform::UserDefaults::standard().flush(); // before the root goes
    }
};

std::unique_ptr<AppAudioList> shownList(Desk& desk)
{
    auto list = std::make_unique<AppAudioList>(*desk.audio, *desk.apps, true);
    list->setAttribute(Qt::WA_DontShowOnScreen);
    list->resize(360, 1200);
    list->show();
    QCoreApplication::processEvents();
    return list;
}

void syncUnchanged(benchmark::State& state)
{
    Desk desk;
    auto list = shownList(desk);
    if (list->rowCount() != kApps)
        state.SkipWithError("not every application has a row");
    for (auto _ : state)
        list->sync();
}

void syncOneApplicationChanged(benchmark::State& state)
{
    Desk desk;
    auto list = shownList(desk);
    bool playing = false;
    for (auto _ : state) {
        state.PauseTiming();
        sim::AudioSystem::shared().setPlaying(2002, playing = !playing); // a silent application
        desk.apps->refresh(); // the poll's reading, outside the view
        state.ResumeTiming();
        list->sync();
    }
}

// The list as it opens: made with its 20 rows by its first sync.
void syncAllRowsMade(benchmark::State& state)
{
    Desk desk;
    for (auto _ : state) {
        auto list = std::make_unique<AppAudioList>(*desk.audio, *desk.apps, false);
        benchmark::DoNotOptimize(list.get());
        state.PauseTiming();
        list.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

void sliderMove(benchmark::State& state)
{
    Desk desk;
    auto list = shownList(desk);
    MiniSlider* slider = list->row(1000)->slider();
    const QPointF start(slider->width() / 2.0, slider->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, start, slider->mapToGlobal(start), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(slider, &press);
    qreal x = 20;
    // With the argument 1 nothing is written to the settings store (as in the showcase mode),
    // which tells the store's share of a move.
    if (state.range(0))
        Showcase::setEnabledForTesting(true);
    for (auto _ : state) {
        x = x > slider->width() - 20 ? 20 : x + 3;
        const QPointF at(x, start.y());
        QMouseEvent move(QEvent::MouseMove, at, slider->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(slider, &move);
        QCoreApplication::processEvents(); // the queued sync of the list
    }
}

} // namespace

BENCHMARK(syncUnchanged)->Unit(benchmark::kMicrosecond);
BENCHMARK(syncOneApplicationChanged)->Unit(benchmark::kMicrosecond);
BENCHMARK(syncAllRowsMade)->Unit(benchmark::kMicrosecond);
// The file as a drag leaves it (20 applications' settings and the scalar settings), written.
void storeWrite(benchmark::State& state)
{
    Desk desk;
    for (const AudioApp& app : std::vector<AudioApp>(desk.apps->apps()))
        desk.apps->setVolume(0.4, app);
    auto& store = platform::UserDefaults::standard();
    double step = 5;
    for (auto _ : state) {
        store.set("audio.step", step = step == 5 ? 6 : 5);
        store.flush();
    }
}

BENCHMARK(sliderMove)->ArgName("store_skipped")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(storeWrite)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    platform::log::setQuiet(true);
    const int rc = runQtBenchmarks(argc, argv);
    platform::clock::testing::useReal();
    return rc;
}
