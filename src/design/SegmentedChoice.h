#pragma once
// A capsule row of equally wide text segments; the selected one is filled with the accent.
// The caller owns the selection and hears of a tap on any other segment.
#include <QWidget>
#include <functional>
#include <vector>

// The drawing and the taps, by segment index.
class SegmentedChoiceView : public QWidget {
    Q_OBJECT
public:
    SegmentedChoiceView(QStringList titles, std::vector<bool> selected, qreal maxWidth,
                        std::function<void(int)> select, QWidget* parent = nullptr);

    QRectF segmentRect(int index) const;
    int segmentAt(const QPointF& pos) const; // -1 outside every segment
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QStringList titles_;
    std::vector<bool> selected_;
    std::function<void(int)> select_;
    int pressed_ = -1;
};

template <class T>
class SegmentedChoice : public SegmentedChoiceView {
public:
    struct Option {
        T value;
        QString title; // shown verbatim
    };

    SegmentedChoice(std::vector<Option> options, const T& selection, qreal maxWidth, std::function<void(const T&)> select,
                    QWidget* parent = nullptr)
        : SegmentedChoiceView(titles(options), flags(options, selection), maxWidth,
                              [options, select = std::move(select)](int i) {
                                  if (select)
                                      select(options[size_t(i)].value);
                              },
                              parent)
    {
    }

private:
    static QStringList titles(const std::vector<Option>& options)
    {
        QStringList out;
        for (const Option& o : options)
            out << o.title;
        return out;
    }
    static std::vector<bool> flags(const std::vector<Option>& options, const T& selection)
    {
        std::vector<bool> out;
        for (const Option& o : options)
            out.push_back(o.value == selection);
        return out;
    }
};
