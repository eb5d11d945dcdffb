#include "design/Shapes.h"

#include <algorithm>

QPainterPath continuousRoundedRect(const QRectF& r, qreal radius)
{
    QPainterPath path;
    const qreal half = std::min(r.width(), r.height()) / 2;
    radius = std::clamp(radius, 0.0, half);
    if (radius <= 0) {
        path.addRect(r);
        return path;
    }
    // The curve starts further from the corner than a circular arc would (1.28 r) and bends
    // more tightly near the corner, so the edge flows into it without a visible kink. Near a
    // capsule there is no room for that and the corner becomes circular.
    const qreal a = std::min(radius * 1.28, half);
    const qreal k = a > radius * 1.0001 ? 0.64 : 0.5523;
    const qreal c = a * (1 - k); // distance of the control points from the corner
    const qreal l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
    path.moveTo(l + a, t);
    path.lineTo(rt - a, t);
    path.cubicTo(rt - c, t, rt, t + c, rt, t + a);
    path.lineTo(rt, b - a);
    path.cubicTo(rt, b - c, rt - c, b, rt - a, b);
    path.lineTo(l + a, b);
    path.cubicTo(l + c, b, l, b - c, l, b - a);
    path.lineTo(l, t + a);
    path.cubicTo(l, t + c, l + c, t, l + a, t);
    path.closeSubpath();
    return path;
}

QPainterPath capsule(const QRectF& r)
{
    QPainterPath path;
    const qreal radius = std::min(r.width(), r.height()) / 2;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QPainterPath circle(const QRectF& r)
{
    QPainterPath path;
    path.addEllipse(r);
    return path;
}
