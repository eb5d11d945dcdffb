#pragma once
// The product's mark: a ring crossed by a rising bar, drawn in the foreground colour of
// whatever it sits in, at any size.
#include <QWidget>
#include <optional>

class BrandMark : public QWidget {
    Q_OBJECT
public:
    explicit BrandMark(qreal size, std::optional<qreal> lineWidth = std::nullopt, QWidget* parent = nullptr);

    qreal strokeWidth() const;         // the given width, else 11 % of the size, at least 1.2
    qreal ringRadius() const { return size_ * 0.3; }
    QLineF bar() const;                // rising at 45 degrees through the centre, 1.45 ring diameters
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    qreal size_;
    std::optional<qreal> lineWidth_;
};

// The mark beside the product name and the maker line.
class BrandSignature : public QWidget {
    Q_OBJECT
public:
    explicit BrandSignature(qreal markSize, QWidget* parent = nullptr);
    BrandMark* mark() const { return mark_; }

private:
    BrandMark* mark_;
};
