#pragma once
// The last 24 hours of the battery as three charts side by side: the charge level with the
// charge limit, the temperature and the system's power draw. The section is given the samples
// and the limit; it draws again only when the limit, the number of samples or the last
// sample's date changed, so the battery manager's frequent other changes cost nothing here.
#include "battery/BatteryTypes.h"
#include "design/Grid.h"

#include <optional>
#include <vector>

class HistoryChart;

class HistorySection : public CardGrid {
    Q_OBJECT
public:
    using Sample = BatterySample;

    // Below this many samples every one is drawn; from it on about 240 are kept.
    static constexpr size_t kThinFrom = 480;
    static constexpr size_t kThinTo = 240;

    HistorySection(const std::vector<Sample>& samples, int limit, QWidget* parent = nullptr);

    // Takes new samples and limit; returns whether the charts were drawn again.
    bool setContent(const std::vector<Sample>& samples, int limit);

    // The samples drawn: all of them below kThinFrom, else every (n / kThinTo)-th one and the
    // newest.
    static std::vector<Sample> points(const std::vector<Sample>& samples);

    // What decides whether two sections look the same.
    struct Key {
        int limit;
        size_t count;
        std::optional<double> lastDate;
        friend bool operator==(const Key&, const Key&) = default;
    };
    static Key keyOf(const std::vector<Sample>& samples, int limit);

    HistoryChart* levelChart() const { return level_; }
    HistoryChart* temperatureChart() const { return temperature_; }
    HistoryChart* powerChart() const { return power_; }

private:
    void apply(const std::vector<Sample>& samples, int limit);

    Key key_;
    HistoryChart* level_;
    HistoryChart* temperature_;
    HistoryChart* power_;
};
