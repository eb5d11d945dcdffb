#include "automation/AutomationManager.h"

#include "app/Codable.h"
#include "app/Prefs.h"
#include "app/ScrollManager.h"
#include "app/Texts.h"
#include "audio/AudioManager.h"
#include "battery/BatteryManager.h"
#include "display/DisplayManager.h"
#include "platform/Audio.h"
#include "showcase/Showcase.h"

#include <QDateTime>
#include <QJsonArray>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace {

const QString kProfilesKey = "kvm.profiles";
const QString kOlderProfileKey = "kvm.profile";
const QString kEnabledKey = "kvm.enabled";

std::optional<QJsonValue> storedJson(const QString& key)
{
    const QVariant v = Prefs::d().object(key);
    if (v.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return pelorn::json::fromBytes(v.toByteArray());
}

// The stored array: the profiles in list order, then the elements that could not be read.
struct StoredProfiles {
    const std::vector<KVMProfile>& profiles;
    const std::vector<QJsonValue>& unreadable;
    QJsonValue toJson() const
    {
        QJsonArray a;
        for (const KVMProfile& p : profiles)
            a.append(p.toJson());
        for (const QJsonValue& v : unreadable)
            a.append(v);
        return a;
    }
    static std::optional<StoredProfiles> fromJson(const QJsonValue&) { return std::nullopt; }
};

double rounded(double v) { return std::round(v); } // halves away from zero

} // namespace

AutomationManager::AutomationManager(DisplayManager& display, AudioManager& audio, ScrollManager& scroll,
                                     BatteryManager& battery, QObject* parent)
    : QObject(parent), display_(display), audio_(audio), scroll_(scroll), battery_(battery)
{
    enabled_ = Prefs::boolValue(kEnabledKey, true);

    // Element by element: one profile that does not decode must not cost the user the others.
    // A list, even one with no readable profile left, is the user's: the older single profile
    // counts only where no list was ever stored, or deleted profiles would come back.
    if (const auto json = storedJson(kProfilesKey); json && json->isArray()) {
        for (const QJsonValue& element : json->toArray()) {
            if (auto p = KVMProfile::fromJson(element))
                profiles_.push_back(std::move(*p));
            else
                unreadable_.push_back(element);
        }
    } else if (auto older = Prefs::codable<KVMProfile>(kOlderProfileKey)) {
        profiles_.push_back(std::move(*older));
    }
}

AutomationManager::~AutomationManager() = default;

void AutomationManager::setEnabled(bool on)
{
    enabled_ = on;
    emit changed();
    if (!Showcase::isEnabled())
        Prefs::d().set(kEnabledKey, on);
}

void AutomationManager::setProfiles(std::vector<KVMProfile> profiles)
{
    profiles_ = std::move(profiles);
    emit changed();
    store();
}

void AutomationManager::store()
{
    Prefs::setCodable(std::optional<StoredProfiles>(StoredProfiles{profiles_, unreadable_}), kProfilesKey);
}

bool AutomationManager::isConnected(const KVMProfile& profile) const
{
    const auto& list = display_.displays();
    return std::any_of(list.begin(), list.end(), [&](const DisplayInfo& d) { return d.key == profile.displayKey; });
}

std::optional<KVMProfile> AutomationManager::activeProfile() const
{
    for (const KVMProfile& p : profiles_)
        if (p.enabled && isConnected(p))
            return p;
    return std::nullopt;
}

std::optional<KVMProfile> AutomationManager::addProfile()
{
    const auto display = display_.selected();
    if (!display || display->isBuiltin)
        return std::nullopt;
    const auto n = std::count_if(profiles_.begin(), profiles_.end(),
                                 [&](const KVMProfile& p) { return p.displayKey == display->key; });
    KVMProfile p;
    p.id = QUuid::createUuid();
    p.name = n == 0 ? display->name : display->name + " " + QString::number(n + 1);
    p.enabled = true;
    p.displayKey = display->key;
    p.displayName = display->name;
    p.restoreBuiltinAudio = true;
    fill(p);
    auto list = profiles_;
    list.push_back(p);
    setProfiles(std::move(list));
    log(Texts::tr("“%1” profili oluşturuldu", p.label()));
    return p;
}

void AutomationManager::fill(KVMProfile& p) const
{
    if (const auto out = audio_.defaultOutput()) {
        p.audioUID = out->uid;
        p.audioName = out->name;
    } else {
        p.audioUID.reset();
        p.audioName.reset();
    }
    if (const auto in = audio_.defaultInput()) {
        p.inputUID = in->uid;
        p.inputName = in->name;
    } else {
        p.inputUID.reset();
        p.inputName.reset();
    }
    p.volume = audio_.volumeSource() != AudioManager::VolumeSource::none
                   ? std::optional<double>(rounded(audio_.level().volume()))
                   : std::nullopt;
    p.brightness = display_.ddcAvailable() ? std::optional<double>(rounded(display_.brightness())) : std::nullopt;
    p.dimming = display_.softwareBrightness() < 100 ? std::optional<double>(rounded(display_.softwareBrightness()))
                                                    : std::nullopt;
    p.modeID.reset();
    p.modeLabel.reset();
    if (const auto current = display_.currentModeID()) {
        for (const DisplayModeOption& m : display_.modes()) {
            if (m.id == *current) {
                p.modeID = m.id;
                p.modeLabel = m.label();
                break;
            }
        }
    }
    p.smoothScroll = scroll_.smoothEnabled();
    p.reverseScroll = scroll_.reverseEnabled();
    p.chargeLimit = battery_.limitSupported() ? std::optional<int>(battery_.limit()) : std::nullopt;
}

KVMProfile AutomationManager::duplicate(const KVMProfile& profile)
{
    KVMProfile copy = profile;
    copy.id = QUuid::createUuid();
    copy.name = Texts::tr("%1 kopya", profile.name);
    copy.enabled = false;
    auto list = profiles_;
    list.push_back(copy);
    setProfiles(std::move(list));
    return copy;
}

bool AutomationManager::update(const KVMProfile& profile)
{
    auto list = profiles_;
    const auto it = std::find_if(list.begin(), list.end(), [&](const KVMProfile& p) { return p.id == profile.id; });
    if (it == list.end())
        return false;
    *it = profile;
    setProfiles(std::move(list));
    return true;
}

void AutomationManager::remove(const KVMProfile& profile)
{
    auto list = profiles_;
    std::erase_if(list, [&](const KVMProfile& p) { return p.id == profile.id; });
    setProfiles(std::move(list));
}

void AutomationManager::captureCurrent(const KVMProfile& into)
{
    KVMProfile copy = into;
    fill(copy);
    // Reported either way: the editor's copy was refilled, even when its profile is gone.
    update(copy);
    log(Texts::tr("“%1” mevcut ayarlarla güncellendi", copy.label()));
}

void AutomationManager::log(const QString& message)
{
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(qint64(std::llround(platform::clock::wallNow() * 1000.0)));
    lastEvent_ = QLocale().toString(now.time(), QLocale::ShortFormat) + QStringLiteral(" · ") + message;
    emit changed();
}

void AutomationManager::after(double seconds, std::function<void()> work)
{
    delayed_.remove_if([](const std::unique_ptr<platform::Timer>& t) { return !t->isActive(); });
    delayed_.push_back(std::make_unique<platform::Timer>());
    delayed_.back()->start(seconds, std::move(work));
}

// ---------------------------------------------------------------- monitor events

void AutomationManager::displaysChanged(const std::vector<DisplayInfo>& displays)
{
    std::set<QString> now;
    for (const DisplayInfo& d : displays)
        now.insert(d.key);
    const std::optional<std::set<QString>> was = connected_;
    connected_ = now;

    if (!enabled_ || Showcase::isEnabled())
        return;

    std::set<QString> keys;
    for (const KVMProfile& p : profiles_)
        keys.insert(p.displayKey);
    for (const QString& key : keys) {
        const bool wasThere = was && was->count(key);
        const bool isThere = now.count(key);
        const auto profile = std::find_if(profiles_.begin(), profiles_.end(),
                                          [&](const KVMProfile& p) { return p.enabled && p.displayKey == key; });
        if (profile == profiles_.end())
            continue;
        if (isThere && !wasThere) {
            after(kApplyDelay, [this, id = profile->id] {
                // The profile as it is now: edited meanwhile, or gone, or switched off.
                const auto it = std::find_if(profiles_.begin(), profiles_.end(),
                                             [&](const KVMProfile& p) { return p.id == id; });
                if (it != profiles_.end() && enabled_ && it->enabled)
                    apply(*it);
            });
        } else if (wasThere && !isThere && profile->restoreBuiltinAudio) {
            const QString name = profile->displayName;
            const auto& outputs = audio_.outputs();
            const auto builtin = std::find_if(outputs.begin(), outputs.end(), [](const AudioDevice& d) {
                return d.transport == platform::audio::kTransportBuiltIn;
            });
            if (builtin != outputs.end()) {
                namespace pa = platform::audio;
                const pa::ObjectID id = builtin->id;
                for (uint32_t selector : {pa::kHardwareDefaultOutputDevice, pa::kHardwareDefaultSystemOutputDevice}) {
                    const pa::PropertyAddress address{selector, pa::kScopeGlobal, pa::kElementMain};
                    pa::setPropertyData(pa::kSystemObject, address, sizeof id, &id);
                }
                audio_.refresh();
            }
            log(Texts::tr("%1 ayrıldı, ses dahili hoparlöre alındı", name));
        }
    }
}

// ---------------------------------------------------------------- applying a profile

void AutomationManager::apply(const KVMProfile& profile)
{
    const auto& displays = display_.displays();
    const auto display = std::find_if(displays.begin(), displays.end(),
                                      [&](const DisplayInfo& d) { return d.key == profile.displayKey; });
    if (display == displays.end()) {
        log(Texts::tr("“%1”: %2 bağlı değil", profile.label(), profile.displayName));
        return;
    }
    const uint32_t displayID = display->id;
    // After a selection change the published input is still the previous monitor's until the
    // new one has been read, so it says nothing about this monitor's input.
    const bool selectionMoved = display_.selectedID() != displayID;
    display_.setSelectedID(displayID);

    if (profile.modeID && display_.currentModeID() != profile.modeID) {
        display_.loadModes();
        display_.setMode(*profile.modeID, displayID);
    }
    if (const auto b = profile.brightness) {
        display_.setBrightness(*b, true);
        after(kBrightnessRepeat, [this, b] { display_.setBrightness(*b, true); });
    }
    if (profile.dimming)
        display_.setSoftwareBrightness(*profile.dimming, true);
    if (const auto input = profile.inputSource; input && (selectionMoved || display_.currentInput() != input)) {
        display_.setCurrentInput(input);
        display_.enqueue(uint8_t(DisplayManager::VCP::inputSource), *input, false);
    }
    if (profile.smoothScroll)
        scroll_.setSmoothEnabled(*profile.smoothScroll);
    if (profile.reverseScroll)
        scroll_.setReverseEnabled(*profile.reverseScroll);
    if (const auto limit = profile.chargeLimit; limit && battery_.limitSupported() && battery_.limit() != *limit)
        battery_.setLimit(*limit);
    if (profile.inputUID)
        audio_.setDefaultInput(*profile.inputUID);
    if (!profile.audioUID) {
        if (profile.volume)
            audio_.setVolume(*profile.volume);
    } else {
        switchAudio(*profile.audioUID, profile.volume, kAudioAttempts);
    }
    log(Texts::tr("“%1” uygulandı", profile.label()));
}

void AutomationManager::switchAudio(const QString& uid, std::optional<double> volume, int attempts)
{
    audioRetry_.stop();
    audio_.refresh();
    if (audio_.setDefaultOutput(uid)) {
        if (volume)
            audio_.setVolume(*volume);
        return;
    }
    if (attempts < 2)
        return;
    audioRetry_.start(kAudioRetryInterval, [this, uid, volume, attempts] { switchAudio(uid, volume, attempts - 1); });
}
