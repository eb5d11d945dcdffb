#pragma once
// The display list, monitor controls over DDC/CI, dimming, modes and arrangement.
// (Only the part the audio route needs exists so far.)
#include <QObject>

class DisplayManager : public QObject {
    Q_OBJECT
public:
    explicit DisplayManager(QObject* parent = nullptr);

    // Whether the selected monitor answers DDC/CI, and its volume (0-100).
    bool ddcAvailable() const { return ddcAvailable_; }
    double volume() const { return volume_; }
    void setVolume(double value);

signals:
    void changed();

private:
    bool ddcAvailable_ = false;
    double volume_ = 50;
};
