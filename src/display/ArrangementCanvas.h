#pragma once
// The canvas of the arrangement editor: every active display drawn as a tile at the place its
// global frame has, scaled into the canvas. A tap on a tile selects it; dragging a tile (more
// than 4 points) moves it with the pointer, and the drop asks for the display to be moved
// there. A dropped tile stays where it landed until the frames change or 2.5 s pass, so it does
// not jump back while the system is still reconfiguring. Every tile is painted here, on one
// widget; a tile shows its display's desktop picture once it is decoded, a drawn gradient
// until then or when there is none.
#include "display/DisplayManager.h"
#include "platform/Clock.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class Spring;

// How the frames are fitted into a canvas: the union of the frames, scaled to leave at least
// 20 points on each side, centred.
struct ArrangementPlacement {
    static constexpr qreal kMargin = 20;

    qreal scale = 1.0;
    QPointF offset;
    QRectF bounds; // the union of the frames, global display coordinates

    static ArrangementPlacement fit(const std::vector<DisplayManager::ScreenFrame>& frames, QSizeF canvas);
    // A canvas smaller than its margins, or frames without an area, leave no scale a drag could
    // be converted back with.
    bool usable() const { return std::isfinite(scale) && scale > 0; }
    // The box of a display of `size` whose top-left corner is at `origin`, in canvas points.
    QRectF box(QPointF origin, QSizeF size) const;
};

class ArrangementCanvas : public QWidget {
    Q_OBJECT
public:
    using ScreenFrame = DisplayManager::ScreenFrame;

    static constexpr qreal kHeight = 230;
    static constexpr qreal kDragDistance = 4;
    static constexpr double kLandedSeconds = 2.5;

    explicit ArrangementCanvas(QWidget* parent = nullptr);
    ~ArrangementCanvas() override;

    // The frames as read now and the tile to show selected. A change of the frames (not the
    // first ones) ends every landed tile's wait: the system has caught up.
    void setFrames(std::vector<ScreenFrame> frames, std::optional<uint32_t> selected);
    const std::vector<ScreenFrame>& frames() const { return frames_; }
    std::optional<uint32_t> selected() const { return selected_; }

    ArrangementPlacement placement() const;
    // Where the tile's box lies now (landed origin and drag included, lift scale not).
    std::optional<QRectF> tileBox(uint32_t id) const;
    // The topmost tile under a point.
    std::optional<uint32_t> tileAt(const QPointF& point) const;
    std::optional<QPointF> landedOrigin(uint32_t id) const;
    std::optional<uint32_t> dragging() const { return dragging_; }
    bool canDrag() const;
    // The decoded desktop picture the tile shows (null: the gradient).
    QImage picture(uint32_t id) const;

    QSize sizeHint() const override { return {360, int(kHeight)}; }
    QSize minimumSizeHint() const override { return {120, int(kHeight)}; }

signals:
    void tapped(uint32_t id);
    // A drag ended: `origin` is the display's frame origin moved by the dragged distance.
    void dropped(uint32_t id, QPointF origin);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void changeEvent(QEvent*) override;

private:
    struct ScreenTile;
    ScreenTile* tile(uint32_t id) const;
    const ScreenFrame* frame(uint32_t id) const;
    void loadPicture(uint32_t id);
    void pictureLoaded(uint32_t id, const QUrl& url, const QImage& image);
    void paintSprite(QPainter& p, const ScreenTile& tile, const QRectF& box, qreal dpr) const;
    void paintTile(QPainter& p, const ScreenTile& tile, const QRectF& box) const;
    void paintPicture(QPainter& p, const ScreenTile& tile, const QRectF& rect) const;
    void paintMenuBar(QPainter& p, const QRectF& rect) const;
    void paintLabel(QPainter& p, const ScreenFrame& screen, const QRectF& rect) const;
    void drop();

    std::vector<ScreenFrame> frames_;
    bool hadFrames_ = false;
    std::optional<uint32_t> selected_;
    std::map<uint32_t, std::unique_ptr<ScreenTile>> tiles_;
    mutable QPixmap background_;
    mutable QString backgroundKey_;

    std::optional<uint32_t> pressed_;
    QPointF pressPos_;
    std::optional<uint32_t> dragging_;
    QPointF drag_;

    std::map<uint32_t, QPointF> landed_;
    // One timer per display: a later drop restarts it, so an earlier drop's wait never ends the
    // later drop's landing.
    std::map<uint32_t, std::unique_ptr<platform::Timer>> landedTimers_;
};
