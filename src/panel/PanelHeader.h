#pragma once
// The first row of the panel (brand mark and four round icon buttons with hover hints) and the
// permission card shown while the event taps are not running.
#include "window/Router.h"

#include <QWidget>
#include <functional>

class InputTap;
class LiveMenu;
class QMenu;

// What the header's buttons and menu items do. The panel fills it; tests put recorders in.
struct QuickActions {
    std::function<void()> blackout;
    std::function<void()> sleep;
    std::function<void(Router::Page)> openPage;
    std::function<void()> checkForUpdates;
    std::function<void()> quit;
};

// Sleep now: open the power-management connection, ask for sleep, close it. Nothing is
// reported when the connection cannot be opened or the system refuses; it never blocks.
void sleepNow();

// A round glass face with a symbol, primary under the pointer; a click anywhere on the circle
// runs the action.
class HeaderIcon : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSize = 26;
    HeaderIcon(QString symbol, std::function<void()> action, QWidget* parent = nullptr);
    QString symbol() const { return symbol_; }
    bool isHovering() const { return hovering_; }
    QColor symbolColor() const;
    QSize sizeHint() const override { return {kSize, kSize}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    bool hitButton(const QPointF& pos) const;

private:
    QString symbol_;
    std::function<void()> action_;
    bool hovering_ = false;
    bool pressed_ = false;
};

class PanelHeader : public QWidget {
    Q_OBJECT
public:
    // `hintSpace` is the widget whose coordinates the hint bubbles use (the panel's content).
    PanelHeader(QuickActions actions, QWidget* hintSpace, QWidget* parent = nullptr);
    HeaderIcon* blackoutButton() const { return blackout_; }
    HeaderIcon* sleepButton() const { return sleep_; }
    HeaderIcon* overviewButton() const { return overview_; }
    HeaderIcon* moreButton() const { return more_; }
    LiveMenu* moreMenu() const { return menu_; }
    static void fillMoreMenu(QMenu& menu, const QuickActions& actions);

private:
    QuickActions actions_;
    HeaderIcon* blackout_;
    HeaderIcon* sleep_;
    HeaderIcon* overview_;
    HeaderIcon* more_;
    LiveMenu* menu_;
};

// Asks for the accessibility permission while the event taps wait for it.
class PermissionCard : public QWidget {
    Q_OBJECT
public:
    explicit PermissionCard(QWidget* parent = nullptr);
    QWidget* openButton() const { return button_; }

private:
    QWidget* button_;
};
