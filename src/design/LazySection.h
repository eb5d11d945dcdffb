#pragma once
// A block that may lie below the fold, built when it first comes into view, so a click on the
// sidebar lays out and paints the page without waiting for what is not yet seen. Until then it
// holds the room it is expected to take. A block in view when its page is laid out, or scrolled
// into view, is built at once, so the frame that shows it shows it whole.
#include <QMetaObject>
#include <QWidget>
#include <functional>

class LazySection : public QWidget {
    Q_OBJECT
public:
    LazySection(std::function<QWidget*()> make, int expectedHeight, QWidget* parent = nullptr);
    QWidget* content() const { return content_; }
    // Builds the content now, if it is not built yet.
    void build();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;

private:
    bool inView() const;
    void buildIfInView();

    std::function<QWidget*()> make_;
    QWidget* content_ = nullptr;
    bool scheduled_ = false;
    QMetaObject::Connection scrolled_;
};
