#include "helper/Helper.h"

#include "platform/CodeSigning.h"
#include "platform/DynamicSymbols.h"
#include "platform/Paths.h"
#include "platform/PowerSources.h"
#include "platform/SmartBattery.h"
#include "helper/smc/SmcWrite.h"
#include "shared/HelperConstants.h"

#include <QCryptographicHash>
#include <QFile>
#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Probe order: the first key that answers with exactly one byte is the machine's switch.
const Helper::AdapterKey kAdapterKeys[] = {
    {"CHIE", 0x08},
    {"CH0I", 0x01},
};

QString fromView(std::string_view v) { return QString::fromUtf8(v.data(), qsizetype(v.size())); }

namespace fs = std::filesystem;

fs::path fsPath(const QString& path) { return fs::path(QFile::encodeName(path).toStdString()); }

// The helper runs as root, so nothing at these paths is ever followed: a link planted there
// would make it write or remove wherever the link points.
bool isRealFolder(const fs::path& path)
{
    std::error_code ec;
    return fs::is_directory(fs::symlink_status(path, ec));
}

// Removes whatever stands at `path` (a file, a link, a folder with its contents) without
// following a link.
void removeEntry(const fs::path& path)
{
    std::error_code ec;
    fs::remove_all(path, ec);
}

// The helper's folder as a real folder, writable by no one but its owner (root): whatever
// else stands at its path is removed first. False when it cannot be made.
bool makeOwnFolder(const fs::path& folder)
{
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(folder, ec);
    if (fs::is_directory(status)) {
        struct stat st {};
        if (::lstat(folder.c_str(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 022))
            ::chmod(folder.c_str(), st.st_mode & 07755);
        return true;
    }
    if (fs::exists(status) || fs::is_symlink(status))
        removeEntry(folder);
    fs::create_directories(folder.parent_path(), ec);
    return ::mkdir(folder.c_str(), 0755) == 0 || isRealFolder(folder);
}

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

bool Helper::markerExists() const
{
    const fs::path marker = fsPath(sleepMarkerPath());
    std::error_code ec;
    return isRealFolder(marker.parent_path()) && fs::is_regular_file(fs::symlink_status(marker, ec));
}

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
    const fs::path marker = fsPath(sleepMarkerPath());
    if (blocked) {
        if (!makeOwnFolder(marker.parent_path()))
            return;
        // Whatever is there is not the helper's file (it would have been seen as the marker).
        removeEntry(marker);
        const int fd = ::open(marker.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
    } else if (isRealFolder(marker.parent_path())) {
        removeEntry(marker);
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
