#pragma once
// The content of the menu-bar panel: a glass sheet 360 points wide. Opening the panel reads the
// displays, the sound devices, the battery and the per-application list again.
#include <QWidget>

class AppAudioManager;
class AudioManager;
class AutomationManager;
class BatteryManager;
class DisplayManager;
class InputTap;
class ScrollManager;

class MenuView : public QWidget {
    Q_OBJECT
public:
    MenuView(DisplayManager& display, AudioManager& audio, AppAudioManager& appAudio, ScrollManager& scroll,
             BatteryManager& battery, InputTap& input, AutomationManager& automation, QWidget* parent = nullptr);

    QString panelSection() const { return panelSection_; }

    static constexpr int kWidth = 360;
    static constexpr int kInitialContentHeight = 420;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    DisplayManager& display_;
    AudioManager& audio_;
    AppAudioManager& appAudio_;
    ScrollManager& scroll_;
    BatteryManager& battery_;
    InputTap& input_;
    AutomationManager& automation_;
    QString panelSection_;
};
