#pragma once
// The panel's own hints for its icon buttons: a small bubble under a button after the pointer
// has rested on it for 0.35 s. One shared model holds at most one hint; `hoverHint` reports a
// widget's hovers and clicks to it; `HoverHintLayer` draws the bubble over the panel.
#include "platform/Clock.h"

#include <QObject>
#include <QRectF>
#include <QString>
#include <QUuid>
#include <QVariantAnimation>
#include <QWidget>
#include <optional>

class HoverHintModel : public QObject {
    Q_OBJECT
public:
    struct Hint {
        QString text;
        QRectF frame; // in the panel's coordinates
    };
    static constexpr double kDelay = 0.35;

    // Made on first use, kept for the process; main thread only.
    static HoverHintModel& shared();

    // Asks for `text` under `frame` for `id`: shown after the delay, unless withdrawn. A hint
    // already showing stays until the new one replaces it.
    void hover(const QString& text, const QRectF& frame, const QUuid& id);
    // Withdraws the hint of `id`; a leave from a view that is no longer the owner changes nothing.
    void leave(const QUuid& id);

    const std::optional<Hint>& hint() const { return hint_; }
    std::optional<QUuid> owner() const { return owner_; }
    bool isPending() const { return pending_.isActive(); }

signals:
    void changed();

private:
    HoverHintModel() = default;
    std::optional<Hint> hint_;
    platform::Timer pending_;
    std::optional<QUuid> owner_;
};

// Attaches a hint to `view`: its hovers go to the shared model with its frame in `panel`'s
// coordinates; a press hides the hint and still reaches the view; hiding the view withdraws it.
class HoverHint : public QObject {
    Q_OBJECT
public:
    HoverHint(QWidget* view, QString text, QWidget* panel);
    ~HoverHint() override;
    QUuid id() const { return id_; }
    QRectF frame() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* view_;
    QString text_;
    QWidget* panel_;
    QUuid id_ = QUuid::createUuid();
};

HoverHint* hoverHint(QWidget* view, const QString& text, QWidget* panel);

// Draws the shared model's hint over the whole panel; it never takes the mouse. The bubble fades
// in and out and glides from one element to the next with a 0.12 s ease-out.
class HoverHintLayer : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTransitionMs = 120;

    explicit HoverHintLayer(HoverHintModel& model, QWidget* parent = nullptr);
    // What is drawn now: the bubble's place and opacity, and the text (kept while fading out).
    QRectF shownRect() const;
    qreal shownOpacity() const;
    QString shownText() const { return text_; }
    QVariantAnimation* transition() const { return transition_; }
    // The bubble's size for the current hint, and where it goes in a layer `width` wide:
    // centred under the element, 4 points inside both edges, 6 points below it.
    QSizeF bubbleSize() const;
    static QRectF bubbleRect(const QRectF& anchor, const QSizeF& size, qreal width);
    QRectF bubbleRect() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void follow();
    // Repaints only where the bubble was and where it is now, never the whole panel under it.
    void repaintBubble();
    static QRect paintedArea(const QRectF& box);
    HoverHintModel& model_;
    QVariantAnimation* transition_;
    QString text_;
    QRectF fromRect_, toRect_;
    qreal fromOpacity_ = 0, toOpacity_ = 0;
    QRect shownArea_; // what the last paint covered
};
