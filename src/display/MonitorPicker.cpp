#include "display/MonitorPicker.h"

#include "app/Texts.h"
#include "design/Buttons.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/TextLine.h"
#include "design/ViewSync.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

MonitorPicker::MonitorPicker(DisplayManager& display, QWidget* parent) : QWidget(parent), display_(display)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    auto* row = new QHBoxLayout;
    row->addWidget(new TextLine(Texts::tr("Monitör"), design::bodyFont()));
    row->addSpacing(8);
    row->addStretch(1);
    picker_ = new MenuPicker<uint32_t>({}, std::nullopt, [this](const uint32_t& id) {
        display_.setSelectedID(id);
        sync();
    });
    picker_->setAccessibleName(Texts::tr("Monitör"));
    row->addWidget(picker_);
    column->addLayout(row);

    link_ = new SwitchRow(Texts::tr("Tüm monitörleri birlikte ayarla"),
                          Texts::tr("Parlaklık kaydırıcısı ve tuşları bütün harici monitörlere uygulanır."), std::nullopt,
                          BoolBinding{[this] { return display_.linkAll(); }, [this](bool on) { display_.setLinkAll(on); }});
    column->addWidget(link_);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    (new ViewSync(this, [this] { sync(); }))->follow(&display_, &DisplayManager::changed);
    sync();
}

void MonitorPicker::sync()
{
    const auto externals = display_.externals();
    const bool empty = externals.size() < 2;
    if (empty != empty_) {
        empty_ = empty;
        setVisible(!empty);
    }
    if (empty)
        return;
    std::vector<MenuPicker<uint32_t>::Option> options;
    for (const DisplayInfo& d : externals)
        options.push_back({d.id, d.name});
    picker_->setOptions(std::move(options), display_.selectedID());
    link_->toggle()->update();
}
