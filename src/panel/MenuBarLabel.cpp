#include "panel/MenuBarLabel.h"

#include "app/Hub.h"
#include "app/Notifications.h"
#include "design/BrandMark.h"
#include "design/Theme.h"
#include "panel/MenuView.h"
#include "platform/Windowing.h"
#include "window/MainView.h"
#include "window/Router.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <algorithm>

MenuBarLabel::MenuBarLabel(Hub& hub, QObject* parent) : QObject(parent), hub_(hub)
{
    connect(&Notifications::shared(), &Notifications::posted, this, [this](const QString& name) {
        if (name == QLatin1String(Notifications::kOpenMainWindow))
            MainWindow::open(Router::shared(), hub_);
    });
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = new QSystemTrayIcon(QIcon(icon()), this);
        connect(tray_, &QSystemTrayIcon::activated, this, [this] { togglePanel(); });
        tray_->show();
        // The system lists the item's window among the application's, where a synthesised
        // click (the showcase staging's) reaches it.
        platform::windowing::setStatusItem({[tray = QPointer<QSystemTrayIcon>(tray_)]() -> std::optional<QRectF> {
                                                if (!tray || !tray->isVisible() || tray->geometry().isEmpty())
                                                    return std::nullopt;
                                                return QRectF(tray->geometry());
                                            },
                                            [this] { togglePanel(); }});
    }
}

MenuBarLabel::~MenuBarLabel()
{
    if (tray_)
        platform::windowing::setStatusItem({});
    delete panel_.data();
}

QPoint MenuBarLabel::panelOrigin(const QRect& icon, const QSize& panel)
{
    QPoint origin(icon.center().x() - panel.width() / 2, icon.bottom() + 4);
    // Centred under the icon, but never past the edges of the icon's screen.
    const QScreen* screen = QGuiApplication::screenAt(icon.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        constexpr int kMargin = 8;
        const int left = area.left() + kMargin;
        const int right = std::max(left, area.right() + 1 - kMargin - panel.width());
        origin.setX(std::clamp(origin.x(), left, right));
    }
    return origin;
}

bool MenuBarLabel::isShown() const { return tray_ && tray_->isVisible(); }

QPixmap MenuBarLabel::icon()
{
    BrandMark mark(20);
    mark.resize(mark.sizeHint());
    mark.setAttribute(Qt::WA_TranslucentBackground);
    return mark.grab();
}

void MenuBarLabel::togglePanel()
{
    // The panel is made anew each time it opens, so it starts from the current state.
    if (panel_ && panel_->isVisible()) {
        panel_->hide();
        panel_->deleteLater();
        return;
    }
    if (panel_)
        panel_->deleteLater();
    panel_ = new MenuView(hub_.display, hub_.audio, hub_.appAudio, hub_.scroll, hub_.battery, hub_.input,
                          hub_.automation);
    panel_->setAttribute(Qt::WA_DeleteOnClose);
    panel_->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    panel_->actions().blackout = [this] { hub_.oled.activate(); };
    panel_->openWindow = [this](const QString& id) {
        if (id == "main")
            MainWindow::open(Router::shared(), hub_);
    };
    if (tray_)
        panel_->move(panelOrigin(tray_->geometry(), panel_->size()));
    panel_->show();
}
