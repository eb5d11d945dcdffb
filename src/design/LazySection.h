#pragma once
// A block below the fold, built the first time a part of it is painted (it has come into view),
// so a click on the sidebar paints the page without waiting for what is not yet seen. Until
// then it holds the room it is expected to take.
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
    void paintEvent(QPaintEvent*) override;

private:
    std::function<QWidget*()> make_;
    QWidget* content_ = nullptr;
    bool scheduled_ = false;
};
