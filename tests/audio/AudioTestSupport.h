#pragma once
// A simulated desk with the audio managers on it, over any fixture of the simulated Mac (the
// view tests put it on the design fixture, for its rendering helpers).
#include "audio/AppAudioManager.h"
#include "audio/AudioManager.h"
#include "bridge/Bridge.h"
#include "display/DisplayManager.h"
#include "platform/sim/SimAudio.h"
#include "support/SimTest.h"

#include <memory>

template <class Base>
class AudioDesk : public Base {
protected:
    void TearDown() override
    {
        apps.reset();
        audio.reset();
        AudioManager::waitForBackgroundStops();
        display.reset();
        Base::TearDown();
    }
    // The default desk, or one with the given "audio" section.
    void start(const QByteArray& audioSection = {})
    {
        if (!audioSection.isEmpty())
            this->installDesk(R"({"name": "test", "audio": )" + audioSection + "}");
        // The display manager reads the desk's monitors, so it is made after the desk.
        bridge_forget_cached_clients();
        display = std::make_unique<DisplayManager>();
        settleDdc();
        audio = std::make_unique<AudioManager>(*display);
        Base::processEvents();
    }
    // The same with the per-application audio on it.
    void startApps(const QByteArray& audioSection = {})
    {
        start(audioSection);
        apps = std::make_unique<AppAudioManager>(*audio);
    }
    // Lets the monitors' DDC/CI readings reach the display manager.
    void settleDdc()
    {
        for (int i = 0; i < 6; ++i) {
            display->ddcQueue().drain();
            Base::processEvents();
        }
    }
    // Lets the debounced refresh and the listeners run.
    void settle() { Base::advance(0.2); }
    void stopsDone()
    {
        AudioManager::waitForBackgroundStops();
        Base::processEvents();
    }
    bool nothingLeft() const { return sys.taps().empty() && sys.aggregates().empty() && sys.ioProcCount() == 0; }

    sim::AudioSystem& sys = sim::AudioSystem::shared();
    std::unique_ptr<DisplayManager> display;
    std::unique_ptr<AudioManager> audio;
    std::unique_ptr<AppAudioManager> apps;
};

using AudioTest = AudioDesk<SimTest>;
