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
    const qsizetype i = keys_.indexOf(key);
    return i < 0 ? nullptr : rows_[size_t(i)].data();
}

bool KeyedRows::sync(const QStringList& keys, const std::function<QWidget*(const QString&)>& make)
{
    if (keys == keys_)
        return false;
    std::vector<QPointer<QWidget>> rows;
    rows.reserve(size_t(keys.size()));
    for (const QString& key : keys) {
        const qsizetype old = keys_.indexOf(key);
        if (old >= 0 && rows_[size_t(old)]) {
            rows.push_back(rows_[size_t(old)]);
            rows_[size_t(old)] = nullptr; // taken
        } else {
            rows.push_back(make(key));
        }
    }
    for (const QPointer<QWidget>& gone : rows_)
        retireWidget(gone);
    // Re-inserting a widget that is already in the layout moves it to its new place. The layout
    // shows a new row unless its maker hid it.
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i])
            continue;
        layout_->removeWidget(rows[i]);
        layout_->insertWidget(index_ + int(i), rows[i]);
    }
    keys_ = keys;
    rows_ = std::move(rows);
    return true;
}
