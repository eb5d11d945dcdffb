// The arrangement editor on the default desk (the built-in display and two monitors, each
// with its desktop picture): what one sync of the card costs, and how long the canvas takes
// to paint at 400 x 230 while a tile is dragged, against a 120 Hz frame (8.3 ms).
#include "design/Spring.h"
#include "display/ArrangementCanvas.h"
#include "display/DisplayArrangement.h"
#include "display/DisplayManager.h"
#include "display/Wallpaper.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/sim/Mac.h"
#include "showcase/Showcase.h"
#include "QtBenchmarkMain.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

struct Desk {
    QTemporaryDir dir;
    std::unique_ptr<DisplayManager> manager;

    Desk()
    {
        platform::paths::setSimRoot(dir.path());
        platform::UserDefaults::standard().reload();
        Showcase::setEnabledForTesting(false);
        sim::Mac::shared().install(sim::Desk::parse(sim::Desk::defaultJson()).value());
        manager = std::make_unique<DisplayManager>();
        settle();
    }
    void settle()
    {
        for (int i = 0; i < 4; ++i) {
            manager->ddcQueue().drain();
            Wallpaper::decoder().waitForDone();
            QCoreApplication::processEvents();
        }
    }
};

void ArrangementSync(benchmark::State& state)
{
    Desk desk;
    DisplayArrangementCard card(*desk.manager);
    card.resize(400, card.heightForWidth(400));
    desk.settle();
    if (card.canvas()->frames().size() != 3)
        state.SkipWithError("expected three displays");
    for (auto _ : state)
        card.sync();
}
BENCHMARK(ArrangementSync)->Unit(benchmark::kMicrosecond);

void CanvasPaintDuringDrag(benchmark::State& state)
{
    Desk desk;
    const qreal dpr = qreal(state.range(0));
    ArrangementCanvas canvas;
    canvas.setAttribute(Qt::WA_DontShowOnScreen);
    canvas.resize(400, int(ArrangementCanvas::kHeight));
    canvas.show();
    canvas.setFrames(desk.manager->screenFrames(), 2);
    desk.settle();
    if (canvas.picture(2).isNull())
        state.SkipWithError("the desktop picture was not decoded");

    const QPoint from = canvas.tileBox(2)->center().toPoint();
    QTest::mousePress(&canvas, Qt::LeftButton, {}, from);
    QTest::mouseMove(&canvas, from + QPoint(10, 0));
    if (!canvas.dragging())
        state.SkipWithError("the drag did not start");

    QImage frame((QSizeF(canvas.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(dpr);
    int step = 0;
    std::chrono::nanoseconds wall{0};
    for (auto _ : state) {
        state.PauseTiming();
        QTest::mouseMove(&canvas, from + QPoint(10 + step % 60, step % 25));
        ++step;
        frame.fill(Qt::transparent);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        canvas.render(&frame);
        wall += std::chrono::steady_clock::now() - t0;
    }
    state.counters["render_wall_us"] = std::chrono::duration<double, std::micro>(wall).count() / double(state.iterations());
    QTest::mouseRelease(&canvas, Qt::LeftButton, {}, from);
}
BENCHMARK(CanvasPaintDuringDrag)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    Spring::setAnimationsEnabled(false);
    return runQtBenchmarks(argc, argv);
}
