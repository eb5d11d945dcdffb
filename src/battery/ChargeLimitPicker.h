#pragma once
// The charge-limit chooser: "Şarj sınırı" and one segment per limit macOS offers. The picker
// shows it only where macOS has a charge limit, and locks it while a calibration or a top-up
// holds the limit.
#include "design/SegmentedChoice.h"

#include <functional>
#include <vector>

class BatteryManager;
class TextLine;
class ViewSync;

class ChargeLimitSegments : public QWidget {
    Q_OBJECT
public:
    struct State {
        int limit = 100;
        std::vector<int> limits;
        bool locked = false;
        friend bool operator==(const State&, const State&) = default;
    };

    ChargeLimitSegments(State state, std::function<void(int)> select, QWidget* parent = nullptr);

    // Redraws only when the state differs from the one shown.
    void setState(const State& state);
    const State& state() const { return state_; }

    // A limit's segment title: its number, or "Yok" for no limit.
    static QString title(int limit);
    SegmentedChoice<int>* choice() const { return choice_; }

private:
    static std::vector<SegmentedChoice<int>::Option> options(const std::vector<int>& limits);

    State state_;
    TextLine* caption_;
    SegmentedChoice<int>* choice_;
};

class ChargeLimitPicker : public QWidget {
    Q_OBJECT
public:
    explicit ChargeLimitPicker(BatteryManager& battery, QWidget* parent = nullptr);

    // Whether there is anything to choose: macOS has a limit and offers at least one.
    static bool offers(const BatteryManager& battery);
    ChargeLimitSegments* segments() const { return segments_; }
    ViewSync* binding() const { return binding_; }

private:
    static ChargeLimitSegments::State stateOf(const BatteryManager& battery);
    void sync();

    BatteryManager& battery_;
    ChargeLimitSegments* segments_;
    ViewSync* binding_;
    bool hiddenForNoLimit_ = false;
};
