#include "window/GeneralPage.h"

#include "app/Hub.h"
#include "app/Prefs.h"
#include "app/Texts.h"
#include "app/UpdatesCard.h"
#include "battery/BatteryManager.h"
#include "design/BrandMark.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Grid.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "platform/Updater.h"
#include "window/AppLanguage.h"
#include "window/AppearanceCard.h"
#include "window/DockIcon.h"
#include "window/LanguageCard.h"
#include "window/SleepCard.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

GeneralPage::GeneralPage(Hub& hub, Updater& updater, QWidget* parent) : QWidget(parent), hub_(hub)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* grid = new CardGrid(300, 12, true);
    outer->addWidget(grid);

    auto* startup = new Card(14);
    startup->addWidget(new CardHeader(Texts::tr("Başlangıç"), "power"));
    loginItem_ = new SwitchRow(Texts::tr("Girişte başlat"), std::nullopt, std::nullopt,
                               {[this] { return launchAtLogin_; },
                                [this](bool on) {
                                    hub_.setLaunchAtLogin(on);
                                    // The state the service reports, not the one asked for.
                                    launchAtLogin_ = hub_.launchAtLogin();
                                    loginItem_->toggle()->update();
                                }});
    startup->addWidget(loginItem_);
    dock_ = new SwitchRow(Texts::tr("Dock'ta göster"),
                          Texts::tr("Kapalıyken pencere açıkken de yalnızca menü çubuğunda kalır."), std::nullopt,
                          {[] { return DockIcon::enabled(); },
                           [this](bool on) {
                               Prefs::set(DockIcon::kShowInDockKey, on);
                               DockIcon::apply();
                               dock_->toggle()->update();
                           }});
    startup->addWidget(dock_);
    grid->addWidget(startup);

    // The choice this process started with, so the restart row stays until the restart.
    language_ = new LanguageCard(AppLanguage::launched());
    grid->addWidget(language_);
    grid->addWidget(new UpdatesCard(updater));
    sleep_ = new SleepCard(hub.sleep);
    grid->addWidget(sleep_);
    appearance_ = new AppearanceCard;
    grid->addWidget(appearance_);

    auto* battery = new Card(14);
    battery->addWidget(new CardHeader(Texts::tr("Pil ayarları"), "battery.75percent"));
    battery->addWidget(new WrappingText(
        Texts::tr("Şarj sınırı macOS'un kendi sınırını kullanır (%80–100); root yetkisi gerekmez ve uykuda da çalışır."),
        design::calloutFont()));
    batterySettings_ = new GlassButton(Texts::tr("Sistem Pil Ayarlarını Aç"));
    connect(batterySettings_, &QPushButton::clicked, this, [] { BatteryManager::openSystemBatterySettings(); });
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(batterySettings_);
    buttonRow->addStretch(1);
    battery->addLayout(buttonRow);
    grid->addWidget(battery);

    auto* about = new Card(14);
    about->addWidget(new CardHeader(Texts::tr("Hakkında"), "info.circle"));
    about->addWidget(new BrandSignature(22));
    about->addWidget(new WrappingText(
        Texts::tr("Harici monitörlü ve KVM'li Mac kurulumları için ekran, ses, fare ve pil kontrolünü tek uygulamada "
                  "toplar. Kaydırma, ses veya parlaklık tuşlarını yakalayan başka araçlar aynı anda çalışırsa olaylar "
                  "iki kez işlenebilir; Quendrel'i kullanırken onları kapatın."),
        design::calloutFont()));
    version_ = new TextLine(versionText(), design::calloutFont(), TextLine::Tone::tertiary);
    about->addWidget(version_);
    grid->addWidget(about);
}

QString GeneralPage::versionText()
{
    return Texts::tr("Sürüm %1", platform::updates::infoDictionaryValue("CFBundleShortVersionString").value_or(QStringLiteral("2.0")));
}

void GeneralPage::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    launchAtLogin_ = hub_.launchAtLogin();
    loginItem_->toggle()->update();
}
