#pragma once
// The display page's editor of the selected monitor's inputs: one row per input in which the
// user names the device behind it, picks its symbol and hides it from the menu, with the
// status of the input (this Mac's, the active one, or a button that switches to it). Hidden
// inputs are gathered in a group of their own. Rows are kept per input while the manager
// publishes, so a name being typed keeps its field, its focus and its text.
#include "design/Buttons.h"
#include "display/DisplayManager.h"

#include <QWidget>
#include <memory>

class DisclosureGroup;
class GlassButton;
class KeyedRows;
class QLabel;
class StatusChip;
class TextField;
class TextLine;
class ViewSync;

// The symbol of the row's input in a round badge; its menu picks another symbol.
class InputSymbolMenu : public GlassMenuButton {
    Q_OBJECT
public:
    explicit InputSymbolMenu(QWidget* parent = nullptr);
    void setShown(const QString& symbol, bool active);
    QString shownSymbol() const { return symbol(); }
    QSize sizeHint() const override { return {30, 30}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool active_ = false;
};

class InputDeviceRow : public QWidget {
    Q_OBJECT
public:
    InputDeviceRow(DisplayManager& display, DisplayManager::InputChoice choice, QWidget* parent = nullptr);

    // The symbols offered, in order, with their names.
    static const std::vector<std::pair<QString, QString>>& symbolChoices();
    static QString symbolName(const QString& symbol);

    void setChoice(const DisplayManager::InputChoice& choice);
    const DisplayManager::InputChoice& choice() const { return choice_; }
    bool isActive() const;

    InputSymbolMenu* symbolMenu() const { return symbolMenu_; }
    TextField* nameField() const { return name_; }
    TextLine* portLine() const { return port_; }
    StatusChip* statusChip() const { return chip_; }
    GlassButton* switchButton() const { return switch_; }
    GlassButton* hideButton() const { return hide_; }

private:
    // Stores the input's device with one field changed, starting from what the manager holds.
    void edit(const std::function<void(DisplayManager::InputDevice&)>& change);
    void fillSymbols(QMenu& menu);

    DisplayManager& display_;
    DisplayManager::InputChoice choice_;
    InputSymbolMenu* symbolMenu_;
    TextField* name_;
    TextLine* port_;
    StatusChip* chip_;
    GlassButton* switch_;
    GlassButton* hide_;
};

class InputDevicesCard : public QWidget {
    Q_OBJECT
public:
    explicit InputDevicesCard(DisplayManager& display, QWidget* parent = nullptr);
    ~InputDevicesCard() override;

    // The choices as the card orders them: this Mac's input first, the rest as listed.
    static std::vector<DisplayManager::InputChoice> ordered(std::vector<DisplayManager::InputChoice> choices);

    // The row of an input, in the main list or among the hidden ones.
    InputDeviceRow* row(uint16_t code) const;
    std::vector<uint16_t> visibleCodes() const;
    std::vector<uint16_t> hiddenCodes() const;
    DisclosureGroup* hiddenGroup() const { return hiddenGroup_; }
    void sync();

private:
    DisplayManager& display_;
    bool showHidden_ = false;
    ViewSync* sync_;
    std::unique_ptr<KeyedRows> visible_;
    std::unique_ptr<KeyedRows> hidden_;
    DisclosureGroup* hiddenGroup_;
};
