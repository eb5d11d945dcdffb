#include "display/DisplayModeOption.h"

QString DisplayModeOption::label() const
{
    QString text = QString("%1 × %2").arg(width).arg(height);
    if (pixelWidth > width)
        text += " HiDPI";
    if (refresh >= 1)
        text += QString(" · %1 Hz").arg(refresh);
    return text;
}
