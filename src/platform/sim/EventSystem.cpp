#include "platform/sim/EventSystem.h"

#include "platform/sim/Mac.h"
#include "platform/sim/Persistence.h"
#include "platform/sim/SimAudio.h"

#include "platform/Clock.h"
#include "platform/DisplayLink.h"
#include "platform/DispatchQueue.h"
#include "platform/RunningApps.h"
#include "platform/sim/Session.h"
#include "platform/sim/SettingsPane.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace platform::events {

class TapProxy {};

struct Tap {
    TapLocation location;
    TapPlacement placement;
    TapOption option;
    uint64_t mask;
    TapCallback callback;
    void* refcon;
    uint64_t serial = 0;
    std::atomic<bool> enabled{true};
    bool released = false;      // guarded by the system's mutex
    RunLoop* loop = nullptr;    // guarded by the system's mutex
};

} // namespace platform::events

namespace sim {

using platform::RunLoop;
using namespace platform::events;

// A media key's state, in the second byte of its application-kit data.
constexpr int64_t kMediaKeyDown = 0x0A00;
constexpr int64_t kMediaKeyUp = 0x0B00;

struct LinkState {
    uint32_t screen = 0;
    std::function<void(platform::displaylink::DisplayLink&)> frame;
    platform::displaylink::DisplayLink* owner = nullptr; // touched on the link's loop only
    std::atomic<bool> paused{false};
    std::atomic<bool> valid{true};
    RunLoop* loop = nullptr; // guarded by the system's mutex
};

struct Pending {
    enum Kind { hardware, posted, announce } kind = hardware;
    Event event;
    pid_t pid = 0;
    std::shared_ptr<Tap> tap;
    uint64_t ticket = 0;
};

struct EventSystem::Impl {
    mutable std::mutex mutex;
    std::condition_variable wake;     // the delivery thread
    std::condition_variable progress; // settle() and deliver()
    std::condition_variable served;   // a tap's source joined a run loop
    std::condition_variable linksChanged; // a link started or paused, for the display clock
    bool clockRuns = false;
    std::mutex deliveryMutex;         // held while one tap's callback runs

    bool trusted = false;
    int prompts = 0;
    QStringList opened;
    std::map<pid_t, QString> apps;
    pid_t pointerTarget = 0;

    uint64_t nextSerial = 1;
    std::vector<std::shared_ptr<Tap>> taps;

    std::vector<Pending> queue; // keeps its capacity
    std::vector<Pending> working;
    bool busy = false;
    uint64_t nextTicket = 1;
    uint64_t doneTicket = 0;
    std::map<uint64_t, std::optional<Event>> results;

    std::map<pid_t, std::vector<Event>> received;
    std::map<pid_t, std::vector<Event>> posted;
    int postedTotal = 0;

    std::vector<ScreenSpec> screens;
    QPointF mouse;
    std::vector<std::shared_ptr<LinkState>> links;
    double lastFrameSeconds = 0;

    std::thread thread;

    Impl()
    {
        queue.reserve(64);
        working.reserve(64);
        resetLocked();
        thread = std::thread([this] { loop(); });
        thread.detach(); // lives as long as the process, like the system's event server
    }

    void resetLocked()
    {
        trusted = false;
        prompts = 0;
        opened.clear();
        apps.clear();
        pointerTarget = 0;
        received.clear();
        posted.clear();
        postedTotal = 0;
        screens = {ScreenSpec{1u, QRectF(0, 0, 1512, 982), 120.0}};
        mouse = QPointF(756, 491);
    }

    void enqueue(Pending&& p)
    {
        {
            std::lock_guard lock(mutex);
            queue.push_back(std::move(p));
        }
        wake.notify_all();
    }

    // Taps of one stage in the order the system calls them: head-inserted ones newest first,
    // then tail-appended ones oldest first.
    std::vector<std::shared_ptr<Tap>> stage(TapLocation location)
    {
        std::vector<std::shared_ptr<Tap>> head, tail;
        std::lock_guard lock(mutex);
        for (auto& t : taps) {
            if (t->released || t->location != location)
                continue;
            (t->placement == TapPlacement::headInsert ? head : tail).push_back(t);
        }
        std::reverse(head.begin(), head.end());
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    }

    // Runs one tap's callback on its run loop. False when it dropped the event.
    bool runTap(const std::shared_ptr<Tap>& tap, Event& event, bool announcement)
    {
        if (!announcement && (!tap->enabled.load() || !(tap->mask & maskBit(event.type()))))
            return true;
        std::lock_guard delivering(deliveryMutex);
        RunLoop* loop;
        {
            // A port buffers its messages until a run loop serves it; one that stays unserved
            // times out, and the system disables the tap.
            std::unique_lock lock(mutex);
            served.wait_for(lock, std::chrono::seconds(2), [&] { return tap->released || tap->loop; });
            if (tap->released)
                return true;
            if (!tap->loop) {
                tap->enabled = false;
                return true;
            }
            loop = tap->loop;
        }
        const bool listenOnly = tap->option == TapOption::listenOnly;
        Event seen = event;
        bool keep = true;
        loop->performAndWait([&] {
            TapProxy proxy;
            Event* out = tap->callback(&proxy, seen.type(), &seen, tap->refcon);
            if (announcement || listenOnly)
                return;
            if (!out) {
                keep = false;
                return;
            }
            event = *out;
        });
        return keep;
    }

    // What the system itself does with a media key that no tap took, as the Mac's keys do: the
    // volume keys step the default output by a sixteenth (a sixty-fourth with Shift and Option)
    // or toggle its mute, the brightness keys step the built-in display's panel.
    static void systemTakes(const Event& e)
    {
        const auto key = platform::events::toAppKit(e);
        if (!key || key->subtype != kSubtypeAuxControlButtons || (key->data1 & 0xFF00) != kMediaKeyDown)
            return;
        const bool fine = (e.flags() & kFlagShift) && (e.flags() & kFlagOption);
        const double step = fine ? 1.0 / 64 : 1.0 / 16;
        const int code = int((key->data1 >> 16) & 0xFFFF);
        switch (code) {
        case 0: AudioSystem::shared().stepDefaultOutputVolume(float(step)); break;
        case 1: AudioSystem::shared().stepDefaultOutputVolume(float(-step)); break;
        case 7: AudioSystem::shared().toggleDefaultOutputMute(); break;
        case 2:
        case 3: {
            Displays& displays = Mac::shared().displays();
            for (const DeskDisplay& d : displays.all())
                if (d.builtin && d.online && d.brightness) {
                    displays.setBuiltinBrightness(d.id, *d.brightness + (code == 2 ? step : -step));
                    break;
                }
            break;
        }
        default: break;
        }
    }

    bool runStage(TapLocation location, Event& event)
    {
        for (auto& tap : stage(location))
            if (!runTap(tap, event, false))
                return false;
        return true;
    }

    void process(Pending& p)
    {
        std::optional<Event> result;
        switch (p.kind) {
        case Pending::announce:
            runTap(p.tap, p.event, true);
            break;
        case Pending::hardware: {
            Event e = p.event;
            if (runStage(TapLocation::hid, e) && runStage(TapLocation::session, e)) {
                pid_t target;
                {
                    std::lock_guard lock(mutex);
                    target = pointerTarget;
                }
                if (e.integerField(Field::targetPid) == 0)
                    e.setIntegerField(Field::targetPid, target);
                if (runStage(TapLocation::annotatedSession, e)) {
                    {
                        std::lock_guard lock(mutex);
                        received[pid_t(e.integerField(Field::targetPid))].push_back(e);
                    }
                    result = e;
                    systemTakes(e);
                }
            }
            break;
        }
        case Pending::posted: {
            Event e = p.event;
            if (runStage(TapLocation::annotatedSession, e)) {
                std::lock_guard lock(mutex);
                posted[p.pid].push_back(e);
                ++postedTotal;
            }
            break;
        }
        }
        std::lock_guard lock(mutex);
        if (p.ticket)
            results[p.ticket] = result;
    }

    void loop()
    {
        platform::setThreadName("sim.events");
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return !queue.empty(); });
            working.swap(queue);
            busy = true;
            lock.unlock();
            for (auto& p : working)
                process(p);
            lock.lock();
            uint64_t last = 0;
            for (auto& p : working)
                last = std::max(last, p.ticket);
            doneTicket = std::max(doneTicket, last);
            working.clear();
            busy = queue.empty() ? false : busy;
            progress.notify_all();
        }
    }

    // Waits for `done`, serving the main thread meanwhile when called on it (a media-key tap
    // asks the main thread before it answers).
    template <class Done>
    void waitServing(Done done)
    {
        const bool onMain = platform::mainQueue::isCurrent() && QCoreApplication::instance();
        std::unique_lock lock(mutex);
        while (!done()) {
            if (onMain) {
                lock.unlock();
                QCoreApplication::processEvents(QEventLoop::AllEvents);
                lock.lock();
                progress.wait_for(lock, std::chrono::microseconds(200), done);
            } else {
                progress.wait(lock, done);
            }
        }
    }
};

EventSystem& EventSystem::shared()
{
    static EventSystem* system = new EventSystem(); // outlives every thread that talks to it
    return *system;
}

EventSystem::EventSystem() : d(new Impl()) {}

void EventSystem::reset()
{
    settle();
    std::lock_guard lock(d->mutex);
    d->resetLocked();
}

void EventSystem::setTrusted(bool trusted)
{
    std::vector<TapRef> running;
    {
        std::lock_guard lock(d->mutex);
        d->trusted = trusted;
        // Taken back, the permission stops the running taps at once: each is disabled and told so.
        if (!trusted)
            for (auto& t : d->taps)
                if (!t->released && t->enabled)
                    running.push_back(t.get());
    }
    for (TapRef t : running)
        disableTap(t, false);
    persistence::changed();
}

bool EventSystem::trusted() const
{
    std::lock_guard lock(d->mutex);
    return d->trusted;
}

void EventSystem::post(const Event& event, bool toThisApp)
{
    Session::shared().input(event.type(), toThisApp);
    Pending p;
    p.kind = Pending::hardware;
    p.event = event;
    if (toThisApp)
        p.event.setIntegerField(Field::targetPid, platform::apps::currentProcessID());
    d->enqueue(std::move(p));
}

int EventSystem::promptCount() const
{
    std::lock_guard lock(d->mutex);
    return d->prompts;
}

QStringList EventSystem::openedSettings() const
{
    std::lock_guard lock(d->mutex);
    return d->opened;
}

void EventSystem::setApplication(pid_t pid, const QString& bundleID)
{
    std::lock_guard lock(d->mutex);
    d->apps[pid] = bundleID;
}

void EventSystem::setPointerTarget(pid_t pid)
{
    std::lock_guard lock(d->mutex);
    d->pointerTarget = pid;
}

std::vector<TapInfo> EventSystem::taps() const
{
    std::lock_guard lock(d->mutex);
    std::vector<TapInfo> out;
    for (auto& t : d->taps)
        if (!t->released)
            out.push_back({t->location, t->placement, t->option, t->mask, t->enabled.load(), t->loop != nullptr, t.get()});
    return out;
}

void EventSystem::disableTap(TapRef tap, bool byTimeout)
{
    std::shared_ptr<Tap> found;
    {
        std::lock_guard lock(d->mutex);
        for (auto& t : d->taps)
            if (t.get() == tap && !t->released)
                found = t;
    }
    if (!found)
        return;
    found->enabled = false;
    Pending p;
    p.kind = Pending::announce;
    p.event = Event(byTimeout ? kTypeTapDisabledByTimeout : kTypeTapDisabledByUserInput);
    p.tap = found;
    d->enqueue(std::move(p));
}

std::optional<Event> EventSystem::deliver(const Event& event)
{
    // A hardware event is the user's input: it resets the idle time and reaches the global
    // event monitors, as on the real system.
    Session::shared().input(event.type());
    Pending p;
    p.kind = Pending::hardware;
    p.event = event;
    {
        std::lock_guard lock(d->mutex);
        p.ticket = d->nextTicket++;
    }
    const uint64_t ticket = p.ticket;
    d->enqueue(std::move(p));
    d->waitServing([&] { return d->doneTicket >= ticket; });
    settle(); // what the taps posted on the way arrives too
    std::lock_guard lock(d->mutex);
    auto node = d->results.extract(ticket);
    return node.empty() ? std::nullopt : node.mapped();
}

void EventSystem::settle()
{
    d->waitServing([&] { return d->queue.empty() && !d->busy; });
}

std::vector<Event> EventSystem::received(pid_t pid) const
{
    std::lock_guard lock(d->mutex);
    auto it = d->received.find(pid);
    return it == d->received.end() ? std::vector<Event>{} : it->second;
}

std::vector<Event> EventSystem::posted(pid_t pid) const
{
    std::lock_guard lock(d->mutex);
    auto it = d->posted.find(pid);
    return it == d->posted.end() ? std::vector<Event>{} : it->second;
}

int EventSystem::postedTotal() const
{
    std::lock_guard lock(d->mutex);
    return d->postedTotal;
}

void EventSystem::clearRecords()
{
    settle();
    std::lock_guard lock(d->mutex);
    d->received.clear();
    d->posted.clear();
    d->postedTotal = 0;
}

void EventSystem::setScreens(const std::vector<ScreenSpec>& screens)
{
    std::lock_guard lock(d->mutex);
    d->screens = screens;
}

std::vector<ScreenSpec> EventSystem::screens() const
{
    std::lock_guard lock(d->mutex);
    return d->screens;
}

void EventSystem::setMouseLocation(QPointF point)
{
    std::lock_guard lock(d->mutex);
    d->mouse = point;
}

QPointF EventSystem::mouseLocation() const
{
    std::lock_guard lock(d->mutex);
    return d->mouse;
}

void EventSystem::stepFrames(uint32_t screenNumber, int frames)
{
    double rate = 0;
    {
        std::lock_guard lock(d->mutex);
        for (auto& s : d->screens)
            if (s.number == screenNumber)
                rate = s.refreshRate;
    }
    for (int i = 0; i < frames; ++i) {
        if (rate > 0 && platform::clock::testing::isVirtual())
            platform::clock::testing::advance(1.0 / rate);
        frame(screenNumber, rate);
        settle();
    }
}

void EventSystem::frame(uint32_t screenNumber, double rate)
{
    {
        std::vector<std::pair<std::shared_ptr<LinkState>, RunLoop*>> due;
        {
            std::lock_guard lock(d->mutex);
            for (auto& l : d->links)
                if (l->screen == screenNumber && l->valid && !l->paused && l->loop && rate > 0)
                    due.emplace_back(l, l->loop);
        }
        double spent = 0;
        for (auto& [link, loop] : due)
            loop->performAndWait([&, link = link] {
                // Paused or invalidated since: the frame is not delivered.
                if (link->valid && !link->paused && link->owner) {
                    const auto start = std::chrono::steady_clock::now();
                    link->frame(*link->owner);
                    spent += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                }
            });
        {
            std::lock_guard lock(d->mutex);
            d->lastFrameSeconds = spent;
        }
    }
}

void EventSystem::runDisplayClock()
{
    std::lock_guard lock(d->mutex);
    if (d->clockRuns)
        return;
    d->clockRuns = true;
    std::thread([this] {
        platform::setThreadName("sim.vsync");
        const auto running = [this] {
            return std::any_of(d->links.begin(), d->links.end(), [](auto& l) { return l->valid && !l->paused && l->loop; });
        };
        auto next = std::chrono::steady_clock::now();
        for (;;) {
            std::vector<ScreenSpec> screens;
            {
                std::unique_lock lock(d->mutex);
                if (!running()) {
                    d->linksChanged.wait(lock, running); // no link runs: the clock sleeps
                    next = std::chrono::steady_clock::now();
                }
                screens = d->screens;
            }
            // One clock at the fastest screen's rate; a slower screen's links get every frame too.
            double rate = 0;
            for (const ScreenSpec& sc : screens)
                rate = std::max(rate, sc.refreshRate);
            for (const ScreenSpec& sc : screens)
                if (sc.number)
                    frame(*sc.number, sc.refreshRate);
            next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(1.0 / std::max(rate, 1.0)));
            std::this_thread::sleep_until(next);
        }
    }).detach();
}

void EventSystem::linksChanged()
{
    {
        std::lock_guard lock(d->mutex);
    }
    d->linksChanged.notify_all();
}

double EventSystem::lastFrameSeconds() const
{
    std::lock_guard lock(d->mutex);
    return d->lastFrameSeconds;
}

int EventSystem::runningLinks(uint32_t screenNumber) const
{
    std::lock_guard lock(d->mutex);
    return int(std::count_if(d->links.begin(), d->links.end(), [&](auto& l) {
        return l->screen == screenNumber && l->valid && !l->paused && l->loop;
    }));
}

int EventSystem::links(uint32_t screenNumber) const
{
    std::lock_guard lock(d->mutex);
    return int(std::count_if(d->links.begin(), d->links.end(),
                             [&](auto& l) { return l->screen == screenNumber && l->valid; }));
}

Event wheelEvent(int linesY, int linesX)
{
    // A mouse reports ten points and one fixed-point unit per line.
    Event e(kTypeScrollWheel);
    e.setIntegerField(Field::lineDeltaY, linesY);
    e.setIntegerField(Field::lineDeltaX, linesX);
    e.setDoubleField(Field::fixedDeltaY, linesY);
    e.setDoubleField(Field::fixedDeltaX, linesX);
    e.setDoubleField(Field::pointDeltaY, linesY * 10.0);
    e.setDoubleField(Field::pointDeltaX, linesX * 10.0);
    return e;
}

Event trackpadEvent(double pointsY, double pointsX)
{
    Event e(kTypeScrollWheel);
    e.setIntegerField(Field::isContinuous, 1);
    e.setDoubleField(Field::pointDeltaY, pointsY);
    e.setDoubleField(Field::pointDeltaX, pointsX);
    e.setDoubleField(Field::fixedDeltaY, pointsY / 10.0);
    e.setDoubleField(Field::fixedDeltaX, pointsX / 10.0);
    e.setIntegerField(Field::scrollPhase, 2);
    return e;
}

Event mediaKeyEvent(int key, bool down, ModifierFlags flags)
{
    const int64_t data1 = (int64_t(key) << 16) | (down ? kMediaKeyDown : kMediaKeyUp);
    return Event::systemDefined(kSubtypeAuxControlButtons, data1, -1, flags);
}

} // namespace sim

// The platform operations, served by the simulated system.
namespace platform::events {

namespace {
sim::EventSystem::Impl& sys() { return sim::EventSystem::shared().internals(); }

class TapSource : public RunLoop::Source {
public:
    explicit TapSource(std::shared_ptr<Tap> tap) : tap_(std::move(tap)) {}
    void attach(RunLoop& loop) override
    {
        {
            std::lock_guard lock(sys().mutex);
            tap_->loop = &loop;
        }
        sys().served.notify_all();
    }
    void detach(RunLoop& loop) override
    {
        std::lock_guard lock(sys().mutex);
        if (tap_->loop == &loop)
            tap_->loop = nullptr;
    }

private:
    std::shared_ptr<Tap> tap_;
};

std::shared_ptr<Tap> findLocked(TapRef ref)
{
    for (auto& t : sys().taps)
        if (t.get() == ref)
            return t;
    return nullptr;
}
} // namespace

TapRef createTap(TapLocation location, TapPlacement placement, TapOption option, uint64_t mask,
                 TapCallback callback, void* refcon)
{
    auto& s = sys();
    std::lock_guard lock(s.mutex);
    if (!s.trusted || !callback)
        return nullptr;
    auto tap = std::make_shared<Tap>();
    tap->location = location;
    tap->placement = placement;
    tap->option = option;
    tap->mask = mask;
    tap->callback = callback;
    tap->refcon = refcon;
    tap->serial = s.nextSerial++;
    s.taps.push_back(tap);
    return tap.get();
}

void enableTap(TapRef tap, bool enable)
{
    std::lock_guard lock(sys().mutex);
    // Without the permission a tap stays off, whoever turns it on.
    if (auto t = findLocked(tap))
        t->enabled = enable && sys().trusted;
}

bool isTapEnabled(TapRef tap)
{
    std::lock_guard lock(sys().mutex);
    auto t = findLocked(tap);
    return t && !t->released && t->enabled;
}

std::shared_ptr<RunLoop::Source> createRunLoopSource(TapRef tap)
{
    std::lock_guard lock(sys().mutex);
    auto t = findLocked(tap);
    return t ? std::make_shared<TapSource>(t) : nullptr;
}

void releaseTap(TapRef tap)
{
    auto& s = sys();
    {
        std::lock_guard lock(s.mutex);
        auto it = std::find_if(s.taps.begin(), s.taps.end(), [&](auto& t) { return t.get() == tap; });
        if (it == s.taps.end())
            return;
        (*it)->released = true;
        (*it)->loop = nullptr;
        s.taps.erase(it);
    }
    // A callback of this tap that is under way finishes before the tap's owner goes.
    std::lock_guard delivering(s.deliveryMutex);
}

void postToPid(pid_t pid, const Event& event)
{
    {
        // Posting to a process that is not running does nothing, and says nothing.
        std::lock_guard lock(sys().mutex);
        if (!sys().apps.count(pid))
            return;
    }
    sim::Pending p;
    p.kind = sim::Pending::posted;
    p.event = event;
    p.pid = pid;
    sys().enqueue(std::move(p));
}

QString bundleIdentifier(pid_t pid)
{
    std::lock_guard lock(sys().mutex);
    auto it = sys().apps.find(pid);
    return it == sys().apps.end() ? QString() : it->second;
}

} // namespace platform::events

namespace platform::accessibility {

bool isProcessTrusted(bool prompt)
{
    auto& s = sim::EventSystem::shared().internals();
    std::lock_guard lock(s.mutex);
    if (prompt && !s.trusted)
        ++s.prompts;
    return s.trusted;
}

void openSettings(const QString& url)
{
    {
        auto& s = sim::EventSystem::shared().internals();
        std::lock_guard lock(s.mutex);
        s.opened.push_back(url);
    }
    sim::settingspane::show(url);
}

} // namespace platform::accessibility

namespace platform::displaylink {

namespace {
sim::EventSystem::Impl& sys() { return sim::EventSystem::shared().internals(); }

class SimLink : public DisplayLink {
public:
    explicit SimLink(std::shared_ptr<sim::LinkState> state) : state_(std::move(state)) { state_->owner = this; }
    ~SimLink() override { invalidate(); }

    void addToRunLoop(RunLoop& loop) override
    {
        {
            std::lock_guard lock(sys().mutex);
            if (state_->valid)
                state_->loop = &loop;
        }
        sim::EventSystem::shared().linksChanged();
    }
    void setPaused(bool paused) override
    {
        state_->paused = paused;
        sim::EventSystem::shared().linksChanged();
    }
    bool isPaused() const override { return state_->paused; }
    void invalidate() override
    {
        if (!state_->valid.exchange(false))
            return;
        state_->owner = nullptr;
        auto& s = sys();
        std::lock_guard lock(s.mutex);
        state_->loop = nullptr;
        s.links.erase(std::remove(s.links.begin(), s.links.end(), state_), s.links.end());
    }

private:
    std::shared_ptr<sim::LinkState> state_;
};
} // namespace

std::vector<Screen> screens()
{
    std::vector<Screen> out;
    for (auto& s : sim::EventSystem::shared().screens())
        out.push_back({s.frame, s.number});
    return out;
}

QPointF mouseLocation() { return sim::EventSystem::shared().mouseLocation(); }

std::unique_ptr<DisplayLink> create(uint32_t screenNumber, std::function<void(DisplayLink&)> frame)
{
    auto& s = sys();
    auto state = std::make_shared<sim::LinkState>();
    state->screen = screenNumber;
    state->frame = std::move(frame);
    {
        std::lock_guard lock(s.mutex);
        const bool exists = std::any_of(s.screens.begin(), s.screens.end(),
                                        [&](auto& sc) { return sc.number == screenNumber; });
        if (!exists)
            return nullptr;
        s.links.push_back(state);
    }
    return std::make_unique<SimLink>(state);
}

} // namespace platform::displaylink
