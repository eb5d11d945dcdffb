#include "audio/AudioDevice.h"

#include "platform/Audio.h"

using namespace platform::audio;

QString AudioDevice::symbol() const
{
    switch (transport) {
    case kTransportBluetooth:
    case kTransportBluetoothLE:
        return "headphones";
    case kTransportHDMI:
    case kTransportDisplayPort:
        return "display";
    case kTransportAirPlay:
        return "airplayaudio";
    case kTransportBuiltIn:
        return "laptopcomputer";
    default:
        return "hifispeaker";
    }
}
