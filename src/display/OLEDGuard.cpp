#include "display/OLEDGuard.h"

#include "app/Prefs.h"
#include "app/SleepManager.h"
#include "audio/AppAudioManager.h"
#include "audio/AudioManager.h"
#include "audio/CA.h"
#include "bridge/Bridge.h"
#include "display/DisplayManager.h"
#include "platform/Audio.h"
#include "platform/DisplayServices.h"
#include "platform/DynamicSymbols.h"
#include "platform/IdleState.h"
#include "platform/RunningApps.h"
#include "platform/Windowing.h"

#include <QPalette>
#include <algorithm>
#include <cmath>
#include <limits>

BlackoutWindow::BlackoutWindow(const QRect& frame)
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(frame);
}

namespace CursorControl {

bool hidden = false;

void allowInBackground()
{
    static const bool done = [] {
        using namespace platform::windowing;
        auto connection = reinterpret_cast<DefaultConnectionCall>(platform::dynamic::globalSymbol("_CGSDefaultConnection"));
        auto set = reinterpret_cast<SetConnectionPropertyCall>(platform::dynamic::globalSymbol("CGSSetConnectionProperty"));
        if (connection && set) {
            static constexpr platform::cf::Object key = platform::cf::constantString("SetsCursorInBackground");
            const ConnectionID cid = connection();
            set(cid, cid, &key, platform::cf::kBooleanTrue);
        }
        return true;
    }();
    (void)done;
}

} // namespace CursorControl

namespace {

// Global bottom-left coordinates to the window system's top-left ones, flipped around the
// first screen.
QRect windowRect(const QRectF& frame, double flipHeight)
{
    return QRectF(frame.x(), flipHeight - frame.y() - frame.height(), frame.width(), frame.height()).toRect();
}

} // namespace

OLEDGuard::OLEDGuard(DisplayManager& display, AudioManager& audio, AppAudioManager& apps, const SleepManager& sleep)
    : display_(display), audio_(audio), apps_(apps), sleep_(sleep)
{
    idleMinutes_ = Prefs::intValue("oled.idleMinutes", 0);
    // Changed screen parameters end the blackout; the observer stays for the process's life and
    // holds the guard weakly.
    platform::screens::addParametersObserver([guard = QPointer<OLEDGuard>(this)] {
        if (guard)
            guard->deactivate();
    });
    scheduleIdleCheck();
}

OLEDGuard::~OLEDGuard()
{
    deactivate();
    for (auto& w : windows_)
        delete w.data();
}

void OLEDGuard::setIdleMinutes(int minutes)
{
    idleMinutes_ = minutes;
    Prefs::set("oled.idleMinutes", minutes);
    scheduleIdleCheck();
    emit changed();
}

void OLEDGuard::scheduleIdleCheck()
{
    idleTimer_.stop();
    if (idleMinutes_ >= 1) {
        QPointer<OLEDGuard> self(this);
        idleTimer_.start(kCheckInterval, [self] {
            if (self)
                self->checkIdle();
        }, true);
    }
}

void OLEDGuard::checkIdle()
{
    if (isActive_ || idleMinutes_ < 1)
        return;
    // In floating point, so that a huge value cannot overflow; it simply never triggers.
    const double threshold = double(idleMinutes_) * 60.0;
    if (platform::idle::secondsSinceLastInput() >= threshold && !someoneKeepsDisplayOn())
        activate();
}

bool OLEDGuard::someoneKeepsDisplayOn() const
{
    QVariantMap status;
    if (platform::idle::copyAssertionsStatus(&status) != 0)
        return false;
    for (auto it = status.cbegin(); it != status.cend(); ++it) {
        const int type = it.value().typeId();
        if (type != QMetaType::Int && type != QMetaType::LongLong && type != QMetaType::UInt
            && type != QMetaType::ULongLong)
            return false;
    }
    const qint64 held = status.value("PreventUserIdleDisplaySleep", 0).toLongLong();
    const qint64 own = sleep_.preventSleep() && sleep_.keepDisplayOn() ? 1 : 0;
    return held - own > 0;
}

void OLEDGuard::activate()
{
    if (isActive_)
        return;
    isActive_ = true;
    startedAt_ = platform::clock::now();
    startMouse_ = platform::screens::mouseLocation();
    previousApp_ = platform::windowing::frontmostApplication();
    platform::windowing::activateSelf();

    const auto screens = platform::screens::screens();
    const double flip = screens.empty() ? 0 : screens.front().frame.bottom();
    for (const auto& s : screens) {
        auto* w = new BlackoutWindow(windowRect(s.frame, flip));
        // Above every window, the screen saver's included, on every space and beside full-screen
        // windows, and out of the window cycle.
        const int64_t number = int64_t(w->winId());
        platform::windowing::setWindowLevel(number, platform::windowing::shieldingWindowLevel());
        platform::windowing::setCollectionBehavior(number, platform::windowing::kCanJoinAllSpaces
                                                               | platform::windowing::kStationary
                                                               | platform::windowing::kIgnoresCycle
                                                               | platform::windowing::kFullScreenAuxiliary);
        w->setWindowOpacity(0.0);
        w->show();
        w->raise();
        windows_.emplace_back(w);
    }
    if (!windows_.empty())
        windows_.front()->activateWindow();
    fadeTimer_.stop();
    fadeTimer_.start(1.0 / 60, [this] { stepFadeIn(); }, true);

    CursorControl::allowInBackground();
    if (!CursorControl::hidden) {
        platform::windowing::hideCursor(platform::displays::mainDisplay());
        CursorControl::hidden = true;
    }

    QPointer<OLEDGuard> self(this);
    if (auto t = platform::windowing::addGlobalMonitor(kWatchedEvents, [self](const auto& e) {
            if (self)
                self->handle(e);
        }))
        monitors_.push_back(t);
    // Every watched event aimed at this application is swallowed while the blackout lasts.
    if (auto t = platform::windowing::addLocalMonitor(kWatchedEvents, [self](const auto& e) {
            if (self)
                self->handle(e);
            return false;
        }))
        monitors_.push_back(t);

    dimLights();
    emit changed();
}

void OLEDGuard::stepFadeIn()
{
    const double alpha = std::min(1.0, (platform::clock::now() - startedAt_) / kFadeIn);
    for (auto& w : windows_)
        if (w)
            w->setWindowOpacity(alpha);
    if (alpha >= 1.0)
        fadeTimer_.stop();
}

void OLEDGuard::handle(const platform::windowing::MonitoredEvent& event)
{
    if (!isActive_ || platform::clock::now() - startedAt_ <= kGrace)
        return;
    if (event.type == platform::windowing::kMouseMoved) {
        const QPointF d = platform::screens::mouseLocation() - startMouse_;
        if (std::hypot(d.x(), d.y()) <= kDrift)
            return;
    }
    // Later, so that the monitors are not removed from inside their own handler.
    QPointer<OLEDGuard> self(this);
    QMetaObject::invokeMethod(this, [self] {
        if (self)
            self->deactivate();
    }, Qt::QueuedConnection);
}

void OLEDGuard::dimLights()
{
    uint64_t id = 0;
    if (kbd_builtin_id(&id)) {
        const float level = kbd_get_brightness(id);
        const bool autoMode = kbd_get_auto(id) != 0;
        if (autoMode)
            kbd_set_auto(id, 0);
        kbd_set_brightness(id, 0.0f);
        keyboard_ = Keyboard{id, level >= 0.0f ? level : 0.0f, autoMode};
    }
    QPointer<OLEDGuard> self(this);
    audioTimer_.start(kAudioTick, [self] {
        if (self)
            self->tickAudio();
    }, true);
}

void OLEDGuard::restoreLights()
{
    if (keyboard_) {
        kbd_set_brightness(keyboard_->id, keyboard_->level);
        if (keyboard_->autoMode)
            kbd_set_auto(keyboard_->id, 1);
        keyboard_.reset();
    }
    audioTimer_.stop();
    resumeTaps();
}

void OLEDGuard::tickAudio()
{
    if (suspendedWith_) {
        const auto now = outputProcesses();
        if (!std::includes(suspendedWith_->begin(), suspendedWith_->end(), now.begin(), now.end()))
            resumeTaps();
        return;
    }
    std::optional<double> quiet;
    for (const auto& s : {audio_.masterSecondsSinceSound(), apps_.secondsSinceSound()})
        if (s)
            quiet = quiet ? std::min(*quiet, *s) : *s;
    if (!quiet || *quiet < kSilence)
        return;

    if (audio_.volumeSource() == AudioManager::VolumeSource::software
        && (audio_.softMuted() || AudioManager::softwareGain(audio_.softLevel(), false) < 1.0f)) {
        // The taps attenuate: without them the sound would come back at full level, unless
        // the monitor takes over the attenuation.
        if (!display_.ddcVolumeAvailable())
            return;
        ddcRestore_ = display_.volume();
        display_.setVolume(audio_.level().muted() ? 0 : audio_.level().volume());
    }
    suspendedWith_ = outputProcesses();
    setTapsSuspended(true);
}

std::set<int32_t> OLEDGuard::outputProcesses() const
{
    using namespace platform::audio;
    std::set<int32_t> out;
    const int32_t self = platform::apps::currentProcessID();
    for (uint32_t object : CA::objectList(kSystemObject, kHardwareProcessObjectList, kScopeGlobal)) {
        const PropertyAddress pidAddress{kProcessPID, kScopeGlobal, kElementMain};
        if (!hasProperty(object, pidAddress))
            continue;
        int32_t pid = 0;
        uint32_t size = sizeof(pid);
        if (getPropertyData(object, pidAddress, 0, nullptr, size, &pid) != kNoError || pid == self)
            continue;
        const PropertyAddress runningAddress{kProcessIsRunningOutput, kScopeGlobal, kElementMain};
        if (!hasProperty(object, runningAddress))
            continue;
        uint32_t running = 0;
        size = sizeof(running);
        if (getPropertyData(object, runningAddress, 0, nullptr, size, &running) == kNoError && running != 0)
            out.insert(pid);
    }
    return out;
}

void OLEDGuard::setTapsSuspended(bool suspended)
{
    if (suspended) {
        const bool was = audio_.tapsSuspended();
        audio_.setTapsSuspended(true);
        if (!was)
            audio_.refreshVolume();
        apps_.setTapsSuspended(true); // syncs its engines when the value changes
    } else {
        apps_.setTapsSuspended(false);
        const bool was = audio_.tapsSuspended();
        audio_.setTapsSuspended(false);
        if (was)
            audio_.refreshVolume();
    }
}

void OLEDGuard::resumeTaps()
{
    if (!suspendedWith_)
        return;
    suspendedWith_.reset();
    setTapsSuspended(false);
    if (ddcRestore_) {
        display_.setVolume(*ddcRestore_);
        ddcRestore_.reset();
    }
}

void OLEDGuard::deactivate()
{
    if (!isActive_)
        return;
    isActive_ = false;
    for (auto t : monitors_)
        platform::windowing::removeMonitor(t);
    monitors_.clear();
    if (CursorControl::hidden) {
        platform::windowing::showCursor(platform::displays::mainDisplay());
        CursorControl::hidden = false;
    }
    fadeTimer_.stop();
    for (auto& w : windows_)
        if (w) {
            w->hide();
            w->deleteLater();
        }
    windows_.clear();
    restoreLights();
    if (previousApp_ != 0 && previousApp_ != platform::apps::currentProcessID())
        platform::windowing::activate(previousApp_);
    previousApp_ = 0;
    emit changed();
}
