#pragma once
// A simulated desk with the audio manager on it.
#include "audio/AudioManager.h"
#include "bridge/Bridge.h"
#include "display/DisplayManager.h"
#include "platform/sim/SimAudio.h"
#include "support/SimTest.h"

#include <memory>

class AudioTest : public SimTest {
protected:
    void TearDown() override
    {
        audio.reset();
        AudioManager::waitForBackgroundStops();
        display.reset();
        SimTest::TearDown();
    }
    // The default desk, or one with the given "audio" section.
    void start(const QByteArray& audioSection = {})
    {
        if (!audioSection.isEmpty())
            installDesk(R"({"name": "test", "audio": )" + audioSection + "}");
        // The display manager reads the desk's monitors, so it is made after the desk.
        bridge_forget_cached_clients();
        display = std::make_unique<DisplayManager>();
        settleDdc();
        audio = std::make_unique<AudioManager>(*display);
        processEvents();
    }
    // Lets the monitors' DDC/CI readings reach the display manager.
    void settleDdc()
    {
        for (int i = 0; i < 6; ++i) {
            display->ddcQueue().drain();
            processEvents();
        }
    }
    // Lets the debounced refresh and the listeners run.
    void settle() { advance(0.2); }
    void stopsDone()
    {
        AudioManager::waitForBackgroundStops();
        processEvents();
    }
    bool nothingLeft() const { return sys.taps().empty() && sys.aggregates().empty() && sys.ioProcCount() == 0; }

    sim::AudioSystem& sys = sim::AudioSystem::shared();
    std::unique_ptr<DisplayManager> display;
    std::unique_ptr<AudioManager> audio;
};
