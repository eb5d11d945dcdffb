// The battery history charts with a full day of samples (1,440, one a minute): what one chart
// card costs to paint from scratch at its size in the three-column section, what a pointer move
// over the plot costs (the event and the card's repaint, the header's new value included), and
// what a new sample costs the whole section. Painted at 2x, as on a Retina display; a 120 Hz
// frame is 8.3 ms.
#include "QtBenchmarkMain.h"
#include "battery/HistoryChart.h"
#include "battery/HistorySection.h"
#include "design/Card.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "showcase/Showcase.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr double kStart = 1'699'999'200;
constexpr QSize kSection(960, 232); // three cards of 312 x 232

std::vector<BatterySample> day(int n)
{
    std::vector<BatterySample> out;
    for (int i = 0; i < n; ++i)
        out.push_back({kStart + 60.0 * i, 90 - (i / 10) % 80, 31 + std::sin(i / 40.0), 9 + 3 * std::sin(i / 90.0)});
    return out;
}

struct PaintCounter : QObject {
    explicit PaintCounter(int& count) : count(count) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        count += e->type() == QEvent::Paint;
        return false;
    }
    int& count;
};

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<HistorySection> section;
    QImage image;

    Fixture()
    {
        platform::paths::setSimRoot(dir.path());
        platform::UserDefaults::standard().reload();
        Showcase::setEnabledForTesting(false);
        section = std::make_unique<HistorySection>(day(1440), 80);
        section->setAttribute(Qt::WA_DontShowOnScreen);
        section->resize(kSection);
        section->show();
        QCoreApplication::processEvents();
        const QSize card = section->levelChart()->size();
        image = QImage(card * 2, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
    }
    void paint(QWidget* w)
    {
        image.fill(Qt::transparent);
        w->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    }
};

void ChartPaint(benchmark::State& state)
{
    Fixture f;
    HistoryChart* chart = f.section->levelChart();
    for (auto _ : state) {
        chart->plot()->invalidate(); // nothing kept from the last paint
        f.paint(chart);
    }
    state.counters["card_w"] = chart->width();
    state.counters["card_h"] = chart->height();
    state.counters["points"] = double(chart->points().size());
}
BENCHMARK(ChartPaint)->Unit(benchmark::kMillisecond);

// The plot alone from scratch: the chart's own drawing, without the card's glass.
void PlotPaint(benchmark::State& state)
{
    Fixture f;
    HistoryPlot* plot = f.section->levelChart()->plot();
    for (auto _ : state) {
        plot->invalidate();
        f.paint(plot);
    }
}
BENCHMARK(PlotPaint)->Unit(benchmark::kMillisecond);

// For comparison: an empty card of the same size, the glass alone.
void CardBackground(benchmark::State& state)
{
    Fixture f;
    Card card(14);
    card.resize(f.section->levelChart()->size());
    for (auto _ : state)
        f.paint(&card);
}
BENCHMARK(CardBackground)->Unit(benchmark::kMillisecond);

// A pointer move as the window sees it: the move event, then the repaint of what it dirtied
// (the strips of the old and new rule, the header's value and time, the card's glass under
// them), through the window's own backing store.
void PointerMove(benchmark::State& state)
{
    Fixture f;
    f.section->hide();
    f.section->setAttribute(Qt::WA_DontShowOnScreen, false);
    f.section->show();
    QCoreApplication::processEvents();
    HistoryChart* chart = f.section->levelChart();
    HistoryPlot* plot = chart->plot();
    int paints = 0;
    PaintCounter counter(paints);
    plot->installEventFilter(&counter);
    const auto m = plot->mapping();
    int i = 0;
    for (auto _ : state) {
        // Sweep across the plot a point at a time, so every move selects another sample.
        const double x = m.plot.left() + std::fmod(i++ * 1.3, m.plot.width());
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 60), plot->mapToGlobal(QPointF(x, 60)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(plot, &move);
        QCoreApplication::processEvents();
    }
    if (plot->stillPaints() != 1)
        state.SkipWithError("a pointer move painted the still part again");
    if (paints < int(state.iterations()) / 2)
        state.SkipWithError("the moves were not painted");
    state.counters["dpr"] = plot->devicePixelRatioF();
}
BENCHMARK(PointerMove)->Unit(benchmark::kMicrosecond);

void NewSample(benchmark::State& state)
{
    Fixture f;
    auto samples = day(1440);
    QImage image(kSection * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    for (auto _ : state) {
        // A minute on: the oldest sample leaves the window and a new one arrives.
        BatterySample next = samples.back();
        next.date += 60;
        samples.erase(samples.begin());
        samples.push_back(next);
        f.section->setContent(samples, 80);
        image.fill(Qt::transparent);
        f.section->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    }
}
BENCHMARK(NewSample)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2"); // windows at 2x, as on a Retina display
    return runQtBenchmarks(argc, argv);
}
