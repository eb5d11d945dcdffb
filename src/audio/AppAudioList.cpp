#include "audio/AppAudioList.h"

#include "app/Prefs.h"
#include "app/Texts.h"
#include "audio/AudioManager.h"
#include "audio/OutputMenu.h"
#include "design/Buttons.h"
#include "design/Controls.h"
#include "design/Paint.h"
#include "design/Sliders.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
constexpr qreal kKnob = 16;
constexpr int kIconSize = 20;
constexpr int kVolumeWidth = 36;
} // namespace

// ---- AppAudioRow

AppAudioRow::AppAudioRow(AppAudioManager& appAudio, AudioManager& audio, QWidget* parent)
    : QWidget(parent), appAudio_(appAudio), audio_(audio)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    icon_ = new QLabel;
    icon_->setFixedSize(kIconSize, kIconSize);
    icon_->setScaledContents(true);
    top->addWidget(icon_);
    name_ = new TextLine(QString(), design::bodyFont());
    top->addWidget(name_);
    playing_ = new SymbolView("waveform", 11, SymbolWeight::regular);
    playing_->setColor(SystemColor::green);
    top->addWidget(playing_);
    top->addStretch(1);
    output_ = new GlassMenuButton;
    output_->setForm(GlassButton::Form::plain);
    output_->setFont(design::calloutFont());
    output_->setTint(Tint::secondary());
    output_->setOpener([this] { outputMenu_ = OutputMenu::showFor(app_, appAudio_, audio_, this); });
    top->addWidget(output_);
    column->addLayout(top);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(10);
    slider_ = new MiniSlider(100, [this](double v) { appAudio_.setVolume(std::clamp(v, 0.0, 100.0), app_); }, kKnob);
    bottom->addWidget(slider_, 1);
    volume_ = new TextLine(QString(), design::calloutFont(), TextLine::Tone::secondary);
    volume_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    volume_->setFixedWidth(kVolumeWidth);
    bottom->addWidget(volume_);
    column->addLayout(bottom);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void AppAudioRow::setApp(const AudioApp& app, const AppAudioSetting& setting, const QString& outputName)
{
    if (shown_ && app == app_ && setting == setting_ && outputName == outputName_)
        return;
    const bool first = !shown_;
    shown_ = true;
    if (first || app.icon != app_.icon) {
        icon_->setPixmap(app.icon ? QPixmap::fromImage(*app.icon) : QPixmap());
        icon_->setVisible(app.icon.has_value());
    }
    app_ = app;
    setting_ = setting;
    outputName_ = outputName;
    name_->setText(app.name);
    slider_->setAccessibleName(app.name);
    playing_->setVisible(app.isPlaying);
    output_->setText(menuText(outputName));
    slider_->setValue(setting.volume);
    volume_->setText(ValueSlider::percentText(setting.volume));
}


// ---- AppAudioList

AppAudioList::AppAudioList(AudioManager& audio, AppAudioManager& appAudio, bool collapsible, QWidget* parent)
    : QWidget(parent), audio_(audio), appAudio_(appAudio), appAudioAlive_(&appAudio)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    empty_ = new WrappingText(Texts::tr("Şu an ses çalan uygulama yok."), design::calloutFont());
    column->addWidget(empty_);
    rows_ = std::make_unique<KeyedRows>(column, 1);
    showAll_ = new CheckBox(Texts::tr("Tüm uygulamaları göster"),
                            BoolBinding{[] { return showAll(); }, [](bool on) { Theme::setSetting(kShowAllKey, on); }});
    column->addWidget(showAll_, 0, Qt::AlignLeft);
    error_ = new WrappingText(QString(), design::calloutFont());
    error_->setColor(SystemColor::orange);
    column->addWidget(error_);

    if (collapsible) {
        auto* header = new QWidget;
        auto* row = new QHBoxLayout(header);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(8);
        auto* symbol = new SymbolView("square.stack.3d.up", 14, SymbolWeight::regular);
        symbol->setFixedWidth(20);
        row->addWidget(symbol);
        row->addWidget(new TextLine(Texts::tr("Uygulamalar"), design::bodyFont()));
        row->addStretch(1);
        count_ = new TextLine(QString(), design::calloutFont(), TextLine::Tone::secondary);
        row->addWidget(count_);
        disclosure_ = new DisclosureGroup(
            header, BoolBinding{[] { return expanded(); }, [](bool on) { Theme::setSetting(kExpandedKey, on); }},
            content);
        outer->addWidget(disclosure_);
    } else {
        outer->addWidget(content);
    }

    binding_ = new ViewSync(this, [this] { sync(); });
    binding_->follow(&appAudio_, &AppAudioManager::changed)
        .follow(&audio_, &AudioManager::changed)
        .follow(&Theme::shared(), &Theme::changed);
    sync();
}

AppAudioList::~AppAudioList() { setCounted(false); }

bool AppAudioList::expanded() { return Prefs::boolValue(kExpandedKey, false); }

bool AppAudioList::showAll() { return Prefs::boolValue(kShowAllKey, false); }

std::vector<AudioApp> AppAudioList::visibleApps(const AppAudioManager& appAudio, bool showAll)
{
    std::vector<AudioApp> out;
    for (const AudioApp& app : appAudio.apps())
        if (showAll || app.isPlaying || appAudio.settings().count(app.bundleID) || appAudio.touched().count(app.bundleID))
            out.push_back(app);
    return out;
}

QString AppAudioList::outputName(const AudioManager& audio, const std::optional<QString>& uid)
{
    if (uid)
        for (const AudioDevice& d : audio.outputs())
            if (d.uid == *uid)
                return d.name;
    return Texts::tr("Varsayılan");
}

void AppAudioList::sync()
{
    const std::vector<AudioApp> apps = visibleApps(appAudio_, showAll());
    if (count_) {
        const auto& all = appAudio_.apps();
        const int playing = int(std::count_if(all.begin(), all.end(), [](const AudioApp& a) { return a.isPlaying; }));
        count_->setVisible(playing > 0);
        count_->setText(Texts::tr("%1 çalıyor", playing));
    }
    if (disclosure_)
        disclosure_->refresh();
    empty_->setVisible(apps.empty());

    QStringList keys;
    for (const AudioApp& app : apps)
        keys << QString::number(app.id);
    rows_->sync(keys, [this](const QString&) { return new AppAudioRow(appAudio_, audio_); });
    for (const AudioApp& app : apps) {
        const AppAudioSetting setting = appAudio_.setting(app);
        rows_->row<AppAudioRow>(QString::number(app.id))->setApp(app, setting, outputName(audio_, setting.outputUID));
    }

    showAll_->refresh();
    const std::optional<QString> error = appAudio_.error();
    error_->setVisible(error.has_value());
    error_->setText(error.value_or(QString()));
}

AppAudioRow* AppAudioList::row(int32_t pid) const { return rows_->row<AppAudioRow>(QString::number(pid)); }

int AppAudioList::rowCount() const { return int(rows_->keys().size()); }

void AppAudioList::setCounted(bool counted)
{
    if (counted == counted_ || !appAudioAlive_)
        return;
    counted_ = counted;
    appAudio_.setVisible(counted);
}

void AppAudioList::showEvent(QShowEvent* event)
{
    setCounted(true);
    QWidget::showEvent(event);
}

void AppAudioList::hideEvent(QHideEvent* event)
{
    setCounted(false);
    QWidget::hideEvent(event);
}

