#pragma once
// The main window's page for battery care: the battery's state, limit, actions and live power
// flow, then the calibration cycle and the privileged helper (install, update, remove).
#include <QWidget>

class BatteryManager;
class CardHeader;
class GlassButton;
class LazySection;
class StatusChip;
class TextLine;
class QLabel;

class BatteryPage : public QWidget {
    Q_OBJECT
public:
    explicit BatteryPage(BatteryManager& battery, QWidget* parent = nullptr);

    // Ends a calibration (its limit goes back), removes the helper and reads the state again;
    // a failed removal is left as the battery's action error.
    static void removeHelper(BatteryManager& battery);

    // The calibration and helper cards, built once they come into view; the accessors below
    // are null until then.
    LazySection* lowerCards() const { return lower_; }
    StatusChip* helperChip() const; // also null while the helper is not installed
    GlassButton* installButton() const { return install_; }
    GlassButton* updateButton() const { return update_; }
    GlassButton* removeButton() const { return remove_; }
    QWidget* calibrationLine() const { return calibrationLine_; }

private:
    QWidget* makeLowerCards();
    void sync(); // the lower cards, once built

    BatteryManager& battery_;
    LazySection* lower_;
    CardHeader* helperHeader_ = nullptr;
    QWidget* calibrationLine_ = nullptr;
    TextLine* calibrationText_ = nullptr;
    GlassButton* install_ = nullptr;
    GlassButton* update_ = nullptr;
    GlassButton* remove_ = nullptr;
};
