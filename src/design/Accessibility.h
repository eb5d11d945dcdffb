#pragma once
// What assistive technology sees of the controls we draw ourselves. Qt knows its own widgets;
// ours are plain QWidgets to it, so each says what it is: the sliders through their own
// interfaces, the rest by a `Face` (role, name, states, the one action) given in the
// constructor. Interfaces are made on first query and cached, so `install()` must run before
// any control exists and after the QApplication (Qt asks the factory installed last first):
// main calls it, and every control's constructor calls it first.
#include <QAccessible>
#include <QString>
#include <functional>

class QPainter;
class QPainterPath;
class QWidget;

namespace design::a11y {

void install();

struct Face {
    QAccessible::Role role = QAccessible::Button;
    std::function<QString()> name;   // empty: the widget's accessible name
    std::function<bool()> checked;   // set: a checkable control in this state
    std::function<bool()> selected;  // set: a selectable item in this state
    std::function<bool()> expanded;  // set: an expandable header in this state
    std::function<void()> activate;  // the press (or toggle, for a checkable one)
    // Set on a platform slider: what a reader hears as its value, in place of the position.
    std::function<QString()> valueText;
    // Whose members the functions read (null: the widget itself). They are not called once its
    // destructor has begun: Qt still asks for the state while it takes a dying widget down.
    const QWidget* owner = nullptr;
};

// Gives `widget` its face; call before anything names the widget (that makes the interface).
void describe(QWidget* widget, Face face);

// A widget that draws a list of items itself (rather than one widget per item) shows each item
// as a child element: named, in its place, enabled or not, pressed through `activate`.
struct Items {
    QAccessible::Role role = QAccessible::List; // the widget's own
    QAccessible::Role itemRole = QAccessible::Button;
    std::function<int()> count;
    std::function<QString(int)> name;
    std::function<QString(int)> description;
    std::function<bool(int)> enabled;
    std::function<bool(int)> selected; // set: the items are chosen, one at a time, by pressing
    std::function<int()> focused;      // the item the keyboard is on (-1: none)
    std::function<QRect(int)> rect;   // in the widget's coordinates
    std::function<void(int)> activate;
};
void describeItems(QWidget* widget, Items items);
// The number of items changed: elements of items that are gone are let go.
void itemsChanged(QWidget* widget);
// The keyboard moved to item `index` while the widget has focus.
void announceItemFocus(QWidget* widget, int index);
// Item `index` was chosen or let go.
void announceItemSelection(QWidget* widget, int index);

// Announce a change a screen reader follows: a checked/selected/expanded flip, a new value.
void announceState(QWidget* widget, QAccessible::State changed);
void announceValue(QWidget* widget, double value);

// The keyboard focus ring around `shape`, in the accent of the window the widget is in; draws
// nothing unless the widget has focus. Called last in a control's paint.
void paintFocusRing(QPainter& p, const QWidget* widget, const QPainterPath& shape);

} // namespace design::a11y
