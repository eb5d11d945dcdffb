#pragma once
// How a view follows the managers it shows.
//
//     AudioCard::AudioCard(AudioManager& audio, QWidget* parent) : QWidget(parent), audio_(audio)
//     {
//         build();                                   // the widgets, once
//         auto* binding = new ViewSync(this, [this] { sync(); });
//         binding->follow(&audio_, &AudioManager::changed);
//         sync();
//     }
//
// Every `changed()` of a followed manager schedules one queued call of `sync`; any number of
// changes in one turn of the event loop give one call, made after the code that changed the
// manager has returned. So a switch whose toggle makes its own card rebuild is never deleted
// under its own event handler. `sync` updates the existing widgets in place (texts, values,
// enabled states) and, where rows come and go, lets `KeyedRows` keep the ones that stay.
//
// Edits win: `TextField::syncText` leaves a field being edited alone, and the sliders ignore
// values given while they are dragged (they show the manager's answer on release).
#include <QObject>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <vector>

class QBoxLayout;
class QWidget;

class ViewSync : public QObject {
    Q_OBJECT
public:
    // Owned by `view`: no sync runs once the view is gone.
    ViewSync(QWidget* view, std::function<void()> sync);

    // Schedules a sync on every emission of `signal` (any signal; its arguments are ignored).
    template <class Sender, class Signal>
    ViewSync& follow(const Sender* sender, Signal signal)
    {
        connect(sender, signal, this, &ViewSync::schedule);
        return *this;
    }

    // Asks for a sync in the next turn of the event loop; several asks give one sync.
    void schedule();
    bool isPending() const { return pending_; }
    // Runs a pending sync now (a view that must be current before it is shown).
    void flush();
    int syncCount() const { return count_; }

private:
    void run();
    std::function<void()> sync_;
    bool pending_ = false;
    int count_ = 0;
};

// Takes a child widget out of its layout and deletes it later, never under a running handler.
void retireWidget(QWidget* widget);

// The rows of a list that follows a manager's items: one widget per key, kept while its key
// stays, made when a key appears, retired (deleteLater) when it goes, reordered as the keys are.
class KeyedRows {
public:
    // Rows are placed in `layout` from `index` on (items before it are left alone).
    explicit KeyedRows(QBoxLayout* layout, int index = 0);

    // Shows one widget per key in the keys' order, calling `make` for keys not seen before.
    // Answers whether any row came, went or moved; updating the rows in place is the caller's.
    bool sync(const QStringList& keys, const std::function<QWidget*(const QString& key)>& make);

    QWidget* row(const QString& key) const; // null when there is none
    template <class W>
    W* row(const QString& key) const
    {
        return dynamic_cast<W*>(row(key));
    }
    const QStringList& keys() const { return keys_; }

private:
    QBoxLayout* layout_;
    int index_;
    QStringList keys_;
    std::vector<QPointer<QWidget>> rows_;
    QHash<QString, qsizetype> positions_; // key to index in rows_
};
