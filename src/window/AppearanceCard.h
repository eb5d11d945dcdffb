#pragma once
// Accent colour, glass style and accent tint of every surface. It only writes the three "ui.*"
// settings through the theme, which redraws the panel and the window at once.
#include "design/SegmentedChoice.h"
#include "design/Theme.h"

#include <QWidget>

class SwitchRow;

// One accent as a 20-point circle; the chosen one carries a ring and a check mark.
class AccentSwatch : public QWidget {
    Q_OBJECT
public:
    explicit AccentSwatch(AccentChoice choice, QWidget* parent = nullptr);
    AccentChoice choice() const { return choice_; }
    bool isChosen() const;
    QSize sizeHint() const override { return {26, 26}; } // the ring reaches 3 points past the circle

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QRectF circleRect() const;
    AccentChoice choice_;
};

class AppearanceCard : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kDefaultStyle = "clear";
    static constexpr const char* kDefaultAccent = "system";

    explicit AppearanceCard(QWidget* parent = nullptr);

    // The stored values as written, unknown ones included.
    static QString styleRaw();
    static bool accentTint();
    static QString accentRaw();

    const std::vector<AccentSwatch*>& swatches() const { return swatches_; }
    SegmentedChoice<QString>* styleChoice() const { return style_; }
    SwitchRow* tintRow() const { return tint_; }
    const std::vector<QWidget*>& previewTiles() const { return tiles_; }

private:
    void sync();

    std::vector<AccentSwatch*> swatches_;
    SegmentedChoice<QString>* style_;
    SwitchRow* tint_;
    std::vector<QWidget*> tiles_;
};
