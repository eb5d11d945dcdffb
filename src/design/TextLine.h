#pragma once
// One line of text as a widget: shown verbatim, shrinking down to a minimum scale and then
// truncated, never wrapped. Colour: a tint, or the primary, secondary or tertiary label colour
// of the widget's appearance, resolved when painting.
#include "design/Theme.h"

#include <QColor>
#include <QFont>
#include <QWidget>

class TextLine : public QWidget {
    Q_OBJECT
public:
    enum class Tone { primary, secondary, tertiary };
    TextLine(QString text, QFont font, Tone tone = Tone::primary, QWidget* parent = nullptr);

    virtual void setText(const QString& text);
    QString text() const { return text_; }
    QFont textFont() const { return font_; }
    Qt::Alignment alignment() const { return alignment_; }
    QColor shownColor() const; // the tint, else the tone's
    void setColor(const Tint& color); // none: back to the tone
    void setTone(Tone tone);
    void setTextFont(const QFont& font);
    static QColor toneColor(Tone tone, const QWidget* widget);
    // How much of a disabled control's drawing shows.
    static constexpr qreal kDisabledOpacity = 0.45;
    void setMinimumScale(qreal scale);
    qreal minimumScale() const { return minimumScale_; }
    void setAlignment(Qt::Alignment a) { alignment_ = a; }
    // The text as it is drawn now (after shrinking and truncating).
    QString shownText() const;
    QFont shownFont() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    // A cut-short text carries the whole text as its tooltip, unless the owner set one.
    void updateTip();
    QString tip_;
    QString text_;
    QFont font_;
    Tone tone_;
    Tint color_;
    qreal minimumScale_ = 1.0;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};
