#pragma once
// The block under the arrangement canvas for the selected tile: the screen's name, whether it
// is the main display (or a button that makes it so) and, for the built-in display while the
// controls act on another one, its resolution picker; for a monitor, a note that its other
// settings are in the cards below.
#include "design/Buttons.h"
#include "display/DisplayManager.h"

#include <QWidget>

class StatusChip;
class SymbolView;
class TextLine;
class WrappingText;

class ScreenSettings : public QWidget {
    Q_OBJECT
public:
    ScreenSettings(DisplayManager& display, DisplayManager::ScreenFrame screen, QWidget* parent = nullptr);

    // The card hands over the selected tile's frame as it reads it.
    void setScreen(const DisplayManager::ScreenFrame& screen);
    const DisplayManager::ScreenFrame& screen() const { return screen_; }
    void sync();

    TextLine* nameLine() const { return name_; }
    StatusChip* mainChip() const { return chip_; }
    GlassButton* makeMainButton() const { return makeMain_; }
    WrappingText* note() const { return note_; }
    QWidget* resolutionRow() const { return resolutionRow_; }
    MenuPicker<QString>* resolutionPicker() const { return picker_; }

private:
    DisplayManager& display_;
    DisplayManager::ScreenFrame screen_;
    SymbolView* symbol_;
    TextLine* name_;
    StatusChip* chip_;
    GlassButton* makeMain_;
    WrappingText* note_;
    QWidget* resolutionRow_;
    MenuPicker<QString>* picker_;
};
