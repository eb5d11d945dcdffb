#include "window/KPIRow.h"

#include "app/Texts.h"
#include "audio/AudioLevel.h"
#include "audio/AudioManager.h"
#include "audio/MasterVolumeSlider.h"
#include "battery/BatteryManager.h"
#include "design/Card.h"
#include "design/Grid.h"
#include "design/Paint.h"
#include "design/Symbols.h"
#include "design/NumericText.h"
#include "design/TextLine.h"
#include "design/ViewSync.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cmath>

KPITile::KPITile(const Face& face, QWidget* parent) : QWidget(parent), face_(face)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(12);
    outer->addWidget(card);
    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    symbol_ = new SymbolView(face.symbol, 12, SymbolWeight::semibold);
    top->addWidget(symbol_);
    title_ = new TextLine(face.title, design::calloutFont(), TextLine::Tone::secondary);
    title_->setMinimumScale(0.8); // "Battery temperature" whole in a sixth of the default window
    top->addWidget(title_, 1);
    card->addLayout(top);
    value_ = new NumericText(design::valueFont(22));
    value_->setText(face.value);
    value_->setMinimumScale(0.7);
    card->addWidget(value_);
    detail_ = new TextLine(face.detail.value_or(QString()), design::calloutFont(), TextLine::Tone::secondary);
    detail_->setMinimumScale(0.8);
    card->addWidget(detail_);
    detail_->setVisible(face.detail.has_value()); // in its card first: shown alone it would be a window
    symbol_->setColor(face.tint);
}

void KPITile::setFace(const Face& face)
{
    if (face == face_)
        return;
    face_ = face;
    symbol_->setSymbol(face.symbol);
    symbol_->setColor(face.tint);
    title_->setText(face.title);
    value_->setText(face.value);
    detail_->setText(face.detail.value_or(QString()));
    detail_->setVisible(face.detail.has_value());
}

KPIRow::KPIRow(BatteryManager& battery, BatteryLive& live, DisplayManager& display, AudioManager& audio,
               AudioLevel& level, QWidget* parent)
    : QWidget(parent), battery_(battery), live_(live), display_(display), audio_(audio), level_(level)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    grid_ = new CardGrid(150, 12, true);
    outer->addWidget(grid_);
    auto* binding = new ViewSync(this, [this] { sync(); });
    binding->follow(&battery_, &BatteryManager::changed)
        .follow(&live_, &BatteryLive::changed)
        .follow(&display_, &DisplayManager::changed)
        .follow(&audio_, &AudioManager::changed)
        .follow(&level_, &AudioLevel::changed);
    sync();
}

KPIRow::Inputs KPIRow::read(const BatteryManager& battery, const BatteryLive& live, const DisplayManager& display,
                            const AudioManager& audio, const AudioLevel& level)
{
    Inputs in;
    in.hasBattery = battery.hasBattery();
    if (in.hasBattery) {
        in.percent = battery.percent();
        in.stateTint = battery.stateTint();
        in.shortStatus = battery.shortStatus();
        in.onAC = battery.onAC();
        in.systemLoad = live.telemetry().systemLoad;
        in.adapterPower = live.telemetry().adapterPower;
        in.temperature = battery.temperature();
        in.healthPercent = battery.healthPercent();
        in.cycleCount = battery.cycleCount();
    }
    in.brightness = display.activeBrightness();
    in.ddcAvailable = display.ddcAvailable();
    in.brightnessTarget = display.brightnessTarget();
    in.muted = level.muted();
    in.volume = level.volume();
    if (const auto output = audio.defaultOutput())
        in.outputName = output->name;
    return in;
}

std::vector<KPITile::Face> KPIRow::tiles(const Inputs& in)
{
    static const QString dash = QStringLiteral("–");
    std::vector<KPITile::Face> out;
    if (in.hasBattery) {
        out.push_back({"battery.75percent", in.stateTint, Texts::tr("Pil"), Texts::tr("%%1", in.percent),
                       in.shortStatus});
        out.push_back({"bolt.fill", SystemColor::purple, Texts::tr("Mac tüketimi"),
                       Texts::tr("%1 W", Texts::decimal(in.systemLoad, 1)),
                       in.onAC ? Texts::tr("Adaptör %1 W", Texts::decimal(in.adapterPower, 1)) : Texts::tr("Pilden")});
        const bool hot = in.temperature && *in.temperature > 35.0;
        out.push_back({"thermometer.medium", SystemColor::orange, Texts::tr("Pil sıcaklığı"),
                       in.temperature ? Texts::tr("%1 °C", Texts::decimal(*in.temperature, 1)) : dash,
                       hot ? Texts::tr("Yüksek") : Texts::tr("Normal")});
        out.push_back({"heart.fill", SystemColor::pink, Texts::tr("Pil sağlığı"),
                       in.healthPercent ? Texts::tr("%%1", *in.healthPercent) : dash,
                       in.cycleCount ? std::optional(Texts::tr("%1 döngü", *in.cycleCount)) : std::nullopt});
    }
    const bool monitor = in.ddcAvailable && in.brightnessTarget == DisplayManager::BrightnessTarget::monitor;
    out.push_back({"sun.max.fill", SystemColor::yellow, Texts::tr("Parlaklık"),
                   Texts::tr("%%1", int(std::lround(in.brightness))),
                   monitor ? Texts::tr("Monitör") : Texts::tr("macOS")});
    out.push_back({MasterVolumeSlider::symbolFor(in.volume, in.muted), SystemColor::blue, Texts::tr("Ses"),
                   in.muted ? Texts::tr("Sessiz") : Texts::tr("%%1", int(std::lround(in.volume))), in.outputName});
    return out;
}

void KPIRow::sync()
{
    const auto faces = tiles(read(battery_, live_, display_, audio_, level_));
    if (faces.size() != tiles_.size()) {
        for (KPITile* tile : tiles_)
            retireWidget(tile);
        tiles_.clear();
        for (const auto& face : faces) {
            auto* tile = new KPITile(face);
            grid_->addWidget(tile);
            tiles_.push_back(tile);
        }
        return;
    }
    for (size_t i = 0; i < faces.size(); ++i)
        tiles_[i]->setFace(faces[i]);
}
