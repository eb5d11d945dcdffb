#include "helper/Helper.h"

#include "platform/CodeSigning.h"
#include "platform/DynamicSymbols.h"
#include "platform/Paths.h"
#include "platform/PowerSources.h"
#include "platform/SmartBattery.h"
#include "shared/Hardware.h"
#include "shared/HelperConstants.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

// Probe order: the first key that answers with exactly one byte is the machine's switch.
const Helper::AdapterKey kAdapterKeys[] = {
    {"CHIE", 0x08},
    {"CH0I", 0x01},
};

QString fromView(std::string_view v) { return QString::fromUtf8(v.data(), qsizetype(v.size())); }

} // namespace

std::shared_ptr<Helper> Helper::make() { return std::shared_ptr<Helper>(new Helper()); }

Helper::Helper()
{
    clientRequirement_ = makeClientRequirement();
    setPowerSetting_ = reinterpret_cast<platform::power::SetSystemPowerSetting>(
        platform::dynamic::globalSymbol("IOPMSetSystemPowerSetting"));
    smc_ = smc_open();
    for (const AdapterKey& candidate : kAdapterKeys) {
        uint8_t buffer[4] = {};
        if (smc_read(smc_, candidate.name.toLatin1().constData(), buffer, 4) == 1) {
            key_ = candidate;
            break;
        }
    }
}

Helper::~Helper()
{
    timer_.reset();
    queue_.drain();
}

QString Helper::sleepMarkerPath()
{
    return platform::paths::map("/Library/Application Support/" + fromView(HelperConstants::label) + "/sleep-disabled");
}

QString Helper::makeClientRequirement()
{
    const QString identifier = "identifier \"com.ostrane.pelorn\"";
    const auto self = platform::codesign::copySelf();
    if (!self)
        return identifier;
    const auto code = platform::codesign::copyStaticCode(*self);
    if (!code)
        return identifier;
    const auto info = platform::codesign::copySigningInformation(*code);
    if (!info || info->certificates.isEmpty())
        return identifier;
    const QByteArray sha1 = QCryptographicHash::hash(info->certificates.first(), QCryptographicHash::Sha1);
    return identifier + " and certificate leaf = H\"" + QString::fromLatin1(sha1.toHex()) + "\"";
}

void Helper::start()
{
    queue_.sync([this] {
        switchAdapter(true);
        // A block left behind by an earlier helper. Without the marker the block, if any, is
        // not the helper's (the user or another program set it) and stays.
        if (markerExists())
            applySleepBlock(false);
    });
    std::weak_ptr<Helper> weak = weak_from_this();
    timer_ = std::make_unique<platform::QueueTimer>(queue_, [weak] {
        if (auto self = weak.lock())
            self->tick();
    });
    timer_->schedule(kWatchdogInterval, kWatchdogInterval);
}

void Helper::shutdown()
{
    queue_.sync([this] {
        target_ = 0;
        switchAdapter(true);
        setSleepBlocked(false);
    });
}

void Helper::willSleep()
{
    queue_.sync([this] {
        asleep_ = true;
        switchAdapter(true);
    });
}

void Helper::didWake()
{
    queue_.async([self = this] {
        self->asleep_ = false;
        self->tick();
    });
}

int64_t Helper::target()
{
    int64_t t = 0;
    queue_.sync([&] { t = target_; });
    return t;
}

bool Helper::switchAdapter(bool on)
{
    if (!key_)
        return false;
    const uint8_t value = on ? 0 : key_->disabled;
    return smc_write(smc_, key_->name.toLatin1().constData(), &value, 1);
}

bool Helper::adapterEnabled()
{
    if (!key_)
        return true;
    uint8_t byte = 0;
    if (smc_read(smc_, key_->name.toLatin1().constData(), &byte, 1) != 1)
        return true;
    return byte != key_->disabled;
}

bool Helper::externalPowerConnected()
{
    if (!platform::smartbattery::present())
        return false;
    const QVariant v = platform::smartbattery::property("ExternalConnected");
    return v.typeId() == QMetaType::Bool && v.toBool();
}

std::optional<int> Helper::batteryPercent()
{
    const auto sources = platform::powersources::descriptions();
    if (!sources)
        return std::nullopt;
    for (const QVariantMap& d : *sources) {
        if (d.value("Type").toString() != "InternalBattery")
            continue;
        const QVariant capacity = d.value("Current Capacity");
        if (capacity.typeId() != QMetaType::Int && capacity.typeId() != QMetaType::LongLong)
            return std::nullopt;
        return capacity.toInt();
    }
    return std::nullopt;
}

void Helper::tick()
{
    if (asleep_)
        return;
    if (target_ >= 1) {
        const std::optional<int> percent = batteryPercent();
        if (externalPowerConnected() && percent && target_ < *percent) {
            if (adapterEnabled())
                switchAdapter(false);
            return;
        }
        target_ = 0;
        switchAdapter(true);
        setSleepBlocked(false);
    }
    if (key_) {
        uint8_t byte = 0;
        if (smc_read(smc_, key_->name.toLatin1().constData(), &byte, 1) == 1 && byte == key_->disabled)
            switchAdapter(true);
    }
}

bool Helper::markerExists() const { return QFileInfo::exists(sleepMarkerPath()); }

void Helper::setSleepBlocked(bool blocked)
{
    if (blocked == (sleepBlocked_ || markerExists()))
        return;
    applySleepBlock(blocked);
}

void Helper::applySleepBlock(bool blocked)
{
    if (setPowerSetting_)
        setPowerSetting_("SleepDisabled", blocked);
    sleepBlocked_ = blocked;
    const QString marker = sleepMarkerPath();
    if (blocked) {
        QDir().mkpath(QFileInfo(marker).absolutePath());
        QFile f(marker);
        if (f.open(QIODevice::WriteOnly))
            f.close();
    } else {
        QFile::remove(marker);
    }
}

void Helper::status(StatusReply reply)
{
    queue_.async([self = this, reply = std::move(reply)] {
        std::optional<QString> error;
        if (!self->key_)
            error = QString::fromUtf8(kMissingKeyText);
        reply(HelperConstants::version, self->adapterEnabled(), self->target_, error);
    });
}

void Helper::startDischarge(int64_t requested, StartReply reply)
{
    queue_.async([self = this, requested, reply = std::move(reply)] {
        if (!self->key_)
            return reply(false, QString::fromUtf8(kMissingKeyText));
        const int64_t effective = std::max<int64_t>(requested, HelperConstants::minimumDischargeTarget);
        const std::optional<int> percent = self->batteryPercent();
        if (!percent || effective >= *percent)
            return reply(false, QString::fromUtf8(kBelowTargetText));
        if (!self->externalPowerConnected())
            return reply(false, QString::fromUtf8(kNeedsAdapterText));
        self->target_ = effective;
        if (self->switchAdapter(false)) {
            self->setSleepBlocked(true);
            return reply(true, std::nullopt);
        }
        // No discharge runs now, so nothing would ever lift a block that a discharge this
        // start replaces had set.
        self->target_ = 0;
        self->setSleepBlocked(false);
        reply(false, QString::fromUtf8(kWriteFailedText));
    });
}

void Helper::stopDischarge(StopReply reply)
{
    queue_.async([self = this, reply = std::move(reply)] {
        self->target_ = 0;
        self->switchAdapter(true);
        self->setSleepBlocked(false);
        reply(self->adapterEnabled());
    });
}

bool Helper::shouldAcceptNewConnection(platform::xpc::Connection& connection)
{
    if (!clientRequirement_.contains(" and certificate leaf = H\""))
        return false;
    connection.setCodeSigningRequirement(clientRequirement_);
    connection.setExportedInterface(helperInterface());
    connection.setExportedObject(exportHelper(*this));
    connection.resume();
    return true;
}
