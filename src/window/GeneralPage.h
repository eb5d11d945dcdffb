#pragma once
// The general page: start-up (login item and Dock icon), interface language, updates, sleep,
// appearance, a note on the battery settings and the about card.
#include <QWidget>

class AppearanceCard;
class BatteryManager;
class GlassButton;
class Hub;
class LanguageCard;
class SleepCard;
class SleepManager;
class SwitchRow;
class TextLine;
class Updater;

class GeneralPage : public QWidget {
    Q_OBJECT
public:
    GeneralPage(Hub& hub, Updater& updater, QWidget* parent = nullptr);

    SwitchRow* loginItemRow() const { return loginItem_; }
    SwitchRow* dockRow() const { return dock_; }
    LanguageCard* languageCard() const { return language_; }
    SleepCard* sleepCard() const { return sleep_; }
    AppearanceCard* appearanceCard() const { return appearance_; }
    GlassButton* batterySettingsButton() const { return batterySettings_; }
    TextLine* versionLine() const { return version_; }

    // "Sürüm " and the bundle's short version, or "2.0" when it has none.
    static QString versionText();

protected:
    void showEvent(QShowEvent*) override;

private:
    Hub& hub_;
    bool launchAtLogin_ = false; // view state, read from the hub whenever the page is shown
    SwitchRow* loginItem_;
    SwitchRow* dock_;
    LanguageCard* language_;
    SleepCard* sleep_;
    AppearanceCard* appearance_;
    GlassButton* batterySettings_;
    TextLine* version_;
};
