#include "display/ResolutionSlider.h"

#include "app/Texts.h"
#include "design/Accessibility.h"
#include "design/Paint.h"
#include "design/Sliders.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/ViewSync.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <functional>

namespace {
// A slider that tells when the mouse lets go, wherever it was pressed (thumb or groove: a held
// groove press repeats its page steps until then), and that always leaves the wheel to the page:
// a notch is too easy a way to reconfigure a display by accident.
class ModeSlider : public QSlider {
public:
    explicit ModeSlider(std::function<void()> released) : QSlider(Qt::Horizontal), released_(std::move(released))
    {
        setFocusPolicy(Qt::TabFocus); // from the keyboard only, as every control
    }
    bool isMouseHeld() const { return held_; }

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        held_ = true;
        QSlider::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        QSlider::mouseReleaseEvent(e);
        held_ = false;
        released_();
    }
    void wheelEvent(QWheelEvent* e) override
    {
        e->ignore(); // goes on to the scroll area
    }
    void paintEvent(QPaintEvent*) override { LevelSlider::paintWithFocusRing(*this); }

private:
    std::function<void()> released_;
    bool held_ = false;
};
} // namespace

std::vector<DisplayModeOption> ResolutionSlider::sliderModes(std::vector<DisplayModeOption> modes)
{
    std::stable_sort(modes.begin(), modes.end(), [](const DisplayModeOption& a, const DisplayModeOption& b) {
        if (a.width != b.width)
            return a.width < b.width;
        if (a.isHiDPI() != b.isHiDPI())
            return !a.isHiDPI();
        return a.refresh < b.refresh;
    });
    return modes;
}

ResolutionSlider::ResolutionSlider(DisplayManager& display, QWidget* parent) : QWidget(parent), display_(display)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto* top = new QHBoxLayout;
    top->addWidget(new TextLine(Texts::tr("Çözünürlük"), design::calloutFont(), TextLine::Tone::secondary));
    top->addStretch(1);
    label_ = new TextLine(QString(), design::calloutFont(), TextLine::Tone::secondary);
    label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    top->addWidget(label_);
    column->addLayout(top);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(10);
    auto* symbol = new SymbolView("arrow.up.left.and.arrow.down.right", 13, SymbolWeight::medium);
    symbol->setFixedWidth(20);
    bottom->addWidget(symbol);
    auto* slider = new ModeSlider([this] { apply(); });
    slider_ = slider;
    slider_->setSingleStep(1);
    slider_->setPageStep(1);
    slider_->setFixedHeight(22);
    // A reader speaks the mode, not its place in the list.
    design::a11y::describe(slider_, {.role = QAccessible::Slider, .valueText = [this] { return label_->text(); }});
    slider_->setAccessibleName(Texts::tr("Çözünürlük"));
    bottom->addWidget(slider_, 1);
    column->addLayout(bottom);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    connect(slider_, &QSlider::valueChanged, this, [this, slider](int index) {
        dragIndex_ = index;
        if (slider->isSliderDown() || slider->isMouseHeld())
            sync(); // a preview; the release applies
        else
            apply(); // a key step: nothing else will end the edit
    });

    (new ViewSync(this, [this] { sync(); }))->follow(&display_, &DisplayManager::changed);
    sync();
}

int ResolutionSlider::currentIndex() const
{
    const auto current = display_.currentModeID();
    for (size_t i = 0; current && i < modes_.size(); ++i)
        if (modes_[i].id == *current)
            return int(i);
    return 0;
}

void ResolutionSlider::apply()
{
    if (!dragIndex_)
        return;
    const int index = std::clamp(*dragIndex_, 0, std::max(0, int(modes_.size()) - 1));
    dragIndex_.reset();
    if (size_t(index) < modes_.size() && display_.currentModeID() != modes_[size_t(index)].id)
        display_.setMode(modes_[size_t(index)].id);
    // The thumb shows the mode in force, also when the display refused the new one.
    sync();
}

void ResolutionSlider::sync()
{
    modes_ = sliderModes(display_.modes());
    const bool empty = modes_.size() < 2;
    if (empty != empty_) {
        empty_ = empty;
        setVisible(!empty);
    }
    if (empty) {
        dragIndex_.reset();
        return;
    }
    const int count = int(modes_.size());
    const int shown = std::clamp(dragIndex_.value_or(currentIndex()), 0, count - 1);
    label_->setText(modes_[size_t(shown)].label());
    if (!slider_->isSliderDown()) {
        const QSignalBlocker block(slider_);
        slider_->setRange(0, count - 1);
        slider_->setValue(shown);
    }
}
