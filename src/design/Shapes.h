#pragma once
// Outlines of the surfaces: rounded rectangles with continuous (squircle-like) corners and
// capsules. A corner radius never exceeds half the shorter side.
#include <QPainterPath>
#include <QRectF>

QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius);
QPainterPath capsule(const QRectF& rect);
QPainterPath circle(const QRectF& rect);
