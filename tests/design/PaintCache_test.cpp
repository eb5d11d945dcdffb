// What is painted through the caches (glass, the ring's track, symbol layers, fitted lines) looks exactly as what
// is painted afresh, whatever look was painted before: a stale picture after a change of
// appearance, glass style, accent tint, highlight or scale is the fault they could bring.
#include "design/Card.h"
#include "design/Gauges.h"
#include "design/Tiles.h"

#include "DesignTest.h"

#include <QPixmapCache>

namespace {

class PaintCacheTest : public DesignTest {};

TEST_F(PaintCacheTest, EveryLookPaintsAsAfresh)
{
    struct Step {
        bool dark;
        const char* style;
        bool accentTint;
        const char* accent;
        bool active;
        qreal dpr;
    };
    // Each step changes one thing from the one before, so a key that missed it shows the last.
    const Step steps[] = {
        {false, "clear", false, "blue", false, 1},  {true, "clear", false, "blue", false, 1},
        {true, "regular", false, "blue", false, 1}, {true, "solid", false, "blue", false, 1},
        {false, "solid", false, "blue", false, 1},  {false, "regular", true, "blue", false, 1},
        {false, "regular", true, "pink", false, 1}, {false, "regular", true, "pink", true, 1},
        {false, "regular", true, "pink", true, 2},  {true, "clear", true, "green", true, 2},
    };
    const auto paintAll = [](const Step& s) {
        Card card(12);
        TileLabel tile("moon.fill", "Uyku", QString("Kapalı"), s.active, Tint::accent());
        BatteryRing ring(60, 80, Tint::accent(), 40, 4);
        std::vector<QImage> out;
        for (QWidget* w : std::initializer_list<QWidget*>{&card, &tile, &ring}) {
            applyLook(w, {s.dark, s.style});
            out.push_back(render(w, {180, 90}, s.dpr, true));
        }
        return out;
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.dark ? "dark " : "light ") + s.style + (s.accentTint ? " tinted " : " ") + s.accent
                     + (s.active ? " active " : " ") + std::to_string(s.dpr));
        Theme::setSetting(Theme::kGlassAccentTintKey, s.accentTint);
        Theme::setSetting(Theme::kAccentKey, QString(s.accent));
        const std::vector<QImage> cached = paintAll(s);
        QPixmapCache::clear();
        const std::vector<QImage> afresh = paintAll(s);
        EXPECT_TRUE(cached == afresh) << "a card, tile or ring painted from the cache differs";
    }
}

} // namespace
