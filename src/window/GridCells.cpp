#include "window/GridCells.h"

#include "design/Grid.h"

bool arrangeCells(ColumnGridLayout* grid, const std::vector<std::pair<QWidget*, bool>>& cells)
{
    std::vector<QWidget*> wanted;
    for (const auto& [widget, present] : cells)
        if (present)
            wanted.push_back(widget);
    std::vector<QWidget*> held;
    for (int i = 0; i < grid->count(); ++i)
        held.push_back(grid->itemAt(i)->widget());
    if (held == wanted)
        return false;
    while (grid->count() > 0)
        delete grid->takeAt(0);
    for (const auto& [widget, present] : cells) {
        if (present) {
            grid->addWidget(widget);
            widget->show();
        } else {
            widget->hide();
        }
    }
    grid->invalidate();
    return true;
}
