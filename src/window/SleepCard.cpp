#include "window/SleepCard.h"

#include "app/SleepManager.h"
#include "app/Texts.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Rows.h"
#include "design/Theme.h"
#include "design/ViewSync.h"
#include "platform/PowerEvents.h"

#include <QVBoxLayout>

SleepCard::SleepCard(SleepManager& sleep, QWidget* parent) : QWidget(parent), sleep_(sleep)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(14);
    outer->addWidget(card);
    card->addWidget(new CardHeader(Texts::tr("Uyku"), "moon"));
    prevent_ = new SwitchRow(Texts::tr("Quendrel açıkken uyumasın"),
                             Texts::tr("Mac boşta kalınca uykuya geçmez. Elle uyutmak (panelde ay düğmesi) her zaman çalışır."),
                             std::nullopt,
                             {[this] { return sleep_.preventSleep(); }, [this](bool on) { sleep_.setPreventSleep(on); }});
    card->addWidget(prevent_);
    keepDisplay_ = new SwitchRow(Texts::tr("Ekran da açık kalsın"), std::nullopt, std::nullopt,
                                 {[this] { return sleep_.keepDisplayOn(); }, [this](bool on) { sleep_.setKeepDisplayOn(on); }});
    card->addWidget(keepDisplay_);
    sleepNow_ = new GlassButton(Texts::tr("Şimdi uyut"), "moon.fill");
    connect(sleepNow_, &QPushButton::clicked, this, [] { sleepNow(); });
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(sleepNow_);
    buttonRow->addStretch(1);
    card->addLayout(buttonRow);

    auto* binding = new ViewSync(this, [this] { sync(); });
    binding->follow(&sleep_, &SleepManager::changed);
    sync();
}

void SleepCard::sleepNow()
{
    const uint32_t connection = platform::power::findPowerManagement();
    if (connection == 0)
        return;
    platform::power::sleepSystem(connection); // the result is not looked at
    platform::power::serviceClose(connection);
}

void SleepCard::sync()
{
    prevent_->toggle()->update();
    keepDisplay_->toggle()->update();
    keepDisplay_->setEnabled(sleep_.preventSleep()); // keeps its stored value meanwhile
}
