#include "design/Sliders.h"
#include "design/Spring.h"
#include "design/Symbols.h"

#include "DesignTest.h"

#include <QAccessible>
#include <QApplication>
#include <QVariantAnimation>
#include <QPainter>
#include <QSlider>
#include <QTest>
#include <cmath>

namespace {

class SlidersTest : public DesignTest {
protected:
    double level = 50;
    DoubleBinding binding()
    {
        return {[this] { return level; }, [this](double v) { written.push_back(v), level = v; }};
    }
    std::vector<double> written;
};

TEST_F(SlidersTest, PointerAndFractionStayInsideTheRange)
{
    const ClosedRange r{10, 110};
    struct Case {
        double x, w, value;
    };
    const Case pointer[] = {{-20, 200, 10}, {0, 200, 10}, {100, 200, 60}, {200, 200, 110}, {260, 200, 110},
                            {50, 0, 10} /*no width yet*/};
    for (const Case& c : pointer)
        EXPECT_DOUBLE_EQ(ControlSlider::valueAt(c.x, c.w, r), c.value) << c.x << " of " << c.w;

    const std::pair<double, double> fractions[] = {{10, 0}, {60, 0.5}, {110, 1}, {-50, 0}, {500, 1}, {NAN, 0}};
    for (const auto& [value, f] : fractions)
        EXPECT_DOUBLE_EQ(ControlSlider::fraction(value, r), f) << value;
    // Equal bounds: nothing to divide by, an empty track and no NaN.
    EXPECT_EQ(ControlSlider::fraction(5, {5, 5}), 0.0);
    EXPECT_EQ(ControlSlider::valueAt(80, 200, {5, 5}), 5.0);
}

TEST_F(SlidersTest, APressOnTheSymbolOfASliderWithAnActionNeverMovesTheValue)
{
    int taps = 0;
    ControlSlider s("speaker.wave.2.fill", binding(), {0, 100}, [&] { ++taps; }, 34);
    render(&s, {200, 34}, 1.0);

    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(10, 17));
    EXPECT_FALSE(s.dragStart());
    QTest::mouseMove(&s, QPoint(150, 17));
    EXPECT_FALSE(s.dragStart());
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(150, 17));
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(taps, 0); // dragged off: not a tap

    QTest::mouseClick(&s, Qt::LeftButton, {}, QPoint(12, 17));
    EXPECT_EQ(taps, 1);
    EXPECT_TRUE(written.empty());

    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(150, 17)); // right of the symbol: jumps
    EXPECT_DOUBLE_EQ(level, 75);
    EXPECT_EQ(s.dragStart(), 50.0);
    QTest::mouseMove(&s, QPoint(260, 17));
    EXPECT_DOUBLE_EQ(level, 100); // pinned at the bound
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(260, 17));
    EXPECT_FALSE(s.dragStart());
    EXPECT_EQ(taps, 1);

    ControlSlider plain("sun.max.fill", binding(), {0, 100}, {}, 34);
    render(&plain, {200, 34}, 1.0);
    QTest::mousePress(&plain, Qt::LeftButton, {}, QPoint(10, 17)); // the symbol is decoration
    EXPECT_DOUBLE_EQ(level, 5);
    QTest::mouseRelease(&plain, Qt::LeftButton, {}, QPoint(10, 17));
}

TEST_F(SlidersTest, AccessibilityStepsByFiveAndStopsAtTheBounds)
{
    level = 97.6;
    ControlSlider s("sun.max.fill", binding(), {0, 100}, {}, 34);
    EXPECT_EQ(s.accessibilityValue(), "98");
    QTest::keyClick(&s, Qt::Key_Right);
    EXPECT_DOUBLE_EQ(level, 100);
    level = 3;
    QTest::keyClick(&s, Qt::Key_Down);
    EXPECT_DOUBLE_EQ(level, 0);
    level = 2.5;
    EXPECT_EQ(s.accessibilityValue(), "3"); // halves away from zero

    std::vector<double> changes;
    MiniSlider mini(98, [&](double v) { changes.push_back(v); }, 16);
    QTest::keyClick(&mini, Qt::Key_Up);
    mini.setValue(2);
    QTest::keyClick(&mini, Qt::Key_Left);
    EXPECT_EQ(changes, (std::vector<double>{100, 0}));
    EXPECT_EQ(mini.accessibilityValue(), "2");

    // The same through the accessibility interface.
    level = 42.5;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&s);
    ASSERT_TRUE(a && a->valueInterface() && a->actionInterface());
    EXPECT_EQ(a->text(QAccessible::Value), "43");
    a->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_DOUBLE_EQ(level, 47.5);
    level = 98;
    a->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_DOUBLE_EQ(level, 100);
    QAccessibleInterface* m = QAccessible::queryAccessibleInterface(&mini);
    ASSERT_TRUE(m && m->actionInterface());
    m->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(changes.back(), 0);
}

TEST_F(SlidersTest, MiniSliderMapsPointerAndKnobOverTheUsableWidth)
{
    const qreal w = 216, knob = 16; // usable 200
    EXPECT_DOUBLE_EQ(MiniSlider::levelAt(knob / 2, w, knob), 0);
    EXPECT_DOUBLE_EQ(MiniSlider::levelAt(w - knob / 2, w, knob), 100);
    EXPECT_DOUBLE_EQ(MiniSlider::levelAt(108, w, knob), 50);
    EXPECT_DOUBLE_EQ(MiniSlider::levelAt(-40, w, knob), 0);
    EXPECT_DOUBLE_EQ(MiniSlider::levelAt(900, w, knob), 100);
    EXPECT_DOUBLE_EQ(MiniSlider::knobOffset(-3, w, knob), 0);
    EXPECT_DOUBLE_EQ(MiniSlider::knobOffset(140, w, knob), 200);
    EXPECT_DOUBLE_EQ(MiniSlider::knobOffset(25, w, knob), 50);
    EXPECT_DOUBLE_EQ(MiniSlider::knobOffset(50, 10, knob), 0.5); // narrower than the knob

    std::vector<double> changes;
    MiniSlider mini(50, [&](double v) { changes.push_back(v); }, knob);
    render(&mini, {int(w), 22}, 1.0);
    QTest::mousePress(&mini, Qt::LeftButton, {}, QPoint(58, 11));
    QTest::mouseMove(&mini, QPoint(500, 11));
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_DOUBLE_EQ(changes[0], 25);
    EXPECT_DOUBLE_EQ(changes[1], 100);
}

TEST_F(SlidersTest, ValueSliderReadoutAndPlatformSlider)
{
    EXPECT_EQ(ValueSlider::percentText(42.6), "%43");
    level = 42.6;
    ValueSlider s("Parlaklık", "sun.max.fill", std::nullopt, binding(), {0, 100}, {});
    EXPECT_EQ(s.readout(), "%43");
    s.setValueText(QString("1920 × 1080"));
    EXPECT_EQ(s.readout(), "1920 × 1080");
    s.slider()->setValue(s.slider()->maximum());
    EXPECT_DOUBLE_EQ(level, 100);
    EXPECT_EQ(s.readout(), "1920 × 1080");

    int taps = 0;
    ValueSlider muted("Ses", "speaker.slash.fill", std::nullopt, binding(), {0, 100}, [&] { ++taps; });
    render(&muted, {260, 50}, 1.0);
    QTest::mouseClick(muted.symbolButton(), Qt::LeftButton);
    EXPECT_EQ(taps, 1);
    ValueSlider same("Eşit", "sun.max.fill", std::nullopt, binding(), {30, 30}, {});
    EXPECT_EQ(same.slider()->value(), 0);
}

// WCAG's contrast ratio of two opaque colours.
double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

TEST_F(SlidersTest, ValueSliderShowsKeyboardFocusWithTheAccentRing)
{
    for (bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        QWidget host;
        host.setPalette(Theme::appearancePalette(dark));
        auto* row = new ValueSlider("Parlaklık", "sun.max.fill", std::nullopt, binding(), {0, 100}, {}, &host);
        row->setGeometry(0, 0, 260, 50);
        host.resize(260, 50);
        host.show();
        host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
        const auto shot = [&] {
            processEvents();
            QImage img(host.size(), QImage::Format_ARGB32_Premultiplied);
            {
                QPainter p(&img);
                paintBackdrop(p, QRectF(QPointF(), QSizeF(host.size())), dark, false);
            }
            host.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
            return img;
        };
        QSlider* slider = row->slider();
        const QPoint ringAt = slider->mapTo(&host, QPoint(slider->width() * 4 / 5, 1)); // above the groove
        if (QWidget* focused = QApplication::focusWidget())
            focused->clearFocus(); // the window's activation gave the first control the focus
        const QColor plain = shot().pixelColor(ringAt);
        slider->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(slider->hasFocus());
        const QColor ring = shot().pixelColor(ringAt);
        EXPECT_LT(distance(ring, kvmAccent(slider)), 120) << "the accent";
        EXPECT_GE(contrast(ring, plain), 3.0) << "ring " << ring.name().toStdString() << " on " << plain.name().toStdString();
    }
}

// Page Up/Down and a press on the groove move further than an arrow.
TEST_F(SlidersTest, ValueSliderPagesFurtherThanAnArrow)
{
    ValueSlider s("Parlaklık", "sun.max.fill", std::nullopt, binding(), {0, 100}, {});
    struct Case {
        const char* name;
        std::function<void(QSlider*)> act;
    };
    const Case cases[] = {
        {"arrow", [](QSlider* q) { q->triggerAction(QAbstractSlider::SliderSingleStepAdd); }},
        {"page", [](QSlider* q) { q->triggerAction(QAbstractSlider::SliderPageStepAdd); }},
        {"Page Up", [](QSlider* q) { QTest::keyClick(q, Qt::Key_PageUp); }},
    };
    std::vector<double> moved;
    for (const Case& c : cases) {
        level = 10;
        s.refresh();
        c.act(s.slider());
        moved.push_back(level - 10);
        SCOPED_TRACE(c.name);
        EXPECT_GT(level, 10);
    }
    EXPECT_NEAR(moved[0], s.step(), 1e-9);
    EXPECT_GT(moved[1], 2 * moved[0]);
    EXPECT_NEAR(moved[2], moved[1], 1e-9);
}

TEST_F(SlidersTest, SpringMovesTheDrawingNotTheValue)
{
    EXPECT_EQ(Spring::progress(0, 0.15), 0.0);
    EXPECT_NEAR(Spring::progress(Spring::settleTime(0.5), 0.5), 0.999, 1e-4);
    double last = 0;
    for (double t = 0.01; t < 1; t += 0.01) { // critically damped: no overshoot
        const double x = Spring::progress(t, 0.15);
        EXPECT_GE(x, last);
        EXPECT_LE(x, 1.0);
        last = x;
    }
    Spring::setAnimationsEnabled(true);
    ControlSlider s("sun.max.fill", binding(), {0, 100}, {}, 34);
    render(&s, {200, 34}, 1.0);
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(180, 17));
    EXPECT_DOUBLE_EQ(level, 90);            // the value at once
    EXPECT_DOUBLE_EQ(s.drawnValue(), 50.0); // the drawing on its way
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(180, 17));
    Spring::setAnimationsEnabled(false);
}

// A new symbol (a mute glyph, say) replaces the old one: part way both are drawn smaller and
// fainter, at the end only the new one, as a slider made with it draws it. With animations off
// the change is drawn at once.
TEST_F(SlidersTest, ChangedSymbolIsReplacedByTheNewOne)
{
    ControlSlider still("speaker.wave.2.fill", binding(), {0, 100}, {}, 34);
    still.setSymbol("speaker.slash.fill");
    EXPECT_EQ(still.symbolReplace().state().progress, 1.0);

    Spring::setAnimationsEnabled(true);
    ControlSlider s("speaker.wave.2.fill", binding(), {0, 100}, {}, 34);
    s.setSymbol("speaker.slash.fill");
    EXPECT_EQ(s.symbol(), "speaker.slash.fill");
    const SymbolReplace::State started = s.symbolReplace().state();
    EXPECT_EQ(started.from, "speaker.wave.2.fill");
    EXPECT_EQ(started.to, "speaker.slash.fill");
    EXPECT_EQ(started.progress, 0.0);

    QVariantAnimation* a = s.symbolReplace().animation();
    a->setCurrentTime(a->duration() / 2);
    const QImage halfway = render(&s, {200, 34}, 1.0);
    a->setCurrentTime(a->duration());
    EXPECT_EQ(s.symbolReplace().state().progress, 1.0);
    ControlSlider fresh("speaker.slash.fill", binding(), {0, 100}, {}, 34);
    const QImage done = render(&s, {200, 34}, 1.0);
    EXPECT_EQ(done, render(&fresh, {200, 34}, 1.0));
    EXPECT_NE(halfway, done);
    Spring::setAnimationsEnabled(false);
}

TEST_F(SlidersTest, FillEndsWhereTheValueSays)
{
    for (const Look& look : looks()) {
        for (qreal dpr : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(look.style) + (look.dark ? " dark " : " light ") + std::to_string(dpr));
            level = 50;
            ControlSlider s("sun.max.fill", binding(), {0, 100}, {}, 34);
            applyLook(&s, look);
            QImage img = render(&s, {240, 34}, dpr);
            EXPECT_GT(at(img, 116, 17).lightness(), 245); // inside the fill
            EXPECT_LT(at(img, 126, 17).lightness(), 245); // past its end
            EXPECT_TRUE(s.symbolOnFill());

            level = 0; // the lower bound still shows a circle of the capsule's height
            s.refresh();
            img = render(&s, {240, 34}, dpr);
            EXPECT_EQ(s.fillWidth(), 34);
            EXPECT_GT(at(img, 30, 17).lightness(), 245);
            EXPECT_LT(at(img, 40, 17).lightness(), 245);
            EXPECT_FALSE(s.symbolOnFill());

            level = 100;
            s.refresh();
            img = render(&s, {240, 34}, dpr);
            EXPECT_GT(at(img, 225, 17).lightness(), 245);
        }
    }
    level = 7;
    ControlSlider same("sun.max.fill", binding(), {7, 7}, {}, 34);
    render(&same, {240, 34}, 2.0);
    EXPECT_EQ(same.fillWidth(), 34);
}

TEST_F(SlidersTest, SliderGallery)
{
    static double levels[] = {0, 35, 100, 60, 42.6};
    const QString path = writeGallery(
        "sliders",
        {{"empty", {200, 34}, [] {
              return new ControlSlider("speaker.slash.fill", {[] { return levels[0]; }, [](double) {}}, {0, 100},
                                       [] {}, 34);
          }},
         {"part", {200, 34}, [] {
              return new ControlSlider("speaker.wave.2.fill", {[] { return levels[1]; }, [](double) {}}, {0, 100},
                                       [] {}, 34);
          }},
         {"full", {200, 34}, [] {
              return new ControlSlider("sun.max.fill", {[] { return levels[2]; }, [](double) {}}, {0, 100}, {}, 34);
          }},
         {"mini", {140, 22}, [] { return new MiniSlider(levels[3], {}, 16); }},
         {"value", {220, 50}, [] {
              return new ValueSlider("Parlaklık · Monitör", "sun.max.fill", std::nullopt,
                                     {[] { return levels[4]; }, [](double) {}}, {0, 100}, {});
          }}});
    EXPECT_FALSE(QImage(path).isNull());
}

} // namespace
