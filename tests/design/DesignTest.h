#pragma once
// Rendering helpers for the design components: paint a widget into an image at a scale and an
// appearance over a backdrop, read pixels back in points, and collect galleries of a family.
#include "design/Spring.h"
#include "design/Theme.h"
#include "support/SimTest.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QWidget>
#include <functional>
#include <vector>

class DesignTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        Spring::setAnimationsEnabled(false);
    }
    void TearDown() override
    {
        Spring::setAnimationsEnabled(true);
        SimTest::TearDown();
    }

    struct Look {
        bool dark;
        const char* style; // "clear", "regular", "solid"
    };
    static std::vector<Look> looks()
    {
        std::vector<Look> all;
        for (bool dark : {false, true})
            for (const char* s : {"clear", "regular", "solid"})
                all.push_back({dark, s});
        return all;
    }

    static void applyLook(QWidget* w, const Look& look)
    {
        w->setPalette(Theme::appearancePalette(look.dark));
        Theme::setSetting(Theme::kGlassStyleKey, QString(look.style));
    }

    // Lays the widget out at `size` and paints it over a backdrop (a flat window colour, or a
    // colourful wallpaper that lets glass show) at the scale.
    static QImage render(QWidget* w, QSize size, qreal dpr, bool wallpaper = false)
    {
        w->setAttribute(Qt::WA_DontShowOnScreen);
        w->resize(size);
        w->show();
        processEvents();
        QImage img((QSizeF(size) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(dpr);
        {
            QPainter p(&img);
            paintBackdrop(p, QRectF(QPointF(0, 0), QSizeF(size)), isDark(w), wallpaper);
        }
        w->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
        return img;
    }

    static void paintBackdrop(QPainter& p, const QRectF& r, bool dark, bool wallpaper)
    {
        if (!wallpaper) {
            p.fillRect(r, Theme::appearancePalette(dark).color(QPalette::Window));
            return;
        }
        QLinearGradient g(r.topLeft(), r.bottomRight());
        g.setColorAt(0, dark ? QColor(32, 40, 92) : QColor(120, 170, 240));
        g.setColorAt(0.5, dark ? QColor(70, 30, 80) : QColor(240, 160, 200));
        g.setColorAt(1, dark ? QColor(20, 70, 70) : QColor(250, 220, 140));
        p.fillRect(r, g);
    }

    // The pixel at a point given in points.
    static QColor at(const QImage& img, qreal x, qreal y)
    {
        const qreal dpr = img.devicePixelRatio();
        return img.pixelColor(int(x * dpr), int(y * dpr));
    }

    static int distance(const QColor& a, const QColor& b)
    {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    }

    // The closest any pixel of the rect (in points) comes to the colour.
    static int nearest(const QImage& img, const QRectF& r, const QColor& c)
    {
        int best = 1 << 30;
        for (qreal y = r.top(); y < r.bottom(); y += 0.5)
            for (qreal x = r.left(); x < r.right(); x += 0.5)
                best = std::min(best, distance(at(img, x, y), c));
        return best;
    }

    static QString outputDir()
    {
        const QString dir = testpaths::buildDir() + "/gallery";
        QDir().mkpath(dir);
        return dir;
    }

    // One gallery image of a component family: a row per look (light and dark, each glass
    // style), the family's variants side by side, at 2x over the wallpaper.
    struct Variant {
        QString name;
        QSize size;
        std::function<QWidget*()> make;
    };
    static QString writeGallery(const QString& family, const std::vector<Variant>& variants)
    {
        const int gap = 16;
        int rowWidth = gap, rowHeight = 0;
        for (const Variant& v : variants) {
            rowWidth += v.size.width() + gap;
            rowHeight = std::max(rowHeight, v.size.height());
        }
        const auto all = looks();
        const QSize total(rowWidth, int(all.size()) * (rowHeight + gap) + gap);
        const qreal dpr = 2.0;
        QImage sheet(total * dpr, QImage::Format_ARGB32_Premultiplied);
        sheet.setDevicePixelRatio(dpr);
        QPainter sp(&sheet);
        int y = gap;
        for (const Look& look : all) {
            paintBackdrop(sp, QRectF(0, y - gap / 2.0, total.width(), rowHeight + gap), look.dark, true);
            int x = gap;
            for (const Variant& v : variants) {
                std::unique_ptr<QWidget> w(v.make());
                applyLook(w.get(), look);
                w->setAttribute(Qt::WA_DontShowOnScreen);
                w->resize(v.size);
                w->show();
                processEvents();
                // Painted through an image so the wallpaper stays under the widget.
                QImage cell(v.size * dpr, QImage::Format_ARGB32_Premultiplied);
                cell.setDevicePixelRatio(dpr);
                cell.fill(Qt::transparent);
                w->render(&cell, QPoint(), QRegion(), QWidget::DrawChildren);
                // A drawing that broke into nothing shows here, not only in the picture.
                if (cell == [&] {
                        QImage blank(cell.size(), cell.format());
                        blank.fill(Qt::transparent);
                        blank.setDevicePixelRatio(dpr);
                        return blank;
                    }())
                    ADD_FAILURE() << family.toStdString() << " / " << v.name.toStdString() << " drew nothing";
                sp.drawImage(QPointF(x, y), cell);
                x += v.size.width() + gap;
            }
            y += rowHeight + gap;
        }
        sp.end();
        const QString path = outputDir() + "/" + family + ".png";
        sheet.save(path);
        return path;
    }
};
