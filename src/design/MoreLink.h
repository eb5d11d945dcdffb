#pragma once
// The small "more" link of a card header: a title and a chevron that open a page elsewhere.
// Secondary at rest, primary under the pointer; its whole rectangle takes the click.
#include <QWidget>
#include <functional>

class MoreLink : public QWidget {
    Q_OBJECT
public:
    MoreLink(QString title, std::function<void()> action, QWidget* parent = nullptr);
    QString title() const { return title_; }
    bool isHovering() const { return hovering_; }
    QColor labelColor() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QString title_;
    std::function<void()> action_;
    bool hovering_ = false;
    bool pressed_ = false;
};
