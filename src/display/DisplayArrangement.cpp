#include "display/DisplayArrangement.h"

#include "app/Texts.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"
#include "display/ArrangementCanvas.h"
#include "display/ScreenSettings.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

DisplayArrangementCard::DisplayArrangementCard(DisplayManager& display, QWidget* parent)
    : QWidget(parent), display_(display)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    card_ = new Card(14, this);
    outer->addWidget(card_);
    Card* card = card_;

    mirrorControl_ = new QWidget;
    auto* mirrorRow = new QHBoxLayout(mirrorControl_);
    mirrorRow->setContentsMargins(0, 0, 0, 0);
    mirrorRow->setSpacing(6);
    mirrorRow->addWidget(new TextLine(Texts::tr("Ekranları yansıt"), design::calloutFont()));
    mirrorSwitch_ = new Switch(Texts::tr("Ekranları yansıt"), BoolBinding{[this] { return mirroring_; },
                                                                         [this](bool on) {
                                                                             display_.setMirroring(on);
                                                                             sync_->schedule();
                                                                         }});
    mirrorRow->addWidget(mirrorSwitch_);
    header_ = new CardHeader(Texts::tr("Ekran düzeni"), "rectangle.3.group", Tint::secondary(), mirrorControl_);
    card->addWidget(header_);

    canvas_ = new ArrangementCanvas;
    connect(canvas_, &ArrangementCanvas::tapped, this, [this](uint32_t id) {
        select(id);
        sync_->schedule();
    });
    connect(canvas_, &ArrangementCanvas::dropped, this, [this](uint32_t id, QPointF origin) {
        select(id);
        display_.moveDisplay(id, origin);
        sync_->schedule();
    });
    card->addWidget(canvas_);

    hint_ = new WrappingText(QString(), design::calloutFont());
    card->addWidget(hint_);
    divider_ = new Divider(0.5);
    card->addWidget(divider_);

    sync_ = new ViewSync(this, [this] { sync(); });
    sync_->follow(&display_, &DisplayManager::changed);
    sync();
}

QString DisplayArrangementCard::hint(int frameCount, bool mirroring)
{
    if (mirroring)
        return Texts::tr("Ekranlar yansıtılıyor; ayrı masaüstü için yansıtmayı kapatın.");
    if (frameCount < 2)
        return Texts::tr("Tek ekran bağlı.");
    return Texts::tr("Ekranları sürükleyip bırakarak masaüstündeki yerlerini ayarlayın. Menü çubuğu olan ekran ana "
                     "ekrandır.");
}

void DisplayArrangementCard::select(uint32_t id)
{
    selection_ = id;
    // The built-in display never becomes the controls' display from here.
    for (const auto& f : canvas_->frames())
        if (f.id == id && !f.isBuiltin)
            display_.setSelectedID(id);
}

void DisplayArrangementCard::sync()
{
    const std::vector<DisplayManager::ScreenFrame> frames = display_.screenFrames();
    mirroring_ = display_.isMirroring();

    auto find = [&](std::optional<uint32_t> id) -> const DisplayManager::ScreenFrame* {
        if (id)
            for (const auto& f : frames)
                if (f.id == *id)
                    return &f;
        return nullptr;
    };
    const DisplayManager::ScreenFrame* selected = find(selection_);
    if (!selected)
        selected = find(display_.selectedID());
    if (!selected && !frames.empty())
        selected = &frames.front();

    mirrorControl_->setVisible(frames.size() >= 2 || mirroring_);
    mirrorSwitch_->update();
    hint_->setText(hint(int(frames.size()), mirroring_));
    divider_->setVisible(selected != nullptr);
    if (selected) {
        if (!settings_) {
            settings_ = new ScreenSettings(display_, *selected);
            card_->addWidget(settings_);
        } else {
            settings_->setScreen(*selected);
        }
    }
    if (settings_)
        settings_->setVisible(selected != nullptr);
    canvas_->setFrames(frames, selected ? std::optional(selected->id) : std::nullopt);
}
