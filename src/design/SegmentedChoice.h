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

    // In place: new titles (the row keeps its place and width) and the selection flags.
    void setTitles(const QStringList& titles);
    void setSelected(std::vector<bool> selected);
    const QStringList& titles() const { return titles_; }
    const std::vector<bool>& selected() const { return selected_; }

    QRectF segmentRect(int index) const;
    int segmentAt(const QPointF& pos) const; // -1 outside every segment
    // The segment's stand-in for the keyboard and assistive technology: a radio button that
    // draws nothing but its focus ring. Only the selected one is a tab stop; arrows choose.
    QWidget* segment(int index) const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void syncSegments();
    void choose(int index); // a person chose segment `index`
    void step(int delta);   // the arrow keys
    QStringList titles_;
    std::vector<QWidget*> segments_;
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
        : SegmentedChoiceView(titlesOf(options), flags(options, selection), maxWidth,
                              [this](int i) {
                                  if (select_ && i >= 0 && size_t(i) < options_.size())
                                      select_(options_[size_t(i)].value);
                              },
                              parent),
          options_(std::move(options)), select_(std::move(select))
    {
    }

    void setSelection(const T& selection) { setSelected(flags(options_, selection)); }
    void setOptions(std::vector<Option> options, const T& selection)
    {
        options_ = std::move(options);
        setTitles(titlesOf(options_));
        setSelected(flags(options_, selection));
    }
    const std::vector<Option>& options() const { return options_; }

private:
    std::vector<Option> options_;
    std::function<void(const T&)> select_;

    static QStringList titlesOf(const std::vector<Option>& options)
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
