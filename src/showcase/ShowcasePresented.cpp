#include "showcase/Showcase.h"

#include "app/Prefs.h"
#include "audio/AudioDevice.h"
#include "platform/Audio.h"

using namespace platform::audio;

QString Showcase::presentedName(const QString& name)
{
    if (!Showcase::isEnabled())
        return name;
    return presentedName(name, true, isEnglish());
}

QString Showcase::presentedName(const QString& name, bool showcase, bool english)
{
    if (!showcase)
        return name;
    QString out = name;
    const int open = out.indexOf('(');
    if (out.endsWith(')') && open >= 0)
        out = out.mid(open + 1, out.size() - open - 2);
    if (out.contains("iPhone"))
        out = english ? "iPhone Microphone" : "iPhone Mikrofonu";
    if (english) {
        out.replace("Hoparlörü", "Speakers");
        out.replace("Mikrofonu", "Microphone");
    }
    return out;
}

std::optional<uint32_t> Showcase::presentedOutput(const std::vector<AudioDevice>& outputs)
{
    if (!Showcase::isEnabled())
        return std::nullopt;
    for (const AudioDevice& d : outputs)
        if (d.transport == kTransportHDMI || d.transport == kTransportDisplayPort)
            return d.id;
    return std::nullopt;
}

std::optional<uint32_t> Showcase::presentedInput(const std::vector<AudioDevice>& inputs)
{
    if (!Showcase::isEnabled())
        return std::nullopt;
    for (const AudioDevice& d : inputs)
        if (d.transport == kTransportBuiltIn)
            return d.id;
    return std::nullopt;
}
