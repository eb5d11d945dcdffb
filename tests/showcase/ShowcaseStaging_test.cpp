#include "showcase/Showcase.h"

#include <gtest/gtest.h>

// Readable failures: Qt's geometry has no stream operator of its own.
static void PrintTo(const QRectF& r, std::ostream* os)
{
    *os << '(' << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ')';
}
static void PrintTo(const QPointF& p, std::ostream* os) { *os << '(' << p.x() << ", " << p.y() << ')'; }
static void PrintTo(const QSizeF& s, std::ostream* os) { *os << s.width() << 'x' << s.height(); }

namespace {

TEST(ShowcaseStaging, SizeTextNeedsExactlyTwoPositiveNumbers)
{
    const std::pair<const char*, std::optional<QSizeF>> cases[] = {
        {"1440x900", QSizeF(1440, 900)},
        {"1280x800", QSizeF(1280, 800)},
        {"1280.5x800", QSizeF(1280.5, 800)},
        {"x1280xx800x", QSizeF(1280, 800)}, // empty pieces are dropped
        {"1280xax800", QSizeF(1280, 800)},  // so are pieces that are not numbers
        {"1200x", std::nullopt},
        {"axb", std::nullopt},
        {"1280x800x2", std::nullopt},
        {"1280", std::nullopt},
        {"wide", std::nullopt},
        {"", std::nullopt},
        {" 1280x800", std::nullopt},
        {"infx900", std::nullopt},
        {"nanx900", std::nullopt},
        // No window can be staged at these sizes.
        {"0x900", std::nullopt},
        {"-1280x800", std::nullopt},
        // Nor past what a screen can show: the frame would not even round to integers.
        {"8192x8192", QSizeF(8192, 8192)},
        {"8193x900", std::nullopt},
        {"1280x1e10", std::nullopt},
        {"99999999x99999999", std::nullopt},
    };
    for (const auto& [text, size] : cases)
        EXPECT_EQ(Showcase::parseSize(text), size) << '"' << text << '"';
}

TEST(ShowcaseStaging, BackdropColourFromHexWithHashesStrippedOrNone)
{
    const QColor orange(255, 136, 0);
    const std::pair<std::optional<QString>, std::optional<QColor>> cases[] = {
        {std::nullopt, QColor(0x0B, 0x0B, 0x0F)},
        {"#FF8800", orange},
        {"ff8800", orange},
        {"##ff8800#", orange},
        {"1FF0000", QColor(255, 0, 0)},   // bits above red are ignored
        {"FFFFFFFF", QColor(255, 255, 255)},
        {"8800", QColor(0, 0x88, 0)},
        {"none", std::nullopt},
        {"None", std::nullopt},
        {"GG0000", std::nullopt},
        {"", std::nullopt},
        {"##", std::nullopt},
        {"100000000", std::nullopt}, // past 32 bits
        {"0xFF8800", std::nullopt},
        {" ff8800", std::nullopt},
        {"ff 8800", std::nullopt},
    };
    for (const auto& [raw, colour] : cases) {
        const auto got = Showcase::backdropColor(raw);
        ASSERT_EQ(got.has_value(), colour.has_value()) << raw.value_or("(absent)").toStdString();
        if (got) {
            EXPECT_EQ(got->rgba(), colour->rgba()) << raw.value_or("(absent)").toStdString();
            EXPECT_EQ(*got, got->toRgb()) << "an RGB colour, not another model";
        }
    }
}

TEST(ShowcaseStaging, WindowPlacedBelowTheVisibleTopOrAtItWhenTooTall)
{
    struct Case {
        QRectF visible;
        QSizeF size;
        QRectF frame;
    };
    const QRectF wide(0, 0, 1920, 1056); // 1080 without the menu bar
    const Case cases[] = {
        {wide, {1440, 900}, {40, 132, 1440, 900}},
        {wide, {1440, 1032}, {40, 0, 1440, 1032}},    // just fits below the inset
        {wide, {1440, 1033}, {40, 23, 1440, 1033}},   // does not: top at the visible top
        {wide, {1440, 1200}, {40, -144, 1440, 1200}}, // larger than the screen, kept
        {wide, {4000, 900}, {40, 132, 4000, 900}},
        {{1920, -200, 2560, 1416}, {1440, 900}, {1960, 292, 1440, 900}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Showcase::placedFrame(c.visible, c.size), c.frame) << ::testing::PrintToString(c.visible) << ' ' << ::testing::PrintToString(c.size);
}

TEST(ShowcaseStaging, EventCoordinatesFlipAgainstTheFirstScreensTop)
{
    const std::vector<QRectF> laptopFirst{{0, 0, 1512, 982}, {1512, 0, 1920, 1080}};
    const std::vector<QRectF> monitorFirst{{0, 0, 1920, 1080}, {-1512, 0, 1512, 982}};
    const std::vector<QRectF> lowered{{0, -100, 1920, 1080}};
    struct Case {
        const std::vector<QRectF>& screens;
        QPointF global;
        QPointF event;
    };
    const Case cases[] = {
        {laptopFirst, {100, 900}, {100, 82}},
        {laptopFirst, {2000, 1000}, {2000, -18}}, // on the taller second screen
        {monitorFirst, {100, 900}, {100, 180}},
        {monitorFirst, {-700, 0}, {-700, 1080}},
        {lowered, {5, 980}, {5, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Showcase::toEventCoordinates(c.global, c.screens), c.event) << ::testing::PrintToString(c.global);
        // The flip is its own inverse.
        EXPECT_EQ(Showcase::toEventCoordinates(c.event, c.screens), c.global) << ::testing::PrintToString(c.event);
    }
    EXPECT_EQ(Showcase::toEventCoordinates({1, 2}, {}), std::nullopt);
}

TEST(ShowcaseStaging, PointerOverTheWindowMovesBesideItOnScreen)
{
    const std::vector<QRectF> screen{{0, 0, 1920, 1080}};
    const std::vector<QRectF> lowered{{0, -100, 1920, 1080}};
    const std::vector<QRectF> none;
    const QRectF window(40, 132, 1440, 900);
    struct Case {
        const char* name;
        QRectF rect;
        QPointF pointer;
        const std::vector<QRectF>& screens;
        std::optional<QPointF> moved;
    };
    const Case cases[] = {
        {"right of the window", window, {500, 500}, screen, QPointF(1520, 540)},
        {"bottom-left corner is inside", window, {40, 132}, screen, QPointF(1520, 540)},
        {"top edge is outside", window, {500, 1032}, screen, std::nullopt},
        {"elsewhere", window, {10, 10}, screen, std::nullopt},
        {"right would leave the screen", {400, 100, 1500, 800}, {500, 500}, screen, QPointF(360, 540)},
        {"left kept off the screen edge", {40, 132, 1860, 900}, {500, 500}, screen, QPointF(4, 540)},
        {"centre of a lowered screen", window, {500, 500}, lowered, QPointF(1520, 440)},
        {"no screen", window, {500, 500}, none, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Showcase::pointerOutOf(c.rect, c.pointer, c.screens), c.moved) << c.name;
}

} // namespace
