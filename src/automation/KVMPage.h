#pragma once
// The main window's kvm page: the automation switch with the last automation event, the list of
// profiles and the editor of the selected one. Which profile is selected is its only state.
#include "automation/KVMProfile.h"
#include "design/DrawnList.h"

#include <QUuid>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AudioManager;
class AutomationManager;
class BatteryManager;
class Card;
class DisplayManager;
class GlassButton;
class QHBoxLayout;
class ProfileEditor;
class StatusChip;
class SwitchRow;
class ViewSync;
class WrappingText;

// The profile list: per profile a dot (green while the profile is on and its monitor is
// connected), its label and its monitor's name; a click, or the arrow keys, select it. Drawn by
// one widget, so thousands of profiles cost what the rows in view cost to paint.
class ProfileList : public DrawnList {
    Q_OBJECT
public:
    struct Row {
        QUuid id;
        QString label;
        QString detail; // the monitor's name, after "Kapalı · " when the profile is off
        bool live = false;
        bool selected = false;
        bool operator==(const Row&) const = default;
    };
    explicit ProfileList(std::function<void(const QUuid&)> select, QWidget* parent = nullptr);

    void setRows(std::vector<Row> rows);
    const std::vector<Row>& rows() const { return rows_; }
    int indexOf(const QUuid& id) const;
    QColor dotColor(int index) const;

protected:
    int rowCount() const override { return int(rows_.size()); }
    qreal rowHeight() const override;
    qreal rowGap() const override { return 2; }
    qreal preferredWidth() const override { return 60; }
    void paintRow(QPainter& p, int index, const QRectF& rect) override;
    void activateRow(int index) override;
    int initialRow() const override;
    bool activatesOnMove() const override { return true; }
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    std::function<void(const QUuid&)> select_;
    std::vector<Row> rows_;
    int pressed_ = -1;
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
    ProfileList* list() const { return list_; }
    std::optional<ProfileList::Row> row(const QUuid& id) const; // none when the list has no such row
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
    ProfileList* list_ = nullptr;
    GlassButton* add_ = nullptr;
    QHBoxLayout* body_ = nullptr; // the list, then the editor or the empty state
    ProfileEditor* editor_ = nullptr;
    Card* empty_ = nullptr;
    ViewSync* binding_ = nullptr;
};
