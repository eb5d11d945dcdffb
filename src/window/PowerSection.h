#pragma once
// The overview's "Pil ve güç" (power flow, battery electrics, health, adapter) and its 24-hour
// history. The rows are functions of the battery's state, so they can be checked from tables.
#include "battery/BatteryTypes.h"
#include "design/Theme.h"

#include <QWidget>
#include <optional>
#include <vector>

class BatteryBar;
class BatteryLive;
class BatteryManager;
class HistorySection;
class PowerSplitBar;
class QVBoxLayout;
class StatRow;
class WrappingText;

// A label, a value and an optional secondary value.
struct StatFace {
    QString label;
    QString value;
    std::optional<QString> secondary;
    friend bool operator==(const StatFace&, const StatFace&) = default;
};

// StatRows that follow a list of faces: updated in place while the labels stay, made anew when
// rows come or go.
class StatList : public QWidget {
    Q_OBJECT
public:
    explicit StatList(QWidget* parent = nullptr);
    void setFaces(const std::vector<StatFace>& faces);
    const std::vector<StatFace>& faces() const { return faces_; }

private:
    QVBoxLayout* layout_;
    std::vector<StatFace> faces_;
    std::vector<StatRow*> rows_;
};

class PowerSection : public QWidget {
    Q_OBJECT
public:
    struct Health {
        std::vector<StatFace> rows;
        std::optional<int> percent; // the bar and its sentence, when the health is known
    };

    PowerSection(BatteryManager& battery, BatteryLive& live, QWidget* parent = nullptr);

    static std::vector<StatFace> electrics(const BatteryTelemetry& t, std::optional<int> minutesRemaining,
                                           bool isCharging);
    static Health health(const BatteryTelemetry& t, std::optional<int> healthPercent, std::optional<int> cycleCount);
    static SystemColor healthTint(int percent);
    static QString healthSentence(int percent);
    // No rows when the adapter is not plugged in: the card says so instead.
    static std::vector<StatFace> adapter(const BatteryTelemetry& t);

    StatList* electricsList() const { return electrics_; }
    StatList* healthList() const { return health_; }
    StatList* adapterList() const { return adapter_; }
    WrappingText* unpluggedText() const { return unplugged_; }
    BatteryBar* healthBar() const { return healthBar_; }
    WrappingText* healthText() const { return healthText_; }

private:
    void sync();

    BatteryManager& battery_;
    BatteryLive& live_;
    PowerSplitBar* split_;
    StatList* electrics_;
    StatList* health_;
    BatteryBar* healthBar_;
    WrappingText* healthText_;
    StatList* adapter_;
    WrappingText* unplugged_;
};

class HistoryContainer : public QWidget {
    Q_OBJECT
public:
    explicit HistoryContainer(BatteryManager& battery, QWidget* parent = nullptr);
    HistorySection* section() const { return section_; }

private:
    BatteryManager& battery_;
    HistorySection* section_;
};
