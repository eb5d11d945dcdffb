// The window server's display services, the screens, the host name and the private
// frameworks, on the simulated Mac.
#include "platform/DisplayServices.h"
#include "platform/PrivateFrameworks.h"
#include "platform/sim/Session.h"
#include "platform/sim/Mac.h"

#include <QCoreApplication>
#include <QHash>
#include <map>
#include <mutex>
#include <algorithm>
#include <cmath>

namespace {
sim::Displays& world() { return sim::Mac::shared().displays(); }

QRectF boundsOf(const sim::DeskDisplay& d)
{
    const sim::DeskMode& m = d.modes[size_t(d.mode)];
    return QRectF(d.x, d.y, m.width, m.height);
}
} // namespace

namespace platform::displays {

struct Configuration {
    sim::Displays::Pending pending;
    bool done = false;
};

namespace {
int list(uint32_t max, DisplayID* ids, uint32_t* count, bool activeOnly)
{
    uint32_t n = 0;
    for (const sim::DeskDisplay& d : world().all()) {
        if (!d.online || n >= max)
            continue;
        (void)activeOnly; // every online display is awake here
        if (ids)
            ids[n] = d.id;
        ++n;
    }
    if (count)
        *count = n;
    return kSuccess;
}
} // namespace

int onlineList(uint32_t max, DisplayID* ids, uint32_t* count) { return list(max, ids, count, false); }
int activeList(uint32_t max, DisplayID* ids, uint32_t* count) { return list(max, ids, count, true); }

DisplayID mirrorsDisplay(DisplayID id)
{
    const auto d = world().display(id);
    return d && d->online ? d->mirrorOf : 0;
}

bool isBuiltin(DisplayID id)
{
    const auto d = world().display(id);
    return d && d->builtin;
}

bool isMain(DisplayID id) { return id != 0 && world().mainID() == id; }
DisplayID mainDisplay() { return world().mainID(); }

uint32_t vendorNumber(DisplayID id)
{
    const auto d = world().display(id);
    return d ? d->vendor : 0;
}

uint32_t modelNumber(DisplayID id)
{
    const auto d = world().display(id);
    return d ? d->model : 0;
}

uint32_t serialNumber(DisplayID id)
{
    const auto d = world().display(id);
    return d ? d->serial : 0;
}

QRectF bounds(DisplayID id)
{
    const auto d = world().display(id);
    return d && d->online ? boundsOf(*d) : QRectF();
}

void registerReconfigurationCallback(ReconfigurationCallback callback, void* userInfo)
{
    world().registerCallback(callback, userInfo);
}

namespace {
ModeRef makeMode(const sim::DeskDisplay& d, int index)
{
    const sim::DeskMode& m = d.modes[size_t(index)];
    return std::make_shared<const Mode>(Mode{d.id, index, m.width, m.height, m.pixelWidth, m.refresh, m.usable});
}
} // namespace

std::optional<std::vector<ModeRef>> allModes(DisplayID id, bool)
{
    const auto d = world().display(id);
    if (!d || !d->online)
        return std::nullopt;
    if (world().modesUnavailableFor(id))
        return std::nullopt;
    std::vector<ModeRef> out;
    for (int i = 0; i < int(d->modes.size()); ++i)
        out.push_back(makeMode(*d, i));
    return out;
}

ModeRef currentMode(DisplayID id)
{
    const auto d = world().display(id);
    if (!d || !d->online)
        return nullptr;
    return makeMode(*d, d->mode);
}

int beginConfiguration(ConfigRef* config)
{
    if (!world().beginAllowed()) {
        *config = nullptr;
        return kFailure;
    }
    *config = std::make_shared<Configuration>();
    return kSuccess;
}

int configureMode(const ConfigRef& config, DisplayID id, const ModeRef& mode)
{
    if (!config || !mode || mode->display != id)
        return kIllegalArgument;
    config->pending.modes[id] = mode->index;
    return kSuccess;
}

int configureOrigin(const ConfigRef& config, DisplayID id, int x, int y)
{
    if (!config || !world().display(id))
        return kIllegalArgument;
    config->pending.origins[id] = {x, y};
    return kSuccess;
}

int configureMirror(const ConfigRef& config, DisplayID id, DisplayID master)
{
    if (!config || !world().display(id))
        return kIllegalArgument;
    config->pending.mirrors[id] = master;
    return kSuccess;
}

int completeConfiguration(const ConfigRef& config, ConfigureOption)
{
    if (!config || config->done)
        return kIllegalArgument;
    config->done = true;
    return world().complete(config->pending);
}

int setTransferByFormula(DisplayID id, float redMin, float redMax, float redGamma, float greenMin, float greenMax,
                         float greenGamma, float blueMin, float blueMax, float blueGamma)
{
    if (!world().display(id))
        return kIllegalArgument;
    world().setFormula(id, {redMin, redMax, redGamma, greenMin, greenMax, greenGamma, blueMin, blueMax, blueGamma});
    return kSuccess;
}

void restoreColorSyncSettings() { world().restoreColorSync(); }

} // namespace platform::displays

namespace platform::screens {

std::vector<Screen> screens()
{
    const auto all = world().all();
    const uint32_t mainID = world().mainID();
    double mainHeight = 0;
    for (const auto& d : all)
        if (d.id == mainID)
            mainHeight = boundsOf(d).height();
    std::vector<Screen> out;
    // The main screen first, then the others in display order; a mirror has no screen.
    auto add = [&](const sim::DeskDisplay& d) {
        if (!d.online || d.mirrorOf != 0 || d.name.isEmpty())
            return;
        const QRectF b = boundsOf(d);
        out.push_back(Screen{QVariantMap{{"NSScreenNumber", d.id}}, d.name,
                             QRectF(b.x(), mainHeight - b.y() - b.height(), b.width(), b.height())});
    };
    for (const auto& d : all)
        if (d.id == mainID)
            add(d);
    for (const auto& d : all)
        if (d.id != mainID)
            add(d);
    return out;
}

QPointF mouseLocation() { return world().pointer(); }

std::optional<Screen> mainScreen()
{
    // No window of the simulated desk is key: the main screen is the one with the menu bar.
    const std::vector<Screen> all = screens();
    if (all.empty())
        return std::nullopt;
    return all.front();
}

namespace {
std::mutex gObserversMutex;
std::map<int, std::function<void()>> gObservers;
int gNextObserver = 1;

void onReconfiguration(platform::displays::DisplayID, uint32_t flags, void* userInfo)
{
    if (flags & platform::displays::kBeginConfigurationFlag)
        return;
    const int token = int(reinterpret_cast<intptr_t>(userInfo));
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [token] {
            std::function<void()> observer;
            {
                std::lock_guard lock(gObserversMutex);
                const auto it = gObservers.find(token);
                if (it == gObservers.end())
                    return;
                observer = it->second;
            }
            observer();
        },
        Qt::QueuedConnection);
}
} // namespace

int addParametersObserver(std::function<void()> observer)
{
    int token;
    {
        std::lock_guard lock(gObserversMutex);
        token = gNextObserver++;
        gObservers[token] = std::move(observer);
    }
    // Reconfiguration callbacks cannot be taken back: a removed token's callback finds nothing.
    world().registerCallback(&onReconfiguration, reinterpret_cast<void*>(intptr_t(token)));
    return token;
}

void removeParametersObserver(int token)
{
    std::lock_guard lock(gObserversMutex);
    gObservers.erase(token);
}

} // namespace platform::screens

namespace sim {

void postScreenParametersChanged()
{
    std::vector<std::function<void()>> observers;
    {
        std::lock_guard lock(platform::screens::gObserversMutex);
        for (const auto& [token, observer] : platform::screens::gObservers)
            observers.push_back(observer);
    }
    for (const auto& observer : observers)
        observer();
}

} // namespace sim

namespace platform::screens {

bool mouseInRect(const QPointF& p, const QRectF& r)
{
    // Unflipped: the bottom and left edges belong to the rectangle, the top and right do not.
    return p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom();
}

} // namespace platform::screens

namespace platform::host {
QString localizedName() { return world().hostName(); }
} // namespace platform::host

// --- Private frameworks ---

namespace {

const char* const kDisplayServices = "/System/Library/PrivateFrameworks/DisplayServices.framework/DisplayServices";
const char* const kCoreBrightness = "/System/Library/PrivateFrameworks/CoreBrightness.framework/CoreBrightness";

int simGetBrightness(uint32_t display, float* level)
{
    const auto b = world().builtinBrightness(display);
    if (!b)
        return 1;
    *level = float(*b);
    return 0;
}

int simSetBrightness(uint32_t display, float level) { return world().setBuiltinBrightness(display, level) ? 0 : 1; }

struct Framework {
    QString path;
};

Framework gDisplayServices{kDisplayServices};
Framework gCoreBrightness{kCoreBrightness};

} // namespace

namespace platform::dl {

void* open(const char* path, int)
{
    const QString p = QString::fromUtf8(path);
    if (!world().frameworkPresent(p))
        return nullptr;
    if (p == kDisplayServices)
        return &gDisplayServices;
    if (p == kCoreBrightness)
        return &gCoreBrightness;
    return nullptr;
}

void* symbol(void* handle, const char* name)
{
    const QString n = QString::fromUtf8(name);
    if (handle != &gDisplayServices || !world().symbolPresent(n))
        return nullptr;
    if (n == "DisplayServicesGetBrightness")
        return reinterpret_cast<void*>(&simGetBrightness);
    if (n == "DisplayServicesSetBrightness")
        return reinterpret_cast<void*>(&simSetBrightness);
    return nullptr;
}

} // namespace platform::dl

namespace platform::objc {

struct Object {
    QString className;
    bool isClass = false;
    uint64_t number = 0; // the boxed id of an NSNumber
};

Id classNamed(const char* name)
{
    if (QString::fromUtf8(name) == "KeyboardBrightnessClient" && world().frameworkPresent(kCoreBrightness)
        && world().keyboardClassPresent())
        return std::make_shared<Object>(Object{"KeyboardBrightnessClient", true, 0});
    return nullptr;
}

Id allocInit(const Id& cls)
{
    if (!cls || !cls->isClass)
        return nullptr;
    return std::make_shared<Object>(Object{cls->className, false, 0});
}

namespace {
const QStringList kKeyboardSelectors{"copyKeyboardBacklightIDs", "isKeyboardBuiltIn:", "brightnessForKeyboard:",
                                     "setBrightness:fadeSpeed:commit:forKeyboard:",
                                     "isAutoBrightnessEnabledForKeyboard:", "enableAutoBrightness:forKeyboard:"};
}

bool respondsToSelector(const Id& object, const char* selector)
{
    if (!object)
        return false;
    const QString s = QString::fromUtf8(selector);
    if (object->className == "NSNumber")
        return s == "unsignedLongLongValue";
    if (object->className == "KeyboardBrightnessClient" && !object->isClass)
        return kKeyboardSelectors.contains(s) && world().keyboardSelectorPresent(s);
    return false;
}

QVariant send(const Id& object, const char* selector, const QVariantList& args)
{
    if (!respondsToSelector(object, selector))
        return {}; // an unknown selector would crash the real runtime; callers check first
    const QString s = QString::fromUtf8(selector);
    if (object->className == "NSNumber")
        return QVariant::fromValue(object->number);
    auto kb = world().keyboard();
    auto matches = [&](int i) { return args.size() > i && args[i].toULongLong() == kb.id; };
    if (s == "copyKeyboardBacklightIDs") {
        QVariantList ids;
        ids.append(QVariant::fromValue(std::make_shared<Object>(Object{"NSNumber", false, kb.id})));
        return ids;
    }
    if (s == "isKeyboardBuiltIn:")
        return matches(0) && kb.builtIn;
    if (s == "brightnessForKeyboard:")
        return matches(0) ? kb.level : 0.0;
    if (s == "setBrightness:fadeSpeed:commit:forKeyboard:") {
        if (!matches(3))
            return false;
        kb.level = std::clamp(args[0].toDouble(), 0.0, 1.0);
        kb.fadeSpeed = args[1].toInt();
        kb.commit = args[2].toBool();
        world().setKeyboard(kb);
        return true;
    }
    if (s == "isAutoBrightnessEnabledForKeyboard:")
        return matches(0) && kb.autoBrightness;
    if (s == "enableAutoBrightness:forKeyboard:") {
        if (!matches(1))
            return false;
        kb.autoBrightness = args[0].toBool();
        world().setKeyboard(kb);
        return true;
    }
    return {};
}

} // namespace platform::objc

