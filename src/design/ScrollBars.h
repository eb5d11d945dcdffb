#pragma once
// The scroll bar of a page: shown only while the content overflows, a thin capsule without
// arrows or groove, in the foreground colour of the window it is shown in.
class QAbstractScrollArea;

namespace design {

// Gives `area` a thin vertical scroll bar, shown as needed; the horizontal one stays off.
void useThinScrollBars(QAbstractScrollArea* area);

// Width of the thin scroll bar.
inline constexpr int kThinScrollBarWidth = 10;

} // namespace design
