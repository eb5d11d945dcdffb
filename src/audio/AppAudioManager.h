#pragma once
// Per-application volume and output: the applications that own audio process objects, the
// user's setting for each (stored by bundle identifier under "audio.apps"), and one gain
// engine for every application whose setting differs from the default. The master engine
// leaves the processes tapped here alone.
#include "audio/SoftwareVolume.h"

#include <QImage>
#include <QJsonValue>
#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/Clock.h"
#include "platform/RunningApps.h"

class AudioManager;

struct AudioApp {
    int32_t id = 0;                  // process id of the responsible application
    QString bundleID;
    QString name;
    std::vector<uint32_t> processes; // process objects, ascending
    bool isPlaying = false;
    std::optional<QImage> icon;      // 20 x 20
    bool operator==(const AudioApp&) const = default;
};

struct AppAudioSetting {
    double volume = 100;               // 0-100
    std::optional<QString> outputUID;  // absent: the default output
    bool isDefault() const { return volume >= 100 && !outputUID; }
    bool operator==(const AppAudioSetting&) const = default;
    QJsonValue toJson() const;
    static std::optional<AppAudioSetting> fromJson(const QJsonValue& json);
};

class AppAudioManager : public QObject {
    Q_OBJECT
public:
    explicit AppAudioManager(AudioManager& audio);
    ~AppAudioManager() override;

    const std::vector<AudioApp>& apps() const { return apps_; }
    const std::map<QString, AppAudioSetting>& settings() const { return settings_; }
    std::optional<QString> error() const { return error_; }
    const std::set<QString>& touched() const { return touched_; }
    bool tapsSuspended() const { return tapsSuspended_; }
    // The idle blackout sets it and then syncs.
    void setTapsSuspended(bool suspended);

    void refresh();
    void setVisible(bool visible);
    int viewers() const { return viewers_; }
    bool isPolling() const { return timer_.isActive(); }
    AppAudioSetting setting(const AudioApp& app) const;
    void setVolume(double volume, const AudioApp& app);
    void setOutput(const std::optional<QString>& uid, const AudioApp& app);
    void reset(const AudioApp& app);

    std::vector<uint32_t> tappedProcesses() const;
    std::optional<double> secondsSinceSound() const;
    // The engine of an application, for inspection.
    const SoftwareVolume* engine(const QString& bundleID) const;

signals:
    void changed();

private:
    struct Owner {
        int32_t pid;
        QString bundle;
        QString name;
    };
    void store(const AppAudioSetting& setting, const AudioApp& app);
    void sync();
    std::optional<Owner> owner(int32_t pid);

    std::vector<AudioApp> apps_;
    std::map<QString, AppAudioSetting> settings_;
    std::optional<QString> error_;
    bool tapsSuspended_ = false;
    AudioManager& audio_;
    std::map<QString, std::unique_ptr<SoftwareVolume>> engines_;
    platform::Timer timer_;
    int32_t ownPID_;
    std::map<QString, std::optional<QImage>> iconCache_;
    platform::apps::ResponsibleForPID responsiblePID_;
    int viewers_ = 0;
    std::map<int32_t, std::optional<Owner>> owners_;
    std::set<QString> touched_;
    // The output and processes an engine last failed to start with: only a change of those,
    // of the application's setting or of the suspension tries it again, so the device-list
    // change of a failed start's own teardown does not start a loop. A refused tap leaves
    // nothing to tear down and is tried again after the next refresh (the user may have
    // granted the permission), at most once per refresh.
    struct FailedStart {
        QString target;
        std::vector<uint32_t> processes;
        bool tapRefused = false;
        uint64_t refresh = 0; // refreshes_ when it failed
    };
    std::map<QString, FailedStart> failed_;
    uint64_t refreshes_ = 0;
};
