#pragma once
// The surface every group of controls sits on: a glass rounded rectangle (radius 20,
// continuous corners) with the content stacked at its top left, 10 points apart. A card takes
// all the width and height it is offered, so grid rows and masonry columns line up.
#include "design/Symbols.h"
#include "design/Theme.h"

#include <QColor>
#include <QWidget>

class QHBoxLayout;
class QVBoxLayout;
class TextLine;

class Card : public QWidget {
    Q_OBJECT
public:
    explicit Card(qreal padding, QWidget* parent = nullptr);

    void addWidget(QWidget* widget);
    void addLayout(QLayout* layout);
    qreal padding() const { return padding_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    qreal padding_;
    QVBoxLayout* stack_;
};

// Symbol, title, a flexible gap of at least 8 points and an optional trailing control. No tint
// draws the symbol in the secondary colour of the appearance it is shown in.
class CardHeader : public QWidget {
    Q_OBJECT
public:
    CardHeader(QString title, QString symbol, Tint tint = {}, QWidget* trailing = nullptr, QWidget* parent = nullptr);

    SymbolView* icon() const { return icon_; }
    TextLine* titleLine() const { return title_; }
    QWidget* trailing() const { return trailing_; }

    void setTitle(const QString& title);
    void setSymbol(const QString& symbol);
    void setTint(const Tint& tint);
    // Puts `trailing` (or nothing) at the end of the row; the previous one is deleted later.
    void setTrailing(QWidget* trailing);

private:
    QHBoxLayout* row_;
    SymbolView* icon_;
    TextLine* title_;
    QWidget* trailing_;
};
