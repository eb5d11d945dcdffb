#pragma once
// The material behind every surface. Where a window cannot blur what lies behind it, glass
// is a translucent fill with a highlight along its edge; the solid style is an opaque-looking
// fill with a hairline outline. The style, the accent tint switch and the accent are read at
// each paint.
#include "design/Theme.h"

#include <QPainterPath>
#include <optional>

class QPainter;
class QWidget;

// The caller's tint first; else the accent at 14 % when "ui.glassAccentTint" is on; else none.
std::optional<QColor> effectiveGlassTint(const std::optional<QColor>& tint, bool accentTint, const QColor& accent);

class KVMGlass {
public:
    KVMGlass(QPainterPath shape, std::optional<QColor> tint, bool interactive)
        : shape_(std::move(shape)), tint_(std::move(tint)), interactive_(interactive)
    {
    }

    // Paints the material under the content. `highlighted` is the pointer state of an
    // interactive surface (hovered or pressed).
    void paintBackground(QPainter& p, const QWidget* widget, bool highlighted = false) const;
    // Paints what lies over the content: the solid style's outline.
    void paintOverlay(QPainter& p, const QWidget* widget) const;

    std::optional<QColor> effectiveTint(const QWidget* widget) const;
    const QPainterPath& shape() const { return shape_; }

private:
    // Everything the material's look depends on, resolved for one paint.
    struct Look {
        GlassStyle style;
        bool dark;
        std::optional<QColor> tint;
        bool highlighted;
        QColor primary; // the solid style's fill
        QString key() const;
    };
    void paintMaterial(QPainter& p, const Look& look) const;

    QPainterPath shape_;
    std::optional<QColor> tint_;
    bool interactive_;
};

// `view.kvmGlass(shape, tint, interactive)`.
inline KVMGlass kvmGlass(QPainterPath shape, std::optional<QColor> tint, bool interactive)
{
    return KVMGlass(std::move(shape), std::move(tint), interactive);
}
