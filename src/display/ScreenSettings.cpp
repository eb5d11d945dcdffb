#include "display/ScreenSettings.h"

#include "app/Texts.h"
#include "design/Buttons.h"
#include "design/Controls.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

ScreenSettings::ScreenSettings(DisplayManager& display, DisplayManager::ScreenFrame screen, QWidget* parent)
    : QWidget(parent), display_(display), screen_(std::move(screen))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    symbol_ = new SymbolView("display", 13, SymbolWeight::regular);
    name_ = new TextLine(QString(), design::headlineFont());
    name_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    chip_ = new StatusChip(Texts::tr("Ana ekran"), "menubar.rectangle", SystemColor::blue);
    makeMain_ = new GlassButton(Texts::tr("Ana ekran yap"));
    connect(makeMain_, &QPushButton::clicked, this, [this] {
        display_.makeMain(screen_.id);
        sync();
    });
    top->addWidget(symbol_);
    top->addWidget(name_);
    top->addWidget(chip_);
    top->addStretch(1);
    top->addSpacing(8);
    top->addWidget(makeMain_);
    column->addLayout(top);

    note_ = new WrappingText(Texts::tr("Bu monitörün parlaklık, ses ve giriş ayarları aşağıdaki kartlarda."),
                             design::calloutFont());
    column->addWidget(note_);

    resolutionRow_ = new QWidget;
    auto* row = new QHBoxLayout(resolutionRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new TextLine(Texts::tr("Çözünürlük"), design::bodyFont()));
    row->addStretch(1);
    row->addSpacing(8);
    picker_ = new MenuPicker<QString>({}, std::nullopt, [this](const QString& id) {
        display_.applyMode(id, screen_.id);
        // The picker shows what the display reports, so a refused mode never looks applied.
        sync();
    });
    picker_->setAccessibleName(Texts::tr("Çözünürlük"));
    row->addWidget(picker_);
    column->addWidget(resolutionRow_);

    (new ViewSync(this, [this] { sync(); }))->follow(&display_, &DisplayManager::changed);
    sync();
}

void ScreenSettings::setScreen(const DisplayManager::ScreenFrame& screen)
{
    screen_ = screen;
    sync();
}

void ScreenSettings::sync()
{
    symbol_->setSymbol(screen_.isBuiltin ? "laptopcomputer" : "display");
    name_->setText(screen_.name);
    chip_->setTint(SystemColor::blue);
    chip_->setVisible(screen_.isMain);
    makeMain_->setVisible(!screen_.isMain);
    note_->setVisible(!screen_.isBuiltin);

    const auto selected = display_.selected();
    const bool picker = screen_.isBuiltin && !(selected && selected->id == screen_.id);
    resolutionRow_->setVisible(picker);
    if (picker) {
        const auto [options, current] = display_.modeOptions(screen_.id);
        std::vector<MenuPicker<QString>::Option> items;
        for (const DisplayModeOption& o : options)
            items.push_back({o.id, o.label()});
        picker_->setOptions(std::move(items), current.value_or(QString()));
    }
}
