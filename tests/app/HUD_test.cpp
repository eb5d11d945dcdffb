#include "app/HUD.h"

#include "design/Theme.h"
#include "platform/Windowing.h"
#include "platform/sim/Mac.h"
#include "platform/sim/Session.h"
#include "support/SimTest.h"

#include <QApplication>
#include <QPalette>
#include <QVariantAnimation>

namespace {

// Default desk, bottom-left coordinates: the built-in screen (0, 0, 1512, 982) with the menu
// bar, "Lumera 27Q" to its right (1512, 0, 1920, 1080).
class HUDTest : public SimTest {
protected:
    void TearDown() override
    {
        advance(HUD::kStay + HUD::kFade + 0.1); // leave the shared indicator hidden
        SimTest::TearDown();
    }
    static HUDView* view() { return static_cast<HUDView*>(HUD::shared().panel()); }
    static bool up() { return view() && view()->isVisible() && view()->windowOpacity() >= 1.0; }
    static void statusItem(QRectF frame, bool visible = true, QString cls = "NSStatusBarWindow")
    {
        const auto window = [](QString cls, bool visible, QRectF frame) {
            platform::windowing::AppWindow w;
            w.className = cls;
            w.visible = visible;
            w.frame = frame;
            return w;
        };
        sim::Session::shared().setAppWindows({window("NSWindow", true, QRectF(100, 100, 800, 600)), window(cls, visible, frame)});
    }
};

TEST_F(HUDTest, RepeatedShowsKeepItUpAndItFadesAfterTheLastOne)
{
    HUD& hud = HUD::shared();
    for (int key = 0; key < 5; ++key) {
        hud.show("speaker.wave.2.fill", "Ses", 40 + key);
        EXPECT_TRUE(up()) << "key " << key;
        advance(1.0);
        EXPECT_TRUE(up()) << "no flicker between keys, key " << key;
    }
    EXPECT_NE(QApplication::activeWindow(), view()) << "the indicator never takes focus";
    advance(0.6); // 1.6 s after the last key: fading
    ASSERT_TRUE(view()->isVisible());
    EXPECT_LT(view()->windowOpacity(), 1.0);
    EXPECT_GT(view()->windowOpacity(), 0.0);
    advance(0.3);
    EXPECT_FALSE(view()->isVisible());
}

TEST_F(HUDTest, AShowDuringTheFadeTakesThePanelBack)
{
    HUD& hud = HUD::shared();
    hud.show("sun.max.fill", "Parlaklık", 50);
    advance(HUD::kStay + 0.15); // halfway through the fade
    ASSERT_LT(view()->windowOpacity(), 1.0);
    hud.show("sun.max.fill", "Parlaklık", 56);
    EXPECT_TRUE(up());
    advance(HUD::kFade + 0.2); // past where the old fade would have ended
    EXPECT_TRUE(up());
    advance(HUD::kStay);
    EXPECT_FALSE(view()->isVisible());
}

// A new number rolls in digit by digit and a new symbol replaces the old one; when the
// animations end, what is drawn is exactly what a fresh indicator draws for the new values.
TEST_F(HUDTest, NumberAndSymbolCrossOverToTheNewValues)
{
    HUD& hud = HUD::shared();
    hud.show("speaker.wave.2.fill", "Ses", 40);
    for (QVariantAnimation* a : {view()->numberAnimation(), view()->symbolAnimation()})
        a->setCurrentTime(a->duration()); // let any earlier crossover end
    const QRect number(260 - 16 - 26 - 8, 0, 26 + 8, 44), symbol(0, 0, 16 + 18 + 4, 44);
    auto region = [](QWidget* w, const QRect& r) { return w->grab(r).toImage(); };

    struct Case {
        const char* symbol;
        double level;
        bool numberMoves, symbolMoves;
    };
    for (const Case c : {Case{"speaker.wave.2.fill", 41, true, false}, Case{"speaker.wave.3.fill", 41, false, true},
                         Case{"speaker.slash.fill", 0, true, true}}) {
        SCOPED_TRACE(testing::Message() << c.symbol << " " << c.level);
        const HUDView::Crossover numberBefore = view()->numberCrossover();
        const HUDView::Crossover symbolBefore = view()->symbolCrossover();
        hud.show(c.symbol, "Ses", c.level);
        EXPECT_EQ(view()->numberCrossover().progress < 1.0, c.numberMoves);
        EXPECT_EQ(view()->symbolCrossover().progress < 1.0, c.symbolMoves);
        if (c.numberMoves) {
            EXPECT_EQ(view()->numberCrossover().from, numberBefore.to);
        }
        if (c.symbolMoves) {
            EXPECT_EQ(view()->symbolCrossover().from, symbolBefore.to);
        }

        for (QVariantAnimation* a : {view()->numberAnimation(), view()->symbolAnimation()})
            if (a->state() == QAbstractAnimation::Running)
                a->setCurrentTime(a->duration() / 2);
        const QImage midNumber = region(view(), number), midSymbol = region(view(), symbol);
        for (QVariantAnimation* a : {view()->numberAnimation(), view()->symbolAnimation()})
            a->setCurrentTime(a->duration());
        HUDView fresh(hud.model());
        fresh.setAttribute(Qt::WA_TranslucentBackground);
        fresh.setGlassTint(view()->glassTint());
        fresh.setFixedSize(view()->size());
        EXPECT_EQ(region(view(), number), region(&fresh, number));
        EXPECT_EQ(region(view(), symbol), region(&fresh, symbol));
        EXPECT_EQ(midNumber != region(view(), number), c.numberMoves);
        EXPECT_EQ(midSymbol != region(view(), symbol), c.symbolMoves);
    }
}

TEST_F(HUDTest, LevelIsClampedAndTheTitleIsOnlyTheToolTip)
{
    struct Case {
        double level;
        double stored;
        const char* number;
    };
    for (const Case c : {Case{120, 100, "100"}, Case{-5, 0, "0"}, Case{42.5, 42.5, "43"}, Case{7.4, 7.4, "7"}}) {
        HUD::shared().show("speaker.wave.3.fill", "Hoparlör", c.level);
        EXPECT_EQ(HUD::shared().model().level, c.stored) << c.level;
        EXPECT_EQ(view()->numberText(), c.number) << c.level;
        EXPECT_EQ(view()->toolTip(), "Hoparlör");
    }
    const double track = 260 - 2 * 16 - 18 - 26 - 2 * 10;
    HUD::shared().show("speaker.wave.3.fill", "", 120);
    EXPECT_DOUBLE_EQ(view()->fillWidth(), track);
    HUD::shared().show("speaker.slash.fill", "", -5);
    EXPECT_DOUBLE_EQ(view()->fillWidth(), 5.0) << "an empty bar still shows its dot";
}

TEST_F(HUDTest, PlacementFollowsTheStatusItemOrTheScreenUnderThePointer)
{
    struct Case {
        const char* what;
        std::optional<QRectF> item;
        bool itemVisible;
        QPointF mouse;
        QPointF origin;
    };
    const Case cases[] = {
        {"under the icon", QRectF(1000, 958, 30, 24), true, {10, 10}, {885, 906}},
        {"icon near the left edge", QRectF(2, 958, 30, 24), true, {10, 10}, {8, 906}},
        {"icon near the right edge", QRectF(1490, 958, 20, 24), true, {10, 10}, {1244, 906}},
        {"icon on the second screen", QRectF(2000, 1056, 30, 24), true, {10, 10}, {1885, 1004}},
        {"no icon: top right of the pointer's screen", std::nullopt, true, {2000, 500}, {3160, 1004}},
        {"hidden icon counts as none", QRectF(1000, 958, 30, 24), false, {300, 300}, {1240, 906}},
        {"icon on no screen: the pointer's screen, the icon's centre", QRectF(9000, 958, 30, 24), true,
         {300, 300}, {1244, 906}},
    };
    for (const Case& c : cases) {
        if (c.item)
            statusItem(*c.item, c.itemVisible);
        else
            sim::Session::shared().setAppWindows({});
        sim::Mac::shared().displays().setPointer(c.mouse);
        EXPECT_EQ(HUD::shared().origin(), c.origin) << c.what;
    }

    // A tall window with the class name is not the status item.
    statusItem(QRectF(1000, 900, 30, 60));
    sim::Mac::shared().displays().setPointer({10, 10});
    EXPECT_EQ(HUD::shared().origin(), QPointF(1240, 906));

    // The panel itself lands there, in top-left window coordinates: 982 - 906 - 44 = 32.
    statusItem(QRectF(1000, 958, 30, 24));
    HUD::shared().show("speaker.wave.2.fill", "", 10);
    EXPECT_EQ(view()->pos(), QPoint(885, 32));
    EXPECT_EQ(view()->size(), QSize(260, 44));
}

TEST_F(HUDTest, GlassSettingsApplyAtTheNextShow)
{
    HUD::shared().show("speaker.wave.2.fill", "", 10);
    EXPECT_FALSE(view()->glassTint().has_value());

    Theme::setSetting(Theme::kGlassAccentTintKey, true);
    Theme::setSetting(Theme::kAccentKey, "green");
    HUD::shared().show("speaker.wave.2.fill", "", 10);
    ASSERT_TRUE(view()->glassTint().has_value());
    EXPECT_EQ(view()->glassTint()->alphaF(), 0.2f);
    QColor accent = AccentChoice(AccentChoice::green).nsColor(isDark(view()));
    EXPECT_EQ(view()->glassTint()->rgb(), accent.rgb());

    Theme::setSetting(Theme::kGlassStyleKey, "solid");
    HUD::shared().show("speaker.wave.2.fill", "", 10);
    ASSERT_TRUE(view()->glassTint().has_value());
    EXPECT_EQ(*view()->glassTint(), view()->palette().color(QPalette::Window)) << "solid: an opaque-looking glass";
}

} // namespace
