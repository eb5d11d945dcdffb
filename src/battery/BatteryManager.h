#pragma once
// Everything the application knows about the Mac's battery and does to it: the power source,
// the smart battery's figures, macOS's charge limit, the one-time top-up, the calibration
// cycle, the 24-hour history and the privileged helper's discharge. One instance, made by the
// hub; everything runs on the main thread.
#include "battery/BatteryHistory.h"
#include "battery/BatteryLive.h"
#include "battery/BatteryTypes.h"
#include "battery/BatteryTexts.h"
#include "battery/HelperClient.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <vector>

namespace platform {
class Timer;
}
namespace platform::powersources {
class NotificationSource;
}

class BatteryManager : public QObject {
    Q_OBJECT
public:
    using Telemetry = BatteryTelemetry;
    using Calibration = BatteryCalibration;
    using Sample = BatterySample;

    static constexpr double kRefreshInterval = 30.0;
    static constexpr double kSampleInterval = 60.0;
    static constexpr int kCalibrationTarget = 15;
    static constexpr int kCalibrationDischargeDone = 17; // below this the discharge step is over
    static constexpr double kHoldDuration = 3600.0;

    explicit BatteryManager(QObject* parent = nullptr);
    ~BatteryManager() override;
    // Stops the power-source notifications and joins the thread that polls for them.
    void stopWatching();

    bool hasBattery() const { return hasBattery_; }
    int percent() const { return percent_; }
    bool isCharging() const { return isCharging_; }
    bool onAC() const { return onAC_; }
    std::optional<int> minutesRemaining() const { return minutesRemaining_; }
    std::optional<int> cycleCount() const { return cycleCount_; }
    std::optional<int> healthPercent() const { return healthPercent_; }
    std::optional<double> temperature() const { return temperature_; }
    const std::vector<Sample>& history() const { return history_; }
    bool limitSupported() const { return limitSupported_; }
    int limit() const { return limit_; }
    const std::vector<int>& availableLimits() const { return availableLimits_; }
    bool helperInstalled() const { return helperInstalled_; }
    bool helperOutdated() const { return helperOutdated_; }
    const std::optional<QString>& helperError() const { return helperError_; }
    int dischargeTarget() const { return dischargeTarget_; }
    const std::optional<Calibration>& calibration() const { return calibration_; }
    const std::optional<QString>& actionError() const { return actionError_; }
    // The last refused request's message; the battery page also leaves a failed removal here.
    void setActionError(std::optional<QString> value);
    std::optional<int> topUpRestoreLimit() const { return topUpRestoreLimit_; }

    BatteryLive& live() { return *live_; }
    HelperClient& helper() { return *helper_; }

    void refresh();
    void readPowerSource();
    void readSmartBattery();
    static void openSystemBatterySettings();

    // Sets macOS's charge limit; false (and nothing else) when the platform refuses.
    bool setLimit(int value);
    void startTopUp();
    // Ends a running top-up now by putting the saved limit back. The saved limit is let go
    // only once macOS took it (or offers no limit at all), so a refusal loses nothing; returns
    // whether the top-up ended.
    bool stopTopUp();
    void startCalibration();
    void stopCalibration();
    void startDischarge(int target);
    void stopDischarge();
    void installHelper();

    QString explanation() const;
    std::optional<QString> calibrationText() const;
    QString shortStatus() const;
    SystemColor stateTint() const;

signals:
    void changed();

private:
    template <class T>
    void update(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        emit changed();
    }
    void setCalibration(std::optional<Calibration> value);
    void setTopUpRestoreLimit(std::optional<int> value);

    batterytexts::State textState() const;
    void refreshLimit();
    void refreshHelper();
    void advanceTopUp();
    void advanceCalibration();
    void requestDischarge(int target, bool forCalibration);
    void recordSample();
    // Runs the work on the main thread after the delay, unless the manager is gone by then.
    void after(double seconds, std::function<void()> work);

    bool hasBattery_ = false;
    int percent_ = 0;
    bool isCharging_ = false;
    bool onAC_ = false;
    std::optional<int> minutesRemaining_;
    std::optional<int> cycleCount_;
    std::optional<int> healthPercent_;
    std::optional<double> temperature_;
    std::vector<Sample> history_;
    bool limitSupported_ = false;
    int limit_ = 100;
    std::vector<int> availableLimits_;
    bool helperInstalled_ = false;
    bool helperOutdated_ = false;
    std::optional<QString> helperError_;
    int dischargeTarget_ = 0;
    std::optional<Calibration> calibration_;
    std::optional<QString> actionError_;
    std::optional<int> topUpRestoreLimit_;

    BatteryLive* live_;
    HelperClient* helper_;
    std::unique_ptr<platform::powersources::NotificationSource> runLoopSource_;
    std::unique_ptr<platform::Timer> timer_;
    std::unique_ptr<platform::Timer> sampleTimer_;
    std::list<std::unique_ptr<platform::Timer>> pending_;
    uint32_t smc_ = 0;
    BatteryHistory historyStore_;
    // Set when the helper refused the cycle's discharge; the cycle asks again only after the
    // next timed refresh, so a lasting refusal never turns into a loop of requests.
    bool calibrationRetryWaits_ = false;
    bool dischargeRequested_ = false; // a request is on its way to the helper: not asked again
};
