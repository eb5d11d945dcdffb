#pragma once
// The audio hardware stand-in: objects (the system, devices, process objects, taps) with
// properties addressed by selector, scope and element; listener blocks; process taps, private
// aggregate devices and IO procs. Calls return a status, 0 for success, and never throw.
#include "platform/DispatchQueue.h"

#include <QString>
#include <QUuid>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform::audio {

using ObjectID = uint32_t;
using Status = int32_t;

constexpr uint32_t fourCC(const char (&c)[5])
{
    return (uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) | (uint32_t(uint8_t(c[2])) << 8)
        | uint32_t(uint8_t(c[3]));
}

constexpr Status kNoError = 0;
constexpr Status kUnknownPropertyError = fourCC("who?");
constexpr Status kBadObjectError = fourCC("!obj");
constexpr Status kBadPropertySizeError = fourCC("!siz");
constexpr Status kIllegalOperationError = fourCC("nope");
constexpr Status kUnsupportedOperationError = fourCC("unop");

constexpr ObjectID kSystemObject = 1;

constexpr uint32_t kScopeGlobal = fourCC("glob");
constexpr uint32_t kScopeOutput = fourCC("outp");
constexpr uint32_t kScopeInput = fourCC("inpt");
constexpr uint32_t kElementMain = 0;

// System object
constexpr uint32_t kHardwareDevices = fourCC("dev#");
constexpr uint32_t kHardwareDefaultOutputDevice = fourCC("dOut");
constexpr uint32_t kHardwareDefaultInputDevice = fourCC("dIn ");
constexpr uint32_t kHardwareDefaultSystemOutputDevice = fourCC("sOut");
constexpr uint32_t kHardwareProcessObjectList = fourCC("prs#");
constexpr uint32_t kHardwareTranslatePIDToProcessObject = fourCC("id2p");
// Devices (and any object for the name)
constexpr uint32_t kObjectName = fourCC("lnam");
constexpr uint32_t kDeviceUID = fourCC("uid ");
constexpr uint32_t kDeviceStreams = fourCC("stm#");
constexpr uint32_t kDeviceIsHidden = fourCC("hidn");
constexpr uint32_t kDeviceTransportType = fourCC("tran");
constexpr uint32_t kDeviceVolumeScalar = fourCC("volm");
constexpr uint32_t kDeviceMute = fourCC("mute");
// Process objects
constexpr uint32_t kProcessPID = fourCC("ppid");
constexpr uint32_t kProcessIsRunningOutput = fourCC("piro");

// Transport types
constexpr uint32_t kTransportBuiltIn = fourCC("bltn");
constexpr uint32_t kTransportUSB = fourCC("usb ");
constexpr uint32_t kTransportBluetooth = fourCC("blue");
constexpr uint32_t kTransportBluetoothLE = fourCC("blea");
constexpr uint32_t kTransportHDMI = fourCC("hdmi");
constexpr uint32_t kTransportDisplayPort = fourCC("dprt");
constexpr uint32_t kTransportAirPlay = fourCC("airp");
constexpr uint32_t kTransportAggregate = fourCC("grup");

struct PropertyAddress {
    uint32_t selector = 0;
    uint32_t scope = kScopeGlobal;
    uint32_t element = kElementMain;
    bool operator==(const PropertyAddress&) const = default;
};

bool hasProperty(ObjectID object, const PropertyAddress& address);
Status isPropertySettable(ObjectID object, const PropertyAddress& address, bool& settable);
Status getPropertyDataSize(ObjectID object, const PropertyAddress& address, uint32_t qualifierSize,
                           const void* qualifier, uint32_t& size);
// `size` is the room in `data` on the way in and the bytes written on the way out.
Status getPropertyData(ObjectID object, const PropertyAddress& address, uint32_t qualifierSize,
                       const void* qualifier, uint32_t& size, void* data);
Status setPropertyData(ObjectID object, const PropertyAddress& address, uint32_t size, const void* data);
// String properties (UID, name) in place of a string reference; nullopt is a null string.
Status getStringProperty(ObjectID object, const PropertyAddress& address, std::optional<QString>& value);

// A listener block is identified by its pointer: removal takes the same pointer that was added.
// Blocks are delivered on the main queue.
using ListenerBlock = std::shared_ptr<const std::function<void()>>;
ListenerBlock makeListener(std::function<void()> body);
Status addPropertyListenerBlock(ObjectID object, const PropertyAddress& address, const ListenerBlock& block);
Status removePropertyListenerBlock(ObjectID object, const PropertyAddress& address, const ListenerBlock& block);

// Process taps
enum class TapMuteBehavior : int { unmuted = 0, muted = 1, mutedWhenTapped = 2 };

struct TapDescription {
    std::vector<ObjectID> processes;
    bool exclusive = false; // true: every process except `processes`
    bool mixdown = true;    // stereo mixdown
    QUuid uuid;
    QString name;
    bool isPrivate = false;
    TapMuteBehavior muteBehavior = TapMuteBehavior::unmuted;

    static TapDescription stereoGlobalTapButExcludeProcesses(std::vector<ObjectID> processes);
    static TapDescription stereoMixdownOfProcesses(std::vector<ObjectID> processes);
};

Status createProcessTap(const TapDescription& description, ObjectID& tap);
Status destroyProcessTap(ObjectID tap);

// Aggregate devices, described by the dictionary keys of the audio system.
namespace aggregate {
constexpr const char* kName = "name";
constexpr const char* kUID = "uid";
constexpr const char* kMainSubDevice = "master";
constexpr const char* kIsPrivate = "private";
constexpr const char* kIsStacked = "stacked";
constexpr const char* kTapAutoStart = "tapautostart";
constexpr const char* kSubDeviceList = "subdevices";
constexpr const char* kTapList = "taps";
constexpr const char* kSubDeviceUID = "uid";
constexpr const char* kSubTapUID = "uid";
constexpr const char* kSubTapDriftCompensation = "drift";
} // namespace aggregate

Status createAggregateDevice(const QVariantMap& description, ObjectID& device);
Status destroyAggregateDevice(ObjectID device);

// IO: interleaved 32-bit float samples; a buffer without data has `data` null.
struct Buffer {
    uint32_t numberChannels = 0;
    uint32_t dataByteSize = 0;
    void* data = nullptr;
};

struct BufferList {
    uint32_t numberBuffers = 0;
    Buffer* buffers = nullptr;
};

using IOProcID = uint64_t;
// Called on the queue given at creation, once per cycle, with the device's input (for an
// aggregate device with a tap: the tapped audio) and its output channels.
using IOBlock = std::function<void(const BufferList& input, BufferList& output)>;

Status createIOProcIDWithBlock(IOProcID& proc, ObjectID device, SerialQueue* queue, IOBlock block);
Status destroyIOProcID(ObjectID device, IOProcID proc);
Status deviceStart(ObjectID device, IOProcID proc);
Status deviceStop(ObjectID device, IOProcID proc);

// Host time: ticks and the ratio that turns them into nanoseconds.
uint64_t absoluteTime();
struct Timebase {
    uint32_t numer = 1;
    uint32_t denom = 1;
};
Timebase timebase();
double ticksToSeconds(uint64_t ticks);

} // namespace platform::audio
