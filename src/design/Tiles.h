#pragma once
// Glass tiles: a round symbol badge, a title and an optional subtitle, highlighted with the
// tile's colour (or the accent) while the thing they stand for is on. A disabled tile is drawn
// faded and takes no taps.
#include "design/Theme.h"

#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>

class TileLabel : public QWidget {
    Q_OBJECT
public:
    TileLabel(QString symbol, QString title, std::optional<QString> subtitle, bool active, Tint tint,
              QWidget* parent = nullptr);

    // The highlight colour: the tile's tint, else the accent.
    QColor color() const;

    // In place, for a view's sync.
    void setSymbol(const QString& symbol);
    void setTitle(const QString& title);
    void setSubtitle(const std::optional<QString>& subtitle);
    void setActive(bool active);
    void setTint(const Tint& tint); // none: the accent
    QString symbol() const { return symbol_; }
    QString title() const { return title_; }
    std::optional<QString> subtitle() const { return subtitle_; }
    bool isActive() const { return active_; }
    QRectF badgeRect() const;
    QRectF titleRect() const;
    QRectF subtitleRect() const; // empty without a subtitle
    // The title's font as drawn: the tile's title font, shrunk (to 0.68 at most) when the title
    // is too long for the tile.
    QFont shownTitleFont() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {80, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

    bool hovered_ = false;
    bool pressed_ = false;

private:
    void textsChanged();
    void updateTip(); // the whole title and subtitle while either is cut short, unless the owner set one
    QString tip_;
    QString symbol_;
    QString title_;
    std::optional<QString> subtitle_;
    bool active_;
    Tint tint_;
};

// A tile as a button: a tap anywhere on its rounded rectangle runs the action.
class ControlTile : public TileLabel {
    Q_OBJECT
public:
    ControlTile(QString symbol, QString title, std::optional<QString> subtitle, bool active, Tint tint,
                std::function<void()> action, QWidget* parent = nullptr);
    void setAction(std::function<void()> action) { action_ = std::move(action); }

protected:
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    std::function<void()> action_;
};
