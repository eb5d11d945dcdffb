#include "DesignTest.h"

#include "design/NumericText.h"
#include "design/Paint.h"

#include <QVariantAnimation>
#include <gtest/gtest.h>

namespace {

class NumericTextTest : public DesignTest {
protected:
    // A readout on screen with `text` already shown, animations on.
    std::unique_ptr<NumericText> shown(const QString& text, QSize size = {120, 30})
    {
        auto t = std::make_unique<NumericText>(design::valueFont(22));
        t->setText(text);
        render(t.get(), size, 1.0);
        Spring::setAnimationsEnabled(true);
        return t;
    }
    static QVariantAnimation* anim(NumericText& t) { return t.roll().animation(); }
    // The count the drawn step stands for: the step being left, plus how far the roll has come.
    static double drawnCount(const NumericText& t)
    {
        const NumericRoll::State s = t.roll().state();
        const auto from = NumericRoll::parse(s.from), to = NumericRoll::parse(s.to);
        EXPECT_TRUE(from && to) << s.from.toStdString() << " " << s.to.toStdString();
        return from && to ? from->count + (to->count - from->count) * s.progress : 0;
    }
};

TEST_F(NumericTextTest, ReadsOneNumberInItsFrame)
{
    struct Case {
        const char* text;
        std::optional<long long> count;
        const char* prefix = "";
        const char* suffix = "";
        int fraction = 0;
    };
    for (const Case& c : {Case{"%45", 45, "%"}, Case{"12,5 W", 125, "", " W", 1}, Case{"31.05 °C", 3105, "", " °C", 2},
                          Case{"0,5 W", 5, "", " W", 1}, Case{"100", 100}, Case{"Sessiz", std::nullopt},
                          Case{"3 sa 20 dk", std::nullopt}, Case{"1.234,5", std::nullopt}, Case{"07", std::nullopt},
                          Case{"", std::nullopt}, Case{"12345678901234567", std::nullopt}}) {
        SCOPED_TRACE(c.text);
        const auto n = NumericRoll::parse(QString::fromUtf8(c.text));
        ASSERT_EQ(n.has_value(), c.count.has_value());
        if (!n)
            continue;
        EXPECT_EQ(n->count, *c.count);
        EXPECT_EQ(n->prefix, QString::fromUtf8(c.prefix));
        EXPECT_EQ(n->suffix, QString::fromUtf8(c.suffix));
        EXPECT_EQ(n->fractionDigits, c.fraction);
        EXPECT_EQ(n->text(n->count), QString::fromUtf8(c.text)); // the frame gives the text back
    }
}

// The first text, a change while hidden and a change with animations off are drawn at once.
TEST_F(NumericTextTest, DrawsAtOnceWhereNothingShouldMove)
{
    Spring::setAnimationsEnabled(true);
    NumericText hidden(design::valueFont(22));
    hidden.setText("%40");
    hidden.setText("%60");
    EXPECT_FALSE(hidden.roll().isAnimating());

    auto first = std::make_unique<NumericText>(design::valueFont(22));
    first->setAttribute(Qt::WA_DontShowOnScreen);
    first->show();
    first->setText("%40"); // the first text of a visible readout
    EXPECT_FALSE(first->roll().isAnimating());
    first->setText("%41");
    EXPECT_TRUE(first->roll().isAnimating());

    auto off = shown("%40");
    Spring::setAnimationsEnabled(false);
    off->setText("%60");
    EXPECT_FALSE(off->roll().isAnimating());
    EXPECT_EQ(off->roll().state().to, "%60");
}

// "%40" -> "%60" runs through every step on the way, never back, and ends on the exact text,
// drawn as a fresh readout draws it; the animation then stops.
TEST_F(NumericTextTest, CountsUpToTheNewValueAndStops)
{
    auto t = shown("%40");
    t->setText("%60");
    EXPECT_EQ(t->text(), "%60"); // what the readout says is new at once
    ASSERT_TRUE(t->roll().isAnimating());
    const QImage start = render(t.get(), {120, 30}, 1.0);
    double last = 40;
    bool between = false;
    for (int ms = 0; ms < NumericRoll::kDurationMs; ms += 10) {
        anim(*t)->setCurrentTime(ms);
        const double c = drawnCount(*t);
        EXPECT_GE(c, last - 1e-9) << ms;
        EXPECT_LE(c, 60.0) << ms;
        between |= c > 45 && c < 55;
        last = c;
    }
    EXPECT_TRUE(between);
    anim(*t)->setCurrentTime(NumericRoll::kDurationMs / 3);
    const QImage midway = render(t.get(), {120, 30}, 1.0);
    anim(*t)->setCurrentTime(NumericRoll::kDurationMs);
    EXPECT_FALSE(t->roll().isAnimating());
    EXPECT_EQ(t->roll().state().from, "%60");
    EXPECT_EQ(t->roll().state().progress, 1.0);

    auto fresh = shown("%60");
    const QImage done = render(t.get(), {120, 30}, 1.0);
    EXPECT_EQ(done, render(fresh.get(), {120, 30}, 1.0));
    EXPECT_NE(midway, done);
    EXPECT_NE(start, midway);
}

// A count that shrinks runs down (still rolling upwards), and decimals count in their last digit.
TEST_F(NumericTextTest, CountsDownAndInTheLastDecimal)
{
    struct Case {
        const char* from;
        const char* to;
    };
    for (const Case c : {Case{"%80", "%35"}, Case{"12,5 W", "13,1 W"}, Case{"%100", "%98"}}) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
        auto t = shown(QString::fromUtf8(c.from));
        t->setText(QString::fromUtf8(c.to));
        const double a = NumericRoll::parse(QString::fromUtf8(c.from))->count;
        const double b = NumericRoll::parse(QString::fromUtf8(c.to))->count;
        double last = a;
        for (int ms = 0; ms < NumericRoll::kDurationMs; ms += 10) {
            anim(*t)->setCurrentTime(ms);
            const double drawn = *t->roll().shownCount();
            EXPECT_LE(std::min(a, b) - 1e-9, drawn);
            EXPECT_LE(drawn, std::max(a, b) + 1e-9);
            EXPECT_GE((drawn - last) * (b - a), -1e-9) << ms; // never back
            last = drawn;
            const NumericRoll::State s = t->roll().state();
            EXPECT_EQ(std::abs(NumericRoll::parse(s.from)->count - NumericRoll::parse(s.to)->count), 1);
        }
        // Room for the widest step, so a passing third digit is not cut off.
        EXPECT_GE(t->sizeHint().width(), design::textWidth(t->textFont(), QString::fromUtf8(c.from)));
        anim(*t)->setCurrentTime(NumericRoll::kDurationMs);
        EXPECT_EQ(t->roll().state().to, QString::fromUtf8(c.to));
        EXPECT_EQ(t->sizeHint(), TextLine(QString::fromUtf8(c.to), t->textFont()).sizeHint());
    }
}

// A change in the middle of a count goes on from the step drawn now; a text that is no count
// in the same frame rolls over from the text mostly drawn.
TEST_F(NumericTextTest, ChangeMidwayGoesOnFromWhatIsDrawn)
{
    auto t = shown("%40");
    t->setText("%60");
    anim(*t)->setCurrentTime(NumericRoll::kDurationMs / 4);
    const double drawn = *t->roll().shownCount();
    ASSERT_GT(drawn, 40.0);
    ASSERT_LT(drawn, 60.0);
    t->setText("%20");
    EXPECT_NEAR(*t->roll().shownCount(), drawn, 1e-9);
    anim(*t)->setCurrentTime(NumericRoll::kDurationMs / 2);
    EXPECT_LT(*t->roll().shownCount(), drawn);
    EXPECT_GT(*t->roll().shownCount(), 20.0);

    const NumericRoll::State before = t->roll().state();
    t->setText("Sessiz");
    EXPECT_FALSE(t->roll().shownCount());
    const NumericRoll::State s = t->roll().state();
    EXPECT_EQ(s.from, before.progress < 0.5 ? before.from : before.to);
    EXPECT_EQ(s.to, "Sessiz");
    EXPECT_EQ(s.progress, 0.0);
    anim(*t)->setCurrentTime(NumericRoll::kDurationMs);
    EXPECT_EQ(t->roll().state().to, "Sessiz");
    EXPECT_FALSE(t->roll().isAnimating());
}

// Frames of a count for the eye: rest, a third of the way and the end, light and dark.
TEST_F(NumericTextTest, Gallery)
{
    auto counting = [](int ms) {
        return [ms]() -> QWidget* {
            auto* t = new NumericText(design::valueFont(22));
            t->setAttribute(Qt::WA_DontShowOnScreen);
            t->resize(90, 30);
            t->show();
            t->setText("%48");
            Spring::setAnimationsEnabled(true);
            t->setText("%53");
            t->roll().animation()->setCurrentTime(ms);
            t->roll().animation()->pause(); // held while the gallery paints
            Spring::setAnimationsEnabled(false);
            return t;
        };
    };
    EXPECT_FALSE(writeGallery("numeric-text", {{"start", {90, 30}, counting(0)},
                                               {"third", {90, 30}, counting(NumericRoll::kDurationMs / 3)},
                                               {"late", {90, 30}, counting(NumericRoll::kDurationMs * 2 / 3)}})
                     .isEmpty());
}

} // namespace
