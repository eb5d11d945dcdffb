#pragma once
// The small form controls of the cards: a check box, a disclosure group, a plain text field, a
// divider and text that wraps. Like `Switch`, the check box and the disclosure group read their
// state through a binding at every paint, so a change the owner refuses never shows as applied.
#include "design/Rows.h"
#include "design/TextLine.h"

#include <QLineEdit>
#include <QTextLayout>
#include <memory>
#include <vector>
#include <QWidget>

class QVBoxLayout;
class SymbolView;

// A check box with its title after it (callout font unless set with setFont).
class CheckBox : public QWidget {
    Q_OBJECT
public:
    CheckBox(QString title, BoolBinding isOn, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const { return title_; }
    bool isOn() const { return isOn_.get && isOn_.get(); }
    void refresh() { update(); } // the owner changed the value
    QRectF boxRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void changeEvent(QEvent*) override;

private:
    void toggle();
    QString title_;
    BoolBinding isOn_;
    bool pressed_ = false;
};

// A header row with a chevron (right when closed, down when open) over content that is shown
// only while expanded. A tap anywhere on the header, or Space on it, toggles. Without a
// binding (empty get/set) the group keeps its own state.
class DisclosureGroup : public QWidget {
    Q_OBJECT
public:
    // The header is the title in the callout font, secondary.
    DisclosureGroup(QString title, BoolBinding expanded, QWidget* content, QWidget* parent = nullptr);
    // The header is the caller's row (the chevron goes before it).
    DisclosureGroup(QWidget* header, BoolBinding expanded, QWidget* content, QWidget* parent = nullptr);

    bool isExpanded() const;
    void setExpanded(bool expanded); // through the binding
    void setTitle(const QString& title); // the title form only
    // Replaces the content (the old one is deleted later).
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }
    QWidget* header() const { return header_; }
    SymbolView* chevron() const { return chevron_; }
    // Shows or hides the content as the binding says now.
    void refresh();

private:
    void build(QWidget* label);
    BoolBinding expanded_;
    bool own_ = false; // the state without a binding
    QWidget* header_ = nullptr;
    TextLine* title_ = nullptr;
    SymbolView* chevron_ = nullptr;
    QWidget* content_ = nullptr;
    QVBoxLayout* column_ = nullptr;
};

// A text field without a frame, for names on glass; the placeholder in the tertiary colour.
// The owner hears of edits from `textEdited` and shows the stored text with `syncText`, which
// leaves a field being edited alone.
class TextField : public QLineEdit {
    Q_OBJECT
public:
    explicit TextField(const QString& placeholder = QString(), QWidget* parent = nullptr);
    // Shows `text` unless the field has focus (the person's typing wins over a sync).
    void syncText(const QString& text);
    bool isEditing() const { return hasFocus(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent*) override;
};

// A hairline between groups, at an opacity of the separator colour.
class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(qreal opacity = 1.0, Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    qreal opacity_;
    Qt::Orientation orientation_;
};

// Text that wraps onto as many lines as it needs (explanations, hints, errors). Its height
// follows its width, so it takes the width its layout gives it. Texts, tones and colours are
// set as on a `TextLine`.
class WrappingText : public TextLine {
    Q_OBJECT
public:
    WrappingText(QString text, QFont font, TextLine::Tone tone = TextLine::Tone::secondary, QWidget* parent = nullptr);

    int lineCount(int width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    using Layouts = std::vector<std::unique_ptr<QTextLayout>>;
    // One laid-out block per paragraph, placed one under the other, for a width. Kept for the
    // last few widths: a layout pass asks for the height at a width many times.
    const Layouts& laidOut(int width) const;
    mutable QString layoutsOf_; // the text, font and alignment the kept layouts are for
    mutable std::vector<std::pair<int, Layouts>> layouts_;
};
