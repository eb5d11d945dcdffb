#pragma once
// The panel's sliders card: brightness of the monitors (and of the built-in display when it has
// one) and the master volume, each under a caption with its level.
#include "display/DisplayManager.h"

#include <QWidget>

class AudioManager;
class AudioLevel;
class ControlSlider;
class GlassMenuButton;
class TextLine;
class ViewSync;
class QHBoxLayout;

// The caption's value: "Sessiz" when muted, else the level rounded ("%46" for 45.6).
QString panelCaptionValue(double value, bool muted);
// Slider symbols by level.
QString brightnessSymbol(double brightness);
QString volumeSymbol(double volume, bool muted);

// A caption row: title, an optional accessory, a flexible gap, the value.
class PanelCaption : public QWidget {
    Q_OBJECT
public:
    PanelCaption(QString title, QWidget* accessory = nullptr, QWidget* parent = nullptr);
    void setTitle(const QString& title);
    void setValue(double value, bool muted);
    TextLine* titleLine() const { return title_; }
    TextLine* valueLine() const { return value_; }

private:
    TextLine* title_;
    TextLine* value_;
};

// Hardware or dimming for the brightness slider; the choice goes to the display manager given.
class BrightnessSourceMenu : public QWidget {
    Q_OBJECT
public:
    explicit BrightnessSourceMenu(DisplayManager& display, QWidget* parent = nullptr);
    GlassMenuButton* button() const { return button_; }
    void sync();

private:
    DisplayManager& display_;
    GlassMenuButton* button_;
    DisplayManager::BrightnessTarget shown_;
};

class PanelBrightness : public QWidget {
    Q_OBJECT
public:
    explicit PanelBrightness(DisplayManager& display, QWidget* parent = nullptr);
    void sync();
    QWidget* monitorRow() const { return monitorRow_; }
    PanelCaption* monitorCaption() const { return monitorCaption_; }
    ControlSlider* monitorSlider() const { return monitorSlider_; }
    BrightnessSourceMenu* sourceMenu() const { return source_; }
    QWidget* builtinRow() const { return builtinRow_; }
    PanelCaption* builtinCaption() const { return builtinCaption_; }
    ControlSlider* builtinSlider() const { return builtinSlider_; }

private:
    void setBuiltin(double value);
    DisplayManager& display_;
    QWidget* monitorRow_;
    PanelCaption* monitorCaption_;
    BrightnessSourceMenu* source_;
    ControlSlider* monitorSlider_;
    QWidget* builtinRow_;
    PanelCaption* builtinCaption_;
    ControlSlider* builtinSlider_;
    ViewSync* sync_;
};

class PanelVolume : public QWidget {
    Q_OBJECT
public:
    explicit PanelVolume(AudioManager& audio, QWidget* parent = nullptr);
    void sync();
    QWidget* volumeRow() const { return volumeRow_; }
    PanelCaption* caption() const { return caption_; }
    ControlSlider* slider() const { return slider_; }
    TextLine* errorLine() const { return error_; }

private:
    AudioManager& audio_;
    QWidget* volumeRow_;
    PanelCaption* caption_;
    ControlSlider* slider_;
    TextLine* error_;
    ViewSync* sync_;
};

class PanelSliders : public QWidget {
    Q_OBJECT
public:
    PanelSliders(DisplayManager& display, AudioManager& audio, QWidget* parent = nullptr);
    PanelBrightness* brightness() const { return brightness_; }
    PanelVolume* volume() const { return volume_; }

private:
    PanelBrightness* brightness_;
    PanelVolume* volume_;
};
