#pragma once
// Owns the user's KVM profiles: stores them, makes them from the current desk, and applies a
// profile when its monitor comes online (the moment a KVM switch hands the desk to this Mac).
// Main thread only.
#include "automation/KVMProfile.h"
#include "display/DisplayInfo.h"
#include "platform/Clock.h"

#include <QJsonValue>
#include <QObject>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class AudioManager;
class BatteryManager;
class DisplayManager;
class ScrollManager;

class AutomationManager final : public QObject {
    Q_OBJECT
public:
    AutomationManager(DisplayManager& display, AudioManager& audio, ScrollManager& scroll, BatteryManager& battery,
                      QObject* parent = nullptr);
    ~AutomationManager() override;

    bool enabled() const { return enabled_; }
    void setEnabled(bool on);
    const std::vector<KVMProfile>& profiles() const { return profiles_; }
    void setProfiles(std::vector<KVMProfile> profiles);
    const std::optional<QString>& lastEvent() const { return lastEvent_; }
    const std::optional<std::set<QString>>& connected() const { return connected_; }

    bool isConnected(const KVMProfile& profile) const;
    std::optional<KVMProfile> activeProfile() const;

    std::optional<KVMProfile> addProfile();
    KVMProfile duplicate(const KVMProfile& profile);
    // False when no stored profile has that id (then nothing is stored).
    bool update(const KVMProfile& profile);
    void remove(const KVMProfile& profile); // `delete` is a keyword
    void captureCurrent(const KVMProfile& into);

    void displaysChanged(const std::vector<DisplayInfo>& displays);
    void apply(const KVMProfile& profile);

    static constexpr double kApplyDelay = 2.0;
    static constexpr double kBrightnessRepeat = 2.0;
    static constexpr double kAudioRetryInterval = 1.5;
    static constexpr int kAudioAttempts = 8;

signals:
    void changed();

private:
    void fill(KVMProfile& profile) const;
    void log(const QString& message);
    void switchAudio(const QString& uid, std::optional<double> volume, int attempts);
    void store();
    void after(double seconds, std::function<void()> work);

    bool enabled_ = true;
    std::vector<KVMProfile> profiles_;
    // Elements of the stored list that did not decode, written back untouched after the others.
    std::vector<QJsonValue> unreadable_;
    std::optional<QString> lastEvent_;
    DisplayManager& display_;
    AudioManager& audio_;
    ScrollManager& scroll_;
    BatteryManager& battery_;
    std::optional<std::set<QString>> connected_;
    platform::Timer audioRetry_;
    // The delayed steps; they die with the manager, so none runs after it is gone.
    std::list<std::unique_ptr<platform::Timer>> delayed_;
};
