#include "window/DisplayPage.h"

#include "app/Texts.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Grid.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/Sliders.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"
#include "display/BrightnessControls.h"
#include "display/DisplayArrangement.h"
#include "display/DisplayManager.h"
#include "display/InputDevicesCard.h"
#include "display/MonitorPicker.h"
#include "window/GridCells.h"
#include "window/OLEDSettings.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

DisplayPage::DisplayPage(DisplayManager& display, OLEDGuard& oled, QWidget* parent)
    : QWidget(parent), display_(display)
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);
    stack->addWidget(new DisplayArrangementCard(display_));
    grid_ = new CardGrid(300, 12, true);
    stack->addWidget(grid_);

    brightness_ = new Card(14);
    header_ = new TextLine(QString(), design::calloutFont(), TextLine::Tone::secondary);
    brightness_->addWidget(new CardHeader(Texts::tr("Parlaklık"), "sun.max", Tint(), header_));
    brightness_->addWidget(new MonitorPicker(display_));
    brightness_->addWidget(new BrightnessControls(display_, true));
    contrast_ = new ValueSlider(Texts::tr("Kontrast"), "circle.lefthalf.filled", std::nullopt,
                                {[this] { return display_.contrast(); }, [this](double v) { display_.setContrast(v); }},
                                {0, 100}, nullptr);
    volume_ = new ValueSlider(Texts::tr("Monitör sesi"), "speaker.wave.2", std::nullopt,
                              {[this] { return display_.volume(); }, [this](double v) { display_.setVolume(v); }},
                              {0, 100}, nullptr);
    noDdc_ = new WrappingText(Texts::tr("Bu monitör DDC/CI desteklemiyor; yalnızca macOS karartması kullanılabilir."),
                              design::calloutFont());
    brightness_->addWidget(contrast_);
    brightness_->addWidget(volume_);
    brightness_->addWidget(noDdc_);
    reload_ = new GlassButton(Texts::tr("Değerleri monitörden yeniden oku"));
    connect(reload_, &QPushButton::clicked, this, [this] { display_.reload(); });
    auto* reloadRow = new QHBoxLayout;
    reloadRow->addWidget(reload_);
    reloadRow->addStretch(1);
    brightness_->addLayout(reloadRow);

    resolution_ = new Card(14);
    allModes_ = new CheckBox(Texts::tr("Tümü"), {[this] { return display_.showAllModes(); },
                                                [this](bool on) { display_.setShowAllModes(on); }});
    resolution_->addWidget(new CardHeader(Texts::tr("Çözünürlük"), "aspectratio", Tint(), allModes_));
    modeList_ = new QWidget;
    auto* modeLayout = new QVBoxLayout(modeList_);
    modeLayout->setContentsMargins(0, 0, 0, 0);
    modeLayout->setSpacing(2);
    modes_ = std::make_unique<KeyedRows>(modeLayout);
    resolution_->addWidget(modeList_);

    inputs_ = new InputDevicesCard(display_);

    keys_ = new Card(14);
    keys_->addWidget(new CardHeader(Texts::tr("Tuşlar ve OLED koruma"), "keyboard"));
    keys_->addWidget(new SwitchRow(Texts::tr("Kapak açıkken de monitörü ayarla"),
                                   Texts::tr("Kapak kapalıyken parlaklık tuşları her zaman monitörü ayarlar."),
                                   std::nullopt,
                                   {[this] { return display_.brightnessKeysEnabled(); },
                                    [this](bool on) { display_.setBrightnessKeysEnabled(on); }}));
    keys_->addWidget(new Divider(0.5));
    keys_->addWidget(new OLEDSettings(oled));

    auto* binding = new ViewSync(this, [this] { sync(); });
    binding->follow(&display_, &DisplayManager::changed);
    sync();
}

DisplayPage::~DisplayPage() = default;

QString DisplayPage::headerText(const DisplayManager& display)
{
    if (display.linkAll() && display.externals().size() >= 2)
        return Texts::tr("Tüm monitörler");
    const auto selected = display.selected();
    return selected ? selected->name : QString();
}

QString DisplayPage::modeSymbol(int width, int pixelWidth) { return width < pixelWidth ? "sparkles" : "rectangle"; }

bool DisplayPage::showsInputCard() const { return grid_->gridLayout()->indexOf(inputs_) >= 0; }

QWidget* DisplayPage::modeRow(const QString& id) const
{
    for (const QString& key : modes_->keys())
        if (key.section(u'|', 0, -2) == id)
            return modes_->row(key);
    return nullptr;
}

void DisplayPage::sync()
{
    const auto selected = display_.selected();
    const bool builtin = selected && selected->isBuiltin;
    const bool ddc = display_.ddcAvailable();
    header_->setText(headerText(display_));
    contrast_->setVisible(!builtin && ddc);
    volume_->setVisible(!builtin && ddc);
    contrast_->refresh();
    volume_->refresh();
    noDdc_->setVisible(!builtin && !ddc);
    reload_->setVisible(!builtin);
    allModes_->refresh();

    // A row shows its selection when made, so the key carries it: a changed selection makes
    // the two rows concerned anew and keeps the rest.
    const auto current = display_.currentModeID();
    QStringList keys;
    for (const auto& mode : display_.modes())
        keys << mode.id + (current && *current == mode.id ? "|1" : "|0");
    modes_->sync(keys, [this](const QString& key) -> QWidget* {
        const QString id = key.section(u'|', 0, -2);
        for (const auto& mode : display_.modes())
            if (mode.id == id)
                return new SelectableRow(mode.label(), modeSymbol(mode.width, mode.pixelWidth), key.endsWith("|1"),
                                         [this, id] { display_.setMode(id); });
        return new QWidget;
    });
    // Rows are made after the cards below them and would come last in the Tab order: they
    // follow the list's header, as a person reads the card.
    QWidget* previous = allModes_;
    for (const QString& key : modes_->keys())
        if (QWidget* row = modes_->row(key)) {
            QWidget::setTabOrder(previous, row);
            previous = row;
        }

    arrangeCells(grid_->gridLayout(), {{brightness_, true}, {resolution_, true}, {inputs_, ddc}, {keys_, true}});
}
