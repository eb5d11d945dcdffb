#pragma once
// What the showcase mode changes in the sound device lists: tidied names and the outputs it
// pretends are the defaults. Outside the mode everything passes through.
#include "audio/AudioDevice.h"

#include <optional>
#include <vector>

class ShowcaseAudio {
public:
    ShowcaseAudio() = delete;
    static QString presentedName(const QString& name);
    static QString presentedName(const QString& name, bool showcase, bool english);
    // The first HDMI or DisplayPort output; nullopt outside the mode.
    static std::optional<uint32_t> presentedOutput(const std::vector<AudioDevice>& outputs);
    // The first built-in input; nullopt outside the mode.
    static std::optional<uint32_t> presentedInput(const std::vector<AudioDevice>& inputs);
};
