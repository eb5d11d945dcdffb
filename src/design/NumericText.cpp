#include "design/NumericText.h"

#include "design/Paint.h"
#include "design/Spring.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QVariantAnimation>
#include <cmath>
#include <vector>

namespace {
// The spring whose settle time is the roll's duration, so a count eases in like the toolkit's
// other springs and is still at its end when the animation stops.
const double kResponse = NumericRoll::kDurationMs / 1000.0 / Spring::settleTime(1.0);
// Longer digit runs do not fit a long long step count; such texts roll over as plain texts.
constexpr int kMaxDigits = 15;

bool isMark(QChar c) { return c == QLatin1Char('.') || c == QLatin1Char(','); }
} // namespace

std::optional<NumericRoll::Number> NumericRoll::parse(const QString& text)
{
    auto digitAt = [&](qsizetype i) { return i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); };
    std::vector<std::pair<qsizetype, qsizetype>> runs;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!digitAt(i))
            continue;
        qsizetype j = i;
        while (digitAt(j))
            ++j;
        runs.emplace_back(i, j);
        i = j;
    }
    if (runs.empty())
        return std::nullopt;
    const qsizetype start = runs[0].first;
    qsizetype end = runs[0].second;
    // One decimal mark between two digit runs joins them into one number.
    if (runs.size() == 2 && runs[1].first == end + 1 && isMark(text[end]))
        end = runs[1].second;
    else if (runs.size() > 1)
        return std::nullopt; // several numbers: no single count to run
    Number n;
    n.prefix = text.left(start);
    n.suffix = text.mid(end);
    QString digits;
    for (qsizetype i = start; i < end; ++i) {
        if (isMark(text[i])) {
            n.mark = text[i];
            n.fractionDigits = int(end - i - 1);
        } else {
            digits += text[i];
        }
    }
    if (digits.size() > kMaxDigits)
        return std::nullopt;
    // Leading zeros ("07") are a frame the count would not keep.
    const qsizetype whole = digits.size() - n.fractionDigits;
    if (whole > 1 && digits[0] == QLatin1Char('0'))
        return std::nullopt;
    n.count = digits.toLongLong();
    return n;
}

QString NumericRoll::Number::text(long long c) const
{
    QString digits = QString::number(c);
    if (fractionDigits > 0) {
        digits = digits.rightJustified(fractionDigits + 1, QLatin1Char('0'));
        digits.insert(digits.size() - fractionDigits, mark);
    }
    return prefix + digits + suffix;
}

NumericRoll::NumericRoll(QString text, QWidget* owner)
    : QObject(owner), owner_(owner), text_(std::move(text)), animation_(new QVariantAnimation(this))
{
    animation_->setDuration(kDurationMs);
    animation_->setStartValue(0.0);
    animation_->setEndValue(1.0);
    connect(animation_, &QVariantAnimation::valueChanged, owner, qOverload<>(&QWidget::update));
    connect(animation_, &QVariantAnimation::finished, this, [this] {
        owner_->update();
        emit finished();
    });
}

double NumericRoll::progressAt(int ms) const
{
    return ms >= animation_->duration() ? 1.0 : Spring::progress(ms / 1000.0, kResponse);
}

bool NumericRoll::isAnimating() const { return animation_->state() != QAbstractAnimation::Stopped; }

std::optional<double> NumericRoll::shownCount() const
{
    if (!counting_ || !isAnimating())
        return std::nullopt;
    return countFrom_ + (double(counting_->count) - countFrom_) * progressAt(animation_->currentTime());
}

NumericRoll::State NumericRoll::state() const
{
    if (!isAnimating())
        return {text_, text_, 1.0};
    if (!counting_)
        return {crossFrom_, text_, progressAt(animation_->currentTime())};
    // Always rolling upwards: the step being left is `from`, whichever way the count runs.
    const double u = *shownCount();
    const double target = double(counting_->count);
    if (target >= countFrom_) {
        const double lower = std::floor(u);
        if (lower >= target)
            return {text_, text_, 1.0};
        return {counting_->text((long long)lower), counting_->text((long long)lower + 1), u - lower};
    }
    const double upper = std::ceil(u);
    if (upper <= target)
        return {text_, text_, 1.0};
    return {counting_->text((long long)upper), counting_->text((long long)upper - 1), upper - u};
}

void NumericRoll::setText(const QString& text)
{
    if (text == text_)
        return;
    const State shown = state();
    const std::optional<double> count = shownCount();
    const QString previous = text_;
    text_ = text;
    animation_->stop();
    const bool animate = Spring::animationsEnabled() && !previous.isEmpty() && owner_->isVisible();
    if (!animate) {
        counting_.reset();
        owner_->update();
        return;
    }
    const std::optional<Number> next = parse(text);
    const std::optional<Number> before = count ? counting_ : parse(previous);
    if (next && before && next->sameFrame(*before)) {
        // A count in the middle of another goes on from the step drawn now.
        countFrom_ = count ? *count : double(before->count);
        counting_ = next;
    } else {
        // A crossover starts from the text that is mostly drawn now.
        crossFrom_ = shown.progress < 0.5 ? shown.from : shown.to;
        counting_.reset();
    }
    animation_->start();
    owner_->update();
}

QString NumericRoll::widestText(const QFont& font) const
{
    if (!isAnimating())
        return text_;
    const QFontMetricsF fm(font);
    QString widest = text_;
    auto consider = [&](const QString& t) {
        if (fm.horizontalAdvance(t) > fm.horizontalAdvance(widest))
            widest = t;
    };
    if (counting_) {
        // Digit counts only grow or shrink along a count, so its ends are the widest steps.
        consider(counting_->text((long long)std::floor(countFrom_)));
        consider(counting_->text((long long)std::ceil(countFrom_)));
    } else {
        consider(crossFrom_);
    }
    return widest;
}

void NumericRoll::paint(QPainter& p, const QRectF& box, Qt::Alignment alignment) const
{
    const State s = state();
    const int flags = int(Qt::AlignLeft | (alignment & Qt::AlignVertical_Mask)) | Qt::TextSingleLine
                      | Qt::TextDontClip;
    if (s.progress >= 1.0 || s.from == s.to) {
        p.drawText(box, int(alignment) | Qt::TextSingleLine | Qt::TextDontClip, s.to);
        return;
    }
    const QFontMetricsF fm(p.font());
    struct Glyph {
        QChar c;
        qreal x;
    };
    auto layout = [&](const QString& text) {
        const qreal w = fm.horizontalAdvance(text);
        qreal x = box.left();
        if (alignment & Qt::AlignRight)
            x = box.right() - w;
        else if (alignment & Qt::AlignHCenter)
            x = box.center().x() - w / 2;
        std::vector<Glyph> glyphs;
        for (qsizetype i = 0; i < text.size(); ++i)
            glyphs.push_back({text[i], x + fm.horizontalAdvance(text.left(i))});
        return glyphs;
    };
    const std::vector<Glyph> from = layout(s.from), to = layout(s.to);
    auto standsIn = [](const Glyph& g, const std::vector<Glyph>& other) {
        for (const Glyph& o : other)
            if (o.c == g.c && std::abs(o.x - g.x) < 0.5)
                return true;
        return false;
    };
    // Digits of one font share an advance, so a character that is the same at the same place
    // stands still; the others leave upwards as their successors rise from below.
    const qreal rise = fm.height() * 0.6;
    const qreal opacity = p.opacity();
    auto draw = [&](const Glyph& g, qreal dy, qreal alpha) {
        if (alpha <= 0)
            return;
        p.setOpacity(opacity * alpha);
        const qreal w = fm.horizontalAdvance(g.c);
        p.drawText(QRectF(g.x, box.top() + dy, w, box.height()), flags, QString(g.c));
    };
    for (const Glyph& g : from)
        if (!standsIn(g, to))
            draw(g, -rise * s.progress, 1.0 - s.progress);
    for (const Glyph& g : to)
        draw(g, standsIn(g, from) ? 0 : rise * (1.0 - s.progress), standsIn(g, from) ? 1.0 : s.progress);
    p.setOpacity(opacity);
}

NumericText::NumericText(QFont font, Tone tone, QWidget* parent)
    : TextLine(QString(), std::move(font), tone, parent), roll_(new NumericRoll(QString(), this))
{
    // At the end of a roll the layout may give back the room a passing digit needed.
    connect(roll_, &NumericRoll::finished, this, &QWidget::updateGeometry);
}

void NumericText::setText(const QString& text)
{
    roll_->setText(text);
    TextLine::setText(text);
}

QSize NumericText::sizeHint() const
{
    QSize size = TextLine::sizeHint();
    if (roll_->isAnimating())
        size.setWidth(std::max(size.width(),
                               int(std::ceil(design::textWidth(textFont(), roll_->widestText(textFont())))) + 1));
    return size;
}

void NumericText::paintEvent(QPaintEvent* e)
{
    if (!roll_->isAnimating()) {
        TextLine::paintEvent(e);
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (!isEnabled())
        p.setOpacity(kDisabledOpacity);
    p.setPen(shownColor());
    // The font that fits the widest step, so no step is cut off while the count runs.
    p.setFont(design::fittedFont(textFont(), roll_->widestText(textFont()), width(), minimumScale()));
    p.setClipRect(rect());
    roll_->paint(p, QRectF(rect()), alignment());
}
