#include "DisplayViewTest.h"

#include "design/Buttons.h"
#include "design/Controls.h"
#include "design/Rows.h"
#include "display/ArrangementCanvas.h"
#include "display/DisplayArrangement.h"
#include "display/ScreenSettings.h"

#include <QSemaphore>
#include <QSignalSpy>

namespace {

class ArrangementViewTest : public DisplayViewTest {
protected:
    static QJsonObject monitorAt(uint32_t id, int x, int y)
    {
        QJsonObject m = monitorJson(id, 200 + id);
        m["origin"] = QJsonArray{x, y};
        return m;
    }
    // The built-in display at the origin and one monitor to its right.
    void twoDisplays()
    {
        useDisplays({builtinJson(1), monitorAt(2, 1512, 0)});
        start();
    }
    DisplayArrangementCard* card()
    {
        auto* c = show(new DisplayArrangementCard(*manager), {400, 0});
        idle();
        return c;
    }
    static QPointF centre(ArrangementCanvas* canvas, uint32_t id) { return canvas->tileBox(id)->center(); }
};

TEST_F(ArrangementViewTest, DraggingATileMovesThatDisplayAndTheTileWaitsWhereItLanded)
{
    twoDisplays();
    auto* c = card();
    ArrangementCanvas* canvas = c->canvas();
    const QRectF before = *canvas->tileBox(2);
    const double scale = canvas->placement().scale;

    drag(canvas, before.center(), {0, 100});

    // 100 view points down is far below the built-in display's bottom: the monitor docks there.
    EXPECT_EQ(world().display(2)->y, 982);
    EXPECT_EQ(manager->selectedID(), 2u);
    EXPECT_EQ(c->selection(), 2u);
    ASSERT_TRUE(canvas->landedOrigin(2));
    EXPECT_NEAR(canvas->landedOrigin(2)->y(), 100 / scale, 1e-6);
    EXPECT_NEAR(canvas->tileBox(2)->top(), before.top() + 100, 1e-6);

    refreshed(); // the system reports the new arrangement
    idle();
    EXPECT_FALSE(canvas->landedOrigin(2));
    const auto pl = canvas->placement();
    EXPECT_EQ(*canvas->tileBox(2), pl.box(QPointF(world().display(2)->x, 982), QSizeF(1920, 1080)));
}

TEST_F(ArrangementViewTest, LandedTileWaitsTwoAndAHalfSecondsForItsOwnDropOnly)
{
    twoDisplays();
    ArrangementCanvas* canvas = card()->canvas();
    // Dragged along the built-in display's right edge: it snaps back to where it was, so the
    // frames do not change and only the wait ends the landing.
    drag(canvas, centre(canvas, 2), {30, 0});
    const QPointF first = *canvas->landedOrigin(2);
    EXPECT_GT(first.x(), 1512);
    EXPECT_EQ(world().display(2)->x, 1512);
    refreshed();
    advance(1.0); // 2.0 s after the drop
    ASSERT_TRUE(canvas->landedOrigin(2));

    drag(canvas, centre(canvas, 2), {40, 0});
    const QPointF second = *canvas->landedOrigin(2);
    EXPECT_NE(second, first);
    advance(0.6); // past the first drop's 2.5 s
    EXPECT_EQ(canvas->landedOrigin(2), second);
    advance(2.0);
    EXPECT_FALSE(canvas->landedOrigin(2));
}

TEST_F(ArrangementViewTest, TapSelectsAndOnlyMonitorsBecomeTheControlsDisplay)
{
    start(); // the default desk: the built-in display and two monitors
    auto* c = card();
    ArrangementCanvas* canvas = c->canvas();
    const int transactions = world().completedTransactions();
    ASSERT_EQ(manager->selectedID(), 2u);

    QTest::mouseClick(canvas, Qt::LeftButton, {}, centre(canvas, 3).toPoint());
    idle();
    EXPECT_EQ(c->selection(), 3u);
    EXPECT_EQ(manager->selectedID(), 3u);
    EXPECT_EQ(canvas->selected(), 3u);
    EXPECT_EQ(c->screenSettings()->screen().id, 3u);

    // A press that moves less than 4 points is a tap, not a drag.
    const QPointF builtin = centre(canvas, 1);
    QTest::mousePress(canvas, Qt::LeftButton, {}, builtin.toPoint());
    QTest::mouseMove(canvas, (builtin + QPointF(3, 0)).toPoint());
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, (builtin + QPointF(3, 0)).toPoint());
    idle();
    EXPECT_EQ(c->selection(), 1u);
    EXPECT_EQ(manager->selectedID(), 3u) << "the built-in display is selected in the card only";
    EXPECT_EQ(c->screenSettings()->screen().id, 1u);
    EXPECT_EQ(world().completedTransactions(), transactions);
}

TEST_F(ArrangementViewTest, SingleDisplayIsTappedButNeverDragged)
{
    useDisplays({builtinJson(1)});
    start();
    auto* c = card();
    ArrangementCanvas* canvas = c->canvas();
    EXPECT_FALSE(c->mirrorControl()->isVisibleTo(c));
    EXPECT_EQ(c->hintText()->text(), "Tek ekran bağlı.");
    // Alone, the display is centred with 20 points on its tightest side.
    EXPECT_NEAR(canvas->tileBox(1)->top(), 20, 1e-6);

    drag(canvas, centre(canvas, 1), {60, 40});
    EXPECT_EQ(world().completedTransactions(), 0);
    EXPECT_FALSE(canvas->landedOrigin(1));
    EXPECT_FALSE(canvas->dragging());
    EXPECT_EQ(c->selection(), 1u);
}

TEST_F(ArrangementViewTest, MirroringSwitchMirrorsAndUnmirrorsEveryDisplay)
{
    start();
    auto* c = card();
    ASSERT_TRUE(c->mirrorControl()->isVisibleTo(c));
    EXPECT_FALSE(c->mirrorSwitch()->isOn());

    QTest::mouseClick(c->mirrorSwitch(), Qt::LeftButton);
    idle();
    EXPECT_EQ(world().display(2)->mirrorOf, 1u);
    EXPECT_EQ(world().display(3)->mirrorOf, 1u);
    EXPECT_TRUE(c->mirrorSwitch()->isOn());
    EXPECT_EQ(c->canvas()->frames().size(), 1u);
    EXPECT_TRUE(c->mirrorControl()->isVisibleTo(c)) << "one frame, but the switch stays to end mirroring";
    EXPECT_EQ(c->hintText()->text(), "Ekranlar yansıtılıyor; ayrı masaüstü için yansıtmayı kapatın.");

    QTest::mouseClick(c->mirrorSwitch(), Qt::LeftButton);
    idle();
    EXPECT_EQ(world().display(2)->mirrorOf, 0u);
    EXPECT_FALSE(c->mirrorSwitch()->isOn());
    EXPECT_EQ(c->canvas()->frames().size(), 3u);
}

TEST(ArrangementPlacement, ScaleLeavesTwentyPointsOnTheTightestSideOrIsUnusable)
{
    using Frame = DisplayManager::ScreenFrame;
    const std::vector<Frame> wide{Frame{1, "a", QRectF(0, 0, 1000, 500), true, true}};
    const struct {
        const char* name;
        std::vector<Frame> frames;
        QSizeF canvas;
        bool usable;
        QRectF box; // of the first frame
    } cases[] = {
        {"no frames", {}, {372, 230}, true, {}},
        {"one frame", wide, {372, 230}, true, QRectF(20, 32, 332, 166)},
        {"tall canvas", wide, {372, 1000}, true, QRectF(20, 417, 332, 166)},
        {"canvas narrower than its margins", wide, {30, 230}, false, {}},
        {"canvas as wide as its margins", wide, {40, 230}, false, {}},
        {"frame without an area", {Frame{1, "a", QRectF(10, 10, 0, 0), true, true}}, {372, 230}, false, {}},
    };
    for (const auto& c : cases) {
        const auto pl = ArrangementPlacement::fit(c.frames, c.canvas);
        EXPECT_EQ(pl.usable(), c.usable) << c.name;
        if (c.frames.empty()) {
            EXPECT_EQ(pl.scale, 1.0) << c.name;
        } else if (c.usable) {
            EXPECT_EQ(pl.box(c.frames[0].frame.topLeft(), c.frames[0].frame.size()), c.box) << c.name;
        }
    }
}

TEST_F(ArrangementViewTest, CanvasWithoutAUsableScaleMovesNothing)
{
    twoDisplays();
    ArrangementCanvas canvas;
    canvas.setAttribute(Qt::WA_DontShowOnScreen);
    canvas.resize(30, int(ArrangementCanvas::kHeight));
    canvas.show();
    canvas.setFrames(manager->screenFrames(), 2);
    QSignalSpy drops(&canvas, &ArrangementCanvas::dropped);
    for (int x = 0; x < 30; x += 3)
        drag(&canvas, QPointF(x, 115), {200, 50});
    EXPECT_EQ(drops.count(), 0);
    EXPECT_FALSE(canvas.canDrag());
    EXPECT_EQ(world().completedTransactions(), 0);
}

TEST_F(ArrangementViewTest, TilesShowTheirDesktopPictureUnlessItIsRefused)
{
    start();
    world().setWallpaper(3, "~/Desktop/Holiday.jpg");
    ArrangementCanvas* canvas = card()->canvas();
    const QImage picture = canvas->picture(2);
    ASSERT_FALSE(picture.isNull());
    EXPECT_LE(std::max(picture.width(), picture.height()), Wallpaper::kMaxPixelSize);
    EXPECT_TRUE(canvas->picture(3).isNull()) << "keeps the drawn gradient";
}

TEST_F(ArrangementViewTest, DecodeFinishingAfterTheCanvasIsGoneTouchesNothing)
{
    start();
    QSemaphore hold;
    const int threads = Wallpaper::decoder().maxThreadCount();
    for (int i = 0; i < threads; ++i)
        Wallpaper::decoder().start([&hold] { hold.acquire(); });
    {
        ArrangementCanvas canvas;
        canvas.setFrames(manager->screenFrames(), std::nullopt);
    }
    hold.release(threads);
    Wallpaper::decoder().waitForDone();
    processEvents(); // the finished decodes arrive for a canvas that is gone
    SUCCEED();
}

TEST_F(ArrangementViewTest, ScreenSettingsFollowMainAndBuiltinAndTheControlsDisplay)
{
    start();
    const struct {
        uint32_t screen;
        uint32_t main;
        uint32_t selected;
        bool chip, button, note, picker;
    } cases[] = {
        {1, 1, 2, true, false, false, true},
        {1, 1, 1, true, false, false, false},
        {2, 1, 2, false, true, true, false},
        {2, 1, 3, false, true, true, false},
        {2, 2, 2, true, false, true, false},
        {1, 2, 3, false, true, false, true},
    };
    for (const auto& c : cases) {
        if (world().mainID() != c.main) {
            manager->makeMain(c.main);
            refreshed();
        }
        manager->setSelectedID(c.selected);
        settle();
        const auto frames = manager->screenFrames();
        const auto frame = std::find_if(frames.begin(), frames.end(), [&](auto& f) { return f.id == c.screen; });
        ASSERT_NE(frame, frames.end());
        ScreenSettings s(*manager, *frame);
        const std::string at = "screen " + std::to_string(c.screen) + ", main " + std::to_string(c.main)
                               + ", selected " + std::to_string(c.selected);
        EXPECT_EQ(s.mainChip()->isVisibleTo(&s), c.chip) << at;
        EXPECT_EQ(s.makeMainButton()->isVisibleTo(&s), c.button) << at;
        EXPECT_EQ(s.note()->isVisibleTo(&s), c.note) << at;
        EXPECT_EQ(s.resolutionRow()->isVisibleTo(&s), c.picker) << at;
        EXPECT_EQ(s.nameLine()->text(), frame->name) << at;
    }
}

TEST_F(ArrangementViewTest, MakeMainButtonMakesTheScreenTheMainDisplay)
{
    start();
    auto* c = card();
    QTest::mouseClick(c->canvas(), Qt::LeftButton, {}, centre(c->canvas(), 3).toPoint());
    idle();
    ScreenSettings* s = c->screenSettings();
    ASSERT_TRUE(s->makeMainButton()->isVisible());
    QTest::mouseClick(s->makeMainButton(), Qt::LeftButton);
    EXPECT_EQ(world().mainID(), 3u);
    refreshed();
    idle();
    EXPECT_TRUE(s->mainChip()->isVisible());
    EXPECT_FALSE(s->makeMainButton()->isVisible());
}

TEST_F(ArrangementViewTest, ResolutionPickerAppliesAModeAndShowsARefusalAsNotApplied)
{
    start(); // a monitor is the controls' display, so the built-in display offers its picker
    const auto frames = manager->screenFrames();
    ScreenSettings s(*manager, frames.front());
    MenuPicker<QString>* picker = s.resolutionPicker();
    ASSERT_TRUE(s.resolutionRow()->isVisibleTo(&s));
    const auto [options, current] = manager->modeOptions(1);
    ASSERT_TRUE(current);
    const int currentIndex = picker->selectedIndex();
    ASSERT_EQ(picker->options()[size_t(currentIndex)].value, *current);
    const int other = currentIndex == 0 ? 1 : 0;
    auto choose = [&](int index) {
        picker->liveMenu()->refill();
        picker->liveMenu()->actions().at(index)->trigger();
    };

    world().failNextConfiguration();
    choose(other);
    EXPECT_EQ(picker->selectedIndex(), currentIndex);
    EXPECT_EQ(manager->modeOptions(1).second, current);

    choose(other);
    EXPECT_EQ(manager->modeOptions(1).second, picker->options()[size_t(other)].value);
    EXPECT_EQ(picker->selectedIndex(), other);
}

TEST_F(ArrangementViewTest, Gallery)
{
    start();
    world().setWallpaper(3, ""); // one tile keeps the drawn gradient
    // Decoded once, so the rendered tiles show their pictures.
    for (const auto& f : manager->screenFrames())
        if (const auto url = Wallpaper::url(f.id))
            Wallpaper::load(*url);
    auto make = [this] { return new DisplayArrangementCard(*manager); };
    EXPECT_TRUE(QFile::exists(ViewGallery::writeGallery("display-arrangement", {{"three displays", {420, 410}, make}})));

    // A tile lifted in the middle of a drag, in both looks, side by side.
    QImage sheet(QSize(2 * 400 + 48, 230 + 32) * 2, QImage::Format_ARGB32_Premultiplied);
    sheet.setDevicePixelRatio(2);
    sheet.fill(Qt::white);
    QPainter sp(&sheet);
    for (bool dark : {false, true}) {
        ArrangementCanvas canvas;
        canvas.setPalette(Theme::appearancePalette(dark));
        canvas.setFrames(manager->screenFrames(), 2);
        ViewGallery::render(&canvas, {400, 230}, 2.0, true); // lays it out
        drag(&canvas, canvas.tileBox(3)->center(), {-40, 60}, 3);
        QTest::mousePress(&canvas, Qt::LeftButton, {}, canvas.tileBox(2)->center().toPoint());
        QTest::mouseMove(&canvas, (canvas.tileBox(2)->center() + QPointF(30, 70)).toPoint());
        ASSERT_TRUE(canvas.dragging());
        sp.drawImage(QPointF(16 + (dark ? 416 : 0), 16), ViewGallery::render(&canvas, {400, 230}, 2.0, true));
    }
    sp.end();
    EXPECT_TRUE(sheet.save(ViewGallery::outputDir() + "/display-arrangement-drag.png"));

    manager->setMirroring(true);
    EXPECT_TRUE(QFile::exists(ViewGallery::writeGallery("display-arrangement-mirrored", {{"mirrored", {420, 400}, make}})));
}

} // namespace
