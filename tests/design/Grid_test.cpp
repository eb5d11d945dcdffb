#include "design/Card.h"
#include "design/Grid.h"
#include "design/TextLine.h"

#include "DesignTest.h"

#include <QLabel>

namespace {

class GridTest : public DesignTest {};

std::vector<qreal> sizes(std::initializer_list<qreal> hs) { return hs; }

// Children of fixed heights, whatever the width.
grid::Measure fixedHeights(const std::vector<qreal>& hs)
{
    return [hs](int i, qreal) { return hs[i]; };
}

TEST_F(GridTest, CellsFollowTheWidth)
{
    struct Case {
        const char* name;
        bool masonry;
        bool stretchLastRow;
        qreal width, spacing, minColumn;
        std::vector<qreal> heights;
        std::vector<LayoutCell> expected;
    };
    const Case cases[] = {
        {"700 wide, five cells, last row stretched", false, true, 700, 12, 320, sizes({50, 50, 50, 50, 50}),
         {{{0, 0, 344, 50}, true}, {{356, 0, 344, 50}, true},
          {{0, 62, 344, 50}, true}, {{356, 62, 344, 50}, true},
          {{0, 124, 700, 50}, true}}},
        {"700 wide, five cells, last row at column width", false, false, 700, 12, 320, sizes({50, 50, 50, 50, 50}),
         {{{0, 0, 344, 50}, true}, {{356, 0, 344, 50}, true},
          {{0, 62, 344, 50}, true}, {{356, 62, 344, 50}, true},
          {{0, 124, 344, 50}, true}}},
        {"two cards in a wide window share it", false, false, 2000, 10, 300, sizes({40, 60}),
         {{{0, 0, 995, 60}, false}, {{1005, 0, 995, 60}, true}}},
        {"row heights 80, 120, 120", false, false, 320, 10, 100, sizes({80, 120, 120}),
         {{{0, 0, 100, 120}, false}, {{110, 0, 100, 120}, true}, {{220, 0, 100, 120}, true}}},
        {"narrower than one column still gets one", false, false, 50, 10, 100, sizes({30}),
         {{{0, 0, 50, 30}, true}}},
        {"masonry 100, 50, 50", true, false, 210, 10, 100, sizes({100, 50, 50}),
         {{{0, 0, 100, 110}, false}, {{110, 0, 100, 50}, true}, {{110, 60, 100, 50}, true}}},
        {"masonry 100, 40", true, false, 210, 10, 100, sizes({100, 40}),
         {{{0, 0, 100, 100}, true}, {{110, 0, 100, 100}, false}}},
        {"masonry tie goes to column 0, half-point tolerance", true, false, 210, 10, 100, sizes({100, 99.6}),
         {{{0, 0, 100, 100}, true}, {{110, 0, 100, 99.6}, true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int n = int(c.heights.size());
        const auto cells = c.masonry
            ? grid::masonryCells(c.width, c.spacing, c.minColumn, n, fixedHeights(c.heights))
            : grid::equalHeightCells(c.width, c.spacing, c.minColumn, c.stretchLastRow, n, fixedHeights(c.heights));
        ASSERT_EQ(cells.size(), c.expected.size());
        for (size_t i = 0; i < cells.size(); ++i) {
            EXPECT_EQ(cells[i].rect, c.expected[i].rect) << "cell " << i;
            EXPECT_EQ(cells[i].natural, c.expected[i].natural) << "cell " << i;
        }
    }
    EXPECT_TRUE(grid::masonryCells(500, 10, 100, 0, fixedHeights({})).empty());
}

TEST_F(GridTest, CacheKeepsThreeWidthsOldestOut)
{
    LayoutFrameCache cache;
    int computed = 0;
    auto ask = [&](qreal width, int n = 2) {
        grid::frames(cache, width, n, [&] {
            ++computed;
            return std::vector<LayoutCell>(n, LayoutCell{});
        });
    };
    ask(100), ask(200), ask(100), ask(300);
    EXPECT_EQ(computed, 3); // the fourth ask of 100 after one other width is a hit
    ask(400);               // evicts 100
    EXPECT_EQ(cache.entries.size(), 3u);
    ask(200);
    EXPECT_EQ(computed, 4);
    ask(100);
    EXPECT_EQ(computed, 5);
    ask(300, 3); // same width, other child count: computed afresh
    EXPECT_EQ(computed, 6);
}

// A child with an own height that can be stretched and squeezed.
class Box : public QWidget {
public:
    explicit Box(int height) : height_(height) { setMinimumSize(0, 0); }
    void setOwnHeight(int h)
    {
        height_ = h;
        updateGeometry();
    }
    QSize sizeHint() const override { return {10, height_}; }

private:
    int height_;
};

Box* box(int height) { return new Box(height); }

TEST_F(GridTest, LayoutSizesPlacesAndCollapses)
{
    MasonryGrid grid(100, 10);
    auto* layout = grid.gridLayout();
    EXPECT_EQ(layout->sizeThatFits(500.0), QSizeF(500, 0)); // no children
    EXPECT_EQ(layout->sizeThatFits(std::nullopt), QSizeF(200, 0));

    Box* a = box(100);
    Box* b = box(40);
    grid.addWidget(a);
    grid.addWidget(b);
    EXPECT_EQ(layout->sizeThatFits(std::numeric_limits<qreal>::infinity()), QSizeF(200, 150)); // two minimum columns hold one column here
    EXPECT_EQ(layout->sizeThatFits(40.0), QSizeF(40, 0)); // below half a column
    EXPECT_EQ(grid.heightForWidth(210), 100);

    render(&grid, {210, 100}, 1.0);
    EXPECT_EQ(a->geometry(), QRect(0, 0, 100, 100));
    EXPECT_EQ(b->geometry(), QRect(110, 0, 100, 100)); // stretched to the bottom

    layout->setGeometry(QRect(5, 7, 40, 100));
    EXPECT_EQ(a->geometry(), QRect(5, 7, 0, 0));
    EXPECT_EQ(b->geometry(), QRect(5, 7, 0, 0));
}

TEST_F(GridTest, RepeatedPassesMeasureOnceAndAChildsChangeClearsTheCache)
{
    CardGrid grid(100, 10, false);
    Box* a = box(50);
    grid.addWidget(a);
    grid.addWidget(box(80));
    auto* layout = grid.gridLayout();
    layout->heightForWidth(210);
    const int first = layout->measurements();
    for (int i = 0; i < 5; ++i) {
        layout->heightForWidth(210);
        layout->setGeometry(QRect(0, 0, 210, 80));
    }
    EXPECT_EQ(layout->measurements(), first);

    a->setOwnHeight(120); // the child tells its layout it changed
    EXPECT_TRUE(layout->cache().entries.empty());
    EXPECT_EQ(layout->heightForWidth(210), 120);
}

TEST_F(GridTest, CardInATallerRowFillsTheRowWithItsContentAtTheTop)
{
    CardGrid grid(100, 12, false);
    auto* small = new Card(10);
    auto* line = new TextLine("Kısa", QFont());
    small->addWidget(line);
    grid.addWidget(small);
    grid.addWidget(box(160));
    render(&grid, {300, 160}, 1.0);
    EXPECT_EQ(small->geometry(), QRect(0, 0, 144, 160));
    EXPECT_EQ(line->geometry().top(), 10);
}

TEST_F(GridTest, GridGallery)
{
    auto cards = [](QWidget* grid, auto add) {
        const int lines[] = {1, 3, 2, 1, 4};
        for (int i = 0; i < 5; ++i) {
            auto* c = new Card(12);
            c->addWidget(new CardHeader(QString("Kart %1").arg(i + 1), "square.grid.2x2", Tint(SystemColor::gray)));
            for (int l = 0; l < lines[i]; ++l)
                c->addWidget(new TextLine("Satır", QFont()));
            add(c);
        }
        return grid;
    };
    const QString path = writeGallery(
        "grids", {{"masonry", {460, 270}, [&] {
                       auto* g = new MasonryGrid(140, 10);
                       return cards(g, [g](QWidget* c) { g->addWidget(c); });
                   }},
                  {"equal height", {460, 270}, [&] {
                       auto* g = new CardGrid(140, 10, true);
                       return cards(g, [g](QWidget* c) { g->addWidget(c); });
                   }}});
    EXPECT_FALSE(QImage(path).isNull());
}

} // namespace
