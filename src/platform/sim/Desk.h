#pragma once
// The desk file: a JSON description of the simulated machine (displays and monitors, audio,
// battery, ...). A desk with an error is refused whole, with a message naming the field.
#include "platform/Result.h"
#include "platform/sim/AdminScript.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <vector>
#include <QStringList>
#include <set>
#include <vector>

namespace sim {

struct DeskError {
    QString field;   // a path such as "displays[1].ddc.vcp.10"
    QString message;
    QString text() const { return field.isEmpty() ? message : field + ": " + message; }
};

// Reads the fields of one JSON object, remembering the first error with its path.
class Fields {
public:
    Fields(QJsonObject object, QString path, std::optional<DeskError>* error);

    bool has(const char* key) const { return object_.contains(key); }
    QString string(const char* key, const QString& fallback = {});
    QString requireString(const char* key);
    double number(const char* key, double fallback, double min = -1e300, double max = 1e300);
    qint64 integer(const char* key, qint64 fallback, qint64 min = INT64_MIN, qint64 max = INT64_MAX);
    bool boolean(const char* key, bool fallback);
    QJsonArray array(const char* key);   // empty when absent
    QJsonObject object(const char* key); // empty when absent
    // A field this reader does not know is an error, so a typo never passes silently.
    void rejectUnknown(std::initializer_list<const char*> known);

    QString path(const char* key) const;
    QString path(const QString& key) const;
    void fail(const QString& field, const QString& message);
    bool failed() const { return error_->has_value(); }
    const QJsonObject& raw() const { return object_; }

private:
    QJsonObject object_;
    QString path_;
    std::optional<DeskError>* error_;
};

// The SMC's key table. A key's size is the length of its bytes.
struct SmcKeyDesk {
    QString name;              // four ASCII characters
    quint32 type = 0;          // four-character type code, packed like a key
    quint8 attributes = 0;
    QByteArray bytes;
    bool failWrites = false;   // the SMC refuses every write to it
};
struct SmcDesk {
    bool present = true;       // false: the machine has no AppleSMC service
    QList<SmcKeyDesk> keys;
};

// The internal battery as its power source and the smart battery report it.
struct BatteryDesk {
    bool present = false;
    double percent = 80;
    bool externalConnected = true;   // the power cable
    int chargeLimit = 100;
    double chargePerMinute = 1.0;    // while the cable is in and the adapter switched on
    double dischargePerMinute = 0.5; // while on battery or with the adapter switched off
    bool reportsCapacity = true;     // false: the source has no "Current Capacity"
};

void parseSmc(Fields& top, SmcDesk& out);
void parseBattery(Fields& top, BatteryDesk& out);
// The "audio" section: sound devices, process objects and running applications.
struct DeskAudioVolume {
    std::vector<uint32_t> elements; // 0 (main), or 1 and 2 (per channel)
    double value = 0.5;             // scalar 0-1
    bool settable = true;
};

struct DeskAudioDirection {
    bool present = false;
    std::vector<uint32_t> buffers;  // channels per buffer
    std::optional<DeskAudioVolume> volume;
    std::optional<bool> mute;       // absent: the device has no mute
    uint32_t channels() const;
};

struct DeskAudioDevice {
    uint32_t id = 0;
    QString uid;
    QString name;
    QString transport;               // four characters, empty when unknown
    bool hidden = false;
    DeskAudioDirection output, input;
    QStringList unreadable;          // "uid", "name", "streams", "transport": reads that fail
};

struct DeskAudioProcess {
    uint32_t object = 0;
    int32_t pid = 0;
    int32_t responsible = 0;         // 0: its own
    bool playing = false;
    double amplitude = 0.5;          // peak of the tone it plays while playing
};

struct DeskAudioApp {
    int32_t pid = 0;
    QString bundleID;                // empty: none
    QString name;                    // empty: none
    QString policy = "regular";      // regular, accessory, prohibited
    QString icon;                    // a colour name; empty: no icon
};

struct DeskAudio {
    std::vector<DeskAudioDevice> devices;
    QString defaultOutput, defaultInput, systemOutput; // UIDs, empty for none
    int32_t selfPid = 500;
    bool responsibility = true;      // whether the responsibility lookup exists
    std::vector<DeskAudioProcess> processes;
    std::vector<DeskAudioApp> apps;
};
void parseAudio(Fields& top, DeskAudio& audio);

// One VCP feature a monitor holds; monitors have their own maximum, not always 100.
struct DeskVcp {
    uint16_t value = 0;
    uint16_t maximum = 100;
};

// How a monitor speaks DDC/CI on its I2C channel.
struct DeskDdc {
    std::map<uint8_t, DeskVcp> vcp;
    std::set<uint8_t> unsupported;    // answered with result code 0x01
    QByteArray capabilities;          // empty: the monitor sends only the empty fragment
    int fragmentSize = 32;            // payload bytes per capabilities fragment (1-32)
    bool endsWithEmptyFragment = true; // false: it wraps around and never ends the string
    double replyDelay = 0.040;        // seconds until a reply can be read
    std::optional<uint16_t> macInput; // the input this Mac is cabled to; default the VCP 0x60 value
    // Failure modes: "silent" (never answers), "nakWrites", "badChecksum", "wrongOpcode".
    QStringList faults;
};

struct DeskMode {
    int width = 0;
    int height = 0;
    int pixelWidth = 0;
    double refresh = 60;
    bool usable = true;
};

// One display: the built-in panel or a monitor.
struct DeskDisplay {
    uint32_t id = 0;                  // the display id the window server hands out
    QString name;                     // the screen's localized name; empty: none
    bool builtin = false;
    uint32_t vendor = 0;
    uint32_t model = 0;
    uint32_t serial = 0;              // 0: the monitor reports none
    bool online = true;
    int x = 0;                        // global origin, top-left, y down
    int y = 0;
    uint32_t mirrorOf = 0;
    std::optional<QPoint> beforeMirror; // a mirror's own origin, taken back when it stops mirroring
    std::vector<DeskMode> modes;
    int mode = 0;                     // index of the current mode
    std::optional<double> brightness; // built-in panel, 0-1
    std::optional<DeskDdc> ddc;       // external: its DDC/CI channel; none: no I2C service
    int registryIndex = 0;            // position of its AV service entry in registry order
    // The desktop picture: a macOS path ("/Library/...", "~/...") below the sim root, or a URL
    // with a scheme; empty: the screen has none. A picture file that is missing when it is
    // asked for is painted by the simulation.
    QString wallpaper;
};

// The KVM switch between the desk's monitors and its computers: switched away, the monitors
// behind it leave this Mac; switched back, they come online again.
struct DeskKvm {
    QString name;
    std::vector<uint32_t> displays;
};

struct Desk;
using DeskResult = pelorn::Result<Desk, DeskError>;

struct Desk {
    QString name;
    QJsonObject raw;
    SmcDesk smc;
    BatteryDesk battery;
    DeskAudio audio;
    std::vector<DeskDisplay> displays;
    std::optional<DeskKvm> kvm;
    // Whether the user has granted Pelorn the accessibility permission on this Mac.
    bool accessibility = false;
    // "adminPrompt": "ask" (the person answers a dialog), "allow" or "deny" without asking.
    adminscript::Prompt adminPrompt = adminscript::Prompt::ask;

    static constexpr qint64 kMaxFileBytes = 4 << 20; // desks are a few kilobytes

    static DeskResult parse(const QByteArray& json);
    // Reads only a regular file within the bound; anything else cannot be read.
    static DeskResult load(const QString& path);
    // PELORN_DESK when set, else the built-in default desk.
    static DeskResult fromEnvironment();
    static QByteArray defaultJson();
};

// The "displays" section (DeskDisplays.cpp).
std::vector<DeskDisplay> parseDisplays(Fields& top);

} // namespace sim
