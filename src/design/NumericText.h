#pragma once
// Readouts whose number rolls to a new value. When a text such as "%45" becomes "%60" the number
// counts from 45 to 60 like an odometer: each step's changed digits leave upwards as the next
// ones rise from below, while the rest of the text stands still. A text that is not the same
// number in the same frame ("%46" -> "Sessiz") rolls its changed characters over once. The
// final text is always exactly the one given; the first text, a text given while the widget is
// hidden, and every text with animations off (Spring::setAnimationsEnabled) are drawn at once.
#include "design/TextLine.h"

#include <QObject>
#include <QString>
#include <optional>

class QPainter;
class QVariantAnimation;

// The state and drawing of one rolling text, for a widget that paints it itself.
class NumericRoll : public QObject {
    Q_OBJECT
public:
    static constexpr int kDurationMs = 350;

    // A text read as one number in a frame: prefix, digits (with at most one decimal mark),
    // suffix. `count` is the number in units of its last digit ("12,5 W" -> 125).
    struct Number {
        QString prefix, suffix;
        QChar mark; // null without a fraction
        int fractionDigits = 0;
        long long count = 0;
        bool sameFrame(const Number& o) const
        {
            return prefix == o.prefix && suffix == o.suffix && mark == o.mark && fractionDigits == o.fractionDigits;
        }
        QString text(long long count) const;
    };
    static std::optional<Number> parse(const QString& text);

    NumericRoll(QString text, QWidget* owner);
    void setText(const QString& text);
    QString text() const { return text_; }

    struct State {
        QString from, to;
        double progress = 1; // 0: only `from` is drawn, 1: only `to`
    };
    // What is drawn now. While counting, `from` and `to` are neighbouring steps of the count.
    State state() const;
    // The count drawn now (fractional between steps); none when not counting.
    std::optional<double> shownCount() const;
    bool isAnimating() const;
    QVariantAnimation* animation() const { return animation_; }
    // The widest text the running animation draws (the final text at rest), for layouts that
    // must not clip a digit that is there only for a moment.
    QString widestText(const QFont& font) const;

    // Draws the state in `box` with the painter's font and pen, aligned as `alignment` says.
    void paint(QPainter& p, const QRectF& box, Qt::Alignment alignment) const;

signals:
    void finished(); // an animation ran to its end

private:
    double progressAt(int ms) const;

    QWidget* owner_;
    QString text_;
    QString crossFrom_; // the text a crossover leaves
    std::optional<Number> counting_; // frame and target of a count
    double countFrom_ = 0;
    QVariantAnimation* animation_;
};

// A TextLine whose number rolls when its text changes.
class NumericText : public TextLine {
    Q_OBJECT
public:
    NumericText(QFont font, Tone tone = Tone::primary, QWidget* parent = nullptr);

    void setText(const QString& text) override;
    const NumericRoll& roll() const { return *roll_; }
    NumericRoll& roll() { return *roll_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    NumericRoll* roll_;
};
