#pragma once
// Cards that come and go in a column grid. The grids place every item they hold, hidden or not,
// so an absent card is taken out of the grid rather than hidden in its place.
#include <QWidget>
#include <utility>
#include <vector>

class ColumnGridLayout;

// Puts the present widgets into the grid in the given order and hides the absent ones; answers
// whether anything changed (nothing is touched when the grid already holds exactly these).
bool arrangeCells(ColumnGridLayout* grid, const std::vector<std::pair<QWidget*, bool>>& cells);
