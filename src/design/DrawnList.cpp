#include "design/DrawnList.h"

#include "design/Accessibility.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <algorithm>
#include <cmath>

DrawnList::DrawnList(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus); // until a row can be acted on
}

void DrawnList::describeRows(Elements elements)
{
    design::a11y::describeItems(
        this, {QAccessible::List, elements.role, [this] { return rowCount(); }, std::move(elements.name),
               std::move(elements.description), [this](int i) { return isRowEnabled(i); }, std::move(elements.selected),
               [this] { return current_; }, [this](int i) { return rowRect(i).toAlignedRect(); },
               [this](int i) {
                   if (isRowEnabled(i))
                       activateRow(i);
               }});
}

QRectF DrawnList::rowRect(int index) const
{
    return {0, index * (rowHeight() + rowGap()), qreal(width()), rowHeight()};
}

int DrawnList::rowAt(const QPointF& point) const
{
    const int i = int(std::floor(point.y() / (rowHeight() + rowGap())));
    return i >= 0 && i < rowCount() && rowRect(i).contains(point) ? i : -1;
}

QSize DrawnList::sizeHint() const
{
    const qreal n = rowCount();
    return QSizeF(preferredWidth(), std::max<qreal>(0, n * rowHeight() + (n - 1) * rowGap())).toSize();
}

void DrawnList::rowsChanged(bool countChanged)
{
    const int n = rowCount();
    bool any = false;
    for (int i = 0; i < n && !any; ++i)
        any = isRowEnabled(i);
    setFocusPolicy(any ? Qt::TabFocus : Qt::NoFocus);
    if (current_ >= n || (current_ >= 0 && !isRowEnabled(current_)))
        current_ = hasFocus() ? initialRow() : -1;
    if (countChanged) {
        design::a11y::itemsChanged(this);
        updateGeometry();
    }
    update();
}

int DrawnList::nextEnabled(int from, int step) const
{
    for (int i = from + step; i >= 0 && i < rowCount(); i += step)
        if (isRowEnabled(i))
            return i;
    return -1;
}

void DrawnList::paintEvent(QPaintEvent* e)
{
    const int n = rowCount();
    if (n == 0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Only the rows the paint reaches: a long list is mostly out of view.
    const qreal pitch = rowHeight() + rowGap();
    const int first = std::max(0, int(e->rect().top() / pitch));
    const int last = std::min(n - 1, int(e->rect().bottom() / pitch));
    for (int i = first; i <= last; ++i) {
        p.save();
        paintRow(p, i, rowRect(i));
        p.restore();
    }
}

void DrawnList::keyPressEvent(QKeyEvent* e)
{
    int to = -1;
    switch (e->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current_ >= 0 && isRowEnabled(current_))
            activateRow(current_);
        return;
    case Qt::Key_Down:
        to = nextEnabled(current_, 1);
        break;
    case Qt::Key_Up:
        to = nextEnabled(current_, -1);
        break;
    case Qt::Key_Home:
        to = nextEnabled(-1, 1);
        break;
    case Qt::Key_End:
        to = nextEnabled(rowCount(), -1);
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    if (to >= 0)
        moveTo(to, activatesOnMove());
}

void DrawnList::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    int start = current_;
    if (start < 0)
        start = e->reason() == Qt::BacktabFocusReason && !activatesOnMove() ? nextEnabled(rowCount(), -1) : initialRow();
    moveTo(start, false);
}

void DrawnList::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    update();
}

void DrawnList::moveTo(int index, bool activate)
{
    current_ = index;
    update();
    if (index < 0 || !hasFocus())
        return;
    // Bring the row into view in the page that scrolls this list.
    for (QWidget* up = parentWidget(); up; up = up->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(up); area && area->widget()) {
            const QRect row = rowRect(index).toAlignedRect();
            const QPoint centre = mapTo(area->widget(), row.center());
            area->ensureVisible(centre.x(), centre.y(), 0, row.height());
            break;
        }
    design::a11y::announceItemFocus(this, index);
    if (activate)
        activateRow(index);
}
