#include "design/Symbols.h"

#include "design/Spring.h"
#include "design/Theme.h"

#include <QApplication>
#include <QCache>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QThread>
#include <QVariantAnimation>
#include <QtMath>
#include <cmath>
#include <functional>

namespace {

// Drawing on the 24-unit grid: strokes use the weight's width, fills use the colour.
struct Pen {
    QPainter& p;
    QColor color;
    qreal width;

    void stroke(const QPainterPath& path, qreal scale = 1.0) const
    {
        QPen pen(color, width * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.strokePath(path, pen);
    }
    void fill(const QPainterPath& path) const { p.fillPath(path, color); }
    void line(qreal x1, qreal y1, qreal x2, qreal y2, qreal scale = 1.0) const
    {
        QPainterPath path({x1, y1});
        path.lineTo(x2, y2);
        stroke(path, scale);
    }
    void poly(std::initializer_list<QPointF> pts, bool closed = false, bool filled = false) const
    {
        QPainterPath path;
        bool first = true;
        for (const QPointF& pt : pts) {
            if (first)
                path.moveTo(pt);
            else
                path.lineTo(pt);
            first = false;
        }
        if (closed)
            path.closeSubpath();
        if (filled) {
            fill(path);
            stroke(path, 0.5);
        } else {
            stroke(path);
        }
    }
    void rect(qreal x, qreal y, qreal w, qreal h, qreal r, bool filled = false) const
    {
        QPainterPath path;
        path.addRoundedRect(QRectF(x, y, w, h), r, r);
        filled ? fill(path) : stroke(path);
    }
    void circle(qreal cx, qreal cy, qreal r, bool filled = false) const
    {
        QPainterPath path;
        path.addEllipse(QPointF(cx, cy), r, r);
        filled ? fill(path) : stroke(path);
    }
    // Angles in degrees, counter-clockwise from three o'clock (Qt's convention).
    void arc(qreal cx, qreal cy, qreal r, qreal start, qreal span) const
    {
        QPainterPath path;
        const QRectF box(cx - r, cy - r, 2 * r, 2 * r);
        path.arcMoveTo(box, start);
        path.arcTo(box, start, span);
        stroke(path);
    }
    // Clears a gap around a stroke drawn afterwards (slashes through a shape).
    void erase(const QPainterPath& path, qreal gap) const
    {
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.strokePath(path, QPen(Qt::black, width + gap, Qt::SolidLine, Qt::RoundCap));
        p.restore();
    }
};

using Glyph = std::function<void(const Pen&)>;

void speaker(const Pen& g, bool filled)
{
    g.poly({{3, 9}, {7, 9}, {12, 4.5}, {12, 19.5}, {7, 15}, {3, 15}}, true, filled);
}

void waves(const Pen& g, int count)
{
    for (int i = 0; i < count; ++i)
        g.arc(12, 12, 4.5 + 3.6 * i, -50, 100);
}

void sun(const Pen& g, qreal core, qreal rayIn, qreal rayOut, bool filled)
{
    g.circle(12, 12, core, filled);
    for (int i = 0; i < 8; ++i) {
        const qreal a = i * M_PI / 4;
        g.line(12 + rayIn * std::cos(a), 12 + rayIn * std::sin(a), 12 + rayOut * std::cos(a),
               12 + rayOut * std::sin(a));
    }
}

void battery(const Pen& g, qreal level, bool bolt)
{
    g.rect(2, 7, 18, 10, 3);
    g.rect(20.5, 10, 1.8, 4, 0.9, true);
    if (level > 0)
        g.rect(4.5, 9.5, 13 * level, 5, 1.2, true);
    if (bolt) {
        QPainterPath b;
        b.moveTo(12.5, 5);
        b.lineTo(8, 12.8);
        b.lineTo(11, 12.8);
        b.lineTo(10, 19);
        b.lineTo(14.5, 11.2);
        b.lineTo(11.5, 11.2);
        b.closeSubpath();
        g.erase(b, 1.5);
        g.fill(b);
    }
}

QPainterPath boltPath()
{
    QPainterPath b;
    b.moveTo(14, 2);
    b.lineTo(5, 13.5);
    b.lineTo(11.5, 13.5);
    b.lineTo(10, 22);
    b.lineTo(19, 10.5);
    b.lineTo(12.5, 10.5);
    b.closeSubpath();
    return b;
}

void slash(const Pen& g)
{
    QPainterPath s({3, 3});
    s.lineTo(21, 21);
    g.erase(s, 2.2);
    g.stroke(s);
}

void moon(const Pen& g, bool filled)
{
    QPainterPath outer;
    outer.addEllipse(QPointF(12, 12), 8.5, 8.5);
    QPainterPath bite;
    bite.addEllipse(QPointF(16.5, 8), 7, 7);
    const QPainterPath m = outer.subtracted(bite);
    filled ? g.fill(m) : g.stroke(m);
}

void display(const Pen& g)
{
    g.rect(2.5, 4, 19, 12.5, 2);
    g.line(12, 16.5, 12, 19.5);
    g.line(8, 20, 16, 20);
}

void mic(const Pen& g, bool filled)
{
    g.rect(9, 2.5, 6, 11.5, 3, filled);
    g.arc(12, 10.5, 6, 180, 180);
    g.line(12, 16.5, 12, 20.5);
    g.line(9, 21, 15, 21);
}

void eye(const Pen& g)
{
    QPainterPath e;
    e.moveTo(2, 12);
    e.quadTo(12, 2, 22, 12);
    e.quadTo(12, 22, 2, 12);
    g.stroke(e);
    g.circle(12, 12, 3, true);
}

void circleMark(const Pen& g, bool filled)
{
    g.circle(12, 12, 9.5, filled);
}

void arrowDown(const Pen& g, qreal top, qreal bottom)
{
    g.line(12, top, 12, bottom);
    g.poly({{7, bottom - 5}, {12, bottom}, {17, bottom - 5}});
}

const QHash<QString, Glyph>& glyphs()
{
    static const QHash<QString, Glyph> table{
        {"speaker.wave.1.fill", [](const Pen& g) { speaker(g, true); waves(g, 1); }},
        {"speaker.wave.2.fill", [](const Pen& g) { speaker(g, true); waves(g, 2); }},
        {"speaker.wave.3.fill", [](const Pen& g) { speaker(g, true); waves(g, 3); }},
        {"speaker.wave.2", [](const Pen& g) { speaker(g, false); waves(g, 2); }},
        {"speaker.slash.fill", [](const Pen& g) { speaker(g, true); waves(g, 2); slash(g); }},
        {"sun.max.fill", [](const Pen& g) { sun(g, 4.2, 7, 10, true); }},
        {"sun.max", [](const Pen& g) { sun(g, 4.2, 7, 10, false); }},
        {"sun.min.fill", [](const Pen& g) { sun(g, 3.8, 6.5, 7.8, true); }},
        {"moon.fill", [](const Pen& g) { moon(g, true); }},
        {"moon", [](const Pen& g) { moon(g, false); }},
        {"display", display},
        {"laptopcomputer", [](const Pen& g) { g.rect(4.5, 5, 15, 10.5, 1.6); g.line(1.5, 18.5, 22.5, 18.5); }},
        {"macwindow", [](const Pen& g) { g.rect(2.5, 4, 19, 16, 2.5); g.line(2.5, 8.5, 21.5, 8.5); }},
        {"menubar.rectangle", [](const Pen& g) { g.rect(2.5, 4, 19, 16, 2.5); g.rect(2.5, 4, 19, 4.5, 1.5, true); }},
        {"rectangle.inset.filled", [](const Pen& g) { g.rect(2.5, 4, 19, 16, 2.5); g.rect(5.5, 7, 13, 10, 1, true); }},
        {"rectangle.on.rectangle", [](const Pen& g) { g.rect(6.5, 3.5, 15, 11, 2); g.rect(2.5, 8.5, 15, 11, 2); }},
        {"rectangle.3.group", [](const Pen& g) { g.rect(2.5, 3.5, 8.5, 7, 1.5); g.rect(13, 3.5, 8.5, 7, 1.5); g.rect(2.5, 13.5, 19, 7, 1.5); }},
        {"rectangle.connected.to.line.below", [](const Pen& g) { g.rect(4.5, 3, 15, 10, 2); g.line(12, 13, 12, 18); g.line(3, 20.5, 21, 20.5); }},
        {"square.stack.3d.up", [](const Pen& g) {
             g.poly({{12, 3}, {21, 7.5}, {12, 12}, {3, 7.5}}, true);
             g.poly({{3, 12}, {12, 16.5}, {21, 12}});
             g.poly({{3, 16.5}, {12, 21}, {21, 16.5}});
         }},
        {"square.grid.2x2", [](const Pen& g) { g.rect(3, 3, 7.5, 7.5, 2); g.rect(13.5, 3, 7.5, 7.5, 2); g.rect(3, 13.5, 7.5, 7.5, 2); g.rect(13.5, 13.5, 7.5, 7.5, 2); }},
        {"person.crop.rectangle.stack", [](const Pen& g) {
             g.rect(2.5, 7, 19, 14, 2.5);
             g.line(5.5, 3.5, 18.5, 3.5);
             g.circle(12, 12, 2.6);
             g.arc(12, 19.5, 4.5, 20, 140);
         }},
        {"battery.75percent", [](const Pen& g) { battery(g, 0.75, false); }},
        {"battery.100percent.bolt", [](const Pen& g) { battery(g, 1.0, true); }},
        {"bolt.fill", [](const Pen& g) { g.fill(boltPath()); g.stroke(boltPath(), 0.4); }},
        {"bolt.horizontal", [](const Pen& g) {
             QTransform t;
             t.translate(12, 12);
             t.rotate(90);
             t.translate(-12, -12);
             g.stroke(t.map(boltPath()), 0.8);
         }},
        {"powerplug.fill", [](const Pen& g) {
             g.line(9, 2.5, 9, 7);
             g.line(15, 2.5, 15, 7);
             g.rect(5.5, 7, 13, 7.5, 3, true);
             g.line(12, 14.5, 12, 21.5);
         }},
        {"power", [](const Pen& g) { g.arc(12, 13, 8, 120, 300); g.line(12, 3, 12, 11); }},
        {"arrow.down.to.line", [](const Pen& g) { arrowDown(g, 3, 16); g.line(5, 20.5, 19, 20.5); }},
        {"arrow.down", [](const Pen& g) { arrowDown(g, 3, 20.5); }},
        {"arrow.down.circle", [](const Pen& g) { circleMark(g, false); arrowDown(g, 7, 16.5); }},
        {"arrow.up.and.down", [](const Pen& g) {
             g.line(12, 3, 12, 21);
             g.poly({{7.5, 7.5}, {12, 3}, {16.5, 7.5}});
             g.poly({{7.5, 16.5}, {12, 21}, {16.5, 16.5}});
         }},
        {"arrow.up.arrow.down", [](const Pen& g) {
             g.line(8, 3, 8, 20);
             g.poly({{4, 7}, {8, 3}, {12, 7}});
             g.line(16, 4, 16, 21);
             g.poly({{12, 17}, {16, 21}, {20, 17}});
         }},
        {"arrow.up.left.and.arrow.down.right", [](const Pen& g) {
             g.line(4, 4, 20, 20);
             g.poly({{4, 11}, {4, 4}, {11, 4}});
             g.poly({{13, 20}, {20, 20}, {20, 13}});
         }},
        {"arrow.triangle.2.circlepath", [](const Pen& g) {
             g.arc(12, 12, 8, 20, 150);
             g.arc(12, 12, 8, 200, 150);
             g.poly({{18, 4.5}, {19.5, 9}, {15, 9.5}});
             g.poly({{6, 19.5}, {4.5, 15}, {9, 14.5}});
         }},
        {"checkmark", [](const Pen& g) { g.poly({{4, 12.5}, {9.5, 18}, {20, 6}}); }},
        {"checkmark.circle.fill", [](const Pen& g) {
             circleMark(g, true);
             QPainterPath c({7.5, 12.5});
             c.lineTo(10.8, 15.8);
             c.lineTo(16.5, 8.5);
             g.erase(c, -g.width * 0.1);
         }},
        {"chevron.right", [](const Pen& g) { g.poly({{9, 4}, {17, 12}, {9, 20}}); }},
        {"chevron.down", [](const Pen& g) { g.poly({{4, 9}, {12, 17}, {20, 9}}); }},
        {"chevron.up.chevron.down", [](const Pen& g) {
             g.poly({{7, 9}, {12, 4}, {17, 9}});
             g.poly({{7, 15}, {12, 20}, {17, 15}});
         }},
        {"plus", [](const Pen& g) { g.line(12, 4, 12, 20); g.line(4, 12, 20, 12); }},
        {"ellipsis", [](const Pen& g) { for (qreal x : {5.0, 12.0, 19.0}) g.circle(x, 12, 1.9, true); }},
        {"info.circle", [](const Pen& g) { circleMark(g, false); g.line(12, 11, 12, 17); g.circle(12, 7.5, 1.3, true); }},
        {"exclamationmark.triangle", [](const Pen& g) {
             g.poly({{12, 3}, {21.5, 20}, {2.5, 20}}, true);
             g.line(12, 9, 12, 14);
             g.circle(12, 17, 1.2, true);
         }},
        {"mic", [](const Pen& g) { mic(g, false); }},
        {"mic.fill", [](const Pen& g) { mic(g, true); }},
        {"waveform", [](const Pen& g) {
             const qreal h[] = {3, 7, 12, 16, 9, 13, 6, 3};
             for (int i = 0; i < 8; ++i)
                 g.line(3 + i * 2.57, 12 - h[i] / 2, 3 + i * 2.57, 12 + h[i] / 2, 0.8);
         }},
        {"eye", eye},
        {"eye.slash", [](const Pen& g) { eye(g); slash(g); }},
        {"heart.fill", [](const Pen& g) {
             QPainterPath h;
             h.moveTo(12, 20.5);
             h.cubicTo(4, 15, 1.5, 10.5, 3.5, 6.5);
             h.cubicTo(5.5, 3, 10, 3.5, 12, 7);
             h.cubicTo(14, 3.5, 18.5, 3, 20.5, 6.5);
             h.cubicTo(22.5, 10.5, 20, 15, 12, 20.5);
             g.fill(h);
         }},
        {"hand.raised.fill", [](const Pen& g) {
             for (qreal x : {7.0, 10.3, 13.6, 16.9})
                 g.rect(x - 1.5, x == 7.0 || x == 16.9 ? 5 : 3, 3, 11, 1.5, true);
             g.rect(5.5, 11, 13, 10, 4.5, true);
         }},
        {"lock.shield", [](const Pen& g) {
             QPainterPath s;
             s.moveTo(12, 2.5);
             s.lineTo(20, 5.5);
             s.cubicTo(20, 13, 17, 18.5, 12, 21.5);
             s.cubicTo(7, 18.5, 4, 13, 4, 5.5);
             s.closeSubpath();
             g.stroke(s);
             g.rect(9, 11, 6, 5, 1, true);
             g.arc(12, 11, 2, 0, 180);
         }},
        {"link", [](const Pen& g) {
             QTransform t;
             t.translate(12, 12);
             t.rotate(-45);
             QPainterPath a, b;
             a.addRoundedRect(QRectF(-9, -3.5, 10, 7), 3.5, 3.5);
             b.addRoundedRect(QRectF(-1, -3.5, 10, 7), 3.5, 3.5);
             g.stroke(t.map(a));
             g.stroke(t.map(b));
         }},
        {"link.badge.plus", [](const Pen& g) {
             QTransform t;
             t.translate(10, 13);
             t.rotate(-45);
             t.scale(0.8, 0.8);
             QPainterPath a, b;
             a.addRoundedRect(QRectF(-9, -3.5, 10, 7), 3.5, 3.5);
             b.addRoundedRect(QRectF(-1, -3.5, 10, 7), 3.5, 3.5);
             g.stroke(t.map(a));
             g.stroke(t.map(b));
             g.line(19, 2, 19, 8);
             g.line(16, 5, 22, 5);
         }},
        {"clock", [](const Pen& g) { circleMark(g, false); g.poly({{12, 6.5}, {12, 12}, {16, 14}}); }},
        {"hourglass", [](const Pen& g) {
             g.line(6, 3, 18, 3);
             g.line(6, 21, 18, 21);
             g.poly({{7, 3}, {7, 6}, {12, 12}, {17, 18}, {17, 21}});
             g.poly({{17, 3}, {17, 6}, {12, 12}, {7, 18}, {7, 21}});
         }},
        {"globe", [](const Pen& g) {
             circleMark(g, false);
             QPainterPath m;
             m.addEllipse(QPointF(12, 12), 4, 9.5);
             g.stroke(m, 0.8);
             g.line(2.5, 12, 21.5, 12, 0.8);
         }},
        {"keyboard", [](const Pen& g) {
             g.rect(2, 6, 20, 12, 2);
             for (int r = 0; r < 2; ++r)
                 for (int c = 0; c < 5; ++c)
                     g.circle(5.5 + c * 3.25, 9.3 + r * 2.8, 0.7, true);
             g.line(8, 15.3, 16, 15.3);
         }},
        {"computermouse", [](const Pen& g) { g.rect(6.5, 2.5, 11, 19, 5.5); g.line(12, 5.5, 12, 9); }},
        {"sparkles", [](const Pen& g) {
             auto star = [&](qreal cx, qreal cy, qreal r) {
                 QPainterPath s;
                 s.moveTo(cx, cy - r);
                 s.quadTo(cx, cy, cx + r, cy);
                 s.quadTo(cx, cy, cx, cy + r);
                 s.quadTo(cx, cy, cx - r, cy);
                 s.quadTo(cx, cy, cx, cy - r);
                 g.fill(s);
             };
             star(10, 13, 8);
             star(18.5, 5.5, 3.5);
             star(19, 18, 2.5);
         }},
        {"wind", [](const Pen& g) {
             QPainterPath a({2.5, 9});
             a.lineTo(15, 9);
             a.cubicTo(19, 9, 19, 3.5, 15.5, 4);
             g.stroke(a);
             QPainterPath b({2.5, 15});
             b.lineTo(18, 15);
             b.cubicTo(22, 15, 22, 20.5, 18.5, 20);
             g.stroke(b);
         }},
        {"thermometer.medium", [](const Pen& g) {
             g.rect(9.5, 2.5, 5, 13, 2.5);
             g.circle(12, 17.5, 4);
             g.circle(12, 17.5, 2.2, true);
             g.line(12, 9, 12, 16);
         }},
        {"slider.horizontal.3", [](const Pen& g) {
             const qreal knobs[] = {15, 8, 13};
             for (int i = 0; i < 3; ++i) {
                 const qreal y = 5 + i * 7;
                 g.line(3, y, 21, y);
                 g.circle(knobs[i], y, 2.2, true);
             }
         }},
        {"aspectratio", [](const Pen& g) {
             g.rect(2, 5, 20, 14, 2.5);
             g.poly({{6, 11}, {6, 8.5}, {9, 8.5}});
             g.poly({{15, 15.5}, {18, 15.5}, {18, 13}});
         }},
        {"cable.connector", [](const Pen& g) {
             g.rect(7, 3, 10, 9, 2);
             g.line(10, 5.5, 10, 8);
             g.line(14, 5.5, 14, 8);
             g.poly({{9, 12}, {9, 15}, {15, 15}, {15, 12}});
             g.line(12, 15, 12, 21.5);
         }},
        {"chart.xyaxis.line", [](const Pen& g) {
             g.poly({{3, 3}, {3, 21}, {21, 21}});
             g.poly({{6, 16}, {10, 10}, {14, 13}, {20, 5}});
         }},
        {"play.rectangle", [](const Pen& g) { g.rect(2.5, 4, 19, 16, 3); g.poly({{10, 8.5}, {15.5, 12}, {10, 15.5}}, true, true); }},
        {"circle.lefthalf.filled", [](const Pen& g) {
             circleMark(g, false);
             QPainterPath h;
             h.moveTo(12, 2.5);
             h.arcTo(QRectF(2.5, 2.5, 19, 19), 90, 180);
             h.closeSubpath();
             g.fill(h);
         }},
        {"circle.lefthalf.filled.righthalf.striped.horizontal", [](const Pen& g) {
             circleMark(g, false);
             QPainterPath h;
             h.moveTo(12, 2.5);
             h.arcTo(QRectF(2.5, 2.5, 19, 19), 90, 180);
             h.closeSubpath();
             g.fill(h);
             for (qreal y : {8.0, 12.0, 16.0})
                 g.line(14, y, 20, y, 0.6);
         }},
        // Devices: what an input of a monitor or an audio device is.
        {"desktopcomputer", [](const Pen& g) {
             g.rect(2.5, 3, 19, 13.5, 2);
             g.line(2.5, 13, 21.5, 13);
             g.poly({{10, 16.5}, {9.5, 20.5}});
             g.poly({{14, 16.5}, {14.5, 20.5}});
             g.line(7.5, 20.5, 16.5, 20.5);
         }},
        {"macmini", [](const Pen& g) {
             g.rect(2.5, 8.5, 19, 7.5, 2.5);
             g.circle(17.5, 12.25, 0.9, true);
             g.line(5, 18.5, 19, 18.5, 0.8);
         }},
        {"pc", [](const Pen& g) {
             g.rect(7, 2.5, 10, 19, 2);
             g.line(9.5, 6, 14.5, 6, 0.8);
             g.line(9.5, 8.5, 14.5, 8.5, 0.8);
             g.circle(12, 17, 1.4, true);
         }},
        {"gamecontroller", [](const Pen& g) {
             QPainterPath body;
             body.moveTo(7, 6.5);
             body.lineTo(17, 6.5);
             body.cubicTo(20.5, 6.5, 22, 10, 22.3, 14);
             body.cubicTo(22.6, 18.5, 19.5, 19.5, 17.5, 17);
             body.lineTo(16, 15.5);
             body.lineTo(8, 15.5);
             body.lineTo(6.5, 17);
             body.cubicTo(4.5, 19.5, 1.4, 18.5, 1.7, 14);
             body.cubicTo(2, 10, 3.5, 6.5, 7, 6.5);
             body.closeSubpath();
             g.stroke(body);
             g.line(7.5, 9, 7.5, 13, 0.8);
             g.line(5.5, 11, 9.5, 11, 0.8);
             g.circle(16, 9.8, 1.1, true);
             g.circle(18, 12, 1.1, true);
         }},
        {"tv", [](const Pen& g) { g.rect(2, 4, 20, 13, 2); g.line(7.5, 20, 16.5, 20); }},
        {"appletv", [](const Pen& g) {
             g.rect(2.5, 7, 19, 10, 3);
             // the "tv" lettering on the box
             g.line(9.5, 9.5, 9.5, 14.2, 0.7);
             g.line(8.3, 11, 10.9, 11, 0.7);
             g.poly({{12.5, 11}, {14, 14.2}, {15.5, 11}});
         }},
        {"headphones", [](const Pen& g) {
             g.arc(12, 13, 8.5, 0, 180);
             g.line(3.5, 13, 3.5, 16);
             g.line(20.5, 13, 20.5, 16);
             g.rect(3, 13, 4.5, 7.5, 2, true);
             g.rect(16.5, 13, 4.5, 7.5, 2, true);
         }},
        {"iphone", [](const Pen& g) { g.rect(6.5, 2, 11, 20, 2.8); g.line(10.5, 4.6, 13.5, 4.6, 0.8); }},
        {"hifispeaker", [](const Pen& g) {
             g.rect(5.5, 2, 13, 20, 2.5);
             g.circle(12, 6.8, 1.8);
             g.circle(12, 15, 3.7);
             g.circle(12, 15, 1, true);
         }},
        {"airplayaudio", [](const Pen& g) {
             g.arc(12, 12.5, 4, 210, -240);
             g.arc(12, 12.5, 8, 215, -250);
             g.poly({{7.5, 21.5}, {12, 16}, {16.5, 21.5}}, true, true);
         }},
        {"bolt", [](const Pen& g) { g.stroke(boltPath(), 0.8); }},
        {"gearshape", [](const Pen& g) {
             // Eight square-cut teeth around a ring, a hole in the middle.
             QPainterPath gear;
             auto point = [](qreal deg, qreal r) {
                 const qreal a = qDegreesToRadians(deg);
                 return QPointF(12 + r * std::cos(a), 12 + r * std::sin(a));
             };
             for (int i = 0; i < 8; ++i) {
                 const qreal a = i * 45.0;
                 const QPointF pts[] = {point(a - 15, 7.4), point(a - 9, 9.8), point(a + 9, 9.8), point(a + 15, 7.4)};
                 if (i == 0)
                     gear.moveTo(pts[0]);
                 else
                     gear.lineTo(pts[0]);
                 for (int k = 1; k < 4; ++k)
                     gear.lineTo(pts[k]);
             }
             gear.closeSubpath();
             g.stroke(gear);
             g.circle(12, 12, 3);
         }},
        {"rectangle", [](const Pen& g) { g.rect(2.5, 5, 19, 14, 2.5); }},
    };
    return table;
}

qreal strokeWidth(SymbolWeight weight)
{
    switch (weight) {
    case SymbolWeight::regular: return 1.7;
    case SymbolWeight::medium: return 1.9;
    case SymbolWeight::semibold: return 2.15;
    case SymbolWeight::bold: return 2.45;
    }
    return 1.7;
}

} // namespace

bool Symbols::has(const QString& name) { return glyphs().contains(name); }

QStringList Symbols::names()
{
    QStringList all = glyphs().keys();
    all.sort();
    return all;
}

QRectF Symbols::boxFor(qreal fontSize, const QPointF& centre)
{
    const qreal side = fontSize * 1.25;
    return QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side);
}

void Symbols::draw(QPainter& p, const QString& name, const QRectF& box, const QColor& color, SymbolWeight weight)
{
    const qreal side = std::min(box.width(), box.height());
    if (side <= 0)
        return;
    // The glyph is drawn on its own layer so a slash can cut a gap into it without cutting
    // into what lies beneath.
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const qreal scale = p.worldTransform().m11() > 0 ? p.worldTransform().m11() : 1.0;
    const int px = std::max(1, int(std::ceil(side * dpr * scale)));
    // The layers drawn, kept per glyph, size, colour and weight (the main thread's): a repaint
    // copies them instead of drawing every stroke again.
    static QCache<QString, QImage> layers(4096); // in kB
    const bool main = QThread::currentThread() == qApp->thread();
    const QString key =
        QStringLiteral("%1|%2|%3|%4|%5").arg(name).arg(px).arg(color.rgba64(), 0, 16).arg(int(weight)).arg(dpr * scale);
    QImage layer;
    if (const QImage* kept = main ? layers.object(key) : nullptr) {
        layer = *kept;
    } else {
        layer = QImage(px, px, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        {
            QPainter lp(&layer);
            lp.setRenderHint(QPainter::Antialiasing);
            lp.scale(px / 24.0, px / 24.0);
            const Pen pen{lp, color, strokeWidth(weight)};
            if (auto it = glyphs().find(name); it != glyphs().end())
                (*it)(pen);
            else
                pen.rect(4, 4, 16, 16, 4);
        }
        layer.setDevicePixelRatio(dpr * scale);
        if (main)
            layers.insert(key, new QImage(layer), std::max<qsizetype>(1, layer.sizeInBytes() / 1024));
    }
    const QRectF target(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, layer);
    p.restore();
}

namespace {

class SymbolIconEngine : public QIconEngine {
public:
    SymbolIconEngine(QString name, QColor color, SymbolWeight weight, QPointer<const QWidget> context)
        : name_(std::move(name)), color_(std::move(color)), weight_(weight), context_(std::move(context))
    {
    }
    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        QColor c = color_;
        if (!c.isValid()) {
            // The palette of the menu the icon is shown in, so a dark menu gets light symbols.
            const QPalette pal = context_ ? context_->palette() : QApplication::palette();
            c = mode == QIcon::Selected ? pal.color(QPalette::Active, QPalette::HighlightedText)
                : mode == QIcon::Disabled ? pal.color(QPalette::Disabled, QPalette::WindowText)
                                          : pal.color(QPalette::Active, QPalette::WindowText);
        }
        if (mode == QIcon::Disabled)
            c = withAlpha(c, 0.4);
        Symbols::draw(*p, name_, QRectF(rect), c, weight_);
    }
    // `size` is in device pixels here; QIcon sets the pixmap's ratio afterwards.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal) override
    {
        return pixmap(size, mode, state);
    }
    QIconEngine* clone() const override { return new SymbolIconEngine(name_, color_, weight_, context_); }
    QString key() const override { return "pelorn-symbol"; }
    bool isNull() override { return name_.isEmpty(); }

private:
    QString name_;
    QColor color_;
    SymbolWeight weight_;
    QPointer<const QWidget> context_;
};

} // namespace

QIcon Symbols::icon(const QString& name, const QColor& color, SymbolWeight weight)
{
    return QIcon(new SymbolIconEngine(name, color, weight, nullptr));
}

QIcon Symbols::icon(const QString& name, const QWidget* context, SymbolWeight weight)
{
    return QIcon(new SymbolIconEngine(name, QColor(), weight, context));
}

// ---- SymbolView

SymbolView::SymbolView(QString name, qreal fontSize, SymbolWeight weight, QWidget* parent)
    : QWidget(parent), name_(std::move(name)), fontSize_(fontSize), weight_(weight)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolView::setSymbol(const QString& name)
{
    if (name == name_)
        return;
    name_ = name;
    update();
}

void SymbolView::setColor(const Tint& color)
{
    if (color == color_)
        return;
    color_ = color;
    update();
}

QSize SymbolView::sizeHint() const
{
    const int side = int(std::ceil(fontSize_ * 1.25));
    return {side, side};
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!isEnabled())
        p.setOpacity(0.45); // as the texts beside it

    Symbols::draw(p, name_, Symbols::boxFor(fontSize_, QRectF(rect()).center()),
                  shownColor(), weight_);
}

QColor SymbolView::shownColor() const { return color_.resolve(this, Tint::secondary()); }

SymbolReplace::SymbolReplace(QString name, QWidget* owner)
    : QObject(owner), name_(std::move(name)), animation_(new QVariantAnimation(this))
{
    animation_->setDuration(kDurationMs);
    animation_->setEasingCurve(QEasingCurve::InOutQuad);
    animation_->setStartValue(0.0);
    animation_->setEndValue(1.0);
    connect(animation_, &QVariantAnimation::valueChanged, owner, qOverload<>(&QWidget::update));
}

void SymbolReplace::setName(const QString& name)
{
    if (name == name_)
        return;
    // A change in the middle of a replacement starts from the symbol that is mostly drawn.
    if (state().progress >= 0.5)
        previous_ = name_;
    name_ = name;
    animation_->stop();
    if (Spring::animationsEnabled())
        animation_->start();
}

SymbolReplace::State SymbolReplace::state() const
{
    if (previous_.isEmpty() || animation_->state() != QAbstractAnimation::Running || animation_->duration() <= 0)
        return {previous_, name_, 1.0};
    const double t = double(animation_->currentTime()) / animation_->duration();
    return {previous_, name_, animation_->easingCurve().valueForProgress(t)};
}

void SymbolReplace::paint(QPainter& p, const QRectF& box, const QColor& color, SymbolWeight weight) const
{
    const State s = state();
    const QPointF centre = box.center();
    auto draw = [&](const QString& name, double scale, double opacity) {
        if (opacity <= 0)
            return;
        p.save();
        p.setOpacity(p.opacity() * opacity);
        p.translate(centre);
        p.scale(scale, scale);
        p.translate(-centre);
        Symbols::draw(p, name, box, color, weight);
        p.restore();
    };
    if (s.progress >= 1.0) {
        draw(s.to, 1.0, 1.0);
        return;
    }
    // The old symbol shrinks away over the first 60 %, the new one grows in over the last 60 %.
    const double out = std::min(1.0, s.progress / 0.6), in = std::max(0.0, (s.progress - 0.4) / 0.6);
    draw(s.from, 1.0 - 0.5 * out, 1.0 - out);
    draw(s.to, 0.5 + 0.5 * in, in);
}
