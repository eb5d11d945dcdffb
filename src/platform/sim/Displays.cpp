#include "platform/sim/Displays.h"

#include "platform/sim/Persistence.h"

#include <QJsonArray>
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
    lookupFails_ = false;
    // A new machine: nothing registered, nothing dimmed, every framework in place.
    callbacks_.clear();
    formulas_.clear();
    restores_ = 0;
    transactions_ = 0;
    failNextConfiguration_ = false;
    pointer_.reset();
    modesUnavailable_.clear();
    missingFrameworks_.clear();
    missingSymbols_.clear();
    keyboardClass_ = true;
    missingKeyboardSelectors_.clear();
    keyboard_ = Keyboard{};
    main_ = 0;
    normalizeLocked();
    for (const DeskDisplay& d : desk_)
        if (d.ddc)
            monitors_.push_back(std::make_shared<Monitor>(d.id, *d.ddc));
    buildRegistryLocked();
}

void Displays::buildRegistryLocked()
{
    // Only displays that are online have their port's entries.
    nodes_.clear();
    const Entry root = addNode("Root", "IORegistryEntry", 0);
    // Each port: a framebuffer service "<prefix>" whose subtree describes the attached
    // display, and an AV service "<prefix>:dcpav-service-epic" whose child is the proxy.
    std::vector<const DeskDisplay*> ports;
    for (const DeskDisplay& d : desk_)
        if (d.online && (d.builtin || d.ddc))
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
            for (const auto& m : monitors_)
                if (m->displayID() == d->id)
                    nodes_[proxy - 1].monitor = m;
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

// --- The window server's side ---

namespace {
bool shown(const DeskDisplay& d) { return d.online && d.mirrorOf == 0; }
} // namespace

void Displays::normalizeLocked()
{
    // The display at the origin is the main one; when none is there the main one stays and
    // the desktop shifts so that it is.
    const DeskDisplay* atOrigin = nullptr;
    const DeskDisplay* current = nullptr;
    const DeskDisplay* first = nullptr;
    for (const DeskDisplay& d : desk_) {
        if (!shown(d))
            continue;
        if (!first)
            first = &d;
        if (!atOrigin && d.x == 0 && d.y == 0)
            atOrigin = &d;
        if (d.id == main_)
            current = &d;
    }
    const DeskDisplay* chosen = atOrigin ? atOrigin : current ? current : first;
    main_ = chosen ? chosen->id : 0;
    if (chosen && (chosen->x != 0 || chosen->y != 0)) {
        const int dx = chosen->x, dy = chosen->y;
        for (DeskDisplay& d : desk_) {
            d.x -= dx;
            d.y -= dy;
        }
    }
    // A mirror sits where its master is.
    for (DeskDisplay& d : desk_)
        for (const DeskDisplay& m : desk_)
            if (d.mirrorOf == m.id) {
                d.x = m.x;
                d.y = m.y;
            }
}

namespace {
QRect boundsOf(const DeskDisplay& d)
{
    const DeskMode& m = d.modes[size_t(d.mode)];
    return QRect(d.x, d.y, m.width, m.height);
}
} // namespace

void Displays::placeUnmirroredLocked(uint32_t id, const std::vector<uint32_t>& unplaced)
{
    // A display that stops mirroring goes back where it stood before, as on a Mac; when another
    // screen took that place meanwhile, it goes beside the others, right of the rightmost.
    const auto it = std::find_if(desk_.begin(), desk_.end(), [&](const DeskDisplay& d) { return d.id == id; });
    if (it == desk_.end())
        return;
    DeskDisplay& d = *it;
    const std::optional<QPoint> before = std::exchange(d.beforeMirror, std::nullopt);
    const auto placed = [&](const DeskDisplay& o) {
        return o.id != id && shown(o) && std::find(unplaced.begin(), unplaced.end(), o.id) == unplaced.end();
    };
    const auto taken = [&](const QRect& r) {
        return std::any_of(desk_.begin(), desk_.end(), [&](const DeskDisplay& o) { return placed(o) && boundsOf(o).intersects(r); });
    };
    if (before && !taken(boundsOf(d).translated(*before - QPoint(d.x, d.y)))) {
        d.x = before->x();
        d.y = before->y();
        return;
    }
    int right = 0;
    for (const DeskDisplay& o : desk_)
        if (placed(o))
            right = std::max(right, boundsOf(o).x() + boundsOf(o).width());
    d.x = right;
    d.y = 0;
}

std::optional<DeskDisplay> Displays::display(uint32_t id) const
{
    std::lock_guard lock(mutex_);
    for (const DeskDisplay& d : desk_)
        if (d.id == id)
            return d;
    return std::nullopt;
}

std::vector<DeskDisplay> Displays::all() const
{
    std::lock_guard lock(mutex_);
    return desk_;
}

uint32_t Displays::mainID() const
{
    std::lock_guard lock(mutex_);
    return main_;
}

void Displays::notify(const std::vector<uint32_t>& ids)
{
    std::vector<std::pair<platform::displays::ReconfigurationCallback, void*>> callbacks;
    {
        std::lock_guard lock(mutex_);
        callbacks = callbacks_;
    }
    for (uint32_t flags : {uint32_t(platform::displays::kBeginConfigurationFlag), uint32_t(0x10)})
        for (uint32_t id : ids)
            for (const auto& [cb, info] : callbacks)
                cb(id, flags, info);
}

void Displays::setOnline(uint32_t id, bool online)
{
    {
        std::lock_guard lock(mutex_);
        for (DeskDisplay& d : desk_)
            if (d.id == id)
                d.online = online;
        normalizeLocked();
        buildRegistryLocked();
    }
    persistence::changed();
    notify({id});
}

void Displays::beginReconfiguration(uint32_t id)
{
    std::vector<std::pair<platform::displays::ReconfigurationCallback, void*>> callbacks;
    {
        std::lock_guard lock(mutex_);
        callbacks = callbacks_;
    }
    for (const auto& [cb, info] : callbacks)
        cb(id, platform::displays::kBeginConfigurationFlag, info);
}

void Displays::plug(const DeskDisplay& display)
{
    {
        std::lock_guard lock(mutex_);
        desk_.push_back(display);
        desk_.back().online = true;
        desk_.back().registryIndex = 1 << 20; // its port joins the registry after the others
        if (display.ddc)
            monitors_.push_back(std::make_shared<Monitor>(display.id, *display.ddc));
        buildRegistryLocked();
        normalizeLocked();
    }
    persistence::changed();
    notify({display.id});
}

void Displays::unplug(uint32_t id)
{
    {
        std::lock_guard lock(mutex_);
        const auto gone = [&](const DeskDisplay& d) { return d.id == id; };
        desk_.erase(std::remove_if(desk_.begin(), desk_.end(), gone), desk_.end());
        monitors_.erase(std::remove_if(monitors_.begin(), monitors_.end(),
                                       [&](const auto& m) { return m->displayID() == id; }),
                        monitors_.end());
        normalizeLocked();
        buildRegistryLocked();
    }
    persistence::changed();
    notify({id});
}

QJsonObject Displays::snapshot() const
{
    std::lock_guard lock(mutex_);
    QJsonObject out;
    for (const DeskDisplay& d : desk_) {
        QJsonObject o{{"online", d.online}, {"x", d.x},           {"y", d.y},
                      {"mode", d.mode},     {"mirrorOf", double(d.mirrorOf)}, {"wallpaper", d.wallpaper}};
        if (d.brightness)
            o["brightness"] = *d.brightness;
        if (d.beforeMirror)
            o["beforeMirror"] = QJsonArray{d.beforeMirror->x(), d.beforeMirror->y()};
        for (const auto& m : monitors_)
            if (m->displayID() == d.id) {
                QJsonObject vcp;
                for (const auto& [code, v] : m->vcpTable())
                    vcp[QString::number(code, 16)] = QJsonArray{v.value, v.maximum};
                o["vcp"] = vcp;
            }
        out[QString::number(d.id)] = o;
    }
    return out;
}

void Displays::restore(std::vector<DeskDisplay>& displays, const QJsonObject& snapshot)
{
    std::vector<DeskDisplay> kept;
    for (DeskDisplay d : displays) {
        const QJsonValue stored = snapshot.value(QString::number(d.id));
        if (!stored.isObject())
            continue;
        const QJsonObject o = stored.toObject();
        d.online = o["online"].toBool(d.online);
        d.x = o["x"].toInt(d.x);
        d.y = o["y"].toInt(d.y);
        const int mode = o["mode"].toInt(d.mode);
        if (mode >= 0 && size_t(mode) < d.modes.size())
            d.mode = mode;
        d.mirrorOf = uint32_t(o["mirrorOf"].toDouble(d.mirrorOf));
        if (const QJsonArray before = o["beforeMirror"].toArray(); d.mirrorOf && before.size() == 2)
            d.beforeMirror = QPoint(before[0].toInt(), before[1].toInt());
        d.wallpaper = o["wallpaper"].toString(d.wallpaper);
        if (d.brightness && o.contains("brightness"))
            d.brightness = std::clamp(o["brightness"].toDouble(), 0.0, 1.0);
        if (d.ddc) {
            // The cabling stays what the desk says, whatever input the monitor shows now.
            if (!d.ddc->macInput && d.ddc->vcp.count(0x60))
                d.ddc->macInput = d.ddc->vcp.at(0x60).value;
            const QJsonObject vcp = o["vcp"].toObject();
            for (auto it = vcp.begin(); it != vcp.end(); ++it) {
                bool ok = false;
                const uint code = it.key().toUInt(&ok, 16);
                const QJsonArray v = it.value().toArray();
                if (ok && code <= 0xFF && v.size() == 2)
                    d.ddc->vcp[uint8_t(code)] = DeskVcp{uint16_t(v[0].toInt()), uint16_t(v[1].toInt())};
            }
        }
        kept.push_back(std::move(d));
    }
    displays = std::move(kept);
}

void Displays::setWallpaper(uint32_t id, const QString& wallpaper)
{
    std::lock_guard lock(mutex_);
    for (DeskDisplay& d : desk_)
        if (d.id == id)
            d.wallpaper = wallpaper;
    persistence::changed();
}

std::optional<std::array<float, 9>> Displays::transferFormula(uint32_t id) const
{
    std::lock_guard lock(mutex_);
    const auto it = formulas_.find(id);
    if (it == formulas_.end())
        return std::nullopt;
    return it->second;
}

int Displays::colorSyncRestores() const
{
    std::lock_guard lock(mutex_);
    return restores_;
}

int Displays::completedTransactions() const
{
    std::lock_guard lock(mutex_);
    return transactions_;
}

void Displays::setPointer(const QPointF& p)
{
    std::lock_guard lock(mutex_);
    pointer_ = p;
}

QPointF Displays::pointer() const
{
    std::lock_guard lock(mutex_);
    if (pointer_)
        return *pointer_;
    const auto m = display(main_);
    if (!m)
        return {};
    const auto& mode = m->modes[size_t(m->mode)];
    return QPointF(mode.width / 2.0, mode.height / 2.0);
}

void Displays::setHostName(const QString& name)
{
    std::lock_guard lock(mutex_);
    hostName_ = name;
}

QString Displays::hostName() const
{
    std::lock_guard lock(mutex_);
    return hostName_;
}

void Displays::setModesUnavailable(uint32_t id, bool unavailable)
{
    std::lock_guard lock(mutex_);
    if (unavailable)
        modesUnavailable_.insert(id);
    else
        modesUnavailable_.remove(id);
}

bool Displays::modesUnavailableFor(uint32_t id) const
{
    std::lock_guard lock(mutex_);
    return modesUnavailable_.contains(id);
}

void Displays::failNextConfiguration()
{
    std::lock_guard lock(mutex_);
    failNextConfiguration_ = true;
}

bool Displays::beginAllowed()
{
    std::lock_guard lock(mutex_);
    const bool fail = failNextConfiguration_;
    failNextConfiguration_ = false;
    return !fail;
}

void Displays::registerCallback(platform::displays::ReconfigurationCallback callback, void* userInfo)
{
    std::lock_guard lock(mutex_);
    callbacks_.push_back({callback, userInfo});
}

int Displays::complete(const Pending& pending)
{
    std::vector<uint32_t> changed;
    {
        std::lock_guard lock(mutex_);
        std::vector<uint32_t> unmirrored; // with no place of their own given
        for (DeskDisplay& d : desk_) {
            bool touched = false;
            if (auto it = pending.modes.find(d.id); it != pending.modes.end()) {
                d.mode = it->second;
                touched = true;
            }
            if (auto it = pending.origins.find(d.id); it != pending.origins.end()) {
                d.x = it->second.first;
                d.y = it->second.second;
                touched = true;
            }
            if (auto it = pending.mirrors.find(d.id); it != pending.mirrors.end()) {
                const uint32_t master = it->second == d.id ? 0 : it->second;
                if (master && !d.mirrorOf)
                    d.beforeMirror = QPoint(d.x, d.y);
                else if (!master && d.mirrorOf && !pending.origins.count(d.id))
                    unmirrored.push_back(d.id);
                d.mirrorOf = master;
                touched = true;
            }
            if (touched)
                changed.push_back(d.id);
        }
        // One by one: those not placed yet still sit on their master and take no place.
        while (!unmirrored.empty()) {
            const uint32_t id = unmirrored.front();
            unmirrored.erase(unmirrored.begin());
            placeUnmirroredLocked(id, unmirrored);
        }
        ++transactions_;
        normalizeLocked();
    }
    persistence::changed();
    notify(changed);
    return platform::displays::kSuccess;
}

void Displays::setFormula(uint32_t id, const std::array<float, 9>& formula)
{
    std::lock_guard lock(mutex_);
    formulas_[id] = formula;
}

void Displays::restoreColorSync()
{
    std::lock_guard lock(mutex_);
    formulas_.clear();
    ++restores_;
}

void Displays::setFrameworkPresent(const QString& path, bool present)
{
    std::lock_guard lock(mutex_);
    if (present)
        missingFrameworks_.remove(path);
    else
        missingFrameworks_.insert(path);
}

void Displays::removeSymbol(const QString& name)
{
    std::lock_guard lock(mutex_);
    missingSymbols_.insert(name);
}

void Displays::setKeyboardClientClassPresent(bool present)
{
    std::lock_guard lock(mutex_);
    keyboardClass_ = present;
}

void Displays::removeKeyboardSelector(const QString& selector)
{
    std::lock_guard lock(mutex_);
    missingKeyboardSelectors_.insert(selector);
}

bool Displays::frameworkPresent(const QString& path) const
{
    std::lock_guard lock(mutex_);
    return !missingFrameworks_.contains(path);
}

bool Displays::symbolPresent(const QString& name) const
{
    std::lock_guard lock(mutex_);
    return !missingSymbols_.contains(name);
}

bool Displays::keyboardClassPresent() const
{
    std::lock_guard lock(mutex_);
    return keyboardClass_;
}

bool Displays::keyboardSelectorPresent(const QString& selector) const
{
    std::lock_guard lock(mutex_);
    return !missingKeyboardSelectors_.contains(selector);
}

std::optional<double> Displays::builtinBrightness(uint32_t id) const
{
    const auto d = display(id);
    if (!d || !d->builtin || !d->online)
        return std::nullopt;
    return d->brightness;
}

bool Displays::setBuiltinBrightness(uint32_t id, double level)
{
    std::lock_guard lock(mutex_);
    for (DeskDisplay& d : desk_)
        if (d.id == id && d.builtin && d.online && d.brightness) {
            d.brightness = std::clamp(level, 0.0, 1.0);
            persistence::changed();
            return true;
        }
    return false;
}

Displays::Keyboard Displays::keyboard() const
{
    std::lock_guard lock(mutex_);
    return keyboard_;
}

void Displays::setKeyboard(const Keyboard& keyboard)
{
    std::lock_guard lock(mutex_);
    keyboard_ = keyboard;
}

} // namespace sim
