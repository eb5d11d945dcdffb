#pragma once
// The editor of one KVM profile on the kvm page. It edits a working copy and stores it after
// every change, so there is nothing to save. Each optional setting has a check box: ticked, the
// profile sets it (to the value of the row's control); unticked, the profile leaves it alone.
#include "automation/KVMProfile.h"
#include "design/Buttons.h"
#include "design/Rows.h"
#include "design/Sliders.h"

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class AudioManager;
class AutomationManager;
class BatteryManager;
class Card;
class CardGrid;
class CheckBox;
class DisplayManager;
class MiniSlider;
class TextField;
class TextLine;
class ViewSync;

// A setting the profile may leave alone: a check box with the title, then the control while it
// is ticked, else "Değiştirme".
class OptionalRow : public QWidget {
    Q_OBJECT
public:
    OptionalRow(QString title, BoolBinding isOn, QWidget* control, QWidget* parent = nullptr);

    CheckBox* checkBox() const { return check_; }
    QWidget* control() const { return control_; }
    TextLine* unchangedLine() const { return unchanged_; }
    // Shows the control or "Değiştirme" as the binding says now.
    void refresh();

private:
    BoolBinding isOn_;
    CheckBox* check_;
    QWidget* control_;
    TextLine* unchanged_;
};

// A level in a range: a small slider and its value as "%N".
class LevelField : public QWidget {
    Q_OBJECT
public:
    LevelField(DoubleBinding value, ClosedRange range, QWidget* parent = nullptr);

    MiniSlider* slider() const { return slider_; }
    TextLine* readout() const { return readout_; }
    // Shows the binding's value (a dragged knob stays under the pointer).
    void refresh();

private:
    DoubleBinding value_;
    MiniSlider* slider_;
    TextLine* readout_;
};

class ProfileEditor : public QWidget {
    Q_OBJECT
public:
    ProfileEditor(const KVMProfile& profile, AutomationManager& automation, DisplayManager& display,
                  AudioManager& audio, BatteryManager& battery, QWidget* parent = nullptr);

    // The working copy.
    const KVMProfile& profile() const { return profile_; }
    QUuid id() const { return profile_.id; }

    struct MonitorChoice {
        QString key;
        QString name;
        bool operator==(const MonitorChoice&) const = default;
    };
    // The connected external monitors, and the profile's own monitor last when it is not one.
    std::vector<MonitorChoice> monitorChoices() const;
    // Takes the stored profile of the same id as the working copy, when there is one.
    void reload();

    // The settings the optional rows stand for.
    enum class Setting {
        output,
        microphone,
        volume,
        brightness,
        dimming,
        mode,
        inputSource,
        smoothScroll,
        reverseScroll,
        chargeLimit
    };
    OptionalRow* row(Setting setting) const; // null for the charge limit while the battery card is absent

    TextField* nameField() const { return name_; }
    Switch* enabledSwitch() const { return enabled_; }
    MenuPickerView* monitorPicker() const { return monitor_; }
    GlassButton* applyButton() const { return apply_; }
    GlassButton* fillButton() const { return fill_; }
    GlassMenuButton* moreButton() const { return more_; }
    Switch* restoreAudioSwitch() const;
    Card* batteryCard() const { return batteryCard_; }
    ViewSync& binding() const { return *binding_; }

private:
    void build();
    Card* soundCard();
    Card* displayCard();
    Card* mouseCard();
    Card* makeBatteryCard();
    OptionalRow* addRow(Card* card, Setting setting, QString title, BoolBinding isOn, QWidget* control);
    LevelField* levelField(std::optional<double> KVMProfile::*field, double fallback, ClosedRange range);
    void sync();

    // Changes the working copy and stores it; a change that changes nothing stores nothing.
    void commit(const std::function<void(KVMProfile&)>& change);

    // Ticked while the field holds a value; ticking stores the live default (when there is
    // one: without it the box stays unticked), unticking empties the field.
    template <class T>
    BoolBinding optional(std::optional<T> KVMProfile::*field, std::function<std::optional<T>()> fallbackNow);

    KVMProfile profile_;
    AutomationManager& automation_;
    DisplayManager& display_;
    AudioManager& audio_;
    BatteryManager& battery_;

    TextField* name_ = nullptr;
    Switch* enabled_ = nullptr;
    MenuPickerView* monitor_ = nullptr;
    GlassButton* apply_ = nullptr;
    GlassButton* fill_ = nullptr;
    GlassMenuButton* more_ = nullptr;
    SwitchRow* restoreAudio_ = nullptr;
    CardGrid* grid_ = nullptr;
    Card* batteryCard_ = nullptr;
    std::vector<std::pair<Setting, OptionalRow*>> rows_;
    std::vector<LevelField*> levels_;
    MenuPicker<int>* limitPicker_ = nullptr;
    std::vector<std::function<void()>> pickerSyncs_; // the pickers of the cards that stay
    ViewSync* binding_ = nullptr;
};
