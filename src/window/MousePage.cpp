#include "window/MousePage.h"

#include "window/GridCells.h"

#include "app/InputTap.h"
#include "app/ScrollManager.h"
#include "app/Texts.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Grid.h"
#include "design/Rows.h"
#include "design/Sliders.h"
#include "design/Theme.h"
#include "design/ViewSync.h"

#include <QVBoxLayout>
#include <cmath>

MousePage::MousePage(ScrollManager& scroll, InputTap& input, QWidget* parent)
    : QWidget(parent), scroll_(scroll), input_(input)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* grid = new CardGrid(300, 12, true);
    outer->addWidget(grid);

    auto* scrolling = new Card(14);
    scrolling->addWidget(new CardHeader(Texts::tr("Kaydırma"), "computermouse"));
    scrolling->addWidget(new SwitchRow(Texts::tr("Yumuşak kaydırma"),
                                       Texts::tr("Tekerlek adımlarını akıcı bir harekete çevirir."), std::nullopt,
                                       {[this] { return scroll_.smoothEnabled(); },
                                        [this](bool on) { scroll_.setSmoothEnabled(on); }}));
    scrolling->addWidget(new SwitchRow(Texts::tr("Yönü ters çevir"),
                                       Texts::tr("Yalnızca farede; trackpad doğal kaydırmada kalır."), std::nullopt,
                                       {[this] { return scroll_.reverseEnabled(); },
                                        [this](bool on) { scroll_.setReverseEnabled(on); }}));
    grid->addWidget(scrolling);

    tuning_ = new Card(14);
    tuning_->addWidget(new CardHeader(Texts::tr("Yumuşak kaydırma ayarı"), "slider.horizontal.3"));
    step_ = new ValueSlider(Texts::tr("Adım"), "arrow.up.and.down", stepText(scroll_.step()),
                            {[this] { return scroll_.step(); }, [this](double v) { scroll_.setStep(v); }}, {20, 200},
                            nullptr);
    tuning_->addWidget(step_);
    smoothness_ = new ValueSlider(Texts::tr("Süzülme"), "wind", smoothnessText(scroll_.smoothness()),
                                  {[this] { return scroll_.smoothness(); },
                                   [this](double v) { scroll_.setSmoothness(v); }},
                                  {0.6, 0.95}, nullptr);
    tuning_->addWidget(smoothness_);
    grid->addWidget(tuning_);

    permission_ = new Card(14);
    permission_->addWidget(new CardHeader(Texts::tr("Erişilebilirlik izni gerekli"), "hand.raised.fill",
                                          SystemColor::orange));
    auto* open = new GlassButton(Texts::tr("Sistem Ayarlarını Aç"), QString(), GlassButton::Form::prominent);
    open->setTint(SystemColor::orange);
    connect(open, &QPushButton::clicked, this, [] { InputTap::openAccessibilitySettings(); });
    auto* row = new QHBoxLayout;
    row->addWidget(open);
    row->addStretch(1);
    permission_->addLayout(row);
    grid_ = grid;
    cells_ = {scrolling, tuning_};

    auto* binding = new ViewSync(this, [this] { sync(); });
    binding->follow(&scroll_, &ScrollManager::changed).follow(&input_, &InputTap::changed);
    sync();
}

QString MousePage::stepText(double step) { return Texts::tr("%1 px", int(std::trunc(step))); }

QString MousePage::smoothnessText(double smoothness)
{
    return Texts::tr("%%1", int(std::lround((smoothness - 0.6) / 0.35 * 100)));
}

void MousePage::sync()
{
    tuning_->setEnabled(scroll_.smoothEnabled());
    step_->setValueText(stepText(scroll_.step()));
    step_->refresh();
    smoothness_->setValueText(smoothnessText(scroll_.smoothness()));
    smoothness_->refresh();
    arrangeCells(grid_->gridLayout(), {{cells_[0], true}, {cells_[1], true}, {permission_, !input_.isRunning()}});
    for (auto* row : findChildren<Switch*>())
        row->update();
}
