#pragma once
// The idle blackout's settings on the display page: black the screens out now, or after a
// chosen number of idle minutes.
#include "design/SegmentedChoice.h"

#include <QWidget>

class GlassButton;
class OLEDGuard;

class OLEDSettings : public QWidget {
    Q_OBJECT
public:
    explicit OLEDSettings(OLEDGuard& oled, QWidget* parent = nullptr);

    // "Kapalı" for 0, else the minutes.
    static QString choiceTitle(int minutes);

    GlassButton* blackoutButton() const { return button_; }
    SegmentedChoice<int>* idleChoice() const { return idle_; }

private:
    OLEDGuard& oled_;
    GlassButton* button_;
    SegmentedChoice<int>* idle_;
};
