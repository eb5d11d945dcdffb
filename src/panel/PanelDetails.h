#pragma once
// The detail cards under the panel's tiles: the controls of the display, the sound or the
// battery, made from the views the device pages use too.
#include <QWidget>
#include <functional>

class AppAudioManager;
class AudioManager;
class BatteryManager;
class DisplayManager;
class MoreLink;
class Router;
class ViewSync;

class DisplayDetail : public QWidget {
    Q_OBJECT
public:
    // `router` is where the input menu's "devices" item sends the main window.
    DisplayDetail(DisplayManager& display, Router& router, std::function<void()> more, QWidget* parent = nullptr);
    QWidget* inputRow() const { return inputRow_; }
    MoreLink* moreLink() const { return more_; }

private:
    DisplayManager& display_;
    QWidget* inputRow_;
    MoreLink* more_;
};

class AudioDetail : public QWidget {
    Q_OBJECT
public:
    AudioDetail(AudioManager& audio, AppAudioManager& appAudio, std::function<void()> more, QWidget* parent = nullptr);
    MoreLink* moreLink() const { return more_; }

private:
    MoreLink* more_;
};

// No header and no link; never a calibration tile.
class BatteryDetail : public QWidget {
    Q_OBJECT
public:
    explicit BatteryDetail(BatteryManager& battery, QWidget* parent = nullptr);
};
