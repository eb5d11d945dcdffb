#include "showcase/ShowcaseAnchor.h"

#include "showcase/Showcase.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

QMap<QString, QRectF>& Showcase::anchors()
{
    static QMap<QString, QRectF> anchors;
    return anchors;
}

namespace {

// Watches the view and its ancestors (re-collected when the view changes parent) and reports
// the view's frame whenever one of them moves, resizes or is shown.
class AnchorWatcher : public QObject {
public:
    AnchorWatcher(QWidget* view, QString name) : QObject(view), view_(view), name_(std::move(name))
    {
        watchChain();
        report();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ParentChange:
            if (watched == view_)
                watchChain();
            [[fallthrough]];
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
            report();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void watchChain()
    {
        for (QWidget* w : watched_)
            if (w)
                w->removeEventFilter(this);
        watched_.clear();
        for (QWidget* w = view_; w; w = w->parentWidget()) {
            w->installEventFilter(this);
            watched_.push_back(w);
            if (w->isWindow())
                break;
        }
    }
    void report()
    {
        if (!view_)
            return;
        const QPoint topLeft = view_->mapTo(view_->window(), QPoint(0, 0));
        const QRectF frame(topLeft, view_->size());
        auto& anchors = Showcase::anchors();
        if (anchors.value(name_) != frame || !anchors.contains(name_))
            anchors.insert(name_, frame);
    }

    QPointer<QWidget> view_;
    QString name_;
    std::vector<QPointer<QWidget>> watched_;
};

} // namespace

void showcaseAnchor(QWidget* view, const QString& name)
{
    if (!view || !Showcase::isEnabled())
        return;
    new AnchorWatcher(view, name);
}
