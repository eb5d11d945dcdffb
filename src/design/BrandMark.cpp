#include "design/BrandMark.h"

#include "app/Texts.h"
#include "design/Paint.h"
#include "design/TextLine.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

BrandMark::BrandMark(qreal size, std::optional<qreal> lineWidth, QWidget* parent)
    : QWidget(parent), size_(size), lineWidth_(lineWidth)
{
    setFixedSize(sizeHint());
    setAccessibleName(Texts::tr("Quendrel"));
}

qreal BrandMark::strokeWidth() const { return lineWidth_ ? *lineWidth_ : std::max(size_ * 0.11, 1.2); }

QLineF BrandMark::bar() const
{
    const qreal c = size_ * 0.5;
    const qreal d = ringRadius() * 1.45 / std::sqrt(2.0);
    return QLineF(c - d, c + d, c + d, c - d);
}

QSize BrandMark::sizeHint() const
{
    const int side = int(std::ceil(size_));
    return {side, side};
}

void BrandMark::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = palette().color(foregroundRole());
    const qreal w = strokeWidth();
    const qreal c = size_ * 0.5;
    p.setBrush(Qt::NoBrush);
    QPen ring(color, w, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    ring.setMiterLimit(10);
    p.setPen(ring);
    p.drawEllipse(QPointF(c, c), ringRadius(), ringRadius());
    QPen bar(color, w, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    bar.setMiterLimit(10);
    p.setPen(bar);
    p.drawLine(this->bar());
}

BrandSignature::BrandSignature(qreal markSize, QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    mark_ = new BrandMark(markSize);
    row->addWidget(mark_, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(new TextLine(Texts::tr("Quendrel"),
                                  design::systemFont(13, QFont::DemiBold)));
    texts->addWidget(new TextLine(Texts::tr("by Ostrane"),
                                  design::systemFont(10, QFont::Medium), TextLine::Tone::secondary));
    row->addLayout(texts);
    row->addStretch();
}
