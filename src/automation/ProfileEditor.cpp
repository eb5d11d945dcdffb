#include "automation/ProfileEditor.h"

#include "app/Texts.h"
#include "audio/AudioManager.h"
#include "automation/AutomationManager.h"
#include "battery/BatteryManager.h"
#include "design/Buttons.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Grid.h"
#include "design/MenuRoles.h"
#include "design/Paint.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"
#include "display/DisplayManager.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

// An invalid tint draws a header symbol in the secondary colour of the appearance shown.
const Tint kSecondaryTint = Tint::secondary();

constexpr qreal kCardPadding = 14;
constexpr int kNarrowPicker = 80; // a picker in a narrow card shortens its title down to this

QString percent(double value) { return Texts::tr("%%1", qlonglong(std::round(value))); }

template <class T>
using Options = std::vector<typename MenuPicker<T>::Option>;

// The entries plus one for a value that is not among them (a device or mode that is absent).
template <class T>
Options<T> withExtra(Options<T> options, const T& value, const std::function<QString()>& extraTitle)
{
    const bool listed = std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.value == value; });
    if (!listed && extraTitle)
        options.push_back({value, extraTitle()});
    return options;
}

Options<QString> deviceOptions(const std::vector<AudioDevice>& devices)
{
    Options<QString> out;
    for (const AudioDevice& d : devices)
        out.push_back({d.uid, d.name});
    return out;
}

std::optional<QString> nameOf(const std::vector<AudioDevice>& devices, const std::optional<QString>& uid)
{
    if (uid)
        for (const AudioDevice& d : devices)
            if (d.uid == *uid)
                return d.name;
    return std::nullopt;
}

std::optional<double> roundedLevel(double v) { return std::round(v); } // halves away from zero

} // namespace

// ---------------------------------------------------------------- rows

OptionalRow::OptionalRow(QString title, BoolBinding isOn, QWidget* control, QWidget* parent)
    : QWidget(parent), isOn_(isOn), control_(control)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    check_ = new CheckBox(std::move(title), isOn_);
    // In a narrow card a control given a minimum width (a picker, whose title then ends in an
    // ellipsis) gives way first; beside a level the title stays whole and the slider gives way.
    if (control_->minimumWidth() == 0)
        check_->setMinimumWidth(check_->sizeHint().width());
    row->addWidget(check_, 0, Qt::AlignVCenter);
    // One gap of at least 10 between the title and the control, however wide the row.
    row->addSpacerItem(new QSpacerItem(10, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    row->addWidget(control_, 0, Qt::AlignVCenter);
    unchanged_ = new TextLine(Texts::tr("Değiştirme"), design::calloutFont(), TextLine::Tone::tertiary);
    row->addWidget(unchanged_, 0, Qt::AlignVCenter);
    setMinimumHeight(24);
    refresh();
}

void OptionalRow::refresh()
{
    const bool on = isOn_.get();
    check_->refresh();
    control_->setVisible(on);
    unchanged_->setVisible(!on);
}

LevelField::LevelField(DoubleBinding value, ClosedRange range, QWidget* parent) : QWidget(parent), value_(value)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4); // the readout's own width leaves room before a short figure
    slider_ = new MiniSlider(value_.get(), range, [this](double v) {
        value_.set(v);
        readout_->setText(percent(value_.get()));
    }, 14);
    slider_->setFixedHeight(22);
    slider_->setMinimumWidth(60); // 110 where the card has room; narrower before a title is cut
    slider_->setMaximumWidth(110);
    slider_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    row->addWidget(slider_);
    readout_ = new TextLine(percent(value_.get()), design::calloutFont(), TextLine::Tone::secondary);
    readout_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    readout_->setFixedWidth(40);
    row->addWidget(readout_);
}

void LevelField::refresh()
{
    slider_->setValue(value_.get());
    if (!slider_->isDragging())
        readout_->setText(percent(value_.get()));
}

// ---------------------------------------------------------------- editor

ProfileEditor::ProfileEditor(const KVMProfile& profile, AutomationManager& automation, DisplayManager& display,
                             AudioManager& audio, BatteryManager& battery, QWidget* parent)
    : QWidget(parent), profile_(profile), automation_(automation), display_(display), audio_(audio), battery_(battery)
{
    build();
    binding_ = new ViewSync(this, [this] { sync(); });
    binding_->follow(&display_, &DisplayManager::changed)
        .follow(&audio_, &AudioManager::changed)
        .follow(&battery_, &BatteryManager::changed);
    sync();
}

template <class T>
BoolBinding ProfileEditor::optional(std::optional<T> KVMProfile::*field, std::function<std::optional<T>()> fallbackNow)
{
    return BoolBinding{[this, field] { return (profile_.*field).has_value(); },
                       [this, field, fallbackNow](bool on) {
                           commit([&](KVMProfile& p) { p.*field = on ? fallbackNow() : std::nullopt; });
                       }};
}

std::vector<ProfileEditor::MonitorChoice> ProfileEditor::monitorChoices() const
{
    std::vector<MonitorChoice> out;
    bool listed = false;
    for (const DisplayInfo& d : display_.externals()) {
        out.push_back({d.key, d.name});
        listed = listed || d.key == profile_.displayKey;
    }
    if (!listed)
        out.push_back({profile_.displayKey, Texts::tr("%1 (bağlı değil)", profile_.displayName)});
    return out;
}

void ProfileEditor::reload()
{
    const auto& stored = automation_.profiles();
    const auto it = std::find_if(stored.begin(), stored.end(), [&](const KVMProfile& p) { return p.id == profile_.id; });
    if (it == stored.end())
        return;
    profile_ = *it;
    sync();
}

void ProfileEditor::commit(const std::function<void(KVMProfile&)>& change)
{
    KVMProfile next = profile_;
    change(next);
    // The names shown while a device or mode is absent are those it had when last seen. The
    // working copy takes them too: otherwise a name left from the previously chosen device
    // would label the new one once it is gone, and be stored again with the next edit.
    if (const auto name = nameOf(audio_.outputs(), next.audioUID))
        next.audioName = name;
    if (const auto name = nameOf(audio_.inputs(), next.inputUID))
        next.inputName = name;
    if (next.modeID)
        for (const DisplayModeOption& m : display_.modes())
            if (m.id == *next.modeID) {
                next.modeLabel = m.label();
                break;
            }
    if (next == profile_)
        return;
    profile_ = std::move(next);
    automation_.update(profile_);
    sync();
}

void ProfileEditor::build()
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);

    // Name, switch, monitor and actions.
    auto* header = new Card(kCardPadding);
    column->addWidget(header);

    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(10);
    name_ = new TextField(Texts::tr("Profil adı"));
    name_->setFont(design::title3Font(QFont::DemiBold));
    name_->setMaxLength(KVMProfile::kMaxNameLength); // a paste is cut as it comes in
    connect(name_, &QLineEdit::textEdited, this,
            [this](const QString& text) { commit([&](KVMProfile& p) { p.name = KVMProfile::cutName(text); }); });
    nameRow->addWidget(name_, 1);
    auto* onTitle = new TextLine(Texts::tr("Açık"), design::calloutFont());
    nameRow->addWidget(onTitle, 0, Qt::AlignVCenter);
    enabled_ = new Switch(Texts::tr("Açık"), BoolBinding{[this] { return profile_.enabled; }, [this](bool on) {
                                                             commit([&](KVMProfile& p) { p.enabled = on; });
                                                         }});
    nameRow->addWidget(enabled_, 0, Qt::AlignVCenter);
    header->addLayout(nameRow);

    auto* monitorRow = new QHBoxLayout;
    monitorRow->setSpacing(8);
    monitorRow->addWidget(new TextLine(Texts::tr("Monitör"), design::bodyFont(), TextLine::Tone::secondary), 0,
                          Qt::AlignVCenter);
    monitorRow->addStretch(1);
    auto* monitor = new MenuPicker<QString>({}, std::nullopt, [this](const QString& key) {
        commit([&](KVMProfile& p) {
            p.displayKey = key;
            for (const DisplayInfo& d : display_.externals())
                if (d.key == key) {
                    p.displayName = d.name;
                    break;
                }
        });
    });
    monitor->setAccessibleName(Texts::tr("Monitör"));
    monitor_ = monitor;
    pickerSyncs_.push_back([this, monitor] {
        Options<QString> options;
        for (const MonitorChoice& c : monitorChoices())
            options.push_back({c.key, c.name});
        monitor->setOptions(std::move(options), profile_.displayKey);
    });
    monitorRow->addWidget(monitor_, 0, Qt::AlignVCenter);
    header->addLayout(monitorRow);

    auto* actions = new QHBoxLayout;
    actions->setSpacing(8);
    apply_ = new GlassButton(Texts::tr("Şimdi uygula"), QString(), GlassButton::Form::prominent);
    apply_->setControlSize(GlassButton::ControlSize::small);
    connect(apply_, &QPushButton::clicked, this, [this] { automation_.apply(profile_); });
    actions->addWidget(apply_);
    fill_ = new GlassButton(Texts::tr("Mevcut ayarlardan doldur"));
    fill_->setControlSize(GlassButton::ControlSize::small);
    connect(fill_, &QPushButton::clicked, this, [this] {
        automation_.captureCurrent(profile_);
        reload();
    });
    actions->addWidget(fill_);
    actions->addStretch(1);
    more_ = new GlassMenuButton(QString(), "ellipsis");
    more_->setControlSize(GlassButton::ControlSize::small);
    more_->setIndicatorVisible(false);
    more_->setAccessibleName(Texts::tr("Diğer"));
    more_->setMenuFill([this](QMenu& menu) {
        addMenuAction(menu, Texts::tr("Çoğalt"), [this] { automation_.duplicate(profile_); });
        menu.addSeparator();
        setMenuItemDestructive(addMenuAction(menu, Texts::tr("Sil"), [this] { automation_.remove(profile_); }));
    });
    actions->addWidget(more_);
    header->addLayout(actions);

    grid_ = new CardGrid(280, 12, true);
    grid_->addWidget(soundCard());
    grid_->addWidget(displayCard());
    grid_->addWidget(mouseCard());
    column->addWidget(grid_);
    column->addStretch(1);
}

OptionalRow* ProfileEditor::addRow(Card* card, Setting setting, QString title, BoolBinding isOn, QWidget* control)
{
    control->setAccessibleName(title);
    if (qobject_cast<MenuPickerView*>(control))
        control->setMinimumWidth(kNarrowPicker);
    auto* row = new OptionalRow(std::move(title), std::move(isOn), control);
    card->addWidget(row);
    rows_.emplace_back(setting, row);
    return row;
}

OptionalRow* ProfileEditor::row(Setting setting) const
{
    for (const auto& [s, r] : rows_)
        if (s == setting)
            return r;
    return nullptr;
}

Switch* ProfileEditor::restoreAudioSwitch() const { return restoreAudio_->toggle(); }

Card* ProfileEditor::soundCard()
{
    auto* card = new Card(kCardPadding);
    card->addWidget(new CardHeader(Texts::tr("Ses"), "speaker.wave.2", kSecondaryTint));

    // A device row: ticking takes the current default device; the picker finds devices by UID,
    // and one that is absent stays listed under the name it had.
    const auto deviceRow = [this, card](Setting setting, const QString& title,
                                        std::optional<AudioDevice> (AudioManager::*current)() const,
                                        const std::vector<AudioDevice>& (AudioManager::*list)() const,
                                        std::optional<QString> KVMProfile::*uid,
                                        std::optional<QString> KVMProfile::*name) {
        auto* picker = new MenuPicker<QString>({}, std::nullopt, [this, uid](const QString& chosen) {
            commit([&](KVMProfile& p) { p.*uid = chosen; });
        });
        pickerSyncs_.push_back([this, picker, list, uid, name] {
            const QString chosen = (profile_.*uid).value_or(QString());
            picker->setOptions(withExtra<QString>(deviceOptions((audio_.*list)()), chosen,
                                                  [&] { return (profile_.*name).value_or(Texts::tr("Bağlı değil")); }),
                               chosen);
        });
        addRow(card, setting, title, optional<QString>(uid, [this, current]() -> std::optional<QString> {
                   if (const auto d = (audio_.*current)())
                       return d->uid;
                   return std::nullopt;
               }),
               picker);
    };
    deviceRow(Setting::output, Texts::tr("Çıkış"), &AudioManager::defaultOutput, &AudioManager::outputs,
              &KVMProfile::audioUID, &KVMProfile::audioName);
    deviceRow(Setting::microphone, Texts::tr("Mikrofon"), &AudioManager::defaultInput, &AudioManager::inputs,
              &KVMProfile::inputUID, &KVMProfile::inputName);
    addRow(card, Setting::volume, Texts::tr("Ses seviyesi"),
           optional<double>(&KVMProfile::volume, [this] { return roundedLevel(audio_.level().volume()); }),
           levelField(&KVMProfile::volume, 50, {0, 100}));

    restoreAudio_ = new SwitchRow(Texts::tr("Ayrılınca sesi dahili hoparlöre al"), std::nullopt, std::nullopt,
                                  BoolBinding{[this] { return profile_.restoreBuiltinAudio; }, [this](bool on) {
                                                  commit([&](KVMProfile& p) { p.restoreBuiltinAudio = on; });
                                              }});
    card->addWidget(restoreAudio_);
    return card;
}

LevelField* ProfileEditor::levelField(std::optional<double> KVMProfile::*field, double fallback, ClosedRange range)
{
    auto* level = new LevelField(DoubleBinding{[this, field, fallback] { return (profile_.*field).value_or(fallback); },
                                               [this, field](double v) { commit([&](KVMProfile& p) { p.*field = v; }); }},
                                 range);
    levels_.push_back(level);
    return level;
}

Card* ProfileEditor::displayCard()
{
    auto* card = new Card(kCardPadding);
    card->addWidget(new CardHeader(Texts::tr("Ekran"), "display", kSecondaryTint));
    addRow(card, Setting::brightness, Texts::tr("Monitör parlaklığı"),
           optional<double>(&KVMProfile::brightness, [this] { return roundedLevel(display_.brightness()); }),
           levelField(&KVMProfile::brightness, 50, {0, 100}));
    addRow(card, Setting::dimming, Texts::tr("macOS karartması"),
           optional<double>(&KVMProfile::dimming, [this] { return roundedLevel(display_.softwareBrightness()); }),
           levelField(&KVMProfile::dimming, 100, {10, 100}));

    auto* mode = new MenuPicker<QString>({}, std::nullopt, [this](const QString& id) {
        commit([&](KVMProfile& p) { p.modeID = id; });
    });
    pickerSyncs_.push_back([this, mode] {
        Options<QString> options;
        for (const DisplayModeOption& m : display_.modes())
            options.push_back({m.id, m.label()});
        const QString current = profile_.modeID.value_or(QString());
        mode->setOptions(withExtra<QString>(std::move(options), current,
                                            [&] { return profile_.modeLabel.value_or(current); }),
                         current);
    });
    addRow(card, Setting::mode, Texts::tr("Çözünürlük"),
           optional<QString>(&KVMProfile::modeID, [this] { return display_.currentModeID(); }), mode);

    auto* input = new MenuPicker<int>({}, std::nullopt, [this](const int& code) {
        commit([&](KVMProfile& p) { p.inputSource = uint16_t(code); });
    });
    pickerSyncs_.push_back([this, input] {
        // The inputs of the monitor chosen in the display controls, which need not be the
        // profile's own.
        const auto selected = display_.selected();
        Options<int> options;
        for (const DisplayManager::InputChoice& c :
             display_.inputChoices(selected ? std::optional<QString>(selected->key) : std::nullopt,
                                   display_.currentInput()))
            options.push_back({int(c.code), c.menuTitle()});
        const int current = profile_.inputSource.value_or(0);
        input->setOptions(withExtra<int>(std::move(options), current,
                                         [&] { return DisplayManager::portName(uint16_t(current)); }),
                          current);
    });
    addRow(card, Setting::inputSource, Texts::tr("Monitör girişi"),
           optional<uint16_t>(&KVMProfile::inputSource, [this] { return display_.currentInput(); }), input);
    input->setAccessibleName(Texts::tr("Giriş"));
    return card;
}

Card* ProfileEditor::mouseCard()
{
    auto* card = new Card(kCardPadding);
    card->addWidget(new CardHeader(Texts::tr("Fare"), "computermouse", kSecondaryTint));
    const auto toggle = [this, card](std::optional<bool> KVMProfile::*field, const QString& title) {
        auto* s = new Switch(title, BoolBinding{[this, field] { return (profile_.*field).value_or(true); },
                                                [this, field](bool on) { commit([&](KVMProfile& p) { p.*field = on; }); }});
        addRow(card, field == &KVMProfile::smoothScroll ? Setting::smoothScroll : Setting::reverseScroll, title,
               optional<bool>(field, [] { return std::optional<bool>(true); }), s);
    };
    toggle(&KVMProfile::smoothScroll, Texts::tr("Yumuşak kaydırma"));
    toggle(&KVMProfile::reverseScroll, Texts::tr("Ters yön"));
    return card;
}

Card* ProfileEditor::makeBatteryCard()
{
    auto* card = new Card(kCardPadding);
    card->addWidget(new CardHeader(Texts::tr("Pil"), "battery.75percent", kSecondaryTint));
    auto* limit = new MenuPicker<int>({}, std::nullopt, [this](const int& value) {
        commit([&](KVMProfile& p) { p.chargeLimit = value; });
    });
    limitPicker_ = limit;
    addRow(card, Setting::chargeLimit, Texts::tr("Şarj sınırı"),
           optional<int>(&KVMProfile::chargeLimit, [this] { return std::optional<int>(battery_.limit()); }), limit);
    return card;
}

void ProfileEditor::sync()
{
    // The battery card comes and goes with the Mac's charge-limit support; a stored limit stays
    // in the profile either way.
    if (battery_.limitSupported() && !batteryCard_) {
        batteryCard_ = makeBatteryCard();
        grid_->addWidget(batteryCard_);
    } else if (!battery_.limitSupported() && batteryCard_) {
        std::erase_if(rows_, [](const auto& r) { return r.first == Setting::chargeLimit; });
        retireWidget(batteryCard_);
        batteryCard_ = nullptr;
        limitPicker_ = nullptr;
    }

    name_->syncText(profile_.name);
    enabled_->update();
    restoreAudio_->toggle()->update();
    const auto& displays = display_.displays();
    apply_->setEnabled(std::any_of(displays.begin(), displays.end(),
                                   [&](const DisplayInfo& d) { return d.key == profile_.displayKey; }));
    for (const auto& sync : pickerSyncs_)
        sync();
    if (limitPicker_) {
        Options<int> options;
        for (int value : battery_.availableLimits())
            options.push_back({value, Texts::tr("%%1", value)});
        // A stored limit the Mac does not offer selects nothing.
        limitPicker_->setOptions(std::move(options), profile_.chargeLimit.value_or(100));
    }
    for (const auto& [setting, row] : rows_) {
        row->refresh();
        if (auto* s = qobject_cast<Switch*>(row->control()))
            s->update();
    }
    for (LevelField* level : levels_)
        level->refresh();
}
