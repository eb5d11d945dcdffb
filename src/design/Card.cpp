#include "design/Card.h"

#include "design/Glass.h"
#include "design/Paint.h"
#include "design/Shapes.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

Card::Card(qreal padding, QWidget* parent) : QWidget(parent), padding_(padding)
{
    stack_ = new QVBoxLayout(this);
    const int m = int(std::lround(padding));
    stack_->setContentsMargins(m, m, m, m);
    stack_->setSpacing(10);
    stack_->addStretch(1); // keeps the content at the top when the card is stretched
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    followTheme(this);
}

void Card::addWidget(QWidget* widget) { stack_->insertWidget(stack_->count() - 1, widget); }

void Card::addLayout(QLayout* layout) { stack_->insertLayout(stack_->count() - 1, layout); }

void Card::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const KVMGlass glass = kvmGlass(continuousRoundedRect(QRectF(rect()), 20), std::nullopt, false);
    glass.paintBackground(p, this);
    glass.paintOverlay(p, this); // the content lies inside the padding, never on the outline
}

CardHeader::CardHeader(QString title, QString symbol, Tint tint, QWidget* trailing, QWidget* parent)
    : QWidget(parent), trailing_(trailing)
{
    auto* row = row_ = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    icon_ = new SymbolView(std::move(symbol), 13, SymbolWeight::semibold);
    icon_->setColor(tint);
    icon_->setFixedWidth(18);
    row->addWidget(icon_, 0, Qt::AlignCenter);
    title_ = new TextLine(std::move(title), design::systemFont(14, QFont::DemiBold));
    title_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    row->addWidget(title_, 0);
    row->addSpacerItem(new QSpacerItem(8, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    if (trailing_)
        row->addWidget(trailing_, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CardHeader::setTitle(const QString& title) { title_->setText(title); }

void CardHeader::setSymbol(const QString& symbol) { icon_->setSymbol(symbol); }

void CardHeader::setTint(const Tint& tint) { icon_->setColor(tint); }

void CardHeader::setTrailing(QWidget* trailing)
{
    if (trailing == trailing_)
        return;
    retireWidget(trailing_);
    trailing_ = trailing;
    if (trailing_)
        row_->addWidget(trailing_, 0, Qt::AlignVCenter);
}
