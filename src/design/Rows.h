#pragma once
// Rows inside cards: a label with a value, a labelled switch, a selectable list entry with
// hover highlight and check mark, and a status chip. Texts are shown verbatim.
#include "design/Theme.h"

#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>

class QHBoxLayout;
class SymbolView;
class TextLine;
class WrappingText;

struct BoolBinding {
    std::function<bool()> get;
    std::function<void(bool)> set;
};

class StatRow : public QWidget {
    Q_OBJECT
public:
    StatRow(QString label, QString value, std::optional<QString> secondary = std::nullopt, QWidget* parent = nullptr);
    TextLine* labelLine() const { return label_; }
    TextLine* valueLine() const { return value_; }
    TextLine* secondaryLine() const { return secondary_; } // null without a secondary value

    void setLabel(const QString& label);
    void setValue(const QString& value);
    void setSecondary(const std::optional<QString>& secondary); // nullopt hides it
    void setValueColor(const Tint& color); // none: the primary colour

private:
    QHBoxLayout* row_;
    TextLine* label_;
    TextLine* value_;
    TextLine* secondary_ = nullptr;
};

// The platform's small switch, drawn in the accent colour when on.
class Switch : public QWidget {
    Q_OBJECT
public:
    Switch(QString accessibleTitle, BoolBinding isOn, QWidget* parent = nullptr);
    bool isOn() const { return isOn_.get(); }
    QSize sizeHint() const override { return {32, 18}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    void toggle();
    BoolBinding isOn_;
};

// A title and an optional subtitle, each wrapping onto as many lines as it needs (the row's
// height follows its width), and a switch at the trailing edge.
class SwitchRow : public QWidget {
    Q_OBJECT
public:
    SwitchRow(QString title, std::optional<QString> subtitle, std::optional<QString> symbol, BoolBinding isOn,
              QWidget* parent = nullptr);
    Switch* toggle() const { return switch_; }
    SymbolView* icon() const { return icon_; } // null without a symbol
    WrappingText* titleLine() const { return title_; }
    WrappingText* subtitleLine() const { return subtitle_; } // null without a subtitle

private:
    SymbolView* icon_ = nullptr;
    WrappingText* title_;
    WrappingText* subtitle_ = nullptr;
    Switch* switch_;
};

class SelectableRow : public QWidget {
    Q_OBJECT
public:
    SelectableRow(QString title, QString symbol, bool selected, std::function<void()> action, QWidget* parent = nullptr);
    bool hovering() const { return hovering_; }
    bool selected() const { return selected_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {60, sizeHint().height()}; }
    // Where the parts are drawn, for the current size.
    QRectF badgeRect() const;
    QRectF checkRect() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QString title_;
    QString symbol_;
    bool selected_;
    std::function<void()> action_;
    bool hovering_ = false;
    bool pressed_ = false;
};

class StatusChip : public QWidget {
    Q_OBJECT
public:
    StatusChip(QString text, QString symbol, Tint tint, QWidget* parent = nullptr);
    QSize sizeHint() const override;

    void setText(const QString& text);
    void setSymbol(const QString& symbol);
    void setTint(const Tint& tint);
    QString text() const { return text_; }
    QString symbol() const { return symbol_; }
    const Tint& tint() const { return tint_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text_;
    QString symbol_;
    Tint tint_;
};
