#include "design/TextLine.h"

#include "design/Paint.h"
#include "design/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

TextLine::TextLine(QString text, QFont font, Tone tone, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), font_(std::move(font)), tone_(tone)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(text_);
}

void TextLine::setText(const QString& text)
{
    if (text == text_)
        return; // a re-read that changed nothing repaints nothing
    text_ = text;
    setAccessibleName(text_);
    updateTip();
    updateGeometry();
    update();
}

void TextLine::setColor(const Tint& color)
{
    if (color == color_)
        return;
    color_ = color;
    update();
}

void TextLine::setTone(Tone tone)
{
    if (tone == tone_)
        return;
    tone_ = tone;
    update();
}

void TextLine::setTextFont(const QFont& font)
{
    font_ = font;
    updateTip();
    updateGeometry();
    update();
}

void TextLine::setMinimumScale(qreal scale)
{
    minimumScale_ = scale;
    updateTip();
}

void TextLine::resizeEvent(QResizeEvent*) { updateTip(); }

void TextLine::updateTip()
{
    if (toolTip() != tip_)
        return; // the owner's own
    tip_ = design::elides(font_, text_, width(), minimumScale_) ? text_ : QString();
    setToolTip(tip_);
}

QColor TextLine::toneColor(Tone tone, const QWidget* widget)
{
    switch (tone) {
    case Tone::primary: return primaryColor(widget);
    case Tone::secondary: return secondaryColor(widget);
    case Tone::tertiary: return tertiaryColor(widget);
    }
    return primaryColor(widget);
}

QColor TextLine::shownColor() const { return color_.isNone() ? toneColor(tone_, this) : color_.resolve(this); }

QFont TextLine::shownFont() const { return design::fittedFont(font_, text_, width(), minimumScale_); }

QString TextLine::shownText() const
{
    const QFont f = shownFont();
    return QFontMetricsF(f).elidedText(text_, Qt::ElideRight, width());
}

QSize TextLine::sizeHint() const
{
    const QFontMetricsF fm(font_);
    return {int(std::ceil(fm.horizontalAdvance(text_))) + 1, int(std::ceil(fm.height()))};
}

QSize TextLine::minimumSizeHint() const { return {0, sizeHint().height()}; }

void TextLine::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (!isEnabled())
        p.setOpacity(kDisabledOpacity);
    p.setPen(shownColor());
    design::drawLine(p, rect(), text_, font_, minimumScale_, int(alignment_));
}
