#pragma once
// The panel's tiles: display, output, battery, KVM and the two scroll switches, in a grid of
// fixed cells (three rows, two columns).
#include <QWidget>
#include <functional>
#include <optional>

#include "design/Tiles.h"

class AudioManager;
class AutomationManager;
class BatteryManager;
class BatteryRing;
class DisplayManager;
class ScrollManager;
class TextLine;
class ViewSync;

class DisplayTile : public ControlTile {
    Q_OBJECT
public:
    DisplayTile(DisplayManager& display, bool active, std::function<void()> action, QWidget* parent = nullptr);
    // "1920×1080", with " HiDPI" when the mode has more pixels than points; none without a
    // current mode.
    static std::optional<QString> subtitle(const DisplayManager& display);
    void sync();

private:
    DisplayManager& display_;
};

class OutputTile : public ControlTile {
    Q_OBJECT
public:
    OutputTile(AudioManager& audio, bool active, std::function<void()> action, QWidget* parent = nullptr);
    void sync();

private:
    AudioManager& audio_;
};

class KVMTile : public ControlTile {
    Q_OBJECT
public:
    KVMTile(AutomationManager& automation, DisplayManager& display, std::function<void()> action,
            QWidget* parent = nullptr);
    static QString subtitle(const AutomationManager& automation);
    void sync();

private:
    AutomationManager& automation_;
};

class ScrollTile : public ControlTile {
    Q_OBJECT
public:
    ScrollTile(ScrollManager& scroll, bool reverse, QWidget* parent = nullptr);
    void sync();

private:
    bool isOn() const;
    ScrollManager& scroll_;
    bool reverse_;
    bool shown_ = false; // the state assistive technology last heard
};

// The battery's own tile: a ring and two lines on glass. Without a battery the cell is empty
// and takes no clicks, but keeps its place in the grid.
class BatteryTile : public QWidget {
    Q_OBJECT
public:
    BatteryTile(BatteryManager& battery, bool active, std::function<void()> action, QWidget* parent = nullptr);
    void setActive(bool active);
    bool isActive() const { return active_; }
    void sync();
    // "Pil %57" and "Sınır %80" (or "Sınır yok" above 99).
    static QString percentLine(int percent);
    static QString limitLine(int limit);
    TextLine* percentText() const { return percent_; }
    TextLine* limitText() const { return limit_; }
    BatteryRing* ring() const { return ring_; }
    QWidget* face() const { return face_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QColor stateColor() const;
    BatteryManager& battery_;
    bool active_;
    std::function<void()> action_;
    QWidget* face_;
    BatteryRing* ring_;
    TextLine* percent_;
    TextLine* limit_;
    bool hovered_ = false;
    bool pressed_ = false;
};
