// The pure geometry and parsing of the staging: sizes, the backdrop colour, window placement,
// the coordinate flip for synthesised events and where the pointer is moved out of the way.
#include "showcase/Showcase.h"

#include "platform/DisplayServices.h"

#include <QRegularExpression>
#include <algorithm>

std::optional<QSizeF> Showcase::parseSize(const QString& text)
{
    std::vector<double> numbers;
    for (const QString& piece : text.split('x', Qt::SkipEmptyParts))
        if (const auto n = decimalNumber(piece))
            numbers.push_back(*n);
    if (numbers.size() != 2)
        return std::nullopt;
    // A window of no or negative size cannot be staged; the default size is used instead.
    if (numbers[0] <= 0 || numbers[1] <= 0 || numbers[0] > kMaxSide || numbers[1] > kMaxSide)
        return std::nullopt;
    return QSizeF(numbers[0], numbers[1]);
}

std::optional<QColor> Showcase::backdropColor(const std::optional<QString>& raw)
{
    const QString value = raw.value_or(kDefaultBackdrop);
    if (value == "none")
        return std::nullopt;
    qsizetype from = 0, to = value.size();
    while (from < to && value[from] == '#')
        ++from;
    while (to > from && value[to - 1] == '#')
        --to;
    const QString hex = value.mid(from, to - from);
    static const QRegularExpression digits(QRegularExpression::anchoredPattern(QStringLiteral("[0-9A-Fa-f]+")));
    if (!digits.match(hex).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qulonglong n = hex.toULongLong(&ok, 16);
    if (!ok || n > 0xFFFFFFFFull)
        return std::nullopt;
    // Bits above the red byte are ignored.
    return QColor::fromRgb(int(n >> 16 & 0xFF), int(n >> 8 & 0xFF), int(n & 0xFF));
}

QRectF Showcase::placedFrame(const QRectF& visibleFrame, const QSizeF& size)
{
    const double maxY = visibleFrame.y() + visibleFrame.height();
    const double top = visibleFrame.height() - kInsetTop < size.height() ? maxY : maxY - kInsetTop;
    return QRectF(visibleFrame.x() + kInsetLeft, top - size.height(), size.width(), size.height());
}

std::optional<QPointF> Showcase::toEventCoordinates(const QPointF& point, const std::vector<QRectF>& screens)
{
    if (screens.empty())
        return std::nullopt;
    const QRectF& first = screens.front();
    return QPointF(point.x(), first.y() + first.height() - point.y());
}

std::optional<QPointF> Showcase::pointerOutOf(const QRectF& rect, const QPointF& pointer,
                                              const std::vector<QRectF>& screens)
{
    if (!platform::screens::mouseInRect(pointer, rect) || screens.empty())
        return std::nullopt;
    const QRectF& s = screens.front();
    const double right = rect.x() + rect.width() + kPointerOffset;
    const double x = right < s.x() + s.width() ? right : std::max(rect.x() - kPointerOffset, s.x() + kPointerScreenMargin);
    return QPointF(x, s.y() + s.height() / 2);
}
