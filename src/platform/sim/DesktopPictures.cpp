// The workspace's desktop pictures on the simulated Mac. Each screen's picture is a path the
// desk names below the sim root; a picture that is not there yet is painted on first request,
// so every simulated display has a picture of its own without any image shipped with us.
#include "platform/Paths.h"
#include "platform/Workspace.h"
#include "platform/sim/Mac.h"

#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <mutex>

namespace {

// Soft colour fields in hues chosen by the display id, so neighbouring tiles differ.
QImage paintPicture(uint32_t id)
{
    const QSize size(1280, 800);
    QImage image(size, QImage::Format_RGB32);
    const int hue = int((id * 97u + 200u) % 360u);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient base(0, 0, size.width(), size.height());
    base.setColorAt(0, QColor::fromHsv(hue, 150, 235));
    base.setColorAt(1, QColor::fromHsv((hue + 60) % 360, 200, 120));
    p.fillRect(image.rect(), base);
    const struct {
        qreal x, y, r;
        int dh;
    } glows[] = {{0.25, 0.7, 0.55, 140}, {0.8, 0.25, 0.45, 220}, {0.55, 0.55, 0.3, 30}};
    for (const auto& g : glows) {
        const QPointF c(g.x * size.width(), g.y * size.height());
        QRadialGradient glow(c, g.r * size.width());
        QColor colour = QColor::fromHsv((hue + g.dh) % 360, 170, 250);
        glow.setColorAt(0, colour);
        colour.setAlpha(0);
        glow.setColorAt(1, colour);
        p.fillRect(image.rect(), glow);
    }
    return image;
}

void ensurePainted(const QString& path, uint32_t id)
{
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    if (info.exists() || !(suffix == "jpg" || suffix == "jpeg" || suffix == "png"))
        return;
    if (!platform::paths::ensureParent(path))
        return;
    paintPicture(id).save(path, nullptr, 90);
}

} // namespace

namespace platform::workspace {

std::optional<QUrl> desktopImageURL(const platform::screens::Screen& screen)
{
    bool ok = false;
    const uint32_t id = screen.deviceDescription.value("NSScreenNumber").toUInt(&ok);
    if (!ok)
        return std::nullopt;
    const auto display = sim::Mac::shared().displays().display(id);
    if (!display || display->wallpaper.isEmpty())
        return std::nullopt;
    if (display->wallpaper.contains("://"))
        return QUrl(display->wallpaper);
    const QString path = platform::paths::map(display->wallpaper);
    ensurePainted(path, id);
    return QUrl::fromLocalFile(path);
}

} // namespace platform::workspace
