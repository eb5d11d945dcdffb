#include "display/ArrangementCanvas.h"

#include "design/Glass.h"
#include "design/Paint.h"
#include "design/Shapes.h"
#include "design/Spring.h"
#include "design/Symbols.h"
#include "design/Theme.h"
#include "display/Wallpaper.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>

namespace {

constexpr qreal kTilePadding = 1.5;
constexpr qreal kTileRadius = 7;
constexpr double kSpringResponse = 0.18;

qreal lerp(qreal a, qreal b, qreal t) { return a + (b - a) * t; }

QColor mix(const QColor& a, const QColor& b, qreal t)
{
    return QColor::fromRgbF(float(lerp(a.redF(), b.redF(), t)), float(lerp(a.greenF(), b.greenF(), t)),
                            float(lerp(a.blueF(), b.blueF(), t)), float(lerp(a.alphaF(), b.alphaF(), t)));
}

QColor indigo(bool dark) { return dark ? QColor(94, 92, 230) : QColor(88, 86, 214); }

// The tile's drawn gradient: a 3 x 3 mesh whose middle point sits off centre at (0.6, 0.45),
// with the colours blended smoothly between the points. Small, drawn scaled, cached by colour.
QImage meshGradient(const QColor& accent, bool dark)
{
    static QHash<QString, QImage> cache;
    const QString key = accent.name(QColor::HexArgb) + (dark ? "d" : "l");
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;

    const QColor purple = systemColor(SystemColor::purple, dark);
    const QColor blue = systemColor(SystemColor::blue, dark);
    const QColor colours[3][3] = {
        {accent, indigo(dark), withAlpha(accent, 0.75)},
        {withAlpha(purple, 0.85), withAlpha(accent, 0.9), blue},
        {withAlpha(indigo(dark), 0.9), withAlpha(accent, 0.7), withAlpha(purple, 0.7)},
    };
    // Premultiplied, so a colour's opacity does not tint its neighbours grey.
    auto premultiplied = [](const QColor& c) {
        const double a = c.alphaF();
        return std::array<double, 4>{c.redF() * a, c.greenF() * a, c.blueF() * a, a};
    };
    auto smooth = [](double t) { return t * t * (3 - 2 * t); };
    // Piecewise mapping of a point onto the mesh's parameters, following the displaced middle.
    auto param = [](double p, double middle) { return p <= middle ? 0.5 * p / middle : 0.5 + 0.5 * (p - middle) / (1 - middle); };

    const QSize size(48, 32);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    for (int py = 0; py < size.height(); ++py) {
        const double y = (py + 0.5) / size.height();
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(py));
        for (int px = 0; px < size.width(); ++px) {
            const double x = (px + 0.5) / size.width();
            const double middleX = y <= 0.45 ? lerp(0.5, 0.6, y / 0.45) : lerp(0.6, 0.5, (y - 0.45) / 0.55);
            const double middleY = x <= 0.6 ? lerp(0.5, 0.45, x / 0.6) : lerp(0.45, 0.5, (x - 0.6) / 0.4);
            const double u = param(x, middleX) * 2, v = param(y, middleY) * 2;
            const int c = std::min(int(u), 1), r = std::min(int(v), 1);
            const double tu = smooth(u - c), tv = smooth(v - r);
            std::array<double, 4> out{};
            const auto a = premultiplied(colours[r][c]), b = premultiplied(colours[r][c + 1]);
            const auto d = premultiplied(colours[r + 1][c]), e = premultiplied(colours[r + 1][c + 1]);
            for (int k = 0; k < 4; ++k)
                out[size_t(k)] = lerp(lerp(a[size_t(k)], b[size_t(k)], tu), lerp(d[size_t(k)], e[size_t(k)], tu), tv);
            line[px] = qRgba(int(out[0] * 255 + 0.5), int(out[1] * 255 + 0.5), int(out[2] * 255 + 0.5),
                             int(out[3] * 255 + 0.5));
        }
    }
    cache.insert(key, image);
    return image;
}

// A soft shadow under a rounded rectangle: layers spread over the blur radius, so the shadow
// is half as dark at the shape's edge as under it and fades out `radius` beyond it.
void paintShadow(QPainter& p, const QRectF& rect, qreal radius, qreal dy, const QColor& colour)
{
    constexpr int kLayers = 6;
    p.save();
    p.setPen(Qt::NoPen);
    QColor layer = colour;
    layer.setAlphaF(float(colour.alphaF() / kLayers));
    p.setBrush(layer);
    for (int i = 0; i < kLayers; ++i) {
        const qreal spread = -radius / 2 + radius * (i + 0.5) / kLayers;
        const QRectF r = rect.translated(0, dy).adjusted(-spread, -spread, spread, spread);
        if (r.width() <= 0 || r.height() <= 0)
            continue;
        p.drawPath(continuousRoundedRect(r, std::max<qreal>(0, kTileRadius + spread)));
    }
    p.restore();
}

} // namespace

// ---- placement

ArrangementPlacement ArrangementPlacement::fit(const std::vector<DisplayManager::ScreenFrame>& frames, QSizeF canvas)
{
    ArrangementPlacement out;
    QRectF u;
    bool any = false;
    for (const auto& f : frames) {
        u = any ? u.united(f.frame) : f.frame;
        any = true;
    }
    out.bounds = u;
    if (any)
        out.scale = std::min((canvas.width() - 2 * kMargin) / u.width(), (canvas.height() - 2 * kMargin) / u.height());
    out.offset = QPointF((canvas.width() - out.scale * u.width()) * 0.5, (canvas.height() - out.scale * u.height()) * 0.5);
    return out;
}

QRectF ArrangementPlacement::box(QPointF origin, QSizeF size) const
{
    return QRectF(offset.x() + scale * (origin.x() - bounds.left()), offset.y() + scale * (origin.y() - bounds.top()),
                  scale * size.width(), scale * size.height());
}

// ---- tiles

struct ArrangementCanvas::ScreenTile {
    ScreenFrame screen;
    Spring lift{kSpringResponse};
    Spring select{kSpringResponse};
    QImage picture;
    std::optional<QUrl> url;
    // The tile as last drawn, shadow included, and what it was drawn for.
    mutable QPixmap sprite;
    mutable QString spriteKey;
};

ArrangementCanvas::ArrangementCanvas(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(int(kHeight));
    setMouseTracking(false);
    followTheme(this);
}

ArrangementCanvas::~ArrangementCanvas() = default;

ArrangementCanvas::ScreenTile* ArrangementCanvas::tile(uint32_t id) const
{
    const auto it = tiles_.find(id);
    return it == tiles_.end() ? nullptr : it->second.get();
}

const ArrangementCanvas::ScreenFrame* ArrangementCanvas::frame(uint32_t id) const
{
    for (const auto& f : frames_)
        if (f.id == id)
            return &f;
    return nullptr;
}

void ArrangementCanvas::setFrames(std::vector<ScreenFrame> frames, std::optional<uint32_t> selected)
{
    if (hadFrames_ && frames != frames_) {
        landed_.clear();
        landedTimers_.clear();
    }
    hadFrames_ = true;
    frames_ = std::move(frames);
    selected_ = selected;

    for (auto it = tiles_.begin(); it != tiles_.end();)
        it = frame(it->first) ? std::next(it) : tiles_.erase(it);
    for (const auto& f : frames_) {
        ScreenTile* t = tile(f.id);
        const bool isNew = !t;
        if (isNew) {
            auto made = std::make_unique<ScreenTile>();
            t = made.get();
            t->lift.drawnBy(this);
            t->select.drawnBy(this);
            connect(&t->lift, &Spring::moved, this, qOverload<>(&QWidget::update));
            connect(&t->select, &Spring::moved, this, qOverload<>(&QWidget::update));
            tiles_[f.id] = std::move(made);
        }
        t->screen = f;
        t->lift.setTarget(dragging_ == f.id ? 1 : 0);
        t->select.setTarget(selected_ == f.id ? 1 : 0);
        if (isNew)
            loadPicture(f.id);
    }
    if (dragging_ && !frame(*dragging_)) {
        dragging_.reset();
        pressed_.reset();
    }
    update();
}

void ArrangementCanvas::loadPicture(uint32_t id)
{
    ScreenTile* t = tile(id);
    t->url = Wallpaper::url(id);
    if (!t->url)
        return;
    if (auto image = Wallpaper::cached(*t->url)) {
        t->picture = *image;
        return;
    }
    const QUrl url = *t->url;
    QPointer<ArrangementCanvas> self(this);
    Wallpaper::decoder().start([self, id, url] {
        const auto image = Wallpaper::load(url);
        if (!image)
            return;
        // Back on the main thread, where the pointer says whether the canvas is still there.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [self, id, url, image = *image] {
                if (self)
                    self->pictureLoaded(id, url, image);
            },
            Qt::QueuedConnection);
    });
}

void ArrangementCanvas::pictureLoaded(uint32_t id, const QUrl& url, const QImage& image)
{
    ScreenTile* t = tile(id);
    if (!t || t->url != url) // the tile went away, or came back for another picture
        return;
    t->picture = image;
    update();
}

QImage ArrangementCanvas::picture(uint32_t id) const
{
    const ScreenTile* t = tile(id);
    return t ? t->picture : QImage();
}

ArrangementPlacement ArrangementCanvas::placement() const { return ArrangementPlacement::fit(frames_, size()); }

bool ArrangementCanvas::canDrag() const { return frames_.size() >= 2 && placement().usable(); }

std::optional<QPointF> ArrangementCanvas::landedOrigin(uint32_t id) const
{
    const auto it = landed_.find(id);
    if (it == landed_.end())
        return std::nullopt;
    return it->second;
}

std::optional<QRectF> ArrangementCanvas::tileBox(uint32_t id) const
{
    const ScreenFrame* f = frame(id);
    const ArrangementPlacement pl = placement();
    if (!f || !pl.usable())
        return std::nullopt;
    QRectF box = pl.box(landedOrigin(id).value_or(f->frame.topLeft()), f->frame.size());
    if (dragging_ == id)
        box.translate(drag_);
    return box;
}

std::optional<uint32_t> ArrangementCanvas::tileAt(const QPointF& point) const
{
    // The lifted tile lies on top; the others are stacked in list order.
    auto hits = [&](uint32_t id) {
        const auto box = tileBox(id);
        return box && continuousRoundedRect(box->adjusted(kTilePadding, kTilePadding, -kTilePadding, -kTilePadding),
                                            kTileRadius)
                          .contains(point);
    };
    if (dragging_ && hits(*dragging_))
        return dragging_;
    for (auto it = frames_.rbegin(); it != frames_.rend(); ++it)
        if (hits(it->id))
            return it->id;
    return std::nullopt;
}

// ---- input

void ArrangementCanvas::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    pressed_ = tileAt(e->position());
    pressPos_ = e->position();
}

void ArrangementCanvas::mouseMoveEvent(QMouseEvent* e)
{
    if (!pressed_ || !canDrag())
        return;
    const QPointF translation = e->position() - pressPos_;
    if (!dragging_ && std::hypot(translation.x(), translation.y()) < kDragDistance)
        return;
    if (!dragging_) {
        dragging_ = pressed_;
        if (ScreenTile* t = tile(*dragging_))
            t->lift.setTarget(1);
    }
    drag_ = translation;
    update();
}

void ArrangementCanvas::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !pressed_)
        return;
    const uint32_t id = *pressed_;
    if (dragging_) {
        drop();
        return;
    }
    pressed_.reset();
    if (tileAt(e->position()) == id)
        emit tapped(id);
}

void ArrangementCanvas::drop()
{
    const uint32_t id = *dragging_;
    const QPointF translation = drag_;
    const ArrangementPlacement pl = placement();
    dragging_.reset();
    pressed_.reset();
    drag_ = QPointF();
    if (ScreenTile* t = tile(id))
        t->lift.setTarget(0);
    const ScreenFrame* f = frame(id);
    if (!f || !pl.usable()) {
        update();
        return;
    }
    // The dragged distance in display points, from the display's own origin (not a landed one).
    const QPointF target = f->frame.topLeft() + translation / pl.scale;
    landed_[id] = target;
    auto& timer = landedTimers_[id];
    if (!timer)
        timer = std::make_unique<platform::Timer>();
    timer->start(kLandedSeconds, [this, id] {
        landed_.erase(id);
        update();
    });
    update();
    emit dropped(id, target);
}

void ArrangementCanvas::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::PaletteChange)
        update();
    QWidget::changeEvent(e);
}

// ---- painting

// Each tile is drawn once into a sprite of its own and the background into another, so a paint
// is a few copies of pixels: a drag moves one sprite. A sprite is drawn again when anything it
// shows changes (its key says what), such as its size, selection, lift, picture or the look.
void ArrangementCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPaintDevice* target = p.paintEngine() ? p.paintEngine()->paintDevice() : nullptr;
    const qreal dpr = target ? target->devicePixelRatioF() : devicePixelRatioF();

    const QString backgroundKey = QString("%1x%2@%3/%4").arg(width()).arg(height()).arg(dpr).arg(isDark(this));
    if (backgroundKey != backgroundKey_) {
        background_ = QPixmap((QSizeF(size()) * dpr).toSize());
        background_.setDevicePixelRatio(dpr);
        background_.fill(Qt::transparent);
        QPainter bp(&background_);
        bp.setRenderHint(QPainter::Antialiasing);
        bp.fillPath(continuousRoundedRect(rect(), 12), primaryColor(this, 0.05));
        backgroundKey_ = backgroundKey;
    }
    p.drawPixmap(QPointF(0, 0), background_);
    if (!placement().usable())
        return;
    for (const auto& f : frames_)
        if (f.id != dragging_)
            if (const auto box = tileBox(f.id))
                paintSprite(p, *tile(f.id), *box, dpr);
    if (dragging_)
        if (const auto box = tileBox(*dragging_))
            paintSprite(p, *tile(*dragging_), *box, dpr);
}

void ArrangementCanvas::paintSprite(QPainter& p, const ScreenTile& t, const QRectF& box, qreal dpr) const
{
    // Room for the shadow and the lift around the box.
    const qreal margin = std::ceil(20 + 0.015 * std::max(box.width(), box.height()));
    // Placed on whole device pixels; the tile keeps its exact place inside the sprite.
    const QPointF origin(std::floor((box.left() - margin) * dpr) / dpr, std::floor((box.top() - margin) * dpr) / dpr);
    const QRectF inside = box.translated(-origin);
    const QString key = QString("%1,%2,%3,%4@%5|%6,%7|%8,%9,%10,%11|%12,%13,%14,%15,%16")
                            .arg(inside.x(), 0, 'f', 3).arg(inside.y(), 0, 'f', 3)
                            .arg(box.width(), 0, 'f', 3).arg(box.height(), 0, 'f', 3).arg(dpr)
                            .arg(t.lift.current(), 0, 'f', 4).arg(t.select.current(), 0, 'f', 4)
                            .arg(isDark(this)).arg(kvmAccent(this).rgba()).arg(GlassStyle::current().rawValue())
                            .arg(Theme::glassAccentTint())
                            .arg(t.picture.cacheKey()).arg(t.screen.name).arg(t.screen.isMain).arg(t.screen.isBuiltin)
                            .arg(QString("%1x%2").arg(t.screen.frame.width()).arg(t.screen.frame.height()));
    if (key != t.spriteKey) {
        const QSizeF size(box.width() + 2 * margin + 1, box.height() + 2 * margin + 1);
        t.sprite = QPixmap((size * dpr).toSize());
        t.sprite.setDevicePixelRatio(dpr);
        t.sprite.fill(Qt::transparent);
        QPainter sp(&t.sprite);
        sp.setRenderHint(QPainter::Antialiasing);
        sp.setRenderHint(QPainter::SmoothPixmapTransform);
        paintTile(sp, t, inside);
        t.spriteKey = key;
    }
    p.drawPixmap(origin, t.sprite);
}

void ArrangementCanvas::paintTile(QPainter& p, const ScreenTile& t, const QRectF& box) const
{
    const qreal lifted = t.lift.current();
    const qreal selected = t.select.current();
    const QRectF rect = box.adjusted(kTilePadding, kTilePadding, -kTilePadding, -kTilePadding);
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    const QColor accent = kvmAccent(this);

    p.save();
    const qreal scale = 1 + 0.03 * lifted;
    p.translate(rect.center());
    p.scale(scale, scale);
    p.translate(-rect.center());

    const QColor shadow = mix(QColor(0, 0, 0, int(0.3 * 255)), withAlpha(accent, 0.45), selected);
    paintShadow(p, rect, lerp(lerp(4, 8, selected), 14, lifted), lerp(2, 6, lifted), shadow);

    const QPainterPath shape = continuousRoundedRect(rect, kTileRadius);
    p.save();
    p.setClipPath(shape);
    paintPicture(p, t, rect);
    if (t.screen.isMain)
        paintMenuBar(p, rect);
    paintLabel(p, t.screen, rect);
    p.restore();

    // The outline lies inside the shape: white hairline, or the accent when selected.
    const qreal width = lerp(1, 3, selected);
    const QColor outline = mix(QColor(255, 255, 255, int(0.18 * 255)), accent, selected);
    const QRectF inner = rect.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(outline, width));
    p.drawPath(continuousRoundedRect(inner, std::max<qreal>(0, kTileRadius - width / 2)));
    p.restore();
}

void ArrangementCanvas::paintPicture(QPainter& p, const ScreenTile& t, const QRectF& rect) const
{
    if (t.picture.isNull()) {
        p.drawImage(rect, meshGradient(kvmAccent(this), isDark(this)));
        return;
    }
    // Scaled to fill the tile, the overflow cut evenly from both sides.
    const QSizeF picture = t.picture.size();
    const qreal scale = std::max(rect.width() / picture.width(), rect.height() / picture.height());
    const QSizeF shown = rect.size() / scale;
    const QRectF source(QPointF((picture.width() - shown.width()) / 2, (picture.height() - shown.height()) / 2), shown);
    p.drawImage(rect, t.picture, source);
}

void ArrangementCanvas::paintMenuBar(QPainter& p, const QRectF& rect) const
{
    const qreal b = std::max<qreal>(rect.height() * 0.045, 5);
    const QRectF bar(rect.left(), rect.top(), rect.width(), b);
    p.save();
    p.setPen(Qt::NoPen);
    // A thin material: lightens the picture in light mode, darkens it in dark mode.
    p.fillRect(bar, isDark(this) ? QColor(28, 28, 30, 150) : QColor(255, 255, 255, 150));
    qreal x = bar.left() + b;
    const qreal cy = bar.center().y();
    auto pill = [&](qreal w, qreal h, qreal opacity) {
        p.fillPath(capsule(QRectF(x, cy - h / 2, w, h)), primaryColor(this, opacity));
        x += w + 0.7 * b;
    };
    pill(0.7 * b, 0.45 * b, 0.7);
    for (int i = 0; i < 3; ++i)
        pill(1.6 * b, 0.3 * b, 0.45);
    p.restore();
}

void ArrangementCanvas::paintLabel(QPainter& p, const ScreenFrame& screen, const QRectF& rect) const
{
    constexpr qreal kInset = 6, kPadX = 8, kPadY = 5, kSpacing = 6, kSymbolSize = 12, kMinScale = 0.6;
    const QString name = screen.name;
    const QString size = QString("%1 × %2").arg(int(screen.frame.width())).arg(int(screen.frame.height()));
    const QFont nameFont = design::calloutFont(QFont::DemiBold);
    const QFont sizeFont = design::systemFont(11);
    const qreal symbolWidth = Symbols::boxFor(kSymbolSize, QPointF()).width();

    const qreal maxBadge = rect.width() - 2 * kInset;
    const qreal room = maxBadge - 2 * kPadX - symbolWidth - kSpacing;
    if (room <= 4)
        return;
    const qreal natural = std::max(design::textWidth(nameFont, name), design::textWidth(sizeFont, size));
    const qreal scale = natural > room ? std::max(kMinScale, room / natural) : 1.0;
    QFont shownName = nameFont, shownSize = sizeFont;
    if (scale < 1) {
        shownName.setPixelSize(std::max(1, int(std::lround(nameFont.pixelSize() * scale))));
        shownSize.setPixelSize(std::max(1, int(std::lround(sizeFont.pixelSize() * scale))));
    }
    const QFontMetricsF nm(shownName), sm(shownSize);
    const qreal textW = std::min(room, std::max(nm.horizontalAdvance(name), sm.horizontalAdvance(size)));
    const qreal textH = nm.height() + sm.height();
    const QSizeF badge(2 * kPadX + symbolWidth + kSpacing + textW, 2 * kPadY + std::max(textH, symbolWidth));
    const QRectF badgeRect(rect.left() + kInset, rect.bottom() - kInset - badge.height(), badge.width(), badge.height());

    const QPainterPath shape = continuousRoundedRect(badgeRect, 8);
    const KVMGlass glass = kvmGlass(shape, std::nullopt, false);
    glass.paintBackground(p, this);

    const QPointF symbolCentre(badgeRect.left() + kPadX + symbolWidth / 2, badgeRect.center().y());
    Symbols::draw(p, screen.isBuiltin ? "laptopcomputer" : "display", Symbols::boxFor(kSymbolSize, symbolCentre),
                  primaryColor(this), SymbolWeight::semibold);
    const qreal textX = badgeRect.left() + kPadX + symbolWidth + kSpacing;
    const qreal textY = badgeRect.center().y() - textH / 2;
    p.setFont(shownName);
    p.setPen(primaryColor(this));
    p.drawText(QRectF(textX, textY, textW, nm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               nm.elidedText(name, Qt::ElideRight, textW));
    p.setFont(shownSize);
    p.setPen(secondaryColor(this));
    p.drawText(QRectF(textX, textY + nm.height(), textW, sm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               sm.elidedText(size, Qt::ElideRight, textW));
    glass.paintOverlay(p, this);
}
