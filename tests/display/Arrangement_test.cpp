#include "display/DisplayTest.h"

namespace {

class ArrangementTest : public DisplayTest {
protected:
    // A 1920x1080 main display and a 2560x1440 monitor, plus an optional third.
    void useDesk(bool third = false)
    {
        QJsonObject main = monitorJson(1, 100);
        main["origin"] = QJsonArray{0, 0};
        main["modes"] = QJsonArray{QJsonObject{{"width", 1920}, {"height", 1080}}};
        QJsonObject ext = monitorJson(2, 200);
        ext["origin"] = QJsonArray{1920, 0};
        ext["modes"] = QJsonArray{QJsonObject{{"width", 2560}, {"height", 1440}}};
        QJsonArray list{main, ext};
        if (third) {
            QJsonObject t = monitorJson(3, 300);
            t["origin"] = QJsonArray{-1920, 0};
            t["modes"] = QJsonArray{QJsonObject{{"width", 1920}, {"height", 1080}}};
            list.append(t);
        }
        useDisplays(list);
    }
    static QPoint origin(uint32_t id)
    {
        const auto d = world().display(id);
        return QPoint(d->x, d->y);
    }
};

TEST_F(ArrangementTest, MovedDisplaySnapsEdgeToEdgeWithTheNearestPlace)
{
    struct Case {
        uint32_t id;
        QPointF to;
        QPoint expected1, expected2;
    };
    const Case cases[] = {
        {2, {2000, 100}, {0, 0}, {1920, 100}},
        {2, {2000, 1200}, {0, 0}, {1880, 1080}}, // below beats right: 169.7 against 178.9
        {2, {-3000, -50.5}, {0, 0}, {-2560, -51}},
        // The main display stays at the origin; the rest of the desktop moves the other way.
        {1, {-1930, 500}, {0, 0}, {1920, -500}},
    };
    for (const Case& c : cases) {
        useDesk();
        start();
        manager->moveDisplay(c.id, c.to);
        EXPECT_EQ(origin(1), c.expected1) << c.to.x() << "," << c.to.y();
        EXPECT_EQ(origin(2), c.expected2) << c.to.x() << "," << c.to.y();
        EXPECT_EQ(world().mainID(), 1u);
        manager.reset();
    }
}

TEST_F(ArrangementTest, NothingHappensWithoutAnotherDisplayOrForAnUnknownOne)
{
    useDisplays({monitorJson(2)});
    start();
    manager->moveDisplay(2, {500, 500});
    manager->moveDisplay(9, {500, 500});
    manager->makeMain(9);
    EXPECT_EQ(world().completedTransactions(), 0);
}

TEST_F(ArrangementTest, MakeMainMovesTheDisplayToTheOrigin)
{
    useDesk();
    start();
    int refreshes = 0;
    manager->onDisplaysChanged = [&](const std::vector<DisplayInfo>&) { ++refreshes; };
    manager->makeMain(2);
    EXPECT_EQ(origin(2), QPoint(0, 0));
    EXPECT_EQ(origin(1), QPoint(-1920, 0));
    EXPECT_EQ(world().mainID(), 2u);
    const auto frames = manager->screenFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_FALSE(frames[0].isMain);
    EXPECT_TRUE(frames[1].isMain);
    EXPECT_EQ(frames[1].frame, QRectF(0, 0, 2560, 1440));
    EXPECT_EQ(frames[0].name, "Monitor 1");
    refreshed();
    EXPECT_EQ(refreshes, 1);

    manager->makeMain(2); // already main
    EXPECT_EQ(world().completedTransactions(), 1);
}

TEST_F(ArrangementTest, MirroringOnAndOff)
{
    useDesk(true);
    start();
    EXPECT_FALSE(manager->isMirroring());
    manager->setMirroring(true);
    EXPECT_TRUE(manager->isMirroring());
    EXPECT_EQ(world().display(2)->mirrorOf, 1u);
    EXPECT_EQ(world().display(3)->mirrorOf, 1u);
    const auto frames = manager->screenFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].id, 1u);
    refreshed();
    EXPECT_EQ(manager->displays().size(), 1u);

    manager->setMirroring(false);
    EXPECT_FALSE(manager->isMirroring());
    EXPECT_EQ(world().display(2)->mirrorOf, 0u);
    refreshed();
    EXPECT_EQ(manager->displays().size(), 3u);
}

} // namespace
