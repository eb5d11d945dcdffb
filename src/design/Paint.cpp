#include "design/Paint.h"

#include <QApplication>
#include <QCache>
#include <QFontMetricsF>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QThread>
#include <cmath>

namespace design {

QFont systemFont(qreal size, QFont::Weight weight)
{
    QFont f = QApplication::font();
    f.setPixelSize(std::max(1, int(std::lround(size))));
    f.setWeight(weight);
    return f;
}

QFont valueFont(qreal size, QFont::Weight weight)
{
    // The system face's digits all have one advance, which is what the readouts need.
    return systemFont(size, weight);
}

qreal textWidth(const QFont& font, const QString& text) { return QFontMetricsF(font).horizontalAdvance(text); }

QFont fittedFont(const QFont& font, const QString& text, qreal width, qreal minimumScale)
{
    const qreal natural = textWidth(font, text);
    if (natural <= width || natural <= 0 || minimumScale >= 1.0)
        return font;
    const qreal scale = std::max(minimumScale, width / natural);
    QFont f = font;
    f.setPixelSize(std::max(1, int(std::floor(font.pixelSize() * scale))));
    return f;
}

namespace {
// A fitted and elided line, kept per text, font, width and scale: shaping the text to fit it is
// most of what drawing a line costs, and the same lines are drawn on every repaint.
struct FittedLine {
    QFont font;
    QString shown;
};
} // namespace

bool elides(const QFont& font, const QString& text, qreal width, qreal minimumScale)
{
    const QFont f = fittedFont(font, text, width, minimumScale);
    return QFontMetricsF(f).elidedText(text, Qt::ElideRight, width) != text;
}

void drawLine(QPainter& p, const QRectF& rect, const QString& text, const QFont& font, qreal minimumScale, int alignment)
{
    static QCache<QString, FittedLine> lines(512); // the main thread's
    if (QThread::currentThread() != qApp->thread()) {
        const QFont f = fittedFont(font, text, rect.width(), minimumScale);
        p.setFont(f);
        p.drawText(rect, alignment | Qt::TextSingleLine, QFontMetricsF(f).elidedText(text, Qt::ElideRight, rect.width()));
        return;
    }
    const QString key = QStringLiteral("%1|%2|%3|%4").arg(font.key()).arg(rect.width()).arg(minimumScale).arg(text);
    const FittedLine* line = lines.object(key);
    if (!line) {
        const QFont f = fittedFont(font, text, rect.width(), minimumScale);
        auto* made = new FittedLine{f, QFontMetricsF(f).elidedText(text, Qt::ElideRight, rect.width())};
        lines.insert(key, made);
        line = made;
    }
    p.setFont(line->font);
    p.drawText(rect, alignment | Qt::TextSingleLine, line->shown);
}

void paintCached(QPainter& p, const QRectF& area, const QString& look, const std::function<void(QPainter&)>& paint)
{
    const QTransform& world = p.worldTransform();
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    // Large pictures would push the smaller, more often painted ones out of the cache.
    constexpr qreal kMostPixels = 1600.0 * 1200.0;
    if (world.type() > QTransform::TxTranslate || p.opacity() < 1.0 || QThread::currentThread() != qApp->thread()
        || p.compositionMode() != QPainter::CompositionMode_SourceOver || area.isEmpty()
        || area.width() * area.height() * dpr * dpr > kMostPixels) {
        paint(p);
        return;
    }
    static const bool sized = [] {
        QPixmapCache::setCacheLimit(std::max(QPixmapCache::cacheLimit(), 64 * 1024));
        return true;
    }();
    Q_UNUSED(sized);
    // The pixmap's corner falls on a whole device pixel, so it is copied pixel for pixel and the
    // drawing keeps its sub-pixel place.
    const QPointF device = world.map(area.topLeft()) * dpr;
    const QPointF whole(std::floor(device.x()), std::floor(device.y()));
    const QPointF corner = area.topLeft() - (device - whole) / dpr;
    const QSize size(int(std::ceil((area.right() - corner.x()) * dpr)), int(std::ceil((area.bottom() - corner.y()) * dpr)));
    const QString key = QStringLiteral("%1|%2x%3@%4+%5,%6")
                            .arg(look)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(dpr)
                            .arg(device.x() - whole.x(), 0, 'f', 3)
                            .arg(device.y() - whole.y(), 0, 'f', 3);
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        picture = QPixmap(size);
        picture.setDevicePixelRatio(dpr);
        picture.fill(Qt::transparent);
        QPainter q(&picture);
        q.setRenderHints(p.renderHints());
        q.translate(-corner);
        paint(q);
        q.end();
        QPixmapCache::insert(key, picture);
    }
    p.drawPixmap(corner, picture);
}

} // namespace design
