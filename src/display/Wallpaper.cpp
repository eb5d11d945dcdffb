#include "display/Wallpaper.h"

#include "platform/DisplayServices.h"
#include "platform/Paths.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QHash>
#include <QImageReader>
#include <QThreadPool>
#include <mutex>

namespace Wallpaper {
namespace {

std::mutex& lock()
{
    static std::mutex* m = new std::mutex;
    return *m;
}

QHash<QString, QImage>& cache()
{
    static auto* c = new QHash<QString, QImage>;
    return *c;
}

bool refused(const QString& path)
{
    const QString home = platform::paths::home();
    for (const char* folder : {"Desktop", "Documents", "Downloads", "Library/Mobile Documents", "Library/CloudStorage"})
        if (path.startsWith(home + "/" + folder + "/"))
            return true;
    return path.startsWith(platform::paths::map("/Volumes/"));
}

} // namespace

std::optional<QUrl> url(uint32_t displayID)
{
    for (const auto& screen : platform::screens::screens()) {
        const QVariant number = screen.deviceDescription.value("NSScreenNumber");
        bool ok = false;
        const uint32_t id = number.toUInt(&ok);
        if (!ok || number.typeId() == QMetaType::QString)
            continue;
        if (id != displayID)
            continue;
        const auto picture = platform::workspace::desktopImageURL(screen);
        if (!picture || !picture->isLocalFile())
            return std::nullopt;
        // ".." must not lead a path out of an allowed folder into a refused one.
        if (refused(QDir::cleanPath(picture->toLocalFile())))
            return std::nullopt;
        return picture;
    }
    return std::nullopt;
}

std::optional<QImage> cached(const QUrl& url)
{
    std::lock_guard guard(lock());
    const auto it = cache().constFind(url.toLocalFile());
    if (it == cache().constEnd())
        return std::nullopt;
    return *it;
}

std::optional<QImage> load(const QUrl& url)
{
    if (auto image = cached(url))
        return image;
    if (!url.isLocalFile())
        return std::nullopt;
    QImageReader reader(url.toLocalFile());
    reader.setAutoTransform(true);
    // Scaled while decoding where the format allows it, so a large picture is never held whole.
    const QSize full = reader.size();
    if (full.isValid() && std::max(full.width(), full.height()) > kMaxPixelSize)
        reader.setScaledSize(full.scaled(kMaxPixelSize, kMaxPixelSize, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    if (std::max(image.width(), image.height()) > kMaxPixelSize)
        image = image.scaled(kMaxPixelSize, kMaxPixelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    {
        std::lock_guard guard(lock());
        cache().insert(url.toLocalFile(), image);
    }
    return image;
}

QThreadPool& decoder()
{
    static auto* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(2);
        return p;
    }();
    return *pool;
}

} // namespace Wallpaper
