#pragma once
// One selectable display mode.
#include <QString>

struct DisplayModeOption {
    QString id; // "<width>x<height>@<pixelWidth>/<refresh>"
    int width = 0;       // points
    int height = 0;
    int pixelWidth = 0;  // pixels
    int refresh = 0;     // Hz, rounded; 0 when the display reports none

    bool isHiDPI() const { return width < pixelWidth; }
    QString label() const;
    bool operator==(const DisplayModeOption&) const = default;
};
