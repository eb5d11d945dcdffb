#pragma once
// The content of the menu-bar panel: header, permission card, sliders, tiles and at most one
// expanded detail card, on a glass sheet 360 points wide. It is as tall as its content up to
// the height budget of the pointer's screen, and scrolls beyond it. Opening the panel reads
// the displays, the sound devices, the battery and the per-application list again.
#include "panel/PanelHeader.h"
#include "window/Router.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class AppAudioManager;
class AudioManager;
class AutomationManager;
class BatteryManager;
class BatteryTile;
class DisplayManager;
class DisplayTile;
class HoverHintLayer;
class InputTap;
class KVMTile;
class OutputTile;
class PanelSliders;
class PermissionCard;
class QScrollArea;
class QScrollBar;
class ScrollManager;
class ScrollTile;
class ViewSync;

class MenuView : public QWidget {
    Q_OBJECT
public:
    enum class Section { display, audio, battery };
    static QString rawValue(Section section);
    // Exact match only: any other text (another letter case too) is no section.
    static std::optional<Section> sectionFrom(const QString& raw);
    static constexpr const char* kSectionKey = "ui.panelSection";

    MenuView(DisplayManager& display, AudioManager& audio, AppAudioManager& appAudio, ScrollManager& scroll,
             BatteryManager& battery, InputTap& input, AutomationManager& automation, QWidget* parent = nullptr);
    ~MenuView() override;

    // The height budget: the visible height of the pointer's screen (else the main screen's)
    // less 16, at least 320; 784 without screens.
    static double availableHeight();
    // That screen's visible height (784 without screens): the panel never grows past it.
    static double screenHeight();
    // Expands `section`, or collapses it when it is the expanded one.
    void toggle(Section section);
    // Sets the router's page, opens the main window and brings the application forward.
    void openPage(Router::Page page);

    // What the header does; defaults act on the shared hub, the updater and the application.
    QuickActions& actions() { return actions_; }
    // The scene's open-window action (id "main"); by default the open-main-window notification.
    std::function<void(const QString& id)> openWindow;

    QString panelSection() const;
    std::optional<Section> expandedSection() const { return sectionFrom(panelSection()); }
    double contentHeight() const { return contentHeight_; }
    double maxHeight() const { return maxHeight_; }
    bool showsScrollBar() const;

    QWidget* content() const { return content_; }
    QScrollArea* scrollArea() const { return area_; }
    QScrollBar* scrollBar() const { return bar_; }
    HoverHintLayer* hintLayer() const { return hints_; }
    PanelHeader* header() const { return header_; }
    PermissionCard* permissionCard() const { return permission_; }
    PanelSliders* sliders() const { return sliders_; }
    DisplayTile* displayTile() const { return displayTile_; }
    OutputTile* outputTile() const { return outputTile_; }
    BatteryTile* batteryTile() const { return batteryTile_; }
    KVMTile* kvmTile() const { return kvmTile_; }
    ScrollTile* smoothTile() const { return smoothTile_; }
    ScrollTile* reverseTile() const { return reverseTile_; }
    QWidget* detail() const { return detail_; }

    static constexpr int kWidth = 360;
    static constexpr int kInitialContentHeight = 420;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sync();
    void measure();
    void applyHeight();
    void setMaxHeight(double height);

    DisplayManager& display_;
    AudioManager& audio_;
    AppAudioManager& appAudio_;
    ScrollManager& scroll_;
    BatteryManager& battery_;
    InputTap& input_;
    AutomationManager& automation_;
    QuickActions actions_;
    double contentHeight_ = kInitialContentHeight;
    double maxHeight_;
    double screenHeight_;
    int screenObserver_ = 0;

    QScrollArea* area_;
    QScrollBar* bar_;
    QWidget* content_;
    HoverHintLayer* hints_;
    PanelHeader* header_;
    PermissionCard* permission_;
    PanelSliders* sliders_;
    DisplayTile* displayTile_;
    OutputTile* outputTile_;
    BatteryTile* batteryTile_;
    KVMTile* kvmTile_;
    ScrollTile* smoothTile_;
    ScrollTile* reverseTile_;
    QPointer<QWidget> detail_;
    std::optional<Section> shownSection_;
    ViewSync* sync_;
};
