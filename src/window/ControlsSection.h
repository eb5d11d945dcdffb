#pragma once
// The overview's "Kontroller": the everyday controls of every subsystem side by side, and the
// three cards that exist only here (battery, mouse and KVM).
#include "design/Theme.h"

#include <QWidget>
#include <memory>
#include <optional>

class AudioManager;
class AutomationManager;
class BatteryManager;
class CardHeader;
class DisplayManager;
class GlassButton;
class Hub;
class KeyedRows;
class KVMProfile;
class ScrollManager;
class StatusChip;
class TextLine;
class ValueSlider;
class WrappingText;

class BatteryControlCard : public QWidget {
    Q_OBJECT
public:
    explicit BatteryControlCard(BatteryManager& battery, QWidget* parent = nullptr);

private:
    BatteryManager& battery_;
    CardHeader* header_;
};

class MouseCard : public QWidget {
    Q_OBJECT
public:
    explicit MouseCard(ScrollManager& scroll, QWidget* parent = nullptr);
    ValueSlider* stepSlider() const { return step_; }

private:
    ScrollManager& scroll_;
    ValueSlider* step_;
};

class KVMCard : public QWidget {
    Q_OBJECT
public:
    struct Chip {
        QString text;
        QString symbol;
        SystemColor tint; // gray stands for the secondary colour
        friend bool operator==(const Chip&, const Chip&) = default;
    };
    // The header's chip: the active profile, else "Ayrık" while profiles exist, else none.
    static std::optional<Chip> chip(const AutomationManager& automation);

    KVMCard(AutomationManager& automation, DisplayManager& display, QWidget* parent = nullptr);
    ~KVMCard() override;
    StatusChip* headerChip() const;
    QWidget* profileRow(const QString& id) const;
    WrappingText* emptyText() const { return empty_; }

private:
    void sync();

    AutomationManager& automation_;
    DisplayManager& display_;
    CardHeader* header_;
    WrappingText* empty_;
    std::unique_ptr<KeyedRows> rows_;
};

// One profile of the KVM card: its live dot, label and the button that applies it.
class KVMCardRow : public QWidget {
    Q_OBJECT
public:
    KVMCardRow(AutomationManager& automation, const QString& id, QWidget* parent = nullptr);
    void sync(const KVMProfile& profile); // this row's profile, as the list holds it now
    GlassButton* applyButton() const { return apply_; }
    bool dotLit() const { return lit_; }

private:
    AutomationManager& automation_;
    QString id_;
    QWidget* dot_;
    TextLine* label_;
    GlassButton* apply_;
    bool lit_ = false;
};

class ControlsSection : public QWidget {
    Q_OBJECT
public:
    ControlsSection(DisplayManager& display, AudioManager& audio, bool hasBattery, Hub& hub, QWidget* parent = nullptr);
    ~ControlsSection() override;

    QWidget* inputRow() const { return inputRow_; }
    BatteryControlCard* batteryCard() const { return batteryCard_; }
    MouseCard* mouseCard() const { return mouseCard_; }
    KVMCard* kvmCard() const { return kvmCard_; }

private:
    void sync();

    DisplayManager& display_;
    TextLine* selectedName_;
    QWidget* inputRow_;
    BatteryControlCard* batteryCard_ = nullptr;
    MouseCard* mouseCard_;
    KVMCard* kvmCard_;
};
