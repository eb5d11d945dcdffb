#pragma once
// The simulated Mac's displays: the built-in panel and the monitors of the desk, their I/O
// registry entries (one AV service proxy per display port, in the desk's registry order, the
// panel's marked "Embedded") and the DDC/CI monitors behind the external ports.
#include "platform/IoRegistry.h"
#include "platform/sim/Desk.h"
#include "platform/sim/Monitor.h"

#include <QVariantMap>
#include <memory>
#include <mutex>
#include <vector>

namespace sim {

class Displays {
public:
    void install(const std::vector<DeskDisplay>& displays);

    // The DDC/CI side of a monitor, or null for the panel and monitors without a channel.
    std::shared_ptr<Monitor> monitor(uint32_t displayID) const;
    // Makes the whole registry lookup fail.
    void setRegistryLookupFails(bool fails);

    // The registry, as platform::ioreg reaches it.
    struct Node {
        platform::ioreg::Entry id = 0;
        QString name;
        QString className;
        platform::ioreg::Entry parent = 0;
        std::vector<platform::ioreg::Entry> children;
        QVariantMap properties;
        std::weak_ptr<Monitor> monitor; // AV service proxies of external ports
    };
    bool registryLookupFails() const;
    std::vector<platform::ioreg::Entry> entriesOfClass(const QString& className) const;
    platform::ioreg::Entry entryNamed(const QString& name) const;
    std::optional<Node> node(platform::ioreg::Entry entry) const;

private:
    platform::ioreg::Entry addNode(const QString& name, const QString& className, platform::ioreg::Entry parent,
                                   QVariantMap properties = {});

    mutable std::recursive_mutex mutex_;
    std::vector<DeskDisplay> desk_;
    std::vector<std::shared_ptr<Monitor>> monitors_;
    std::vector<Node> nodes_; // entry id n is nodes_[n - 1]
    bool lookupFails_ = false;
};

} // namespace sim
