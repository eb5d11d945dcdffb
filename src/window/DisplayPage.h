#pragma once
// The main window's page for the displays: their arrangement, brightness with the monitor's
// contrast and volume, the display mode, the names of the monitor's inputs, the brightness
// keys and the idle blackout.
#include <QWidget>

class Card;
class CardGrid;
class CheckBox;
class DisplayManager;
class GlassButton;
class InputDevicesCard;
class KeyedRows;
class OLEDGuard;
class TextLine;
class ValueSlider;
class WrappingText;

class DisplayPage : public QWidget {
    Q_OBJECT
public:
    DisplayPage(DisplayManager& display, OLEDGuard& oled, QWidget* parent = nullptr);
    ~DisplayPage() override;

    // The brightness card's trailing text.
    static QString headerText(const DisplayManager& display);
    // The mode rows' symbol: sparkles for a scaled mode.
    static QString modeSymbol(int width, int pixelWidth);

    ValueSlider* contrastSlider() const { return contrast_; }
    ValueSlider* volumeSlider() const { return volume_; }
    WrappingText* noDdcMessage() const { return noDdc_; }
    GlassButton* reloadButton() const { return reload_; }
    InputDevicesCard* inputCard() const { return inputs_; }
    bool showsInputCard() const;
    QWidget* modeRow(const QString& id) const; // null when the mode is not listed

private:
    void sync();

    DisplayManager& display_;
    CardGrid* grid_;
    Card* brightness_;
    Card* resolution_;
    Card* keys_;
    InputDevicesCard* inputs_;
    TextLine* header_;
    ValueSlider* contrast_;
    ValueSlider* volume_;
    WrappingText* noDdc_;
    GlassButton* reload_;
    CheckBox* allModes_;
    QWidget* modeList_;
    std::unique_ptr<KeyedRows> modes_;
};
