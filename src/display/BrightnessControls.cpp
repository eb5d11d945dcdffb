#include "display/BrightnessControls.h"

#include "app/Texts.h"
#include "bridge/Bridge.h"
#include "design/Sliders.h"
#include "design/ViewSync.h"

#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

using Target = DisplayManager::BrightnessTarget;

BrightnessTargetPicker::BrightnessTargetPicker(DisplayManager& display, QWidget* parent)
    : SegmentedChoice<Target>({{Target::monitor, Texts::tr("Monitör")}, {Target::macOS, "macOS"}},
                              display.brightnessTarget(), QWIDGETSIZE_MAX,
                              [this](const Target& target) {
                                  // Only stores the choice; the level of the new target stays as it is.
                                  display_.setBrightnessTarget(target);
                                  sync();
                              },
                              parent),
      display_(display)
{
}

void BrightnessTargetPicker::sync() { setSelection(display_.brightnessTarget()); }

BrightnessControls::BrightnessControls(DisplayManager& display, bool showTargetPicker, QWidget* parent)
    : QWidget(parent), display_(display), showTargetPicker_(showTargetPicker)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    picker_ = new BrightnessTargetPicker(display_);
    column->addWidget(picker_);
    monitor_ = new ValueSlider(QString(), "sun.max.fill", std::nullopt,
                               DoubleBinding{[this] { return display_.activeBrightness(); },
                                             [this](double v) { display_.setActiveBrightness(v); }},
                               ClosedRange{0, 100}, {});
    column->addWidget(monitor_);
    builtin_ = new ValueSlider(Texts::tr("Parlaklık · MacBook"), "laptopcomputer", std::nullopt,
                               DoubleBinding{[this] { return display_.builtinBrightness().value_or(0); },
                                             [this](double v) { setBuiltin(v); }},
                               ClosedRange{0, 100}, {});
    column->addWidget(builtin_);

    sync_ = new ViewSync(this, [this] { sync(); });
    sync_->follow(&display_, &DisplayManager::changed);
    sync();
}

void BrightnessControls::setBuiltin(double value)
{
    const auto panel = display_.builtin();
    if (panel) {
        const double level = std::isnan(value) ? 0 : std::clamp(value, 0.0, 100.0);
        if (builtin_set_brightness(panel->id, float(level / 100.0))) {
            display_.setBuiltinBrightness(level);
            return;
        }
    }
    // Refused: the slider goes back to the level the display has.
    sync_->schedule();
}

void BrightnessControls::sync()
{
    const auto selected = display_.selected();
    const bool monitor = selected && !selected->isBuiltin;
    const bool hardware = display_.ddcAvailable() && display_.brightnessTarget() == Target::monitor;
    picker_->setVisible(monitor && showTargetPicker_ && display_.ddcAvailable());
    picker_->sync();
    monitor_->setVisible(monitor);
    monitor_->setTitle(hardware ? Texts::tr("Parlaklık · Monitör") : Texts::tr("Parlaklık · macOS"));
    monitor_->setSymbol(display_.activeBrightness() < 40 ? "sun.min.fill" : "sun.max.fill");
    monitor_->refresh();
    builtin_->setVisible(display_.builtinBrightness().has_value());
    builtin_->refresh();
}
