#include "display/Wallpaper.h"
#include "platform/Paths.h"
#include "platform/sim/Mac.h"
#include "support/SimTest.h"

#include <QFile>
#include <QImageWriter>

namespace {

class WallpaperTest : public SimTest {
protected:
    static sim::Displays& world() { return sim::Mac::shared().displays(); }
    static QUrl fileAt(const QString& macPath) { return QUrl::fromLocalFile(platform::paths::map(macPath)); }
    static void write(const QImage& image, const QString& macPath,
                      QImageIOHandler::Transformations transform = QImageIOHandler::TransformationNone)
    {
        const QString path = platform::paths::map(macPath);
        platform::paths::ensureParent(path);
        QImageWriter writer(path);
        writer.setTransformation(transform);
        ASSERT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    }
    static QImage picture(QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::red);
        return image;
    }
};

TEST_F(WallpaperTest, PicturesInTheUsersOwnFoldersAndOnOtherVolumesAreNeverRead)
{
    const struct {
        const char* picture;
        bool used;
    } cases[] = {
        {"/Library/Desktop Pictures/Hills.jpg", true},
        {"/System/Library/Desktop Pictures/Sea.png", true},
        {"~/Pictures/Cat.png", true},
        {"~/Desktop/Cat.png", false},
        {"~/Documents/Cat.png", false},
        {"~/Downloads/Cat.png", false},
        {"~/Library/Mobile Documents/com~apple~CloudDocs/Cat.png", false},
        {"~/Library/CloudStorage/Drive/Cat.png", false},
        {"/Volumes/Photos/Cat.png", false},
        // Only the folder itself is refused, not a name that begins like it.
        {"~/Desktop Pictures/Cat.png", true},
        {"~/Downloads.png", true},
        // The path is judged after "." and ".." are resolved.
        {"~/Pictures/../Desktop/Cat.png", false},
        {"/Library/../Volumes/Photos/Cat.png", false},
        {"~/Desktop/../Pictures/Cat.png", true},
    };
    for (const auto& c : cases) {
        world().setWallpaper(2, c.picture);
        const auto url = Wallpaper::url(2);
        EXPECT_EQ(url.has_value(), c.used) << c.picture;
        if (url) { // handed on as the workspace gave it
            EXPECT_EQ(url->toLocalFile(), platform::paths::map(c.picture)) << c.picture;
        }
    }
}

TEST_F(WallpaperTest, NoPictureWithoutAScreenOrALocalFile)
{
    EXPECT_FALSE(Wallpaper::url(999)); // no screen reports the id
    world().setWallpaper(2, "https://example.com/Cat.png");
    EXPECT_FALSE(Wallpaper::url(2));
    world().setWallpaper(2, "");
    EXPECT_FALSE(Wallpaper::url(2));
    world().setOnline(3, false); // a display that has just gone
    EXPECT_FALSE(Wallpaper::url(3));
}

TEST_F(WallpaperTest, ThumbnailKeepsTheLongerSideWithinTheBoundAndTheOrientation)
{
    const struct {
        QSize stored;
        QImageIOHandler::Transformations transform;
        QSize thumbnail;
    } cases[] = {
        {{1600, 900}, QImageIOHandler::TransformationNone, {640, 360}},
        {{900, 1600}, QImageIOHandler::TransformationNone, {360, 640}},
        {{300, 200}, QImageIOHandler::TransformationNone, {300, 200}}, // never enlarged
        {{1600, 800}, QImageIOHandler::TransformationRotate90, {320, 640}},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString path = QString("/Library/Desktop Pictures/T%1.jpg").arg(n++);
        write(picture(c.stored), path, c.transform);
        const auto image = Wallpaper::load(fileAt(path));
        ASSERT_TRUE(image) << path.toStdString();
        EXPECT_EQ(image->size(), c.thumbnail) << path.toStdString();
        EXPECT_EQ(Wallpaper::cached(fileAt(path))->size(), c.thumbnail);
    }
}

TEST_F(WallpaperTest, SecondRequestIsAnsweredFromTheCache)
{
    write(picture({800, 600}), "/Library/Desktop Pictures/Once.jpg");
    const QUrl url = fileAt("/Library/Desktop Pictures/Once.jpg");
    EXPECT_FALSE(Wallpaper::cached(url));
    const auto first = Wallpaper::load(url);
    ASSERT_TRUE(first);
    ASSERT_TRUE(QFile::remove(url.toLocalFile()));
    const auto second = Wallpaper::load(url);
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, *first);
}

TEST_F(WallpaperTest, UndecodablePictureLeavesTheCacheAsItWas)
{
    write(picture({800, 600}), "/Library/Desktop Pictures/Good.jpg");
    const QUrl good = fileAt("/Library/Desktop Pictures/Good.jpg");
    const QImage before = *Wallpaper::load(good);

    const QUrl broken = fileAt("/Library/Desktop Pictures/Broken.jpg");
    QFile file(broken.toLocalFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture at all");
    file.close();
    EXPECT_FALSE(Wallpaper::load(broken));
    EXPECT_FALSE(Wallpaper::cached(broken));
    EXPECT_FALSE(Wallpaper::load(fileAt("/Library/Desktop Pictures/Missing.jpg")));
    EXPECT_EQ(*Wallpaper::cached(good), before);
}

} // namespace
