#pragma once
// The overview's "Kontroller": the everyday controls of every subsystem side by side, and the
// three cards that exist only here (battery, mouse and KVM).
#include "design/DrawnList.h"
#include "design/Theme.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AudioManager;
class AutomationManager;
class BatteryManager;
class CardHeader;
class KVMCardList;
class DisplayManager;
class GlassButton;
class Hub;
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
    KVMCardList* list() const { return list_; }
    WrappingText* emptyText() const { return empty_; }

private:
    void sync();

    AutomationManager& automation_;
    DisplayManager& display_;
    CardHeader* header_;
    WrappingText* empty_;
    KVMCardList* list_;
};

// The KVM card's profiles, one row each: the live dot, the label and "Uygula" (enabled while the
// profile's monitor is connected). Drawn by one widget, so a card with thousands of profiles
// opens and closes as quickly as one with a few; to a screen reader each row is a button.
class KVMCardList : public DrawnList {
    Q_OBJECT
public:
    struct Row {
        QString id;
        QString label;
        bool lit = false;     // the profile is on and its monitor connected
        bool enabled = false; // its monitor is connected: it can be applied
        friend bool operator==(const Row&, const Row&) = default;
    };
    explicit KVMCardList(std::function<void(const QString& id)> onApply, QWidget* parent = nullptr);

    void setRows(std::vector<Row> rows);
    const std::vector<Row>& rows() const { return rows_; }
    QRectF buttonRect(int index) const;

protected:
    int rowCount() const override { return int(rows_.size()); }
    qreal rowHeight() const override;
    qreal rowGap() const override { return 6; }
    qreal preferredWidth() const override;
    void paintRow(QPainter& p, int index, const QRectF& rect) override;
    bool isRowEnabled(int index) const override { return rows_[size_t(index)].enabled && isEnabled(); }
    void activateRow(int index) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    bool event(QEvent*) override;

private:
    int buttonAt(const QPointF& point) const; // an enabled row's button under the point, else -1
    void setHovered(int index);

    std::function<void(const QString&)> apply_;
    std::vector<Row> rows_;
    int hovered_ = -1;
    int pressed_ = -1;
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
