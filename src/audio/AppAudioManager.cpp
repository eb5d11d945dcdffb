#include "audio/AppAudioManager.h"

#include "app/Prefs.h"
#include "app/Texts.h"
#include "audio/AudioManager.h"
#include "audio/CA.h"
#include "platform/Audio.h"
#include "platform/Log.h"

#include <QCollator>
#include <QJsonObject>
#include <QPointer>
#include <algorithm>
#include <cmath>

using namespace platform::audio;

namespace {
constexpr double kPollInterval = 3.0;
const char* const kSettingsKey = "audio.apps";
} // namespace

QJsonValue AppAudioSetting::toJson() const
{
    QJsonObject o{{"volume", volume}};
    pelorn::json::putOptional(o, "outputUID", outputUID);
    return o;
}

std::optional<AppAudioSetting> AppAudioSetting::fromJson(const QJsonValue& json)
{
    if (!json.isObject())
        return std::nullopt;
    const QJsonObject o = json.toObject();
    const auto volume = pelorn::json::decode<double>(o.value("volume"));
    if (!volume)
        return std::nullopt;
    bool ok = true;
    AppAudioSetting s;
    s.volume = *volume;
    s.outputUID = pelorn::json::getOptional<QString>(o, "outputUID", ok);
    if (!ok)
        return std::nullopt;
    return s;
}

AppAudioManager::AppAudioManager(AudioManager& audio)
    : audio_(audio), ownPID_(platform::apps::currentProcessID()), responsiblePID_(platform::apps::lookupResponsibleForPID())
{
    settings_ = Prefs::codable<std::map<QString, AppAudioSetting>>(kSettingsKey).value_or(std::map<QString, AppAudioSetting>{});

    QPointer<AppAudioManager> self(this);
    audio_.excludedProcesses = [self] { return self ? self->tappedProcesses() : std::vector<uint32_t>{}; };
    audio_.onRoutingChanged = [self] {
        if (self)
            self->sync();
    };
    addPropertyListenerBlock(kSystemObject, {kHardwareProcessObjectList, kScopeGlobal, kElementMain}, makeListener([self] {
                                 if (self)
                                     self->refresh();
                             }));
    refresh();
}

AppAudioManager::~AppAudioManager() = default;

std::optional<AppAudioManager::Owner> AppAudioManager::owner(int32_t pid)
{
    if (auto it = owners_.find(pid); it != owners_.end())
        return it->second;
    int32_t r = pid;
    if (responsiblePID_) {
        const int32_t responsible = responsiblePID_(pid);
        if (responsible >= 1)
            r = responsible;
    }
    std::optional<Owner> result;
    if (r != ownPID_) {
        const auto app = platform::apps::runningApplication(r);
        if (app && app->policy == platform::apps::ActivationPolicy::regular && app->bundleIdentifier)
            result = Owner{r, *app->bundleIdentifier, app->localizedName.value_or(*app->bundleIdentifier)};
    }
    owners_[pid] = result;
    return result;
}

void AppAudioManager::refresh()
{
    struct Group {
        Owner owner;
        std::vector<uint32_t> processes;
        bool playing = false;
    };
    std::vector<Group> groups; // in order of first sight
    std::set<int32_t> seen;
    for (uint32_t object : CA::objectList(kSystemObject, kHardwareProcessObjectList, kScopeGlobal)) {
        const PropertyAddress pidAddress{kProcessPID, kScopeGlobal, kElementMain};
        if (!hasProperty(object, pidAddress))
            continue;
        int32_t pid = 0;
        uint32_t size = sizeof(pid);
        if (getPropertyData(object, pidAddress, 0, nullptr, size, &pid) != kNoError || pid < 1)
            continue;
        seen.insert(pid);
        const auto o = owner(pid);
        if (!o)
            continue;
        const PropertyAddress runningAddress{kProcessIsRunningOutput, kScopeGlobal, kElementMain};
        uint32_t running = 0;
        size = sizeof(running);
        const bool playing = hasProperty(object, runningAddress)
            && getPropertyData(object, runningAddress, 0, nullptr, size, &running) == kNoError && running != 0;
        auto g = std::find_if(groups.begin(), groups.end(), [&](const Group& x) { return x.owner.pid == o->pid; });
        if (g == groups.end()) {
            groups.push_back(Group{*o, {}, false});
            g = groups.end() - 1;
        }
        g->processes.push_back(object);
        g->playing = g->playing || playing;
    }
    for (auto it = owners_.begin(); it != owners_.end();)
        it = seen.count(it->first) ? std::next(it) : owners_.erase(it);

    std::vector<AudioApp> apps;
    for (Group& g : groups) {
        AudioApp app;
        app.id = g.owner.pid;
        app.bundleID = g.owner.bundle;
        app.name = g.owner.name;
        std::sort(g.processes.begin(), g.processes.end());
        app.processes = g.processes;
        app.isPlaying = g.playing;
        auto cached = iconCache_.find(app.bundleID);
        if (cached != iconCache_.end()) {
            app.icon = cached->second;
        } else {
            const auto running = platform::apps::runningApplication(g.owner.pid);
            if (running && !running->icon.isNull()) {
                app.icon = running->icon.scaled(20, 20, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                iconCache_[app.bundleID] = app.icon;
            }
        }
        apps.push_back(std::move(app));
    }
    QCollator collator(Locale::ui());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(apps.begin(), apps.end(),
                     [&](const AudioApp& a, const AudioApp& b) { return collator.compare(a.name, b.name) < 0; });
    if (apps != apps_) {
        apps_ = std::move(apps);
        emit changed();
    }
    ++refreshes_;
    sync();
}

void AppAudioManager::setVisible(bool visible)
{
    const int n = viewers_ + (visible ? 1 : -1);
    viewers_ = std::max(n, 0);
    if (n > 0) {
        if (!timer_.isActive()) {
            QPointer<AppAudioManager> self(this);
            platform::mainQueue::async([self] {
                if (self)
                    self->refresh();
            });
            timer_.start(kPollInterval, [self] {
                if (self)
                    self->refresh();
            }, true);
        }
    } else {
        timer_.stop();
    }
}

AppAudioSetting AppAudioManager::setting(const AudioApp& app) const
{
    const auto it = settings_.find(app.bundleID);
    return it == settings_.end() ? AppAudioSetting{} : it->second;
}

void AppAudioManager::setVolume(double volume, const AudioApp& app) { store({volume, setting(app).outputUID}, app); }

void AppAudioManager::setOutput(const std::optional<QString>& uid, const AudioApp& app)
{
    store({setting(app).volume, uid}, app);
}

void AppAudioManager::reset(const AudioApp& app) { store(AppAudioSetting{}, app); }

void AppAudioManager::store(const AppAudioSetting& setting, const AudioApp& app)
{
    touched_.insert(app.bundleID);
    if (setting.isDefault())
        settings_.erase(app.bundleID);
    else
        settings_[app.bundleID] = setting;
    Prefs::setCodable(std::optional(settings_), kSettingsKey);
    failed_.erase(app.bundleID);
    emit changed();
    sync();
}

void AppAudioManager::setTapsSuspended(bool suspended)
{
    if (suspended == tapsSuspended_)
        return;
    tapsSuspended_ = suspended;
    failed_.clear();
    sync();
}

void AppAudioManager::sync()
{
    struct Wanted {
        const AudioApp* app;
        QString target;
        float gain;
    };
    std::map<QString, Wanted> wanted;
    const std::optional<AudioDevice> defaultOutput = audio_.defaultOutput();
    for (const AudioApp& app : apps_) {
        const auto it = settings_.find(app.bundleID);
        if (it == settings_.end() || it->second.isDefault())
            continue;
        const AppAudioSetting& s = it->second;
        QString target;
        const auto& outputs = audio_.outputs();
        if (s.outputUID && std::any_of(outputs.begin(), outputs.end(), [&](const AudioDevice& d) { return d.uid == *s.outputUID; }))
            target = *s.outputUID;
        else if (defaultOutput)
            target = defaultOutput->uid;
        else
            continue;
        float f = 1.0f;
        if (defaultOutput && target == defaultOutput->uid && audio_.volumeSource() == AudioManager::VolumeSource::software)
            f = AudioManager::softwareGain(audio_.softLevel(), audio_.softMuted());
        const double v = std::isnan(s.volume) ? 0.0 : std::clamp(s.volume, 0.0, 100.0);
        const float gain = f * float((v / 100) * (v / 100));
        if (tapsSuspended_)
            continue;
        wanted.insert_or_assign(app.bundleID, Wanted{&app, target, gain});
    }

    bool changedEngines = false;
    for (auto it = engines_.begin(); it != engines_.end();) {
        if (wanted.count(it->first)) {
            ++it;
            continue;
        }
        it->second->stop();
        it = engines_.erase(it);
        changedEngines = true;
    }

    bool errorChanged = false;
    for (const auto& [bundle, w] : wanted) {
        auto& engine = engines_[bundle];
        if (!engine)
            engine = std::make_unique<SoftwareVolume>();
        engine->setGain(w.gain);
        const bool needsStart = !engine->isRunning() || engine->outputUID() != w.target
            || engine->processes() != w.app->processes;
        if (!needsStart)
            continue;
        if (const auto f = failed_.find(bundle); f != failed_.end() && !engine->isRunning()
            && f->second.target == w.target && f->second.processes == w.app->processes
            && !(f->second.tapRefused && f->second.refresh != refreshes_))
            continue;
        const SoftwareVolume::StartResult r = engine->start(w.target, w.app->processes, {});
        changedEngines = true;
        std::optional<QString> error;
        if (r.ok()) {
            failed_.erase(bundle);
        } else {
            error = Texts::tr("%1 için ses yönlendirilemedi. Ses Kaydı iznini kontrol edin.", w.app->name);
            platform::log::write("Pelorn per-app " + bundle + ": " + r.error().description());
            failed_[bundle] = {w.target, w.app->processes, r.error().kind == SoftwareVolume::FailureKind::tap,
                               refreshes_};
        }
        if (error_ != error) {
            error_ = error;
            errorChanged = true;
        }
    }
    if (errorChanged)
        emit changed();
    if (changedEngines)
        audio_.reconfigureMaster();
}

std::vector<uint32_t> AppAudioManager::tappedProcesses() const
{
    std::vector<uint32_t> out;
    for (const auto& [bundle, engine] : engines_)
        if (engine->isRunning())
            out.insert(out.end(), engine->processes().begin(), engine->processes().end());
    return out;
}

std::optional<double> AppAudioManager::secondsSinceSound() const
{
    std::optional<double> best;
    for (const auto& [bundle, engine] : engines_) {
        if (!engine->isRunning())
            continue;
        const uint64_t last = engine->lastSoundTicks();
        const uint64_t now = absoluteTime();
        const double s = ticksToSeconds(now > last ? now - last : 0);
        best = best ? std::min(*best, s) : s;
    }
    return best;
}

const SoftwareVolume* AppAudioManager::engine(const QString& bundleID) const
{
    const auto it = engines_.find(bundleID);
    return it == engines_.end() ? nullptr : it->second.get();
}
