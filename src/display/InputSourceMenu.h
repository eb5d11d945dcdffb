#pragma once
// The compact input switcher of the selected monitor: a glass button showing the input in use
// (by the name the user gave its device) whose menu lists the inputs not hidden, the active
// one checked, and ends with the way to the display page where inputs are named.
#include "design/Buttons.h"
#include "display/DisplayManager.h"

class Router;

class InputSourceMenu : public GlassMenuButton {
    Q_OBJECT
public:
    InputSourceMenu(DisplayManager& display, Router& router, QWidget* parent = nullptr);

    // The symbol a choice is shown with: the user's, else a laptop for this Mac, else a cable.
    static QString shownSymbol(const DisplayManager::InputChoice& choice);
    // The inputs as the menu and the card list them, for the selected monitor.
    static std::vector<DisplayManager::InputChoice> choices(const DisplayManager& display);
    // Shows the input on the selected monitor: published at once, written over DDC/CI.
    static void switchTo(DisplayManager& display, uint16_t code);

    void sync();

private:
    void fill(QMenu& menu);

    DisplayManager& display_;
    Router& router_;
};
