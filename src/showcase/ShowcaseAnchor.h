#pragma once
// Marks a view for the showcase's info file: while the showcase mode is on, the view's frame in
// its window is kept in Showcase::anchors() under its name, following every move and resize of
// the view or of any widget above it. Outside the mode marking does nothing.
#include <QString>

class QWidget;

void showcaseAnchor(QWidget* view, const QString& name);
