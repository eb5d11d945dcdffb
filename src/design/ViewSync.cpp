#include "design/ViewSync.h"

#include <QBoxLayout>
#include <QWidget>

ViewSync::ViewSync(QWidget* view, std::function<void()> sync) : QObject(view), sync_(std::move(sync)) {}

void ViewSync::schedule()
{
    if (pending_)
        return;
    pending_ = true;
    QMetaObject::invokeMethod(this, &ViewSync::run, Qt::QueuedConnection);
}

void ViewSync::flush()
{
    if (pending_)
        run();
}

void ViewSync::run()
{
    if (!pending_)
        return; // flushed before the queued call arrived
    pending_ = false;
    ++count_;
    if (sync_)
        sync_();
}

void retireWidget(QWidget* widget)
{
    if (!widget)
        return;
    if (QWidget* parent = widget->parentWidget())
        if (QLayout* layout = parent->layout())
            layout->removeWidget(widget);
    widget->hide();
    widget->deleteLater();
}

KeyedRows::KeyedRows(QBoxLayout* layout, int index) : layout_(layout), index_(index) {}

QWidget* KeyedRows::row(const QString& key) const
{
    const auto it = positions_.constFind(key);
    return it == positions_.constEnd() ? nullptr : rows_[size_t(*it)].data();
}

// Linear in the rows: lists run to thousands of profiles, and a lookup per key or a layout move
// per unchanged row would make every sync quadratic.
bool KeyedRows::sync(const QStringList& keys, const std::function<QWidget*(const QString&)>& make)
{
    if (keys == keys_)
        return false;
    std::vector<QPointer<QWidget>> rows;
    std::vector<bool> made;
    QHash<QString, qsizetype> positions;
    rows.reserve(size_t(keys.size()));
    made.reserve(size_t(keys.size()));
    positions.reserve(keys.size());
    for (const QString& key : keys) {
        const auto old = positions_.constFind(key);
        if (old != positions_.constEnd() && rows_[size_t(*old)]) {
            rows.push_back(rows_[size_t(*old)]);
            rows_[size_t(*old)] = nullptr; // taken
            made.push_back(false);
        } else {
            rows.push_back(make(key));
            made.push_back(true);
        }
        if (!positions.contains(key)) // the first of equal keys, as before
            positions.insert(key, qsizetype(rows.size() - 1));
    }
    for (const QPointer<QWidget>& gone : rows_)
        retireWidget(gone);
    // Re-inserting a widget that is already in the layout moves it to its new place; one that is
    // there already stays. The layout shows a new row unless its maker hid it.
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i])
            continue;
        const int at = index_ + int(i);
        if (QLayoutItem* item = layout_->itemAt(at); item && item->widget() == rows[i])
            continue;
        if (!made[i])
            layout_->removeWidget(rows[i]);
        layout_->insertWidget(at, rows[i]);
    }
    keys_ = keys;
    rows_ = std::move(rows);
    positions_ = std::move(positions);
    return true;
}
