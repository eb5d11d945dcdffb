#pragma once
// Column grids whose number of columns follows the width: `EqualHeightGridLayout` fills rows
// left to right and makes a row as tall as its tallest cell; `MasonryLayout` drops each cell
// into the shortest column and stretches the last cell of every column to a common bottom.
// Both compute the cell rectangles once per width and keep the last three widths' results,
// because a layout pass asks for the size and the placement of the same children many times.
#include <QLayout>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

struct LayoutCell {
    QRectF rect;  // relative to the grid's top left
    bool natural; // placed with its own height; false: stretched to the cell's height
    friend bool operator==(const LayoutCell&, const LayoutCell&) = default;
};

struct LayoutFrameCache {
    static constexpr size_t kCapacity = 3;
    struct Entry {
        qreal width;
        std::vector<LayoutCell> frames;
    };
    std::vector<Entry> entries; // oldest first
};

namespace grid {

// The height of child `index` when it is offered `width` (height unspecified).
using Measure = std::function<qreal(int index, qreal width)>;

struct Columns {
    int count;
    qreal cellWidth;
};
// Needs minColumnWidth + spacing > 0 and n >= 1.
Columns columns(qreal width, qreal spacing, qreal minColumnWidth, int n);

std::vector<LayoutCell> equalHeightCells(qreal width, qreal spacing, qreal minColumnWidth, bool stretchLastRow, int n,
                                         const Measure& measure);
std::vector<LayoutCell> masonryCells(qreal width, qreal spacing, qreal minColumnWidth, int n, const Measure& measure);

// The cached cells for the width and child count, computing and remembering them on a miss.
const std::vector<LayoutCell>& frames(LayoutFrameCache& cache, qreal width, int n,
                                      const std::function<std::vector<LayoutCell>()>& compute);

} // namespace grid

// What the two layouts share: the children, the cache, sizing and placing.
class ColumnGridLayout : public QLayout {
    Q_OBJECT
public:
    ColumnGridLayout(qreal minColumnWidth, qreal spacing, QWidget* parent);
    ~ColumnGridLayout() override;

    qreal minColumnWidth() const { return minColumnWidth_; }
    qreal gridSpacing() const { return spacing_; }

    // The size for a proposed width (nullopt: unspecified; the proposed height is ignored).
    QSizeF sizeThatFits(std::optional<qreal> proposedWidth);
    // The frames for a width (cached).
    const std::vector<LayoutCell>& frames(qreal width);
    const LayoutFrameCache& cache() const { return cache_; }
    int measurements() const { return measurements_; } // how often a child was measured

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return int(items_.size()); }
    QSize sizeHint() const override;
    QSize minimumSize() const override { return {0, 0}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;
    void invalidate() override; // a child changed: measure again

protected:
    virtual std::vector<LayoutCell> cells(qreal width, const grid::Measure& measure) const = 0;

private:
    qreal measure(int index, qreal width);
    qreal minColumnWidth_;
    qreal spacing_;
    std::vector<QLayoutItem*> items_;
    LayoutFrameCache cache_;
    int measurements_ = 0;
};

class EqualHeightGridLayout : public ColumnGridLayout {
    Q_OBJECT
public:
    EqualHeightGridLayout(qreal minColumnWidth, qreal spacing, bool stretchLastRow, QWidget* parent = nullptr)
        : ColumnGridLayout(minColumnWidth, spacing, parent), stretchLastRow_(stretchLastRow)
    {
    }

protected:
    std::vector<LayoutCell> cells(qreal width, const grid::Measure& measure) const override;

private:
    bool stretchLastRow_;
};

class MasonryLayout : public ColumnGridLayout {
    Q_OBJECT
public:
    MasonryLayout(qreal minColumnWidth, qreal spacing, QWidget* parent = nullptr)
        : ColumnGridLayout(minColumnWidth, spacing, parent)
    {
    }

protected:
    std::vector<LayoutCell> cells(qreal width, const grid::Measure& measure) const override;
};

// A grid written like a stack: each added widget is one cell.
class CardGrid : public QWidget {
    Q_OBJECT
public:
    CardGrid(qreal minColumnWidth, qreal spacing, bool stretchLastRow, QWidget* parent = nullptr);
    void addWidget(QWidget* w) { layout_->addWidget(w); }
    EqualHeightGridLayout* gridLayout() const { return layout_; }

private:
    EqualHeightGridLayout* layout_;
};

class MasonryGrid : public QWidget {
    Q_OBJECT
public:
    MasonryGrid(qreal minColumnWidth, qreal spacing, QWidget* parent = nullptr);
    void addWidget(QWidget* w) { layout_->addWidget(w); }
    MasonryLayout* gridLayout() const { return layout_; }

private:
    MasonryLayout* layout_;
};
