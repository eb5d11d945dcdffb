#include "display/InputSourceMenu.h"

#include "app/Notifications.h"
#include "app/Texts.h"
#include "design/Paint.h"
#include "design/Symbols.h"
#include "design/ViewSync.h"
#include "window/Router.h"

InputSourceMenu::InputSourceMenu(DisplayManager& display, Router& router, QWidget* parent)
    : GlassMenuButton(QString(), QString(), parent), display_(display), router_(router)
{
    setFont(design::calloutFont());
    setMenuFill([this](QMenu& menu) { fill(menu); });
    (new ViewSync(this, [this] { sync(); }))->follow(&display_, &DisplayManager::changed);
    sync();
}

QString InputSourceMenu::shownSymbol(const DisplayManager::InputChoice& choice)
{
    if (!choice.device.symbol.isEmpty())
        return choice.device.symbol;
    return choice.isThisMac ? "laptopcomputer" : "cable.connector";
}

std::vector<DisplayManager::InputChoice> InputSourceMenu::choices(const DisplayManager& display)
{
    const auto selected = display.selected();
    return display.inputChoices(selected ? std::optional(selected->key) : std::nullopt, display.currentInput());
}

void InputSourceMenu::switchTo(DisplayManager& display, uint16_t code)
{
    display.setCurrentInput(code);
    display.enqueue(uint8_t(DisplayManager::VCP::inputSource), code, false);
}

void InputSourceMenu::sync()
{
    const auto current = display_.currentInput();
    for (const auto& c : choices(display_))
        if (current && c.code == *current) {
            const QString name = !c.device.name.isEmpty() ? c.device.name
                                 : c.isThisMac            ? DisplayManager::thisMacName()
                                                          : c.port;
            setText(menuText(name));
            setSymbol(shownSymbol(c));
            return;
        }
    setText(Texts::tr("Giriş"));
    setSymbol("rectangle.on.rectangle");
}

void InputSourceMenu::fill(QMenu& menu)
{
    addMenuSection(menu, Texts::tr("Monitörü şuna geçir"));
    std::vector<DisplayManager::InputChoice> shown;
    for (const auto& c : choices(display_))
        if (!c.device.hidden)
            shown.push_back(c);
    QStringList titles;
    int active = -1;
    for (size_t i = 0; i < shown.size(); ++i) {
        titles << shown[i].menuTitle();
        if (display_.currentInput() == shown[i].code)
            active = int(i);
    }
    const auto actions = addMenuChoices(menu, titles, active, [this, shown, active](int i) {
        if (i != active) // choosing the input in use switches nothing
            switchTo(display_, shown[size_t(i)].code);
    });
    for (qsizetype i = 0; i < actions.size(); ++i)
        actions[i]->setIcon(Symbols::icon(shownSymbol(shown[size_t(i)]), &menu));
    menu.addSeparator();
    addMenuAction(menu, Texts::tr("Cihazları adlandır…"), [this] {
        // The page first, so the window opens on it.
        router_.setPage(Router::Page::display);
        Notifications::shared().post(Notifications::kOpenMainWindow);
    });
}
