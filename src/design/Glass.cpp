#include "design/Glass.h"

#include "design/Paint.h"

#include <QLinearGradient>
#include <QPainter>
#include <QWidget>

std::optional<QColor> effectiveGlassTint(const std::optional<QColor>& tint, bool accentTint, const QColor& accent)
{
    if (tint)
        return tint;
    if (accentTint)
        return withAlpha(accent, 0.14);
    return std::nullopt;
}

std::optional<QColor> KVMGlass::effectiveTint(const QWidget* widget) const
{
    return effectiveGlassTint(tint_, Theme::glassAccentTint(), kvmAccent(widget));
}

QString KVMGlass::Look::key() const
{
    return QStringLiteral("glass|%1|%2|%3|%4|%5")
        .arg(int(style.value()))
        .arg(dark)
        .arg(tint ? QString::number(tint->rgba64(), 16) : QStringLiteral("-"))
        .arg(highlighted)
        .arg(QString::number(primary.rgba64(), 16));
}

void KVMGlass::paintBackground(QPainter& p, const QWidget* widget, bool highlighted) const
{
    const Look look{GlassStyle::current(), isDark(widget), effectiveTint(widget), interactive_ && highlighted,
                    primaryColor(widget, 0.06)};
    // The shadow sits half a point lower; antialiasing reaches a pixel out.
    const QRectF area = shape_.boundingRect().adjusted(-1, -1, 1, 2);
    // The shape, relative to the area, is part of the look: equal cards share one picture.
    QByteArray shape;
    shape.reserve(int(shape_.elementCount()) * 17);
    for (int i = 0; i < shape_.elementCount(); ++i) {
        const QPainterPath::Element e = shape_.elementAt(i);
        const double xy[2] = {e.x - area.left(), e.y - area.top()};
        shape.append(char(e.type));
        shape.append(reinterpret_cast<const char*>(xy), sizeof xy);
    }
    design::paintCached(p, area, look.key() + '|' + QString::fromLatin1(shape.toBase64()),
                        [&](QPainter& q) { paintMaterial(q, look); });
}

void KVMGlass::paintMaterial(QPainter& p, const Look& look) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const bool dark = look.dark;
    const std::optional<QColor>& tint = look.tint;
    const GlassStyle style = look.style;

    if (style == GlassStyle::solid) {
        // Back to front: the tint, then 6 % primary.
        p.fillPath(shape_, tint.value_or(Qt::transparent));
        p.fillPath(shape_, look.primary);
        p.restore();
        return;
    }

    const QRectF box = shape_.boundingRect();
    const bool regular = style == GlassStyle::regular;
    // A soft shadow under the frosted style lifts it off the backdrop.
    if (regular) {
        p.save();
        p.translate(0, 0.5);
        p.fillPath(shape_, QColor(0, 0, 0, dark ? 60 : 22));
        p.restore();
    }
    const QColor body = regular ? (dark ? QColor(46, 46, 50, 190) : QColor(248, 248, 250, 190))
                                : (dark ? QColor(255, 255, 255, 18) : QColor(255, 255, 255, 60));
    p.fillPath(shape_, body);
    if (tint)
        p.fillPath(shape_, *tint);
    if (look.highlighted)
        p.fillPath(shape_, QColor(255, 255, 255, dark ? 22 : 40));

    // Light falls on the upper edge: a sheen over the top and a brighter rim.
    QLinearGradient sheen(box.topLeft(), box.bottomLeft());
    sheen.setColorAt(0, QColor(255, 255, 255, dark ? 22 : 50));
    sheen.setColorAt(0.45, QColor(255, 255, 255, 0));
    p.fillPath(shape_, sheen);

    QLinearGradient rim(box.topLeft(), box.bottomRight());
    rim.setColorAt(0, QColor(255, 255, 255, dark ? 90 : 190));
    rim.setColorAt(0.5, QColor(255, 255, 255, dark ? 20 : 60));
    rim.setColorAt(1, QColor(255, 255, 255, dark ? 45 : 120));
    QPen pen(QBrush(rim), 1.0);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen);
    // Inset by half the rim so it stays inside the surface.
    const qreal sx = box.width() > 1 ? (box.width() - 1) / box.width() : 1;
    const qreal sy = box.height() > 1 ? (box.height() - 1) / box.height() : 1;
    QTransform inset;
    inset.translate(box.center().x(), box.center().y());
    inset.scale(sx, sy);
    inset.translate(-box.center().x(), -box.center().y());
    p.drawPath(inset.map(shape_));
    p.restore();
}

void KVMGlass::paintOverlay(QPainter& p, const QWidget* widget) const
{
    if (GlassStyle::current() != GlassStyle::solid)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(primaryColor(widget, 0.08), 0.5)); // centred on the edge
    p.drawPath(shape_);
    p.restore();
}
