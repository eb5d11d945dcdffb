#pragma once
// One sound device as the lists show it.
#include <QString>
#include <cstdint>

struct AudioDevice {
    uint32_t id = 0;        // the audio object id
    QString uid;            // persistent UID
    QString name;           // as shown
    uint32_t transport = 0; // four-character transport type, 0 when unknown

    // The symbol name that stands for the transport.
    QString symbol() const;
    bool operator==(const AudioDevice&) const = default;
};
