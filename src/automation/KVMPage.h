#pragma once
// The main window's kvm page: the automation switch with the last automation event, the list of
// profiles and the editor of the selected one. Which profile is selected is its only state.
#include "automation/KVMProfile.h"

#include <QUuid>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class AudioManager;
class AutomationManager;
class BatteryManager;
class Card;
class DisplayManager;
class GlassButton;
class KeyedRows;
class QHBoxLayout;
class ProfileEditor;
class StatusChip;
class SwitchRow;
class ViewSync;
class WrappingText;

// One entry of the profile list: a dot (green while the profile is on and its monitor is
// connected), the profile's label and its monitor's name; a tap selects it.
class ProfileRow : public QWidget {
    Q_OBJECT
public:
    struct Face {
        QString label;
        QString detail; // the monitor's name, after "Kapalı · " when the profile is off
        bool live = false;
        bool selected = false;
        bool operator==(const Face&) const = default;
    };
    ProfileRow(Face face, std::function<void()> action, QWidget* parent = nullptr);

    void setFace(const Face& face);
    const Face& face() const { return face_; }
    QColor dotColor() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void changeEvent(QEvent*) override;

private:
    Face face_;
    std::function<void()> action_;
    bool pressed_ = false;
    mutable QSize hint_; // measured once per face and font: layouts ask for it often
};

class KVMPage : public QWidget {
    Q_OBJECT
public:
    // The editor also reads the audio and battery managers (outputs, microphones, charge limits).
    KVMPage(AutomationManager& automation, DisplayManager& display, AudioManager& audio, BatteryManager& battery,
            QWidget* parent = nullptr);
    ~KVMPage() override;

    std::optional<QUuid> selection() const { return selection_; }
    // The profile chosen in the list, else the first one; none when there are no profiles.
    std::optional<KVMProfile> selected() const;
    void select(const QUuid& id);

    StatusChip* activeChip() const { return chip_; }
    SwitchRow* automationRow() const { return switch_; }
    QWidget* eventRow() const { return eventRow_; }
    WrappingText* eventText() const { return eventText_; }
    ProfileRow* row(const QUuid& id) const;
    int rowCount() const;
    GlassButton* newProfileButton() const { return add_; }
    ProfileEditor* editor() const { return editor_; } // null while the empty state shows
    Card* emptyCard() const { return empty_; }
    ViewSync& binding() const { return *binding_; }

    QSize sizeHint() const override;

protected:
    void changeEvent(QEvent* e) override;

private:
    void build();
    void sync();
    void syncEditor();

    AutomationManager& automation_;
    DisplayManager& display_;
    AudioManager& audio_;
    BatteryManager& battery_;
    std::optional<QUuid> selection_;

    StatusChip* chip_ = nullptr;
    SwitchRow* switch_ = nullptr;
    QWidget* eventRow_ = nullptr;
    WrappingText* eventText_ = nullptr;
    std::unique_ptr<KeyedRows> rows_;
    GlassButton* add_ = nullptr;
    QHBoxLayout* body_ = nullptr; // the list, then the editor or the empty state
    ProfileEditor* editor_ = nullptr;
    Card* empty_ = nullptr;
    ViewSync* binding_ = nullptr;
};
