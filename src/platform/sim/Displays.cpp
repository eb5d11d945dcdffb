#include "platform/sim/Displays.h"

#include <algorithm>

namespace sim {

using platform::ioreg::Entry;

Entry Displays::addNode(const QString& name, const QString& className, Entry parent, QVariantMap properties)
{
    Node n;
    n.id = Entry(nodes_.size() + 1);
    n.name = name;
    n.className = className;
    n.parent = parent;
    n.properties = std::move(properties);
    if (parent)
        nodes_[parent - 1].children.push_back(n.id);
    nodes_.push_back(std::move(n));
    return nodes_.back().id;
}

void Displays::install(const std::vector<DeskDisplay>& displays)
{
    std::lock_guard lock(mutex_);
    desk_ = displays;
    monitors_.clear();
    nodes_.clear();
    lookupFails_ = false;

    const Entry root = addNode("Root", "IORegistryEntry", 0);
    // Each port: a framebuffer service "<prefix>" whose subtree describes the attached
    // display, and an AV service "<prefix>:dcpav-service-epic" whose child is the proxy.
    std::vector<const DeskDisplay*> ports;
    for (const DeskDisplay& d : desk_)
        if (d.builtin || d.ddc)
            ports.push_back(&d);
    std::stable_sort(ports.begin(), ports.end(),
                     [](const DeskDisplay* a, const DeskDisplay* b) { return a->registryIndex < b->registryIndex; });
    int external = 0;
    for (const DeskDisplay* d : ports) {
        const QString prefix = d->builtin ? QString("disp0") : QString("dispext%1").arg(external++);
        const Entry framebuffer = addNode(prefix, "IOMobileFramebufferShim", root);
        const Entry port = addNode("port0", "IOMobileFramebufferPort", framebuffer);
        QVariantMap product{{"LegacyManufacturerID", qint64(d->vendor)}, {"ProductID", qint64(d->model)}};
        if (d->serial != 0)
            product.insert("SerialNumber", qint64(d->serial));
        addNode("display0", "IOMobileFramebufferDisplay", port,
                QVariantMap{{"DisplayAttributes", QVariantMap{{"ProductAttributes", product}}}});
        const Entry epic = addNode(prefix + ":dcpav-service-epic", "DCPAVServiceEpic", root);
        const Entry proxy = addNode("DCPAVServiceProxy", "DCPAVServiceProxy", epic,
                                    QVariantMap{{"Location", d->builtin ? "Embedded" : "External"}});
        if (d->ddc) {
            monitors_.push_back(std::make_shared<Monitor>(d->id, *d->ddc));
            nodes_[proxy - 1].monitor = monitors_.back();
        }
    }
}

std::shared_ptr<Monitor> Displays::monitor(uint32_t displayID) const
{
    std::lock_guard lock(mutex_);
    for (const auto& m : monitors_)
        if (m->displayID() == displayID)
            return m;
    return nullptr;
}

void Displays::setRegistryLookupFails(bool fails)
{
    std::lock_guard lock(mutex_);
    lookupFails_ = fails;
}

bool Displays::registryLookupFails() const
{
    std::lock_guard lock(mutex_);
    return lookupFails_;
}

std::vector<Entry> Displays::entriesOfClass(const QString& className) const
{
    std::lock_guard lock(mutex_);
    std::vector<Entry> out;
    for (const Node& n : nodes_)
        if (n.className == className)
            out.push_back(n.id);
    return out;
}

Entry Displays::entryNamed(const QString& name) const
{
    std::lock_guard lock(mutex_);
    for (const Node& n : nodes_)
        if (n.name == name)
            return n.id;
    return 0;
}

std::optional<Displays::Node> Displays::node(Entry entry) const
{
    std::lock_guard lock(mutex_);
    if (entry == 0 || entry > nodes_.size())
        return std::nullopt;
    return nodes_[entry - 1];
}

} // namespace sim
