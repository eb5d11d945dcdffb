#pragma once
// One small chart of the battery history on a card: a header with the caption and the latest
// value (or the value under the pointer), and below it the line of the values over time with
// an optional area, an optional dashed reference line, time marks along the bottom and value
// marks on the right. With fewer than two points the card shows an empty state instead.
#include "battery/BatteryTypes.h"
#include "design/Card.h"
#include "design/Theme.h"

#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <functional>
#include <optional>
#include <vector>

class SymbolView;
class TextLine;
class HistoryPlot;

namespace historychart {

struct Point {
    double date; // Unix seconds
    double value;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Range {
    double lo;
    double hi;
    friend bool operator==(const Range&, const Range&) = default;
};

// The data's range padded by a fifth of its span, at least 1 on each side; 0...1 without data.
Range autoDomain(const std::vector<Point>& points);

// The point whose date lies nearest; on equal distance the earlier one.
std::optional<Point> nearest(const std::vector<Point>& points, double date);

// Round time marks inside [t0, t1], about four, on whole minutes or hours of local time
// (`utcOffset` seconds east of UTC).
std::vector<double> timeMarks(double t0, double t1, int utcOffset);
// About three round value marks inside the range.
std::vector<double> valueMarks(Range range);
// The mark step valueMarks uses, for the labels' number of decimals.
double valueStep(Range range);

// Where values and dates land in the plot. A range of zero width (every point at one date or
// one value) is widened around its centre so that nothing divides by zero.
struct Mapping {
    QRectF plot;
    Range time;
    Range values;

    Mapping(QRectF plot, Range time, Range values);
    QPointF map(double date, double value) const;
    double dateAt(qreal x) const;
};

// The curve through the points: monotone cubic segments, so it never overshoots the data
// between two samples. The line and the area share it.
QPainterPath curve(const std::vector<QPointF>& pixels);

} // namespace historychart

class HistoryChart : public Card {
    Q_OBJECT
public:
    using Sample = BatterySample;
    using Value = std::function<std::optional<double>(const Sample&)>;
    using Format = std::function<QString(double)>;
    struct Reference {
        double value;
        QString label;
        friend bool operator==(const Reference&, const Reference&) = default;
    };

    static constexpr qreal kPlotHeight = 140;

    HistoryChart(QString title, QString headline, QString symbol, SystemColor color, std::vector<Sample> samples,
                 Value value, Format format, std::optional<historychart::Range> domain = std::nullopt,
                 std::optional<Reference> reference = std::nullopt, bool area = false, QWidget* parent = nullptr);

    // New points, headline or reference; the plot is drawn again only when one of them changed.
    void setContent(std::vector<Sample> samples, QString headline, std::optional<Reference> reference);

    const std::vector<historychart::Point>& points() const { return points_; }
    historychart::Range yDomain() const;
    const std::optional<Reference>& reference() const { return reference_; }
    bool area() const { return area_; }
    QColor color() const;

    // The date the pointer is at (none when it is outside the plot).
    void setSelected(std::optional<double> date);
    std::optional<double> selected() const { return selected_; }
    std::optional<historychart::Point> selectedPoint() const { return selectedPoint_; }

    // What the header shows now.
    QString valueText() const;
    TextLine* valueLine() const { return value_; }
    TextLine* timeLine() const { return time_; }
    SymbolView* symbolView() const { return symbol_; }
    HistoryPlot* plot() const { return plot_; }

    // Hour and minute in the interface locale.
    static QString timeText(double date);

private:
    void syncHeader();

    QString headline_;
    SystemColor color_;
    Value valueOf_;
    Format format_;
    std::optional<historychart::Range> domain_;
    std::optional<Reference> reference_;
    bool area_;
    std::vector<historychart::Point> points_;
    std::optional<double> selected_;
    std::optional<historychart::Point> selectedPoint_;

    TextLine* value_;
    TextLine* time_;
    SymbolView* symbol_;
    HistoryPlot* plot_;
};

// The plot under a chart's header, or its empty state. The still part (grid, marks, area, line,
// reference) is kept as an image between paints, so a pointer move only adds the rule and the
// point.
class HistoryPlot : public QWidget {
    Q_OBJECT
public:
    explicit HistoryPlot(HistoryChart* chart);

    bool showsChart() const { return chart_->points().size() > 1; }
    // The mapping for the current size.
    historychart::Mapping mapping() const;
    // Throws away the still image (the data changed).
    void invalidate();
    // Repaints where the pointer's rule and point were and are.
    void selectionMoved(const std::optional<historychart::Point>& from, const std::optional<historychart::Point>& to);
    int stillPaints() const { return stillPaints_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void changeEvent(QEvent*) override;

private:
    void point(const QPointF& pos);
    void paintStill(QPainter& p) const;
    void paintEmpty(QPainter& p) const;
    QRectF plotRect() const;

    HistoryChart* chart_;
    QPixmap still_;
    int stillPaints_ = 0;
};
