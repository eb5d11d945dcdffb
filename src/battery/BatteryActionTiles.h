#pragma once
// The battery's actions: the offer to install or update the privileged helper, the tiles that
// discharge to a target, top up once to 100 and (on the battery page) run the calibration
// cycle, and the helper's or the last request's error. Every action goes to the manager.
#include <QWidget>

#include <optional>
#include <vector>

class BatteryManager;
class CardGrid;
class ControlTile;
class GlassButton;
class LiveMenu;
class QMenu;
class SymbolView;
class ViewSync;
class WrappingText;

class BatteryActionTiles : public QWidget {
    Q_OBJECT
public:
    BatteryActionTiles(BatteryManager& battery, bool showCalibrate, QWidget* parent = nullptr);

    // The drain menu's targets for a charge and limit: the limit first when the battery is
    // above it, then 80, 60, 40 and 20 where the battery is above them.
    struct DrainEntry {
        int target;
        bool toLimit;
        friend bool operator==(const DrainEntry&, const DrainEntry&) = default;
    };
    static std::vector<DrainEntry> drainEntries(int percent, int limit);

    // When the controls take a tap, for the manager's state now.
    static bool drainMenuEnabled(const BatteryManager& battery);
    static bool topUpEnabled(const BatteryManager& battery);
    static bool calibrationEnabled(const BatteryManager& battery);
    // The helper's own error wins over the last refused request's.
    static std::optional<QString> errorText(const BatteryManager& battery);

    GlassButton* installButton() const { return install_; }
    ControlTile* drainTile() const { return drain_; }
    LiveMenu* drainMenu() const { return drainMenu_; }
    ControlTile* topUpTile() const { return topUp_; }
    ControlTile* calibrationTile() const { return calibrate_; } // null without showCalibrate
    QWidget* errorLine() const { return errorLine_; }
    WrappingText* errorText() const { return error_; }
    ViewSync* binding() const { return binding_; }

private:
    void sync();
    void fillDrainMenu(QMenu& menu);
    void drainTapped();
    void topUpTapped();
    void calibrationTapped();

    BatteryManager& battery_;
    GlassButton* install_;
    CardGrid* grid_;
    ControlTile* drain_;
    LiveMenu* drainMenu_;
    ControlTile* topUp_;
    ControlTile* calibrate_ = nullptr;
    QWidget* errorLine_;
    SymbolView* errorSymbol_;
    WrappingText* error_;
    ViewSync* binding_;
};
