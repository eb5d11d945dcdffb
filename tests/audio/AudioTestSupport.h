#pragma once
// A simulated desk with the audio manager on it.
#include "audio/AudioManager.h"
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
        SimTest::TearDown();
    }
    // The default desk, or one with the given "audio" section.
    void start(const QByteArray& audioSection = {})
    {
        if (!audioSection.isEmpty())
            installDesk(R"({"name": "test", "audio": )" + audioSection + "}");
        audio = std::make_unique<AudioManager>(display);
        processEvents();
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
    DisplayManager display;
    std::unique_ptr<AudioManager> audio;
};
