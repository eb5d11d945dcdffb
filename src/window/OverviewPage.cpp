#include "window/OverviewPage.h"

#include "app/Hub.h"
#include "app/Texts.h"
#include "design/LazySection.h"
#include "design/Paint.h"
#include "design/TextLine.h"
#include "window/ControlsSection.h"
#include "window/KPIRow.h"
#include "window/PowerSection.h"

#include <QShowEvent>
#include <QVBoxLayout>

OverviewSection::OverviewSection(const QString& title, QWidget* content, QWidget* parent) : QWidget(parent)
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);
    stack->addWidget(new TextLine(title, design::title3Font(QFont::DemiBold)));
    stack->addWidget(content);
}

OverviewPage::OverviewPage(Hub& hub, QWidget* parent) : QWidget(parent), hub_(hub)
{
    const bool hasBattery = hub_.battery.hasBattery();
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(24);
    kpis_ = new KPIRow(hub_.battery, hub_.battery.live(), hub_.display, hub_.audio, hub_.audio.level());
    stack->addWidget(kpis_);
    controls_ = new ControlsSection(hub_.display, hub_.audio, hasBattery, hub_);
    stack->addWidget(new OverviewSection(Texts::tr("Kontroller"), controls_));
    if (hasBattery) {
        power_ = new LazySection([this] {
            return new OverviewSection(Texts::tr("Pil ve güç"), new PowerSection(hub_.battery, hub_.battery.live()));
        }, 420);
        stack->addWidget(power_);
        history_ = new LazySection([this] {
            return new OverviewSection(Texts::tr("Geçmiş · son 24 saat"), new HistoryContainer(hub_.battery));
        }, 600);
        stack->addWidget(history_);
    }
}

OverviewPage::~OverviewPage() { reread_.stop(); }

void OverviewPage::reread()
{
    hub_.battery.readPowerSource();
    hub_.battery.readSmartBattery();
}

void OverviewPage::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (reread_.isActive())
        return;
    reread();
    reread_.start(kRereadInterval, [this] { reread(); }, true);
}

void OverviewPage::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    reread_.stop();
}
