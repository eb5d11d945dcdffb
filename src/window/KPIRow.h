#pragma once
// The overview's row of indicator tiles: charge, power draw, temperature and health of the
// battery (only on a Mac with one), then brightness and sound.
#include "design/Theme.h"
#include "display/DisplayManager.h"

#include <QWidget>
#include <optional>
#include <vector>

class AudioLevel;
class AudioManager;
class BatteryLive;
class BatteryManager;
class Card;
class SymbolView;
class TextLine;

// One tile: a symbol and caption, a large reading and an optional detail line.
class KPITile : public QWidget {
    Q_OBJECT
public:
    struct Face {
        QString symbol;
        SystemColor tint;
        QString title;
        QString value;
        std::optional<QString> detail;
        friend bool operator==(const Face&, const Face&) = default;
    };

    explicit KPITile(const Face& face, QWidget* parent = nullptr);
    void setFace(const Face& face);
    const Face& face() const { return face_; }

private:
    Face face_;
    SymbolView* symbol_;
    TextLine* title_;
    TextLine* value_;
    TextLine* detail_;
};

class KPIRow : public QWidget {
    Q_OBJECT
public:
    // What the tiles read, gathered from the managers.
    struct Inputs {
        bool hasBattery = false;
        int percent = 0;
        SystemColor stateTint = SystemColor::gray;
        QString shortStatus;
        bool onAC = false;
        double systemLoad = 0;
        double adapterPower = 0;
        std::optional<double> temperature;
        std::optional<int> healthPercent;
        std::optional<int> cycleCount;
        double brightness = 0;
        bool ddcAvailable = false;
        DisplayManager::BrightnessTarget brightnessTarget = DisplayManager::BrightnessTarget::monitor;
        bool muted = false;
        double volume = 0;
        std::optional<QString> outputName;
    };

    KPIRow(BatteryManager& battery, BatteryLive& live, DisplayManager& display, AudioManager& audio, AudioLevel& level,
           QWidget* parent = nullptr);

    static Inputs read(const BatteryManager& battery, const BatteryLive& live, const DisplayManager& display,
                       const AudioManager& audio, const AudioLevel& level);
    static std::vector<KPITile::Face> tiles(const Inputs& in);

    std::vector<KPITile*> shownTiles() const { return tiles_; }

private:
    void sync();

    BatteryManager& battery_;
    BatteryLive& live_;
    DisplayManager& display_;
    AudioManager& audio_;
    AudioLevel& level_;
    class CardGrid* grid_;
    std::vector<KPITile*> tiles_;
};
