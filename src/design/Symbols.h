#pragma once
// The one provider of the symbol images the views ask for by name ("speaker.wave.2.fill").
// Each symbol is drawn as vector paths on a 24-unit grid, so it is sharp at every scale and
// takes the colour it is given; no icon theme is needed.
#include "design/Theme.h"

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>

class QPainter;
class QVariantAnimation;

enum class SymbolWeight { regular, medium, semibold, bold };

class Symbols {
public:
    Symbols() = delete;
    static bool has(const QString& name);
    static QStringList names();
    // Draws the symbol centred in `box` (as large as fits in a square). An unknown name
    // draws a neutral placeholder, so a mistyped name shows up without breaking the view.
    static void draw(QPainter& p, const QString& name, const QRectF& box, const QColor& color,
                     SymbolWeight weight = SymbolWeight::regular);
    // The box of a symbol shown at a font size: the glyph is about as tall as a capital.
    static QRectF boxFor(qreal fontSize, const QPointF& centre);
    // The symbol as an icon (menu items, tool buttons), drawn afresh at every size and scale.
    // An invalid colour draws in the text colour of the state it is shown in (normal,
    // disabled, selected).
    static QIcon icon(const QString& name, const QColor& color = QColor(),
                      SymbolWeight weight = SymbolWeight::regular);
    // In the text colours of `context`'s palette (the menu it is shown in) at paint time.
    static QIcon icon(const QString& name, const QWidget* context, SymbolWeight weight = SymbolWeight::regular);
};

// A symbol as a widget, for layouts (card headers, rows).
class SymbolView : public QWidget {
    Q_OBJECT
public:
    SymbolView(QString name, qreal fontSize, SymbolWeight weight, QWidget* parent = nullptr);
    void setSymbol(const QString& name);
    QString symbol() const { return name_; }
    // No tint means the secondary label colour.
    void setColor(const Tint& color);
    const Tint& color() const { return color_; }
    QColor shownColor() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString name_;
    qreal fontSize_;
    SymbolWeight weight_;
    Tint color_;
};

// A symbol shown with the replace effect: when its name changes, the old symbol shrinks and
// fades out while the new one grows in, and the owner is repainted meanwhile. With animations
// off (Spring::setAnimationsEnabled) a change is drawn at once.
class SymbolReplace : public QObject {
    Q_OBJECT
public:
    static constexpr int kDurationMs = 250;

    SymbolReplace(QString name, QWidget* owner);
    void setName(const QString& name);
    QString name() const { return name_; }

    struct State {
        QString from, to;
        double progress = 1; // 0 at the change, 1 once only `to` is drawn
    };
    State state() const;
    QVariantAnimation* animation() const { return animation_; }

    // Draws the state in `box`, as Symbols::draw does.
    void paint(QPainter& p, const QRectF& box, const QColor& color, SymbolWeight weight) const;

private:
    QString previous_, name_;
    QVariantAnimation* animation_;
};
