#pragma once
// Roles of menu items that change how the item is drawn: a destructive item (one that deletes
// something) is written in red, as the platform shows it.
class QAction;

// Marks the item; a menu that shows it draws its title in red (white on the hover highlight).
void setMenuItemDestructive(QAction* action, bool destructive = true);
bool isMenuItemDestructive(const QAction* action);
