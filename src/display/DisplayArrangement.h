#pragma once
// The card in which the user arranges the displays: the canvas of tiles (drag to move a
// display, tap to select one), a switch in the header that mirrors every display onto the main
// one, a hint under the canvas and, for the selected tile, its screen settings. The card keeps
// only view state; the arrangement is read from the system at each sync.
#include "display/DisplayManager.h"

#include <QWidget>
#include <optional>

class ArrangementCanvas;
class Card;
class CardHeader;
class Divider;
class ScreenSettings;
class Switch;
class ViewSync;
class WrappingText;

class DisplayArrangementCard : public QWidget {
    Q_OBJECT
public:
    explicit DisplayArrangementCard(DisplayManager& display, QWidget* parent = nullptr);

    static QString hint(int frameCount, bool mirroring);

    // The tile the user last tapped or dropped (none until then).
    std::optional<uint32_t> selection() const { return selection_; }
    ArrangementCanvas* canvas() const { return canvas_; }
    // The mirroring switch and its label; hidden with fewer than two displays unless mirrored.
    QWidget* mirrorControl() const { return mirrorControl_; }
    Switch* mirrorSwitch() const { return mirrorSwitch_; }
    WrappingText* hintText() const { return hint_; }
    // Shown only while a screen is selected.
    ScreenSettings* screenSettings() const { return settings_; }
    ViewSync* binding() const { return sync_; }

    void sync();

private:
    void select(uint32_t id);

    DisplayManager& display_;
    std::optional<uint32_t> selection_;
    bool mirroring_ = false;
    ViewSync* sync_;
    Card* card_;
    CardHeader* header_;
    QWidget* mirrorControl_;
    Switch* mirrorSwitch_;
    ArrangementCanvas* canvas_;
    WrappingText* hint_;
    Divider* divider_;
    ScreenSettings* settings_ = nullptr;
};
