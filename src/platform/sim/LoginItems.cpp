#include "platform/sim/LoginItems.h"

#include "platform/LoginItem.h"
#include "platform/Paths.h"

#include <QFile>
#include <mutex>

namespace {

std::mutex mutex;
bool needsApproval = false;
std::optional<QString> failure;

QString recordPath() { return platform::paths::map("/Library/Sim/LoginItems/com.ostrane.pelorn"); }

bool registered() { return QFile::exists(recordPath()); }

std::optional<QString> takeFailure()
{
    auto f = std::move(failure);
    failure.reset();
    return f;
}

} // namespace

namespace sim::loginitems {

void reset()
{
    std::lock_guard lock(mutex);
    needsApproval = false;
    failure.reset();
}

void setNeedsApproval(bool needed)
{
    std::lock_guard lock(mutex);
    needsApproval = needed;
}

void failNext(const QString& description)
{
    std::lock_guard lock(mutex);
    failure = description;
}

} // namespace sim::loginitems

namespace platform::loginitem {

std::optional<QString> registerMainApp()
{
    std::lock_guard lock(mutex);
    if (auto f = takeFailure())
        return f;
    if (registered())
        return std::nullopt;
    platform::paths::ensureParent(recordPath());
    QFile file(recordPath());
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Operation not permitted");
    return std::nullopt;
}

std::optional<QString> unregisterMainApp()
{
    std::lock_guard lock(mutex);
    if (auto f = takeFailure())
        return f;
    if (!registered())
        return QStringLiteral("Operation not permitted"); // nothing to unregister
    QFile::remove(recordPath());
    return std::nullopt;
}

Status mainAppStatus()
{
    std::lock_guard lock(mutex);
    if (!registered())
        return Status::notRegistered;
    return needsApproval ? Status::requiresApproval : Status::enabled;
}

} // namespace platform::loginitem
