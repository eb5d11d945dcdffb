#include "battery/HistorySection.h"

#include "app/Prefs.h"
#include "app/Texts.h"
#include "battery/HistoryChart.h"

#include <cmath>

namespace {

const QString kNone = QString(QChar(0x2013));

QString percentText(long long value) { return Texts::tr("%%1", value); }
QString celsius(double value) { return Texts::tr("%1 °C", Texts::decimal(value, 1)); }
QString watts(double value) { return Texts::tr("%1 W", Texts::decimal(value, 1)); }

std::optional<HistoryChart::Reference> limitLine(int limit)
{
    if (limit >= 100)
        return std::nullopt;
    return HistoryChart::Reference{double(limit), Texts::tr("Sınır %%1", limit)};
}

} // namespace

HistorySection::HistorySection(const std::vector<Sample>& samples, int limit, QWidget* parent)
    : CardGrid(300, 12, false, parent), key_(keyOf(samples, limit))
{
    const auto thinned = points(samples);
    level_ = new HistoryChart(
        Texts::tr("Pil seviyesi"), kNone, "battery.75percent", SystemColor::green, thinned,
        [](const Sample& s) { return std::optional<double>(s.percent); },
        [](double v) { return percentText((long long)std::trunc(v)); }, historychart::Range{0, 100}, limitLine(limit),
        true);
    temperature_ = new HistoryChart(Texts::tr("Pil sıcaklığı"), kNone, "thermometer.medium",
                                    SystemColor::orange, thinned, [](const Sample& s) { return s.temperature; }, celsius);
    power_ = new HistoryChart(Texts::tr("Sistem güç tüketimi"), kNone, "bolt", SystemColor::purple,
                              thinned, [](const Sample& s) { return std::optional<double>(s.systemLoad); }, watts);
    addWidget(level_);
    addWidget(temperature_);
    addWidget(power_);
    apply(samples, limit);
}

HistorySection::Key HistorySection::keyOf(const std::vector<Sample>& samples, int limit)
{
    return {limit, samples.size(), samples.empty() ? std::nullopt : std::optional<double>(samples.back().date)};
}

bool HistorySection::setContent(const std::vector<Sample>& samples, int limit)
{
    const Key key = keyOf(samples, limit);
    if (key == key_)
        return false;
    key_ = key;
    apply(samples, limit);
    return true;
}

void HistorySection::apply(const std::vector<Sample>& samples, int limit)
{
    const auto thinned = points(samples);
    const Sample* latest = samples.empty() ? nullptr : &samples.back();
    level_->setContent(thinned, latest ? percentText(latest->percent) : kNone, limitLine(limit));
    temperature_->setContent(thinned, latest && latest->temperature ? celsius(*latest->temperature) : kNone,
                             std::nullopt);
    power_->setContent(thinned, latest ? watts(latest->systemLoad) : kNone, std::nullopt);
}

std::vector<HistorySection::Sample> HistorySection::points(const std::vector<Sample>& samples)
{
    const size_t n = samples.size();
    if (n < kThinFrom)
        return samples;
    const size_t step = n / kThinTo;
    std::vector<Sample> out;
    out.reserve(n / step + 1);
    for (size_t i = 0; i < n; i += step)
        out.push_back(samples[i]);
    if (out.back().date != samples.back().date)
        out.push_back(samples.back());
    return out;
}
