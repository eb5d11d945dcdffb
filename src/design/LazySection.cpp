#include "design/LazySection.h"

#include <QVBoxLayout>

LazySection::LazySection(std::function<QWidget*()> make, int expectedHeight, QWidget* parent)
    : QWidget(parent), make_(std::move(make))
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    setMinimumHeight(expectedHeight);
}

void LazySection::build()
{
    if (content_)
        return;
    content_ = make_();
    make_ = nullptr;
    layout()->addWidget(content_);
    setMinimumHeight(0);
}

void LazySection::paintEvent(QPaintEvent*)
{
    // Built after this frame, never from inside the paint.
    if (content_ || scheduled_)
        return;
    scheduled_ = true;
    QMetaObject::invokeMethod(this, &LazySection::build, Qt::QueuedConnection);
}
