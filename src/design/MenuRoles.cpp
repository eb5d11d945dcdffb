#include "design/MenuRoles.h"

#include "design/Theme.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace {

constexpr const char* kDestructive = "pelorn.destructive";

// Draws the marked items of a menu with a red title; everything else as the application's style.
class MenuRoleStyle : public QProxyStyle {
public:
    MenuRoleStyle() : QProxyStyle(nullptr) {}

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        const auto* menu = qobject_cast<const QMenu*>(widget);
        if (element == CE_MenuItem && item && menu
            && isMenuItemDestructive(menu->actionAt(item->rect.center()))) {
            QStyleOptionMenuItem red(*item);
            const QColor color = systemColor(SystemColor::red, widget);
            for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
                red.palette.setColor(role, color);
            QProxyStyle::drawControl(element, &red, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

QStyle* menuRoleStyle()
{
    static MenuRoleStyle* style = [] {
        auto* s = new MenuRoleStyle;
        s->setParent(qApp); // goes with the application, after every menu
        return s;
    }();
    return style;
}

} // namespace

void setMenuItemDestructive(QAction* action, bool destructive)
{
    action->setProperty(kDestructive, destructive);
    if (!destructive)
        return;
    for (QObject* o : action->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(o); menu && menu->style() != menuRoleStyle())
            menu->setStyle(menuRoleStyle());
}

bool isMenuItemDestructive(const QAction* action)
{
    return action && action->property(kDestructive).toBool();
}
