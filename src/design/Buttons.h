#pragma once
// Buttons on glass and the menus they open.
//
// `GlassButton` is a push button in the glass look: a capsule of the material under a symbol
// and/or a title. Its forms: `glass` (the default; the tint colours the label, primary when
// none), `prominent` (filled with the tint, the accent when none, white label), `plain` (no
// capsule: just the label, for faces such as icons) and, with `setDestructive`, the
// destructive role (a red label, or a red fill when prominent).
//
// `GlassMenuButton` opens a `LiveMenu`, a menu filled afresh each time it opens (so a sync never
// rebuilds a menu that is open). `MenuPicker<T>` is the compact picker: a button showing the
// chosen item's title that opens the list of choices with a check mark on the chosen one.
//
// Menu texts are escaped (`menuText`) so that a "&" in a monitor's or device's name shows as
// written instead of marking a shortcut.
#include "design/Theme.h"

#include <QMenu>
#include <QPushButton>
#include <functional>
#include <optional>
#include <vector>

class GlassButton : public QPushButton {
    Q_OBJECT
public:
    enum class Form { glass, prominent, plain };
    enum class ControlSize { regular, small };

    explicit GlassButton(const QString& text = QString(), QWidget* parent = nullptr);
    GlassButton(const QString& text, const QString& symbol, Form form = Form::glass, QWidget* parent = nullptr);

    void setForm(Form form);
    Form form() const { return form_; }
    // Label colour (glass, plain) or fill colour (prominent); none: the form's default.
    void setTint(const Tint& tint);
    const Tint& tint() const { return tint_; }
    void setDestructive(bool destructive);
    bool isDestructive() const { return destructive_; }
    // A symbol before the title (empty: none). A button with only a symbol is round.
    void setSymbol(const QString& symbol);
    QString symbol() const { return symbol_; }
    void setControlSize(ControlSize size);
    ControlSize controlSize() const { return size_; }

    // What the form, the tint and the role give, for the widget's appearance and state.
    QColor labelColor() const;
    std::optional<QColor> fillColor() const; // prominent only
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;
    // Room after the label for a subclass's indicator, and where it is drawn.
    virtual qreal trailingWidth() const { return 0; }
    virtual void paintTrailing(QPainter&, const QRectF&, const QColor&) {}
    QRectF labelRect() const;

private:
    qreal padding() const;
    qreal symbolSize() const;
    Form form_ = Form::glass;
    Tint tint_;
    bool destructive_ = false;
    QString symbol_;
    ControlSize size_ = ControlSize::regular;
    QString namedByHint_; // the accessible name taken from the tooltip
};

// A small glass button drawn by a widget that holds many of them (a long list's rows), in the
// look of a small `GlassButton` with a title: what one button widget per row would cost in
// building and layout, the row draws instead.
struct DrawnButton {
    QString title;
    bool enabled = true;
    bool highlighted = false; // under the pointer or pressed
    bool focused = false;

    static QSizeF size(const QString& title); // the small control size's
    void paint(QPainter& p, const QWidget* widget, const QRectF& box) const;
};

// "&" doubled, so the menu shows the text as written.
QString menuText(const QString& text);

// A menu whose items are made by `fill` each time it is about to open.
class LiveMenu : public QMenu {
    Q_OBJECT
public:
    explicit LiveMenu(std::function<void(QMenu&)> fill = {}, QWidget* parent = nullptr);
    void setFill(std::function<void(QMenu&)> fill);
    // Fills the menu now (as opening does): for tests and for a caller that reads the items.
    void refill();
    // Opens the menu under `anchor`'s bottom-left corner (above it when there is no room).
    void popUpBelow(QWidget* anchor);

private:
    std::function<void(QMenu&)> fill_;
};

// Items for a menu's `fill`. Texts are escaped here; a symbol becomes the item's icon.
QAction* addMenuAction(QMenu& menu, const QString& text, std::function<void()> action,
                       const QString& symbol = QString());
QAction* addMenuSection(QMenu& menu, const QString& title);
// One exclusive group of choices: the item at `checked` carries the check mark (-1: none).
// Choosing any item calls `choose` with its index (the checked one too, as the platform does).
QList<QAction*> addMenuChoices(QMenu& menu, const QStringList& titles, int checked, std::function<void(int)> choose);

class GlassMenuButton : public GlassButton {
    Q_OBJECT
public:
    explicit GlassMenuButton(const QString& text = QString(), const QString& symbol = QString(),
                             QWidget* parent = nullptr);
    // Called each time the menu opens, on an emptied menu.
    void setMenuFill(std::function<void(QMenu&)> fill);
    LiveMenu* liveMenu() const { return menu_; }
    // The small chevron after the label; shown unless hidden.
    void setIndicatorVisible(bool visible);
    bool indicatorVisible() const { return indicator_; }
    // In place of the button's own menu under it: a click runs `open` (a menu made afresh and
    // placed elsewhere, such as at the pointer).
    void setOpener(std::function<void()> open) { opener_ = std::move(open); }
    void openMenu();

protected:
    qreal trailingWidth() const override;
    void paintTrailing(QPainter& p, const QRectF& box, const QColor& color) override;
    virtual QString indicatorSymbol() const { return "chevron.down"; }

private:
    LiveMenu* menu_;
    std::function<void()> opener_;
    bool indicator_ = true;
};

// The picker by index: shows the chosen title (or the placeholder when none is chosen).
class MenuPickerView : public GlassMenuButton {
    Q_OBJECT
public:
    MenuPickerView(QStringList titles, int selected, std::function<void(int)> select, QWidget* parent = nullptr);

    void setItems(const QStringList& titles, int selected);
    void setSelectedIndex(int selected);
    int selectedIndex() const { return selected_; }
    const QStringList& titles() const { return titles_; }
    void setPlaceholder(const QString& text);

protected:
    QString indicatorSymbol() const override { return "chevron.up.chevron.down"; }

private:
    void showSelection();
    QStringList titles_;
    int selected_;
    QString placeholder_;
    std::function<void(int)> select_;
};

template <class T>
class MenuPicker : public MenuPickerView {
public:
    struct Option {
        T value;
        QString title; // shown as written
    };

    MenuPicker(std::vector<Option> options, const std::optional<T>& selection, std::function<void(const T&)> select,
               QWidget* parent = nullptr)
        : MenuPickerView(titlesOf(options), indexOf(options, selection),
                         [this](int i) {
                             if (select_ && i >= 0 && size_t(i) < options_.size())
                                 select_(options_[size_t(i)].value);
                         },
                         parent),
          options_(std::move(options)), select_(std::move(select))
    {
    }

    void setOptions(std::vector<Option> options, const std::optional<T>& selection)
    {
        options_ = std::move(options);
        setItems(titlesOf(options_), indexOf(options_, selection));
    }
    void setSelection(const std::optional<T>& selection) { setSelectedIndex(indexOf(options_, selection)); }
    const std::vector<Option>& options() const { return options_; }

private:
    static QStringList titlesOf(const std::vector<Option>& options)
    {
        QStringList out;
        for (const Option& o : options)
            out << o.title;
        return out;
    }
    static int indexOf(const std::vector<Option>& options, const std::optional<T>& selection)
    {
        if (selection)
            for (size_t i = 0; i < options.size(); ++i)
                if (options[i].value == *selection)
                    return int(i);
        return -1;
    }
    std::vector<Option> options_;
    std::function<void(const T&)> select_;
};
