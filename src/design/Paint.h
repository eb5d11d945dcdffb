#pragma once
// Small painting helpers shared by the components: the platform's text styles and single-line
// text that shrinks before it truncates.
#include <QFont>
#include <QRectF>
#include <QString>
#include <functional>

class QPainter;

namespace design {

// System font at a size in points (one point is one device-independent pixel).
QFont systemFont(qreal size, QFont::Weight weight = QFont::Normal);
inline QFont calloutFont(QFont::Weight weight = QFont::Normal) { return systemFont(12, weight); }
// The platform's other text styles, at their sizes in the default text size.
inline QFont bodyFont(QFont::Weight weight = QFont::Normal) { return systemFont(13, weight); }
inline QFont headlineFont() { return systemFont(13, QFont::DemiBold); }
inline QFont subheadlineFont(QFont::Weight weight = QFont::Normal) { return systemFont(11, weight); }
inline QFont captionFont(QFont::Weight weight = QFont::Normal) { return systemFont(10, weight); }
inline QFont title3Font(QFont::Weight weight = QFont::Normal) { return systemFont(15, weight); }
inline QFont title2Font(QFont::Weight weight = QFont::Normal) { return systemFont(17, weight); }
// Large numeric readouts (size 22, semibold): digits of equal width, so a changing value does
// not make its neighbours jump.
QFont valueFont(qreal size = 22, QFont::Weight weight = QFont::DemiBold);

// The font a single line needs to fit `width`: the font itself, or smaller down to
// `minimumScale` of its size.
QFont fittedFont(const QFont& font, const QString& text, qreal width, qreal minimumScale);
// Width of the text in the font.
qreal textWidth(const QFont& font, const QString& text);
// Whether drawLine would cut the text short in that width.
bool elides(const QFont& font, const QString& text, qreal width, qreal minimumScale = 1.0);

// Draws one line in `rect`: shrunk down to `minimumScale`, then truncated with an ellipsis.
void drawLine(QPainter& p, const QRectF& rect, const QString& text, const QFont& font, qreal minimumScale = 1.0,
              int alignment = 0x0001 /*Qt::AlignLeft*/ | 0x0080 /*Qt::AlignVCenter*/);

// Paints what `paint` draws inside `area` through a cached pixmap: `look` names everything that
// changes the drawing (its colours as resolved now, its shape relative to `area`), the pixmap's
// size, device pixel ratio and sub-pixel offset are added here, so a stale picture is never
// shown. Painters that scale, rotate or fade draw directly.
void paintCached(QPainter& p, const QRectF& area, const QString& look, const std::function<void(QPainter&)>& paint);

} // namespace design
