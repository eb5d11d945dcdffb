#pragma once
// A list whose rows one widget draws, rather than one widget per row: a list of thousands
// costs what the few rows in view cost to paint, and nothing to build, lay out or take down.
// To the keyboard it is one tab stop whose arrows move between the rows it can act on; to a
// screen reader it is a list with one element per row.
//
// A subclass says what its rows are and draws one; it calls `describeRows()` at the end of
// its constructor and `rowsChanged()` whenever its rows change.
#include <QAccessible>
#include <QWidget>

class DrawnList : public QWidget {
    Q_OBJECT
public:
    int current() const { return current_; } // the row the keyboard is on, -1 when none
    QRectF rowRect(int index) const;
    int rowAt(const QPointF& point) const; // -1 between or beyond the rows
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    explicit DrawnList(QWidget* parent = nullptr);

    virtual int rowCount() const = 0;
    virtual qreal rowHeight() const = 0;
    virtual qreal rowGap() const { return 0; }
    virtual qreal preferredWidth() const = 0;
    virtual void paintRow(QPainter& p, int index, const QRectF& rect) = 0;
    virtual bool isRowEnabled(int) const { return true; }
    virtual void activateRow(int index) = 0; // a click, Space or Return, a screen reader's press
    // Where the keyboard starts when the list takes focus.
    virtual int initialRow() const { return nextEnabled(-1, 1); }
    // Whether moving the keyboard to a row also activates it (a list that selects as it moves).
    virtual bool activatesOnMove() const { return false; }

    // The elements a screen reader sees: each row's name, description and, for a list whose
    // rows are chosen, whether it is the chosen one.
    struct Elements {
        QAccessible::Role role = QAccessible::Button;
        std::function<QString(int)> name;
        std::function<QString(int)> description;
        std::function<bool(int)> selected;
    };
    void describeRows(Elements elements);
    void rowsChanged(bool countChanged);
    bool showsFocusOn(int index) const { return hasFocus() && index == current_; }
    int nextEnabled(int from, int step) const;

    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent*) override;

private:
    void moveTo(int index, bool activate);
    int current_ = -1;
};
