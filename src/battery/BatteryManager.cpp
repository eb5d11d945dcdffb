#include "battery/BatteryManager.h"

#include "app/Prefs.h"
#include "app/Texts.h"
#include "battery/BatteryTexts.h"
#include "bridge/ChargeLimitBridge.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/PowerSources.h"
#include "platform/SystemSettings.h"
#include "shared/Hardware.h"
#include "shared/HelperConstants.h"

#include <QFile>
#include <QPointer>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const QString kCalibrationKey = "battery.calibration";
const QString kTopUpKey = "battery.topUp";

// A property-list number that is a whole number; anything else is not an integer.
std::optional<long long> asInteger(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return v.toLongLong();
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9e15)
            return (long long)d;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<int> asInt(const QVariant& v)
{
    const auto n = asInteger(v);
    if (!n || *n < std::numeric_limits<int>::min() || *n > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(*n);
}

QVariantMap asMap(const QVariant& v)
{
    return v.typeId() == QMetaType::QVariantMap ? v.toMap() : QVariantMap();
}

// The top-level property, else the same key inside "BatteryData".
std::optional<int> lookup(const QVariantMap& p, const char* key)
{
    if (const auto v = asInt(p.value(key)))
        return v;
    const QVariant data = p.value("BatteryData");
    if (data.typeId() == QMetaType::QVariantMap)
        return asInt(data.toMap().value(key));
    return std::nullopt;
}

std::optional<double> scaled(const QVariantMap& m, const char* key)
{
    const auto v = asInteger(m.value(key));
    if (!v)
        return std::nullopt;
    return double(*v) / 1000.0;
}

} // namespace

BatteryManager::BatteryManager(QObject* parent)
    : QObject(parent), live_(new BatteryLive(this)), helper_(new HelperClient(this)),
      historyStore_(BatteryHistory::defaultPath())
{
    smc_ = smc_open();

    calibration_ = Prefs::codable<Calibration>(kCalibrationKey);
    Prefs::setCodable(calibration_, kCalibrationKey); // an undecodable stored value is removed

    const QVariant topUp = Prefs::d().object(kTopUpKey);
    if (const auto n = asInt(topUp); n && topUp.typeId() != QMetaType::Double)
        topUpRestoreLimit_ = *n;
    Prefs::set(kTopUpKey, topUpRestoreLimit_ ? QVariant(qlonglong(*topUpRestoreLimit_)) : QVariant());

    history_ = historyStore_.load(platform::clock::wallNow());

    refresh();
    recordSample();

    QPointer<BatteryManager> self(this);
    sampleTimer_ = std::make_unique<platform::Timer>();
    sampleTimer_->start(kSampleInterval, [self] { if (self) self->recordSample(); }, true);

    runLoopSource_ = platform::powersources::createNotificationSource([self] {
        if (self)
            self->refresh();
    });

    timer_ = std::make_unique<platform::Timer>();
    timer_->start(kRefreshInterval, [self] {
        if (!self)
            return;
        self->calibrationRetryWaits_ = false;
        self->refresh();
    }, true);
}

BatteryManager::~BatteryManager() = default;

void BatteryManager::stopWatching() { runLoopSource_.reset(); }

void BatteryManager::refresh()
{
    readPowerSource();
    readSmartBattery();
    refreshLimit();
    refreshHelper();
}

void BatteryManager::readPowerSource()
{
    namespace ps = platform::powersources;
    const auto snapshot = ps::copyInfo();
    if (!snapshot)
        return;
    const QVariant list = ps::copyList(*snapshot);
    if (list.typeId() != QMetaType::QVariantList || list.toList().isEmpty())
        return;
    for (const QVariant& source : list.toList()) {
        const QVariant description = ps::description(*snapshot, source);
        if (description.typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap d = description.toMap();
        const QVariant type = d.value("Type");
        if (type.typeId() != QMetaType::QString || type.toString() != "InternalBattery")
            continue;
        update(hasBattery_, true);
        update(percent_, asInt(d.value("Current Capacity")).value_or(0));
        const QVariant charging = d.value("Is Charging");
        update(isCharging_, charging.typeId() == QMetaType::Bool && charging.toBool());
        const QVariant state = d.value("Power Source State");
        update(onAC_, state.typeId() == QMetaType::QString && state.toString() == "AC Power");
        const int minutes = asInt(d.value(isCharging_ ? "Time to Full Charge" : "Time to Empty")).value_or(-1);
        update(minutesRemaining_, minutes >= 1 ? std::optional<int>(minutes) : std::nullopt);
    }
}

void BatteryManager::readSmartBattery()
{
    const auto properties = platform::smartbattery::copyProperties();
    if (!properties || properties->typeId() != QMetaType::QVariantMap)
        return;
    const QVariantMap p = properties->toMap();

    update(cycleCount_, asInt(p.value("CycleCount")));

    const auto design = lookup(p, "DesignCapacity");
    auto full = lookup(p, "NominalChargeCapacity");
    if (!full)
        full = lookup(p, "AppleRawMaxCapacity");
    if (design && full && *design >= 1) {
        const int health = int(std::min(std::round(double(*full) / double(*design) * 100.0), 100.0));
        update(healthPercent_, std::optional<int>(health));
    }

    if (const auto hundredths = asInteger(p.value("Temperature"))) {
        update(temperature_, std::optional<double>(double(*hundredths) / 100.0));
    } else {
        uint8_t buffer[4] = {0, 0, 0, 0};
        if (smc_read(smc_, "TB0T", buffer, 4) == 4) {
            float t = 0;
            std::memcpy(&t, buffer, 4);
            if (t > 0 && t < 100)
                update(temperature_, std::optional<double>(double(t)));
        }
    }

    // The live figures, from the same dictionary.
    const QVariantMap telemetryData = asMap(p.value("PowerTelemetryData"));
    const QVariantMap adapter = asMap(p.value("AdapterDetails"));
    Telemetry t;
    t.amperage = scaled(p, "Amperage").value_or(0);
    t.voltage = scaled(p, "Voltage").value_or(0);
    t.batteryPower = scaled(telemetryData, "BatteryPower").value_or(t.amperage * t.voltage);
    t.systemLoad = scaled(telemetryData, "SystemLoad").value_or(0);
    if (onAC_) {
        t.adapterPower = scaled(telemetryData, "SystemPowerIn").value_or(0);
        t.adapterRated = asInt(adapter.value("Watts"));
        t.adapterVoltage = scaled(adapter, "AdapterVoltage");
        t.adapterCurrent = scaled(adapter, "Current");
        const QVariant name = adapter.value("Description");
        if (name.typeId() == QMetaType::QString)
            t.adapterName = name.toString();
    }
    t.designCapacity = design;
    t.fullCapacity = lookup(p, "FullChargeCapacity");
    if (!t.fullCapacity)
        t.fullCapacity = full;
    t.remainingCapacity = lookup(p, "RemainingCapacity");
    if (!t.remainingCapacity)
        t.remainingCapacity = lookup(p, "AppleRawCurrentCapacity");
    live_->setTelemetry(t);
}

void BatteryManager::openSystemBatterySettings()
{
    const QUrl url("x-apple.systempreferences:com.apple.Battery-Settings.extension");
    if (!url.isValid())
        return;
    platform::systemsettings::open(url.toString());
}

// ---- charge limit

void BatteryManager::refreshLimit()
{
    update(limitSupported_, mcl_supported());
    if (!limitSupported_)
        return;
    int32_t buffer[16] = {};
    const int n = mcl_available(buffer, 16);
    std::vector<int> offered(buffer, buffer + std::clamp(n, 0, 16));
    std::stable_sort(offered.begin(), offered.end());
    update(availableLimits_, offered);
    const int l = mcl_get_limit();
    if (l >= 1)
        update(limit_, l);
}

bool BatteryManager::setLimit(int value)
{
    if (mcl_set_limit(value) == 0)
        return false;
    limit_ = value;
    emit changed();
    after(1.0, [this] { refresh(); });
    return true;
}

void BatteryManager::after(double seconds, std::function<void()> work)
{
    // Timers that fired are dropped here, never from inside their own callback.
    pending_.remove_if([](const std::unique_ptr<platform::Timer>& t) { return !t->isActive(); });
    auto timer = std::make_unique<platform::Timer>();
    timer->start(seconds, std::move(work));
    pending_.push_back(std::move(timer));
}

// ---- history

void BatteryManager::recordSample()
{
    readSmartBattery();
    if (!hasBattery_)
        return;
    historyStore_.record(history_, Sample{platform::clock::wallNow(), percent_, temperature_, live_->telemetry().systemLoad});
    emit changed();
}

// ---- helper

void BatteryManager::refreshHelper()
{
    update(helperInstalled_, QFile::exists(platform::paths::map(QString::fromUtf8(HelperConstants::installPath.data(),
                                                                                   HelperConstants::installPath.size()))));
    QPointer<BatteryManager> self(this);
    helper_->status([self](std::optional<HelperStatus> s) {
        if (!self)
            return;
        self->update(self->helperOutdated_, s && s->version < HelperConstants::version);
        self->update(self->helperError_, s ? s->error : std::nullopt);
        self->update(self->dischargeTarget_, s ? s->dischargeTarget : 0);
        self->advanceCalibration();
        self->advanceTopUp();
    });
}

void BatteryManager::startDischarge(int target) { requestDischarge(target, false); }

void BatteryManager::requestDischarge(int target, bool forCalibration)
{
    setActionError(std::nullopt);
    QPointer<BatteryManager> self(this);
    if (forCalibration)
        dischargeRequested_ = true;
    helper_->startDischarge(target, [self, forCalibration](bool ok, std::optional<QString> error) {
        if (!self)
            return;
        if (forCalibration)
            self->dischargeRequested_ = false;
        if (!ok) {
            self->setActionError(error);
            if (forCalibration)
                self->calibrationRetryWaits_ = true;
        }
        self->refresh();
    });
}

void BatteryManager::stopDischarge()
{
    QPointer<BatteryManager> self(this);
    helper_->stopDischarge([self](bool) {
        if (self)
            self->refresh();
    });
}

void BatteryManager::installHelper()
{
    const auto result = helper_->install();
    setActionError(result ? std::nullopt : std::optional<QString>(result.error().localizedDescription));
    after(1.0, [this] { refresh(); });
}

// ---- top-up and calibration

void BatteryManager::setCalibration(std::optional<Calibration> value)
{
    calibration_ = std::move(value);
    Prefs::setCodable(calibration_, kCalibrationKey);
    emit changed();
}

void BatteryManager::setTopUpRestoreLimit(std::optional<int> value)
{
    topUpRestoreLimit_ = value;
    Prefs::set(kTopUpKey, value ? QVariant(qlonglong(*value)) : QVariant());
    emit changed();
}

void BatteryManager::setActionError(std::optional<QString> value)
{
    actionError_ = std::move(value);
    emit changed();
}

void BatteryManager::startTopUp()
{
    if (limit_ > 99 || topUpRestoreLimit_)
        return;
    if (dischargeTarget_ >= 1)
        stopDischarge();
    setTopUpRestoreLimit(limit_);
    setLimit(100);
}

bool BatteryManager::stopTopUp()
{
    if (!topUpRestoreLimit_)
        return false;
    const int saved = *topUpRestoreLimit_;
    const QString refused = Texts::tr("macOS şarj sınırını (%%1) geri almadı; tam doldurma sürüyor.", saved);
    if (!setLimit(saved) && limitSupported_ && limit_ != saved) {
        if (actionError_ != refused) // the status refresh retries; one sign is enough
            setActionError(refused);
        return false;
    }
    if (actionError_ == refused)
        setActionError(std::nullopt);
    setTopUpRestoreLimit(std::nullopt);
    return true;
}

void BatteryManager::advanceTopUp()
{
    // A refusal keeps the top-up; the next advance tries again.
    if (topUpRestoreLimit_ && percent_ >= 100)
        stopTopUp();
}

void BatteryManager::startCalibration()
{
    setActionError(std::nullopt);
    const int saved = topUpRestoreLimit_.value_or(limit_);
    setCalibration(Calibration{Calibration::Step::chargeFull, saved, std::nullopt});
    setTopUpRestoreLimit(std::nullopt);
    calibrationRetryWaits_ = false;
    setLimit(100);
    advanceCalibration();
}

void BatteryManager::stopCalibration()
{
    if (!calibration_)
        return;
    const int saved = calibration_->savedLimit;
    setCalibration(std::nullopt);
    if (dischargeTarget_ >= 1)
        stopDischarge();
    // Should macOS refuse the limit now, it is put back as after a top-up, when the battery is
    // full, rather than lost.
    if (!setLimit(saved) && limitSupported_ && limit_ != saved)
        setTopUpRestoreLimit(saved);
}

void BatteryManager::advanceCalibration()
{
    if (!calibration_)
        return;
    using Step = Calibration::Step;
    Calibration c = *calibration_;
    switch (c.step) {
    case Step::chargeFull:
        if (limit_ != 100)
            setLimit(100);
        if (percent_ < 100)
            return;
        c.step = Step::discharge;
        setCalibration(c);
        requestDischarge(kCalibrationTarget, true);
        return;
    case Step::discharge:
        if (percent_ < kCalibrationDischargeDone) {
            c.step = Step::rechargeFull;
            setCalibration(c);
            return;
        }
        if (dischargeTarget_ > 0 || !helperInstalled_ || calibrationRetryWaits_ || dischargeRequested_)
            return;
        requestDischarge(kCalibrationTarget, true);
        return;
    case Step::rechargeFull:
        if (limit_ != 100)
            setLimit(100);
        if (percent_ >= 100) {
            c.step = Step::hold;
            c.holdUntil = platform::clock::wallNow() + kHoldDuration;
            setCalibration(c);
        }
        return;
    case Step::hold:
        if (c.holdUntil && platform::clock::wallNow() < *c.holdUntil)
            return;
        // The cycle ends once the user's limit is back; a refusal keeps it for the next advance.
        if (setLimit(c.savedLimit) || !limitSupported_ || limit_ == c.savedLimit)
            setCalibration(std::nullopt);
        return;
    }
}

// ---- texts

batterytexts::State BatteryManager::textState() const
{
    batterytexts::State s;
    s.hasBattery = hasBattery_;
    s.percent = percent_;
    s.isCharging = isCharging_;
    s.onAC = onAC_;
    s.minutesRemaining = minutesRemaining_;
    s.limit = limit_;
    s.dischargeTarget = dischargeTarget_;
    s.calibration = calibration_;
    s.topUpRestoreLimit = topUpRestoreLimit_;
    s.telemetry = live_->telemetry();
    s.now = platform::clock::wallNow();
    return s;
}

QString BatteryManager::explanation() const { return batterytexts::explanation(textState()); }

std::optional<QString> BatteryManager::calibrationText() const { return batterytexts::calibrationText(textState()); }

QString BatteryManager::shortStatus() const { return batterytexts::shortStatus(textState()); }

SystemColor BatteryManager::stateTint() const { return batterytexts::stateTint(textState()); }
