#include "design/BrandMark.h"
#include "design/Gauges.h"
#include "design/TextLine.h"

#include "DesignTest.h"

#include <QVBoxLayout>
#include <cmath>

namespace {

class GaugesTest : public DesignTest {};

TEST_F(GaugesTest, BarChargeAndLimitMark)
{
    struct Case {
        double percent;
        qreal width;
    };
    const Case charge[] = {{50, 100}, {0, 12} /*never thinner than a circle*/, {100, 200},
                           {140, 200} /*clamped*/, {-20, 12}, {5, 12}};
    for (const Case& c : charge)
        EXPECT_DOUBLE_EQ(BatteryBar::chargeWidth(c.percent, 200, 12), c.width) << c.percent;
    EXPECT_FALSE(BatteryBar::limitMarkLeft(100, 200));
    EXPECT_FALSE(BatteryBar::limitMarkLeft(120, 200));
    EXPECT_DOUBLE_EQ(*BatteryBar::limitMarkLeft(99, 200), 197);
    EXPECT_DOUBLE_EQ(*BatteryBar::limitMarkLeft(80, 200), 159);
    EXPECT_EQ(BatteryBar::accessibilityLabel(64, 100), "Pil yüzde 64, şarj sınırı yüzde 100");
}

TEST_F(GaugesTest, BarDrawsChargeAndLimitWhereTheNumbersSay)
{
    const QColor green(40, 205, 65);
    for (const Look& look : looks()) {
        for (qreal dpr : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(look.style) + (look.dark ? " dark " : " light ") + std::to_string(dpr));
            BatteryBar bar(60, 80, Tint::fixed(green), 10);
            applyLook(&bar, look);
            QImage img = render(&bar, {200, 18}, dpr);
            EXPECT_LT(distance(at(img, 116, 9), green), 10); // charge ends at 120
            EXPECT_GT(distance(at(img, 124, 9), green), 100);
            EXPECT_LT(distance(at(img, 160, 9), primaryColor(&bar)), 30); // limit mark centred on 160
            EXPECT_GT(distance(at(img, 164, 9), primaryColor(&bar)), 100);

            bar.setValues(150, 100); // a reading past full stays inside; no limit, no mark
            img = render(&bar, {200, 18}, dpr);
            EXPECT_LT(distance(at(img, 196, 9), green), 10);
            EXPECT_EQ(bar.drawnChargeWidth(), 200);
        }
    }
}

// Nobody sees a hidden gauge move: a change jumps to its end, and hiding ends a motion under way,
// so a closed window's gauges never keep the process awake.
TEST_F(GaugesTest, AHiddenGaugeDrawsItsValueAtOnce)
{
    Spring::setAnimationsEnabled(true);
    const qreal at80 = BatteryBar::chargeWidth(80, 200, 10);
    BatteryBar hidden(20, 100, Tint(), 10);
    hidden.resize(200, 18);
    hidden.setValues(80, 100);
    EXPECT_EQ(hidden.drawnChargeWidth(), at80);

    BatteryBar shown(20, 100, Tint(), 10);
    shown.setAttribute(Qt::WA_DontShowOnScreen);
    shown.resize(200, 18);
    shown.show();
    shown.setValues(80, 100);
    EXPECT_LT(shown.drawnChargeWidth(), at80) << "on screen it moves";
    shown.hide();
    EXPECT_EQ(shown.drawnChargeWidth(), at80) << "hidden in mid-motion, it is at its end";
    shown.setValues(40, 100);
    EXPECT_EQ(shown.drawnChargeWidth(), BatteryBar::chargeWidth(40, 200, 10));
}

TEST_F(GaugesTest, RingArcAndLimitMark)
{
    EXPECT_EQ(BatteryRing::arcFraction(0), 0.0);
    EXPECT_EQ(BatteryRing::arcFraction(130), 1.0);
    EXPECT_EQ(BatteryRing::arcFraction(-5), 0.0);

    const QColor tint(0, 122, 255);
    for (const Look& look : looks()) {
        for (qreal dpr : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(look.style) + (look.dark ? " dark " : " light ") + std::to_string(dpr));
            BatteryRing ring(25, 99, Tint::fixed(tint), 100, 10);
            applyLook(&ring, look);
            const QImage img = render(&ring, ring.sizeHint(), dpr);
            const QPointF c = ring.centre();
            // A quarter: from twelve to three o'clock, clockwise.
            EXPECT_LT(distance(at(img, c.x() + 36, c.y() - 36), tint), 15);
            EXPECT_GT(distance(at(img, c.x() - 36, c.y() - 36), tint), 100);
            // The mark at 99 % stands just before twelve, on the ring.
            const auto mark = ring.limitMarkCentre();
            ASSERT_TRUE(mark);
            EXPECT_NEAR(mark->y(), c.y() - 50, 0.1);
            EXPECT_LT(mark->x(), c.x());
            EXPECT_GT(mark->x(), c.x() - 4);
            // It sticks out past the stroke, where a ring without a limit shows nothing.
            BatteryRing free(25, 100, Tint::fixed(tint), 100, 10);
            applyLook(&free, look);
            const QImage plain = render(&free, free.sizeHint(), dpr);
            EXPECT_GT(distance(at(img, mark->x(), mark->y() - 5.75), at(plain, mark->x(), mark->y() - 5.75)), 40);
        }
    }
    BatteryRing none(0, 100, Tint::fixed(tint), 100, 10);
    EXPECT_FALSE(none.limitMarkCentre());
    const QImage img = render(&none, none.sizeHint(), 1.0);
    EXPECT_GT(distance(at(img, none.centre().x(), none.centre().y() - 50), tint), 100); // no arc at 0 %
}

TEST_F(GaugesTest, PowerSplitReadsInTheUiLocale)
{
    const QLocale tr("tr"), en("en");
    struct Case {
        double battery, system;
        const char* charging; // nullptr: none
        const char* adapter;
        const char* fromBattery;
        qreal adapterWidth, batteryWidth; // of 180 points
    };
    const Case cases[] = {
        {12.3, 8.0, "Pile 12,3 W", "Adaptör 8,0 W", "Pil 0,0 W", 180, 0},
        {-6, 9, nullptr, "Adaptör 3,0 W", "Pil 6,0 W", 60, 118},
        {-9, 9, nullptr, "Adaptör 0,0 W", "Pil 9,0 W", 0, 180},
        {-12, 9, nullptr, "Adaptör 0,0 W", "Pil 12,0 W", 0, 180},
        {0.04, 0.03, nullptr, "Adaptör 0,0 W", "Pil 0,0 W", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.battery) + " " + std::to_string(c.system));
        PowerSplitBar bar(0, c.battery, c.system);
        EXPECT_EQ(bar.chargingText(tr).value_or("none"), c.charging ? c.charging : "none");
        EXPECT_EQ(bar.adapterLegend(tr), c.adapter);
        EXPECT_EQ(bar.batteryLegend(tr), c.fromBattery);
        const auto seg = PowerSplitBar::segments(c.battery, c.system, 180);
        EXPECT_NEAR(seg.adapterWidth, c.adapterWidth, 1e-9);
        EXPECT_NEAR(seg.batteryWidth, c.batteryWidth, 1e-9);
    }
    PowerSplitBar bar(20, 12.3, 8.0);
    EXPECT_EQ(bar.consumptionText(tr), "8,0 W");
    EXPECT_EQ(bar.consumptionText(en), "8.0 W");
    EXPECT_EQ(PowerSplitBar::split(-6, 9).total, 9);
    EXPECT_EQ(PowerSplitBar::split(0, 0).total, 0.01);
}

TEST_F(GaugesTest, PowerBarSplitsTheRow)
{
    for (const Look& look : looks()) {
        for (qreal dpr : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(look.style) + (look.dark ? " dark " : " light ") + std::to_string(dpr));
            PowerSplitBar bar(0, -6, 9);
            applyLook(&bar, look);
            const QImage img = render(&bar, {182, bar.sizeHint().height()}, dpr);
            const qreal y = bar.barRect().center().y();
            const QColor orange = systemColor(SystemColor::orange, look.dark);
            EXPECT_LT(distance(at(img, 30, y), kvmAccent(&bar)), 15);
            EXPECT_LT(distance(at(img, 120, y), orange), 15);
            EXPECT_GT(distance(at(img, 61, y), orange), 60); // the 2-point gap after the adapter's 60
        }
    }
}

TEST_F(GaugesTest, BrandMarkGeometry)
{
    BrandMark sixteen(16);
    EXPECT_NEAR(sixteen.strokeWidth(), 1.76, 1e-9);
    EXPECT_NEAR(sixteen.ringRadius() * 2, 9.6, 1e-9);
    const QLineF bar = sixteen.bar();
    EXPECT_NEAR(bar.x1(), 3.08, 0.01);
    EXPECT_NEAR(bar.y1(), 12.92, 0.01);
    EXPECT_NEAR(bar.x2(), 12.92, 0.01);
    EXPECT_NEAR(bar.y2(), 3.08, 0.01);
    EXPECT_NEAR(bar.length(), 13.92, 0.01);
    EXPECT_DOUBLE_EQ(BrandMark(8).strokeWidth(), 1.2);
    EXPECT_DOUBLE_EQ(BrandMark(8, 0.5).strokeWidth(), 0.5);
    EXPECT_EQ(sixteen.accessibleName(), "Quendrel");
    // The signature's lines, as the Turkish interface shows them.
    BrandSignature signature(16);
    QStringList lines;
    for (const TextLine* line : signature.findChildren<TextLine*>())
        lines << line->text();
    EXPECT_EQ(lines, QStringList({"Quendrel", "by Ostrane"}));

    // Drawn in the foreground colour it sits in.
    for (qreal dpr : {1.0, 2.0}) {
        QWidget dimmed;
        QPalette p = Theme::appearancePalette(false);
        p.setColor(QPalette::WindowText, QColor(200, 0, 0));
        dimmed.setPalette(p);
        auto* mark = new BrandMark(64, std::nullopt, &dimmed);
        mark->move(0, 0);
        const QImage img = render(&dimmed, {64, 64}, dpr);
        EXPECT_LT(distance(at(img, 32, 32), QColor(200, 0, 0)), 10);            // the bar's middle
        EXPECT_LT(distance(at(img, 32, 32 - 64 * 0.3), QColor(200, 0, 0)), 10); // the ring's top
        EXPECT_EQ(at(img, 5, 5), p.color(QPalette::Window));
    }
}

TEST_F(GaugesTest, GaugeGallery)
{
    const QString path = writeGallery(
        "gauges", {{"ring", {110, 110}, [] { return new BatteryRing(72, 80, Tint(SystemColor::green), 96, 9); }},
                   {"ring full", {110, 110}, [] { return new BatteryRing(100, 100, Tint(SystemColor::blue), 96, 9); }},
                   {"bars", {200, 110}, [] {
                        auto* w = new QWidget;
                        auto* l = new QVBoxLayout(w);
                        l->addWidget(new BatteryBar(72, 80, Tint(SystemColor::green), 8));
                        l->addWidget(new BatteryBar(0, 100, Tint(SystemColor::orange), 8));
                        l->addWidget(new BrandSignature(22));
                        return w;
                    }},
                   {"power charging", {220, 60}, [] { return new PowerSplitBar(20, 12.3, 8.0); }},
                   {"power split", {220, 60}, [] { return new PowerSplitBar(3, -6, 9); }}});
    EXPECT_FALSE(QImage(path).isNull());
}

} // namespace
