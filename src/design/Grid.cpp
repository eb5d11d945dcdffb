#include "design/Grid.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace grid {

Columns columns(qreal width, qreal spacing, qreal minColumnWidth, int n)
{
    const qreal quotient = (width + spacing) / (minColumnWidth + spacing);
    const int fit = std::isfinite(quotient) ? int(std::clamp(std::trunc(quotient), -1.0, double(n))) : n;
    const int count = std::max(1, std::min(n, fit));
    return {count, (width - spacing * (count - 1)) / count};
}

std::vector<LayoutCell> equalHeightCells(qreal width, qreal spacing, qreal minColumnWidth, bool stretchLastRow, int n,
                                         const Measure& measure)
{
    std::vector<LayoutCell> out;
    if (n <= 0)
        return out;
    const Columns cols = columns(width, spacing, minColumnWidth, n);
    qreal y = 0;
    for (int start = 0; start < n; start += cols.count) {
        const int k = std::min(cols.count, n - start);
        const qreal w = stretchLastRow && k < cols.count ? (width - spacing * (k - 1)) / k : cols.cellWidth;
        std::vector<qreal> heights(k);
        qreal rowHeight = 0;
        for (int j = 0; j < k; ++j) {
            heights[j] = measure(start + j, w);
            rowHeight = std::max(rowHeight, heights[j]);
        }
        for (int j = 0; j < k; ++j)
            out.push_back({QRectF(j * (w + spacing), y, w, rowHeight), heights[j] >= rowHeight});
        y += rowHeight + spacing;
    }
    return out;
}

std::vector<LayoutCell> masonryCells(qreal width, qreal spacing, qreal minColumnWidth, int n, const Measure& measure)
{
    std::vector<LayoutCell> out;
    if (n <= 0)
        return out;
    const Columns cols = columns(width, spacing, minColumnWidth, n);
    std::vector<qreal> heights(cols.count, 0.0);
    std::vector<int> last(cols.count, -1);
    for (int i = 0; i < n; ++i) {
        int c = 0;
        for (int j = 1; j < cols.count; ++j)
            if (heights[j] < heights[c]) // ties stay with the lower column
                c = j;
        const qreal h = measure(i, cols.cellWidth);
        out.push_back({QRectF(c * (cols.cellWidth + spacing), heights[c], cols.cellWidth, h), true});
        heights[c] += h + spacing;
        last[c] = i;
    }
    qreal bottom = 0;
    for (const LayoutCell& cell : out)
        bottom = std::max(bottom, cell.rect.bottom());
    for (int c = 0; c < cols.count; ++c) {
        if (last[c] < 0)
            continue;
        LayoutCell& cell = out[last[c]];
        if (cell.rect.bottom() < bottom - 0.5) {
            cell.rect.setHeight(bottom - cell.rect.top());
            cell.natural = false;
        }
    }
    return out;
}

const std::vector<LayoutCell>& frames(LayoutFrameCache& cache, qreal width, int n,
                                      const std::function<std::vector<LayoutCell>()>& compute)
{
    for (const auto& entry : cache.entries)
        if (entry.width == width && int(entry.frames.size()) == n)
            return entry.frames;
    std::vector<LayoutCell> computed = compute();
    if (cache.entries.size() >= LayoutFrameCache::kCapacity)
        cache.entries.erase(cache.entries.begin());
    cache.entries.push_back({width, std::move(computed)});
    return cache.entries.back().frames;
}

} // namespace grid

// ---- ColumnGridLayout

ColumnGridLayout::ColumnGridLayout(qreal minColumnWidth, qreal spacing, QWidget* parent)
    : QLayout(parent), minColumnWidth_(minColumnWidth), spacing_(spacing)
{
    setContentsMargins(0, 0, 0, 0);
}

ColumnGridLayout::~ColumnGridLayout()
{
    for (QLayoutItem* item : items_)
        delete item;
}

void ColumnGridLayout::addItem(QLayoutItem* item)
{
    items_.push_back(item);
    invalidate();
}

QLayoutItem* ColumnGridLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? items_[index] : nullptr;
}

QLayoutItem* ColumnGridLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = items_[index];
    items_.erase(items_.begin() + index);
    invalidate();
    return item;
}

void ColumnGridLayout::invalidate()
{
    cache_ = LayoutFrameCache{};
    QLayout::invalidate();
}

qreal ColumnGridLayout::measure(int index, qreal width)
{
    ++measurements_;
    QLayoutItem* item = items_[index];
    const int w = std::max(0, int(std::floor(width)));
    return item->hasHeightForWidth() ? item->heightForWidth(w) : item->sizeHint().height();
}

const std::vector<LayoutCell>& ColumnGridLayout::frames(qreal width)
{
    return grid::frames(cache_, width, count(), [&] {
        return cells(width, [this](int i, qreal w) { return measure(i, w); });
    });
}

QSizeF ColumnGridLayout::sizeThatFits(std::optional<qreal> proposedWidth)
{
    if (proposedWidth && *proposedWidth < minColumnWidth_ * 0.5)
        return {*proposedWidth, 0};
    const qreal width = proposedWidth && std::isfinite(*proposedWidth) ? *proposedWidth : 2 * minColumnWidth_;
    qreal height = 0;
    for (const LayoutCell& cell : frames(width))
        height = std::max(height, cell.rect.bottom());
    return {width, height};
}

QSize ColumnGridLayout::sizeHint() const
{
    const QSizeF s = const_cast<ColumnGridLayout*>(this)->sizeThatFits(std::nullopt);
    return {int(std::ceil(s.width())), int(std::ceil(s.height()))};
}

int ColumnGridLayout::heightForWidth(int width) const
{
    return int(std::ceil(const_cast<ColumnGridLayout*>(this)->sizeThatFits(qreal(width)).height()));
}

void ColumnGridLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    if (rect.width() < minColumnWidth_ * 0.5) {
        for (QLayoutItem* item : items_)
            item->setGeometry(QRect(rect.topLeft(), QSize(0, 0))); // the grid collapses
        return;
    }
    const std::vector<LayoutCell> cells = frames(rect.width());
    for (size_t i = 0; i < cells.size() && i < items_.size(); ++i) {
        const QRectF r = cells[i].rect.translated(rect.topLeft());
        const int x = int(std::lround(r.left()));
        const int y = int(std::lround(r.top()));
        const int w = int(std::lround(r.right())) - x;
        // A natural cell's height is the child's own height for the width, so both kinds are
        // placed with the cell's height.
        const int h = int(std::lround(r.bottom())) - y;
        items_[i]->setGeometry(QRect(x, y, w, h));
    }
}

// ---- the two layouts

std::vector<LayoutCell> EqualHeightGridLayout::cells(qreal width, const grid::Measure& measure) const
{
    return grid::equalHeightCells(width, gridSpacing(), minColumnWidth(), stretchLastRow_, count(), measure);
}

std::vector<LayoutCell> MasonryLayout::cells(qreal width, const grid::Measure& measure) const
{
    return grid::masonryCells(width, gridSpacing(), minColumnWidth(), count(), measure);
}

CardGrid::CardGrid(qreal minColumnWidth, qreal spacing, bool stretchLastRow, QWidget* parent) : QWidget(parent)
{
    layout_ = new EqualHeightGridLayout(minColumnWidth, spacing, stretchLastRow, this);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

MasonryGrid::MasonryGrid(qreal minColumnWidth, qreal spacing, QWidget* parent) : QWidget(parent)
{
    layout_ = new MasonryLayout(minColumnWidth, spacing, this);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}
