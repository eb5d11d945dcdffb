// platform::ioreg and platform::avservice on the simulated Mac.
#include "platform/IoRegistry.h"
#include "platform/sim/Mac.h"

#include <functional>

namespace platform::avservice {

struct Service {
    ioreg::Entry entry = 0;
    std::weak_ptr<sim::Monitor> monitor; // empty for the panel's port
};

namespace {
// The monitor behind a handle while it is still attached to this Mac.
std::shared_ptr<sim::Monitor> attached(const Ref& service)
{
    auto m = service ? service->monitor.lock() : nullptr;
    if (!m)
        return nullptr;
    const auto d = sim::Mac::shared().displays().display(m->displayID());
    return d && d->online ? m : nullptr;
}
} // namespace

} // namespace platform::avservice

namespace platform::ioreg {
namespace {
sim::Displays& displays() { return sim::Mac::shared().displays(); }
} // namespace

int matchingServices(const QString& className, std::vector<Entry>& out)
{
    out.clear();
    if (displays().registryLookupFails())
        return kError;
    out = displays().entriesOfClass(className);
    return kSuccess;
}

Entry matchingServiceNamed(const QString& name) { return displays().entryNamed(name); }

Entry parent(Entry entry)
{
    const auto n = displays().node(entry);
    return n ? n->parent : 0;
}

QString name(Entry entry)
{
    const auto n = displays().node(entry);
    return n ? n->name : QString();
}

QString className(Entry entry)
{
    const auto n = displays().node(entry);
    return n ? n->className : QString();
}

QVariant property(Entry entry, const QString& key)
{
    const auto n = displays().node(entry);
    return n ? n->properties.value(key) : QVariant();
}

std::vector<Entry> subtree(Entry entry)
{
    std::vector<Entry> out;
    std::function<void(Entry)> walk = [&](Entry e) {
        const auto n = displays().node(e);
        if (!n)
            return;
        for (Entry c : n->children) {
            out.push_back(c);
            walk(c);
        }
    };
    walk(entry);
    return out;
}

} // namespace platform::ioreg

namespace platform::avservice {

Ref create(ioreg::Entry entry)
{
    const auto n = sim::Mac::shared().displays().node(entry);
    if (!n)
        return nullptr;
    auto s = std::make_shared<Service>();
    s->entry = entry;
    s->monitor = n->monitor;
    return s;
}

int writeI2C(const Ref& service, uint32_t chipAddress, uint32_t dataAddress, const uint8_t* bytes, uint32_t length)
{
    const auto monitor = attached(service);
    if (!monitor)
        return ioreg::kNoDevice;
    return monitor->write(chipAddress, dataAddress, bytes, length);
}

int readI2C(const Ref& service, uint32_t chipAddress, uint32_t offset, uint8_t* bytes, uint32_t length)
{
    const auto monitor = attached(service);
    if (!monitor)
        return ioreg::kNoDevice;
    return monitor->read(chipAddress, offset, bytes, length);
}

} // namespace platform::avservice
