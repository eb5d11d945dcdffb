#include "platform/Paths.h"
#include "platform/Workspace.h"
#include "platform/sim/Mac.h"
#include "support/SimTest.h"

#include <QFileInfo>
#include <QImage>

namespace {

class DesktopPictures : public SimTest {
protected:
    static std::optional<platform::screens::Screen> screen(uint32_t id)
    {
        for (const auto& s : platform::screens::screens())
            if (s.deviceDescription.value("NSScreenNumber").toUInt() == id)
                return s;
        return std::nullopt;
    }
    static std::optional<QUrl> pictureOf(uint32_t id)
    {
        const auto s = screen(id);
        return s ? platform::workspace::desktopImageURL(*s) : std::nullopt;
    }
};

TEST_F(DesktopPictures, EveryDisplayOfTheDeskHasAPicturePaintedBelowTheSimRoot)
{
    std::vector<QImage> pictures;
    for (uint32_t id : {1u, 2u, 3u}) {
        const auto url = pictureOf(id);
        ASSERT_TRUE(url && url->isLocalFile()) << id;
        EXPECT_TRUE(url->toLocalFile().startsWith(platform::paths::simRoot() + "/Library/Desktop Pictures/"));
        const QImage image(url->toLocalFile());
        ASSERT_FALSE(image.isNull()) << id;
        EXPECT_GT(image.width(), 640); // larger than a thumbnail, as real pictures are
        for (const QImage& other : pictures)
            EXPECT_NE(image, other);
        pictures.push_back(image);
    }
}

TEST_F(DesktopPictures, ThePictureFollowsTheDeskAndTheUsersChoice)
{
    auto& displays = sim::Mac::shared().displays();
    displays.setWallpaper(2, "~/Pictures/Beach.png");
    EXPECT_EQ(pictureOf(2)->toLocalFile(), platform::paths::home() + "/Pictures/Beach.png");
    EXPECT_TRUE(QFileInfo::exists(platform::paths::home() + "/Pictures/Beach.png"));

    // A picture that is there already is the user's own: it is never painted over.
    const QString mine = platform::paths::map("/Library/Desktop Pictures/Mine.jpg");
    platform::paths::ensureParent(mine);
    QImage small(10, 10, QImage::Format_RGB32);
    small.fill(Qt::green);
    ASSERT_TRUE(small.save(mine));
    displays.setWallpaper(2, "/Library/Desktop Pictures/Mine.jpg");
    EXPECT_EQ(QImage(pictureOf(2)->toLocalFile()).size(), QSize(10, 10));

    displays.setWallpaper(2, "https://example.com/a.jpg");
    EXPECT_EQ(pictureOf(2), QUrl("https://example.com/a.jpg"));
    displays.setWallpaper(2, "");
    EXPECT_FALSE(pictureOf(2));
}

} // namespace
