#include "battery/HistoryChart.h"
#include "battery/HistorySection.h"

#include "app/Prefs.h"
#include "app/Texts.h"
#include "design/DesignTest.h"
#include "design/TextLine.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMouseEvent>
#include <cmath>

namespace {

using Sample = BatterySample;
using historychart::Point;
using historychart::Range;

constexpr double kStart = 1'699'999'200; // on the hour (UTC)

// One sample a minute: the level falls from 90 by a point every ten minutes, the temperature
// wanders around 31 °C and the power draw around 9 W.
std::vector<Sample> day(size_t n, bool temperature = true)
{
    std::vector<Sample> out;
    for (size_t i = 0; i < n; ++i) {
        Sample s;
        s.date = kStart + 60.0 * double(i);
        s.percent = 90 - int(i / 10) % 80;
        if (temperature)
            s.temperature = 31 + std::sin(double(i) / 40.0);
        s.systemLoad = 9 + 3 * std::sin(double(i) / 90.0);
        out.push_back(s);
    }
    return out;
}

class HistoryChartTest : public DesignTest {
protected:
    static void moveTo(HistoryPlot* plot, const QPointF& pos)
    {
        QMouseEvent move(QEvent::MouseMove, pos, plot->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(plot, &move);
    }
    static void leave(HistoryPlot* plot)
    {
        QEvent e(QEvent::Leave);
        QCoreApplication::sendEvent(plot, &e);
    }
};

TEST_F(HistoryChartTest, ThinningKeepsAFewHundredPointsAndAlwaysTheNewest)
{
    const struct {
        size_t n;
        size_t drawn;
    } cases[] = {
        {0, 0}, {1, 1}, {479, 479},
        {480, 241},  // step 2: positions 0 ... 478 and the newest
        {481, 241},  // step 2 reaches the newest itself
        {719, 360},  // the most the thinning keeps
        {1440, 241}, // a full day: step 6, 0 ... 1434, and the newest
        {1441, 241},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        const auto samples = day(c.n);
        const auto drawn = HistorySection::points(samples);
        ASSERT_EQ(drawn.size(), c.drawn);
        if (c.n == 0)
            continue;
        EXPECT_EQ(drawn.front(), samples.front());
        EXPECT_EQ(drawn.back(), samples.back());
        if (c.n >= HistorySection::kThinFrom) {
            const size_t step = c.n / HistorySection::kThinTo;
            EXPECT_EQ(drawn[1], samples[step]);
        }
    }
}

TEST_F(HistoryChartTest, AutomaticRangesAndTheNearestPoint)
{
    auto flat = [](std::initializer_list<double> values) {
        std::vector<Point> out;
        double t = kStart;
        for (double v : values)
            out.push_back({t += 60, v});
        return out;
    };
    EXPECT_EQ(historychart::autoDomain(flat({5.0, 5.0, 5.0})), (Range{4.0, 6.0}));
    EXPECT_EQ(historychart::autoDomain(flat({20, 35, 40})), (Range{16, 44}));
    EXPECT_EQ(historychart::autoDomain({}), (Range{-1, 2}));

    const auto pts = flat({1, 2, 3}); // at +60, +120, +180
    EXPECT_EQ(historychart::nearest(pts, kStart + 90)->value, 1) << "exactly between: the earlier one";
    EXPECT_EQ(historychart::nearest(pts, kStart + 91)->value, 2);
    EXPECT_EQ(historychart::nearest(pts, kStart - 1000)->value, 1);
    EXPECT_EQ(historychart::nearest(pts, kStart + 1000)->value, 3);
    EXPECT_FALSE(historychart::nearest({}, kStart));

    // The level chart keeps 0 ... 100 whatever the values; the others follow their data.
    HistorySection section(day(30), 80);
    EXPECT_EQ(section.levelChart()->yDomain(), (Range{0, 100}));
    std::vector<Sample> steady = day(30);
    for (Sample& s : steady)
        s.systemLoad = 5.0;
    HistorySection still(steady, 80);
    EXPECT_EQ(still.powerChart()->yDomain(), (Range{4, 6}));
}

TEST_F(HistoryChartTest, MarksAreRoundAndAboutFourInTimeAndThreeInValue)
{
    // A full day starting on the hour: marks every six hours.
    const auto marks = historychart::timeMarks(kStart, kStart + 86340, 0);
    ASSERT_GE(marks.size(), 3u);
    ASSERT_LE(marks.size(), 5u);
    for (double m : marks)
        EXPECT_EQ(std::fmod(m, 6 * 3600), 0) << m;
    // Ten minutes in a zone an hour and a half east of UTC: marks on whole local minutes.
    const auto shortRange = historychart::timeMarks(kStart + 30, kStart + 630, 5400);
    ASSERT_GE(shortRange.size(), 3u);
    ASSERT_LE(shortRange.size(), 5u);
    for (double m : shortRange)
        EXPECT_EQ(std::fmod(m + 5400, 60), 0);
    EXPECT_TRUE(historychart::timeMarks(kStart, kStart, 0).empty());

    const struct {
        Range range;
        std::vector<double> marks;
    } values[] = {
        {{0, 100}, {0, 50, 100}},
        {{4, 6}, {4, 5, 6}},
        {{16, 44}, {20, 30, 40}},
        {{29.2, 32.8}, {30, 31, 32}},
    };
    for (const auto& c : values)
        EXPECT_EQ(historychart::valueMarks(c.range), c.marks) << c.range.lo << " ... " << c.range.hi;
}

TEST_F(HistoryChartTest, MappingGuardsAZeroWidthTimeRange)
{
    const historychart::Mapping m(QRectF(0, 0, 200, 100), Range{kStart, kStart}, Range{0, 100});
    const QPointF p = m.map(kStart, 50);
    EXPECT_DOUBLE_EQ(p.x(), 100);
    EXPECT_DOUBLE_EQ(p.y(), 50);
    EXPECT_TRUE(std::isfinite(m.dateAt(30)));

    // Samples that all share one date still draw, as one vertical stroke in the middle.
    std::vector<Sample> same = day(3);
    for (Sample& s : same)
        s.date = kStart;
    HistorySection section(same, 80);
    const QImage img = render(section.levelChart(), {320, 230}, 1);
    EXPECT_FALSE(img.isNull());
    EXPECT_TRUE(section.levelChart()->plot()->showsChart());
}

TEST_F(HistoryChartTest, PointingShowsTheValueAndTimeUnderThePointer)
{
    HistorySection section(day(120), 80);
    HistoryChart* level = section.levelChart();
    render(level, {320, 230}, 1);
    EXPECT_EQ(level->valueLine()->text(), "%79") << "the latest level";
    EXPECT_FALSE(level->symbolView()->isHidden());

    HistoryPlot* plot = level->plot();
    const historychart::Mapping m = plot->mapping();
    const double date = kStart + 60 * 30; // the 31st sample, at 87 %
    moveTo(plot, m.map(date + 20, 0)); // nearer to it than to the next one
    EXPECT_EQ(level->selectedPoint(), (Point{date, 87}));
    EXPECT_EQ(level->valueLine()->text(), "%87");
    EXPECT_FALSE(level->timeLine()->isHidden());
    EXPECT_TRUE(level->symbolView()->isHidden());
    EXPECT_EQ(level->timeLine()->text(), HistoryChart::timeText(date));
    EXPECT_EQ(level->timeLine()->text(), Locale::ui().toString(QDateTime::fromSecsSinceEpoch(qint64(date)).time(),
                                                                 QLocale::ShortFormat));

    // The power chart formats the pointed value with one decimal in the interface locale.
    HistoryChart* power = section.powerChart();
    render(power, {320, 230}, 1);
    moveTo(power->plot(), power->plot()->mapping().map(date, 0));
    EXPECT_EQ(power->valueLine()->text(), Locale::ui().toString(day(120)[30].systemLoad, 'f', 1) + " W");

    // Pointing past the plot or leaving it brings the latest value back.
    moveTo(plot, QPointF(m.plot.right() + 3, 40));
    EXPECT_FALSE(level->selectedPoint());
    moveTo(plot, m.map(date, 0));
    leave(plot);
    EXPECT_FALSE(level->selectedPoint());
    EXPECT_EQ(level->valueLine()->text(), "%79");
    EXPECT_FALSE(level->symbolView()->isHidden());
}

TEST_F(HistoryChartTest, LimitLineAtEightyAndNoneAtAHundred)
{
    const auto samples = day(120);
    HistorySection limited(samples, 80);
    ASSERT_TRUE(limited.levelChart()->reference());
    EXPECT_EQ(limited.levelChart()->reference()->value, 80);
    EXPECT_EQ(limited.levelChart()->reference()->label, "Sınır %80");
    EXPECT_FALSE(limited.temperatureChart()->reference());

    HistorySection free(samples, 100);
    EXPECT_FALSE(free.levelChart()->reference());

    // The dashed line shows where 80 lies, and only there.
    for (bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        limited.setPalette(Theme::appearancePalette(dark));
        free.setPalette(Theme::appearancePalette(dark));
        const QImage with = render(&limited, {960, 240}, 2);
        const QImage without = render(&free, {960, 240}, 2);
        HistoryPlot* plot = limited.levelChart()->plot();
        const auto m = plot->mapping();
        const QPointF origin = plot->mapTo(&limited, QPoint(0, 0));
        const qreal y = origin.y() + m.map(kStart, 80).y();
        int differing = 0;
        for (qreal x = origin.x() + m.plot.left() + 60; x < origin.x() + m.plot.right(); x += 1)
            differing += distance(at(with, x, y), at(without, x, y)) > 20;
        EXPECT_GT(differing, 40) << "about half of the line is dashes";
        EXPECT_LT(differing, int(m.plot.width()) - 100);
        int label = 0; // "Sınır %80" above the line, at its left end
        for (qreal ly = y - 14; ly < y - 2; ly += 0.5)
            for (qreal lx = origin.x() + m.plot.left(); lx < origin.x() + m.plot.left() + 40; lx += 0.5)
                label += distance(at(with, lx, ly), at(without, lx, ly)) > 60;
        EXPECT_GT(label, 20);
    }
}

TEST_F(HistoryChartTest, EmptyStates)
{
    const QString dash = QString(QChar(0x2013));
    HistorySection none({}, 80);
    for (HistoryChart* c : {none.levelChart(), none.temperatureChart(), none.powerChart()}) {
        EXPECT_EQ(c->valueLine()->text(), dash);
        EXPECT_FALSE(c->plot()->showsChart());
    }

    // One sample: its values in the headers, but a chart needs two points.
    Sample one{kStart, 64, 30.25, 7.5};
    HistorySection single({one}, 80);
    EXPECT_EQ(single.levelChart()->valueLine()->text(), "%64");
    EXPECT_EQ(single.temperatureChart()->valueLine()->text(), Locale::ui().toString(30.25, 'f', 1) + " °C");
    EXPECT_EQ(single.powerChart()->valueLine()->text(), Locale::ui().toString(7.5, 'f', 1) + " W");
    EXPECT_FALSE(single.levelChart()->plot()->showsChart());

    // No temperatures: that chart alone stays empty, and its header has no value.
    HistorySection cold(day(60, false), 80);
    EXPECT_TRUE(cold.levelChart()->plot()->showsChart());
    EXPECT_TRUE(cold.powerChart()->plot()->showsChart());
    EXPECT_FALSE(cold.temperatureChart()->plot()->showsChart());
    EXPECT_EQ(cold.temperatureChart()->valueLine()->text(), dash);
    EXPECT_TRUE(cold.temperatureChart()->points().empty());
    // Pointing into an empty chart selects nothing.
    moveTo(cold.temperatureChart()->plot(), QPointF(50, 50));
    EXPECT_FALSE(cold.temperatureChart()->selectedPoint());
}

TEST_F(HistoryChartTest, DrawsAgainOnlyWhenLimitCountOrLastDateChange)
{
    auto samples = day(200);
    HistorySection section(samples, 80);
    HistoryPlot* plot = section.levelChart()->plot();
    render(&section, {960, 240}, 1);
    const int paints = plot->stillPaints();

    // Same count and last date, other values (the battery manager's other changes): nothing.
    auto touched = samples;
    touched[5].percent = 3;
    EXPECT_FALSE(section.setContent(touched, 80));
    render(&section, {960, 240}, 1);
    EXPECT_EQ(plot->stillPaints(), paints);

    // A pointer move draws only the rule and the point over the kept image.
    moveTo(plot, plot->mapping().map(kStart + 600, 0));
    render(&section, {960, 240}, 1);
    EXPECT_EQ(plot->stillPaints(), paints);

    // A new sample, a new limit: drawn again.
    leave(plot);
    samples.push_back({samples.back().date + 60, 70, 30.0, 8.0});
    EXPECT_TRUE(section.setContent(samples, 80));
    EXPECT_EQ(section.levelChart()->valueLine()->text(), "%70");
    EXPECT_TRUE(section.setContent(samples, 100));
    EXPECT_FALSE(section.levelChart()->reference());
    render(&section, {960, 240}, 1);
    EXPECT_GT(plot->stillPaints(), paints);
}

TEST_F(HistoryChartTest, Gallery)
{
    const auto full = day(1440);
    writeGallery("battery-history", {
        {"day", {960, 232}, [&] { return new HistorySection(full, 80); }},
        {"pointing", {960, 232},
         [&] {
             auto* s = new HistorySection(full, 80);
             for (HistoryChart* c : {s->levelChart(), s->temperatureChart(), s->powerChart()})
                 c->setSelected(kStart + 9 * 3600);
             return s;
         }},
    });
    Texts::useEnglishForTesting(true);
    writeGallery("battery-history-en", {
        {"day", {960, 232}, [&] { return new HistorySection(full, 80); }},
        {"empty", {960, 232}, [] { return new HistorySection({}, 80); }},
    });
    Texts::useEnglishForTesting(false);
    writeGallery("battery-history-narrow", {
        {"no limit", {320, 760}, [] { return new HistorySection(day(300), 100); }},
        {"empty", {320, 760}, [] { return new HistorySection({}, 80); }},
        {"no temperature, one sample", {320, 760},
         [] {
             auto samples = day(90, false);
             return new HistorySection(samples, 80);
         }},
    });
    SUCCEED();
}

} // namespace
