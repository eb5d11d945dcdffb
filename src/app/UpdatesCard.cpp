#include "app/UpdatesCard.h"

#include "app/Texts.h"
#include "app/Updater.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Glass.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "platform/Updater.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

UpdatesCard::UpdatesCard(Updater& updater, QWidget* parent) : QWidget(parent), updater_(updater)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(14, this);
    outer->addWidget(card);

    card->addWidget(new CardHeader(Texts::tr("Güncellemeler"), "arrow.down.circle"));
    switch_ = new SwitchRow(Texts::tr("Güncellemeleri otomatik denetle"),
                            Texts::tr("Günde bir kez bakar; yeni sürüm varsa kurmadan önce sorar."), std::nullopt,
                            BoolBinding{[this] { return updater_.automaticallyChecks(); },
                                        [this](bool on) { updater_.setAutomaticallyChecks(on); }});
    card->addWidget(switch_);

    auto* footer = new QHBoxLayout;
    footer->setAlignment(Qt::AlignVCenter);
    version_ = new TextLine(versionText(), design::calloutFont(), TextLine::Tone::secondary);
    footer->addWidget(version_);
    footer->addStretch(1);
    button_ = new GlassButton(Texts::tr("Güncellemeleri Denetle"));
    connect(button_, &QPushButton::clicked, this, [this] { updater_.checkForUpdates(); });
    footer->addWidget(button_);
    card->addLayout(footer);

    connect(&updater_, &Updater::changed, this, &UpdatesCard::sync);
    sync();
}

QString UpdatesCard::versionText()
{
    using platform::updates::infoDictionaryValue;
    return Texts::tr("Sürüm %1 (%2)", infoDictionaryValue("CFBundleShortVersionString").value_or(QString()),
                     infoDictionaryValue("CFBundleVersion").value_or(QString()));
}

void UpdatesCard::sync()
{
    button_->setEnabled(updater_.canCheck());
    switch_->update();
    switch_->toggle()->update();
}
