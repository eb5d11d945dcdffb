#include "panel/PanelSliders.h"

#include "app/Texts.h"
#include "audio/AudioManager.h"
#include "audio/MasterVolumeSlider.h"
#include "bridge/Bridge.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Paint.h"
#include "design/Sliders.h"
#include "design/NumericText.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

using namespace design;

namespace {
using Target = DisplayManager::BrightnessTarget;
constexpr qreal kSliderHeight = 34;

QWidget* column(QWidget* parent, std::initializer_list<QWidget*> children, int spacing = 6)
{
    auto* w = new QWidget(parent);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(spacing);
    for (QWidget* c : children)
        v->addWidget(c);
    return w;
}
} // namespace

QString panelCaptionValue(double value, bool muted)
{
    if (muted)
        return Texts::tr("Sessiz");
    const double v = std::isfinite(value) ? value : 0;
    return Texts::tr("%%1", int(std::lround(v)));
}

QString brightnessSymbol(double brightness) { return brightness < 40 ? "sun.min.fill" : "sun.max.fill"; }

PanelCaption::PanelCaption(QString title, QWidget* accessory, QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    title_ = new TextLine(std::move(title), calloutFont(QFont::Medium), TextLine::Tone::secondary, this);
    row->addWidget(title_, 0, Qt::AlignVCenter);
    if (accessory)
        row->addWidget(accessory, 0, Qt::AlignVCenter);
    row->addStretch(1);
    QFont digits = calloutFont();
    value_ = new NumericText(digits, TextLine::Tone::secondary, this);
    row->addWidget(value_, 0, Qt::AlignVCenter);
}

void PanelCaption::setTitle(const QString& title) { title_->setText(title); }

void PanelCaption::setValue(double value, bool muted) { value_->setText(panelCaptionValue(value, muted)); }

BrightnessSourceMenu::BrightnessSourceMenu(DisplayManager& display, QWidget* parent)
    : QWidget(parent), display_(display), shown_(display.brightnessTarget())
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    button_ = new GlassMenuButton(QString(), QString(), this);
    button_->setControlSize(GlassButton::ControlSize::small);
    button_->setMenuFill([this](QMenu& menu) {
        addMenuSection(menu, Texts::tr("Kaynak"));
        const int checked = display_.brightnessTarget() == Target::monitor ? 0 : 1;
        addMenuChoices(menu, {Texts::tr("Monitör (donanım)"), Texts::tr("macOS (karartma)")}, checked,
                       [this](int i) { display_.setBrightnessTarget(i == 0 ? Target::monitor : Target::macOS); });
    });
    row->addWidget(button_);
    sync();
}

void BrightnessSourceMenu::sync()
{
    shown_ = display_.brightnessTarget();
    button_->setText(shown_ == Target::macOS ? Texts::tr("macOS") : Texts::tr("Monitör"));
}

PanelBrightness::PanelBrightness(DisplayManager& display, QWidget* parent) : QWidget(parent), display_(display)
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(10);

    source_ = new BrightnessSourceMenu(display_);
    monitorCaption_ = new PanelCaption(QString(), source_);
    monitorSlider_ = new ControlSlider(brightnessSymbol(display_.activeBrightness()),
                                       DoubleBinding{[this] { return display_.activeBrightness(); },
                                                     [this](double v) { display_.setActiveBrightness(v); }},
                                       ClosedRange{0, 100}, {}, kSliderHeight);
    monitorRow_ = column(this, {monitorCaption_, monitorSlider_});
    v->addWidget(monitorRow_);

    builtinCaption_ = new PanelCaption("MacBook");
    builtinSlider_ = new ControlSlider("laptopcomputer",
                                       DoubleBinding{[this] { return display_.builtinBrightness().value_or(0); },
                                                     [this](double v) { setBuiltin(v); }},
                                       ClosedRange{0, 100}, {}, kSliderHeight);
    builtinSlider_->setAccessibleName("MacBook"); // named by its caption
    builtinRow_ = column(this, {builtinCaption_, builtinSlider_});
    v->addWidget(builtinRow_);

    sync_ = new ViewSync(this, [this] { sync(); });
    sync_->follow(&display_, &DisplayManager::changed);
    sync();
}

void PanelBrightness::setBuiltin(double value)
{
    // Only a write the display took changes the published level; otherwise the slider goes
    // back to what the display has.
    if (const auto panel = display_.builtin()) {
        const double level = std::isnan(value) || value <= 0 ? 0.0 : std::min(value, 100.0);
        if (builtin_set_brightness(panel->id, float(level / 100.0))) {
            display_.setBuiltinBrightness(level);
            return;
        }
    }
    sync_->schedule();
}

void PanelBrightness::sync()
{
    const auto selected = display_.selected();
    const bool monitor = selected && !selected->isBuiltin;
    monitorRow_->setVisible(monitor);
    if (monitor) {
        const bool all = display_.linkAll() && display_.externals().size() >= 2;
        const QString title = all ? Texts::tr("Parlaklık · tüm monitörler") : Texts::tr("Parlaklık");
        monitorCaption_->setTitle(title);
        if (monitorSlider_->accessibleName() != title)
            monitorSlider_->setAccessibleName(title);
        monitorCaption_->setValue(display_.activeBrightness(), false);
        source_->setVisible(display_.ddcAvailable());
        source_->sync();
        monitorSlider_->setSymbol(brightnessSymbol(display_.activeBrightness()));
        monitorSlider_->refresh();
    }
    const auto builtin = display_.builtinBrightness();
    builtinRow_->setVisible(builtin.has_value());
    if (builtin) {
        builtinCaption_->setValue(*builtin, false);
        builtinSlider_->refresh();
    }
}

PanelVolume::PanelVolume(AudioManager& audio, QWidget* parent) : QWidget(parent), audio_(audio)
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(10);
    caption_ = new PanelCaption(Texts::tr("Ses"));
    AudioLevel& level = audio_.level();
    slider_ = new ControlSlider(MasterVolumeSlider::symbolFor(level.volume(), level.muted()),
                                DoubleBinding{[this] {
                                                  const AudioLevel& l = audio_.level();
                                                  return l.muted() ? 0.0 : l.volume();
                                              },
                                              [this](double v) { audio_.setVolume(v); }},
                                ClosedRange{0, 100}, [this] { audio_.setMuted(!audio_.level().muted()); },
                                kSliderHeight);
    slider_->setAccessibleName(Texts::tr("Ses"));
    volumeRow_ = column(this, {caption_, slider_});
    v->addWidget(volumeRow_);
    error_ = new WrappingText(QString(), calloutFont(), TextLine::Tone::secondary, this);
    error_->setColor(SystemColor::orange);
    v->addWidget(error_);

    sync_ = new ViewSync(this, [this] { sync(); });
    sync_->follow(&audio_, &AudioManager::changed);
    sync_->follow(&level, &AudioLevel::changed);
    sync();
}

void PanelVolume::sync()
{
    const AudioLevel& level = audio_.level();
    volumeRow_->setVisible(audio_.volumeSource() != AudioManager::VolumeSource::none);
    caption_->setValue(level.volume(), level.muted());
    slider_->setSymbol(MasterVolumeSlider::symbolFor(level.volume(), level.muted()));
    slider_->refresh();
    const auto error = audio_.softwareError();
    error_->setVisible(error.has_value());
    error_->setText(error.value_or(QString()));
}

PanelSliders::PanelSliders(DisplayManager& display, AudioManager& audio, QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(12, this);
    outer->addWidget(card);
    brightness_ = new PanelBrightness(display);
    volume_ = new PanelVolume(audio);
    card->addWidget(brightness_);
    card->addWidget(volume_);
}
