#include "design/Paint.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>

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

bool elides(const QFont& font, const QString& text, qreal width, qreal minimumScale)
{
    const QFont f = fittedFont(font, text, width, minimumScale);
    return QFontMetricsF(f).elidedText(text, Qt::ElideRight, width) != text;
}

void drawLine(QPainter& p, const QRectF& rect, const QString& text, const QFont& font, qreal minimumScale, int alignment)
{
    const QFont f = fittedFont(font, text, rect.width(), minimumScale);
    p.setFont(f);
    const QString shown = QFontMetricsF(f).elidedText(text, Qt::ElideRight, rect.width());
    p.drawText(rect, alignment | Qt::TextSingleLine, shown);
}

} // namespace design
