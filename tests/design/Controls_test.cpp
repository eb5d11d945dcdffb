#include "design/Card.h"
#include "design/Grid.h"
#include "design/SegmentedChoice.h"
#include "design/Tiles.h"

#include "DesignTest.h"

#include <QTest>

namespace {

class ControlsTest : public DesignTest {};

using Choice = SegmentedChoice<int>;
std::vector<Choice::Option> limits() { return {{80, "%80"}, {90, "%90"}, {100, "%100"}}; }

TEST_F(ControlsTest, SegmentedChoiceCallsOnlyForUnselectedSegments)
{
    struct Case {
        int selection;
        int tapped;
        std::vector<int> calls;
    };
    const Case cases[] = {
        {90, 1, {}},     // the highlighted segment does nothing
        {90, 0, {80}},   // another one calls once with its value
        {90, 2, {100}},
        {55, 1, {90}},   // nothing highlighted: every segment is tappable
    };
    for (const Case& c : cases) {
        std::vector<int> calls;
        Choice choice(limits(), c.selection, 300, [&](const int& v) { calls.push_back(v); });
        render(&choice, {300, 28}, 1.0);
        QTest::mouseClick(&choice, Qt::LeftButton, {}, choice.segmentRect(c.tapped).center().toPoint());
        EXPECT_EQ(calls, c.calls) << "selection " << c.selection << " tap " << c.tapped;
    }

    std::vector<int> calls;
    QWidget parent;
    auto* disabled = new Choice(limits(), 90, 300, [&](const int& v) { calls.push_back(v); }, &parent);
    parent.setEnabled(false);
    render(&parent, {300, 28}, 1.0);
    disabled->resize(300, 28);
    QTest::mouseClick(disabled, Qt::LeftButton, {}, disabled->segmentRect(0).center().toPoint());
    EXPECT_TRUE(calls.empty());
}

TEST_F(ControlsTest, SegmentsShareTheRowEquallyAndTheSelectedOneIsAccentFilled)
{
    for (const Look& look : looks()) {
        for (qreal dpr : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(look.style) + (look.dark ? " dark " : " light ") + std::to_string(dpr));
            Choice choice({{1, "Sistem"}, {2, "Türkçe ve çok uzun bir başlık"}, {3, "English"}}, 3, 320, {});
            applyLook(&choice, look);
            const QImage img = render(&choice, {400, 28}, dpr);
            EXPECT_EQ(choice.width(), 320); // held to its maximum width
            EXPECT_GE(choice.height(), 28);
            const QRectF a = choice.segmentRect(0), b = choice.segmentRect(1), c = choice.segmentRect(2);
            EXPECT_DOUBLE_EQ(a.width(), b.width());
            EXPECT_DOUBLE_EQ(b.width(), c.width());
            EXPECT_DOUBLE_EQ(a.left(), 2);
            EXPECT_DOUBLE_EQ(b.left() - a.right(), 2);
            EXPECT_LT(distance(at(img, c.left() + 6, c.center().y()), kvmAccent(&choice)), 20);
            EXPECT_GT(distance(at(img, a.left() + 6, a.center().y()), kvmAccent(&choice)), 100);
        }
    }
    Choice empty({}, 0, 200, {});
    const QImage img = render(&empty, {200, 28}, 1.0);
    EXPECT_NE(at(img, 100, 14), Theme::appearancePalette(false).color(QPalette::Window)); // the bare capsule
}

TEST_F(ControlsTest, TileHighlightsWithItsTintOrTheAccent)
{
    for (const Look& look : looks()) {
        for (qreal dpr : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(look.style) + (look.dark ? " dark " : " light ") + std::to_string(dpr));
            QWidget root;
            applyLook(&root, look);
            KVMAccentRoot::install(&root);
            Theme::setSetting(Theme::kAccentKey, QString("purple"));
            const QColor orange = systemColor(SystemColor::orange, look.dark);
            auto* own = new TileLabel("arrow.down.to.line", "Boşalt", QString("Durdur"), true, SystemColor::orange, &root);
            auto* accent = new TileLabel("bolt.fill", "Şarj", std::nullopt, true, Tint(), &root);
            auto* off = new TileLabel("bolt.fill", "Şarj", std::nullopt, false, Tint(), &root);
            own->setGeometry(0, 0, 180, 50);
            accent->setGeometry(0, 60, 180, 50);
            off->setGeometry(0, 120, 180, 50);
            QImage img = render(&root, {180, 170}, dpr);
            const QRectF badge = own->badgeRect();
            const QPointF edge(badge.left() + 2.5, badge.center().y());
            EXPECT_LT(distance(at(img, edge.x(), edge.y()), orange), 20);
            EXPECT_LT(distance(at(img, edge.x(), 60 + edge.y()), systemColor(SystemColor::purple, look.dark)), 20);
            EXPECT_GT(distance(at(img, edge.x(), 120 + edge.y()), systemColor(SystemColor::purple, look.dark)), 150);

            Theme::setSetting(Theme::kAccentKey, QString("green")); // live
            img = render(&root, {180, 170}, dpr);
            EXPECT_LT(distance(at(img, edge.x(), 60 + edge.y()), systemColor(SystemColor::green, look.dark)), 20);
        }
    }
}

TEST_F(ControlsTest, TileTextsAndTaps)
{
    int taps = 0;
    ControlTile tile("battery.100percent.bolt", "Tam doldur", std::nullopt, false, Tint(), [&] { ++taps; });
    render(&tile, {200, 50}, 1.0);
    EXPECT_TRUE(tile.subtitleRect().isEmpty());
    EXPECT_NEAR(tile.titleRect().center().y(), tile.badgeRect().center().y(), 0.5); // alone, centred
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(190, 25));
    EXPECT_EQ(taps, 1);
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(1, 1)); // outside the rounded corner
    EXPECT_EQ(taps, 1);
    // The keyboard reaches the tile; a click acts without taking the focus, so no ring stays.
    EXPECT_EQ(tile.focusPolicy(), Qt::TabFocus);

    TileLabel two("display", "Ekran", QString("LG UltraFine"), false, Tint());
    render(&two, {200, 50}, 1.0);
    EXPECT_LT(two.titleRect().bottom(), two.subtitleRect().top() + 0.01);
    EXPECT_NEAR((two.titleRect().top() + two.subtitleRect().bottom()) / 2, 25, 0.5);
}

TEST_F(ControlsTest, ControlGallery)
{
    const QString path = writeGallery(
        "controls",
        {{"segmented", {260, 28}, [] { return new Choice(limits(), 90, 260, {}); }},
         {"long titles", {220, 28}, [] {
              return new SegmentedChoice<int>({{1, "Sistem"}, {2, "Türkçe uzun başlık"}, {3, "English"}}, 1, 220, {});
          }},
         {"tiles", {380, 110}, [] {
              auto* grid = new CardGrid(120, 8, false);
              grid->addWidget(new ControlTile("arrow.down.to.line", "Boşalt", QString("Durdur"), true,
                                              Tint(SystemColor::orange), {}));
              grid->addWidget(new ControlTile("battery.100percent.bolt", "Tam doldur", std::nullopt, false,
                                              Tint(SystemColor::green), {}));
              grid->addWidget(new ControlTile("display", "Ekran", QString("LG UltraFine 5K çok uzun"), true,
                                              Tint(), {}));
              grid->addWidget(new ControlTile("computermouse", "Kaydırma", QString("Kapalı"), false, Tint(), {}));
              return grid;
          }}});
    EXPECT_FALSE(QImage(path).isNull());
}

} // namespace
