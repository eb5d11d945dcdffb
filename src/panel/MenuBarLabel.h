#pragma once
// The menu-bar item: the drawn brand mark in the status area, dropping the panel down as a
// frameless window under it. It is the one receiver of the open-main-window notification.
#include <QObject>
#include <QPixmap>
#include <QPointer>

class Hub;
#include "panel/MenuView.h"
class QSystemTrayIcon;

class MenuBarLabel : public QObject {
    Q_OBJECT
public:
    explicit MenuBarLabel(Hub& hub, QObject* parent = nullptr);
    ~MenuBarLabel() override;

    // False where the desktop has no status area.
    bool isShown() const;
    void togglePanel();
    MenuView* panel() const { return panel_; }

    static QPixmap icon();
    // Where the panel drops down: centred under the icon, kept 8 points inside its screen.
    static QPoint panelOrigin(const QRect& icon, const QSize& panel);

private:
    Hub& hub_;
    QSystemTrayIcon* tray_ = nullptr;
    QPointer<MenuView> panel_;
};
