#include "design/LazySection.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
QAbstractScrollArea* scrollAreaOf(const QWidget* w)
{
    for (QWidget* up = w->parentWidget(); up; up = up->parentWidget())
        if (auto* area = qobject_cast<QAbstractScrollArea*>(up))
            return area;
    return nullptr;
}
} // namespace

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
    disconnect(scrolled_);
    content_ = make_();
    make_ = nullptr;
    layout()->addWidget(content_);
    setMinimumHeight(0);
    if (isVisible()) {
        // Shown and placed now rather than on the next turn of the event loop, so the frame
        // being prepared draws it.
        content_->show();
        layout()->activate();
    }
}

bool LazySection::inView() const
{
    if (!isVisible())
        return false;
    const QAbstractScrollArea* area = scrollAreaOf(this);
    if (!area)
        return true;
    const QWidget* viewport = area->viewport();
    return QRect(mapTo(viewport, QPoint(0, 0)), size()).intersects(viewport->rect());
}

void LazySection::buildIfInView()
{
    if (!content_ && inView())
        build();
}

bool LazySection::event(QEvent* e)
{
    const bool handled = QWidget::event(e);
    switch (e->type()) {
    case QEvent::Show:
        if (QAbstractScrollArea* area = scrollAreaOf(this); area && !content_ && !scrolled_)
            scrolled_ = connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this,
                                &LazySection::buildIfInView);
        buildIfInView();
        break;
    case QEvent::Move:
    case QEvent::Resize: // laid out by its page
        buildIfInView();
        break;
    default:
        break;
    }
    return handled;
}

void LazySection::paintEvent(QPaintEvent*)
{
    // Reached in some other way (a window grown taller): built after this frame, never from
    // inside the paint.
    if (content_ || scheduled_)
        return;
    scheduled_ = true;
    QMetaObject::invokeMethod(this, &LazySection::build, Qt::QueuedConnection);
}
