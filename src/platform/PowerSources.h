#pragma once
// Power sources and the smart battery's registry properties. Values are QVariants of the
// property-list kinds (qlonglong integers, bool, double, QString, QVariantMap, QVariantList),
// as the platform hands them out: callers check the kinds they expect.
#include <QList>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

namespace platform::powersources {

// The descriptions in the snapshot's list order; none when the snapshot or its list is missing.
// (The helper's short form of the snapshot below.)
std::optional<QList<QVariantMap>> descriptions();

// One snapshot of every power source; nullopt when the platform has none to give.
struct Snapshot {
    QVariant list;               // normally an array of source handles
    QVariantList descriptions;   // by handle (the handle is the index)
};
std::optional<Snapshot> copyInfo();
// The snapshot's list of sources: normally an array, but anything may come back.
QVariant copyList(const Snapshot& snapshot);
// One source's description (a dictionary of the description keys: "Type", "Current Capacity",
// "Is Charging", "Power Source State", "Time to Empty", "Time to Full Charge", ...); an invalid
// value when the source has none.
QVariant description(const Snapshot& snapshot, const QVariant& source);

// The change notification: calls back on the main thread after any source changes, for as
// long as the returned source is kept. Null when the platform gives no source.
class NotificationSource {
public:
    virtual ~NotificationSource() = default;
};
std::unique_ptr<NotificationSource> createNotificationSource(std::function<void()> changed);

} // namespace platform::powersources

namespace platform::smartbattery {

// The properties of the first registry service of the class "AppleSmartBattery": nullopt when
// there is no such service; an invalid value when its properties could not be read. Integer
// figures are in the registry's units (mV, mA, mAh, hundredths of a degree), some of them only
// inside the "BatteryData" dictionary on some machines.
std::optional<QVariant> copyProperties();

} // namespace platform::smartbattery
