#include "app/Hub.h"

#include "app/HUD.h"
#include "app/Texts.h"
#include "platform/LoginItem.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"

#include <QPointer>

using platform::events::kFlagOption;
using platform::events::kFlagShift;

Hub& Hub::shared()
{
    static Hub* hub = new Hub(InputTap::shared()); // lives to the end of the process
    return *hub;
}

Hub::Hub(InputTap& input)
    : display(),
      scroll(),
      battery(),
      sleep(),
      oled(display, audio, appAudio, sleep),
      input(input),
      audio(display),
      appAudio(audio),
      automation(display, audio, scroll, battery)
{
}

Hub::~Hub()
{
    oled.deactivate(); // while the audio managers it resumes still exist
    // Taps of a test's own outlive this hub; they must not call into it afterwards.
    input.onScroll = nullptr;
    input.onMediaKey = nullptr;
    display.onDisplaysChanged = {};
}

void Hub::start()
{
    if (started_)
        return;
    started_ = true;

    ScrollManager* scrolling = &scroll;
    input.onScroll = [scrolling](InputTap::Event* event) { return scrolling->handle(event); };
    QPointer<Hub> self(this);
    input.onMediaKey = [self](MediaKey key, bool down, ModifierFlags flags) {
        return self ? self->handleMediaKey(key, down, flags) : false;
    };
    input.start(true);
    display.onDisplaysChanged = [self](const std::vector<DisplayInfo>& displays) {
        if (!self)
            return;
        self->automation.displaysChanged(displays);
        if (self)
            self->audio.refresh();
    };
    automation.displaysChanged(display.displays());
}

void Hub::stop()
{
    input.stop(); // no more events reach the scroll manager
    input.onScroll = nullptr;
    input.onMediaKey = nullptr;
    scroll.stopGlide();
    battery.stopWatching();
    display.ddcQueue().drain();
    AudioManager::waitForBackgroundStops();
}

bool Hub::handleMediaKey(MediaKey key, bool down, ModifierFlags flags)
{
    switch (key) {
    case MediaKey::soundUp:
    case MediaKey::soundDown:
    case MediaKey::mute: return handleVolumeKey(key, down, flags);
    case MediaKey::brightnessUp:
    case MediaKey::brightnessDown: return handleBrightnessKey(key, down, flags);
    }
    return false;
}

bool Hub::handleVolumeKey(MediaKey key, bool down, ModifierFlags flags)
{
    if (!audio.mediaKeysEnabled())
        return false;
    const auto route = audio.volumeSource();
    if (route != AudioManager::VolumeSource::software && route != AudioManager::VolumeSource::ddc)
        return false;
    if (!down)
        return true;

    if (key == MediaKey::mute) {
        audio.setMuted(!audio.level().muted());
    } else {
        const bool fine = (flags & kFlagShift) && (flags & kFlagOption);
        audio.stepVolume(key == MediaKey::soundUp, fine);
        playVolumeFeedback(flags);
    }

    const bool muted = audio.level().muted();
    const double volume = audio.level().volume();
    QString symbol;
    if (muted || volume < 0.5)
        symbol = "speaker.slash.fill";
    else if (volume < 34)
        symbol = "speaker.wave.1.fill";
    else if (volume < 67)
        symbol = "speaker.wave.2.fill";
    else
        symbol = "speaker.wave.3.fill";
    const auto output = audio.defaultOutput();
    HUD::shared().show(symbol, output ? output->name : Texts::tr("Ses"), muted ? 0 : volume);
    return true;
}

bool Hub::handleBrightnessKey(MediaKey key, bool down, ModifierFlags flags)
{
    if (display.externals().empty())
        return false;
    const auto underMouse = display.displayUnderMouse();
    const bool pointerOnExternal = underMouse && !underMouse->isBuiltin;
    bool hasBuiltin = false;
    for (const auto& d : display.displays())
        hasBuiltin = hasBuiltin || d.isBuiltin;
    if (hasBuiltin && !(display.brightnessKeysEnabled() && pointerOnExternal))
        return false;
    if (pointerOnExternal && underMouse->id != display.selectedID())
        display.setSelectedID(underMouse->id);
    if (!down)
        return true;

    const bool fine = (flags & kFlagShift) && (flags & kFlagOption);
    double step = fine ? kFineBrightnessStep : kBrightnessStep;
    if (key == MediaKey::brightnessDown)
        step = -step;
    display.setActiveBrightness(display.activeBrightness() + step);

    const bool onMonitor =
        display.ddcAvailable() && display.brightnessTarget() == DisplayManager::BrightnessTarget::monitor;
    const auto selected = display.selected();
    QString title = selected ? selected->name : Texts::tr("Parlaklık");
    if (!onMonitor)
        title += QStringLiteral(" · macOS");
    HUD::shared().show(onMonitor ? "sun.max.fill" : "sun.max", title, display.activeBrightness());
    return true;
}

void Hub::playVolumeFeedback(ModifierFlags flags)
{
    // Only an integer 1 asks for the sound; a missing value or any other type does not.
    const QVariant setting = platform::UserDefaults::standard().globalObject("com.apple.sound.beep.feedback");
    const bool wanted = setting.typeId() == QMetaType::LongLong && setting.toLongLong() == 1;
    const bool shift = flags & kFlagShift;
    if (wanted == shift)
        return;
    if (audio.level().muted())
        return;
    if (feedbackProcess_)
        feedbackProcess_->terminate(); // a fast run of key presses cuts the previous sound short
    feedbackProcess_ = std::make_unique<platform::process::Task>(kFeedbackPlayer, QStringList{kFeedbackSound});
    (void)feedbackProcess_->run(); // no player, no sound
}

bool Hub::launchAtLogin()
{
    if (!loginItemEnabled_)
        loginItemEnabled_ = platform::loginitem::mainAppStatus() == platform::loginitem::Status::enabled;
    return *loginItemEnabled_;
}

void Hub::setLaunchAtLogin(bool on)
{
    const auto error = on ? platform::loginitem::registerMainApp() : platform::loginitem::unregisterMainApp();
    if (error)
        platform::log::write(QStringLiteral("Pelorn login item: ") + *error);
    loginItemEnabled_ = platform::loginitem::mainAppStatus() == platform::loginitem::Status::enabled;
}
