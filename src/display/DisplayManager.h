#pragma once
// The one object through which the system sees and drives the displays: the display list and
// the selection, the selected monitor's DDC/CI controls with a coalescing write queue, input
// sources, software dimming, the built-in panel's brightness, modes, arrangement and mirroring.
//
// Everything is used on the main thread except the DDC/CI work, which runs on the serial
// queue "pelorn.ddc" and publishes its results back on the main thread.
#include "bridge/Bridge.h"
#include "display/DisplayInfo.h"
#include "display/DisplayModeOption.h"
#include "platform/Clock.h"
#include "platform/DispatchQueue.h"
#include "platform/DisplayServices.h"

#include <QJsonValue>
#include <QObject>
#include <QRectF>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

class DisplayManager final : public QObject {
    Q_OBJECT
public:
    enum class VCP : uint8_t {
        luminance = 0x10,
        contrast = 0x12,
        inputSource = 0x60,
        audioSpeakerVolume = 0x62,
    };

    enum class BrightnessTarget { monitor, macOS };
    static QString rawValue(BrightnessTarget target);
    static BrightnessTarget brightnessTargetFrom(const QString& raw);

    // The user's naming of one input of one monitor.
    struct InputDevice {
        QString name;
        QString symbol;
        bool hidden = false;
        bool operator==(const InputDevice&) const = default;
        QJsonValue toJson() const;
        static std::optional<InputDevice> fromJson(const QJsonValue& json);
    };

    // One input offered in menus.
    struct InputChoice {
        uint16_t code = 0;
        QString port;
        InputDevice device;
        bool isThisMac = false;
        QString menuTitle() const;
        bool operator==(const InputChoice&) const = default;
    };

    // One active display as the arrangement editor draws it.
    struct ScreenFrame {
        uint32_t id = 0;
        QString name;
        QRectF frame; // global display coordinates, top-left origin
        bool isMain = false;
        bool isBuiltin = false;
        bool operator==(const ScreenFrame&) const = default;
    };

    // What `ddc_service_for_display` takes.
    struct Identity {
        uint32_t vendor = 0;
        uint32_t model = 0;
        uint32_t serial = 0;
        int ordinal = 0;
        int fallbackIndex = -1;
        bool operator==(const Identity&) const = default;
    };

    struct Modes {
        std::vector<DisplayModeOption> options;
        std::map<QString, platform::displays::ModeRef> objects;
        std::optional<QString> current;
    };

    explicit DisplayManager(QObject* parent = nullptr);
    ~DisplayManager() override;

    // --- Display list and selection ---
    const std::vector<DisplayInfo>& displays() const { return displays_; }
    uint32_t selectedID() const { return selectedID_; }
    void setSelectedID(uint32_t id);
    std::optional<DisplayInfo> selected() const;
    std::vector<DisplayInfo> externals() const;
    std::optional<DisplayInfo> builtin() const;
    void refreshDisplays();
    void scheduleRefresh();
    void reload();
    std::optional<DisplayInfo> displayUnderMouse() const;
    static std::optional<QString> name(uint32_t id);
    Identity identity(const DisplayInfo& display) const;
    std::function<void(const std::vector<DisplayInfo>&)> onDisplaysChanged;

    // --- Monitor controls ---
    bool ddcAvailable() const { return ddcAvailable_; }
    double brightness() const { return brightness_; }
    double contrast() const { return contrast_; }
    double volume() const { return volume_; }
    bool ddcVolumeAvailable() const { return ddcVolumeAvailable_; }
    std::optional<uint16_t> currentInput() const { return currentInput_; }
    void setCurrentInput(std::optional<uint16_t> code);
    const std::map<QString, uint16_t>& macInputs() const { return macInputs_; }
    bool linkAll() const { return linkAll_; }
    void setLinkAll(bool on);
    bool brightnessKeysEnabled() const { return brightnessKeysEnabled_; }
    void setBrightnessKeysEnabled(bool on);
    void setBrightness(double value, bool onlySelected);
    void setContrast(double value);
    void setVolume(double value);
    void enqueue(uint8_t code, uint16_t value, bool toAll);

    // --- Input sources ---
    const std::map<QString, std::vector<uint16_t>>& reportedInputs() const { return reportedInputs_; }
    const std::map<QString, std::map<QString, InputDevice>>& inputDevices() const { return inputDevices_; }
    std::vector<InputChoice> inputChoices(const std::optional<QString>& monitorKey, std::optional<uint16_t> current) const;
    void setInputDevice(const InputDevice& device, uint16_t code);
    // Reads and stores the selected monitor's input list (from readAll).
    void readInputList(const QString& key);
    static QString portName(uint16_t code);
    static const std::vector<std::pair<QString, uint16_t>>& inputSources();
    static const QString& thisMacName();
    static QString codeText(uint16_t code);

    // --- Dimming and built-in brightness ---
    BrightnessTarget brightnessTarget() const { return brightnessTarget_; }
    void setBrightnessTarget(BrightnessTarget target);
    double softwareBrightness() const { return softwareBrightness_; }
    const std::map<QString, double>& dimming() const { return dimming_; }
    double activeBrightness() const;
    void setActiveBrightness(double value);
    void setSoftwareBrightness(double value, bool onlySelected);
    double dimLevel(const std::optional<DisplayInfo>& display) const;
    void applySoftwareBrightness();
    const std::set<uint32_t>& dimmedIDs() const { return dimmedIDs_; }
    // At quit: gives every software-dimmed display its ColorSync settings back.
    void restoreDimmedDisplays();
    std::optional<double> builtinBrightness() const { return builtinBrightness_; }
    void setBuiltinBrightness(std::optional<double> level);
    void readBuiltinBrightness();

    // --- Modes ---
    const std::vector<DisplayModeOption>& modes() const { return modes_; }
    std::optional<QString> currentModeID() const { return currentModeID_; }
    bool showAllModes() const { return showAllModes_; }
    void setShowAllModes(bool on);
    static DisplayModeOption option(const platform::displays::ModeRef& mode);
    Modes buildModes(uint32_t display) const;
    void loadModes();
    bool setMode(const QString& id, std::optional<uint32_t> on = std::nullopt);
    std::pair<std::vector<DisplayModeOption>, std::optional<QString>> modeOptions(uint32_t display) const;
    bool applyMode(const QString& id, uint32_t display);

    // --- Arrangement and mirroring ---
    std::vector<ScreenFrame> screenFrames() const;
    void moveDisplay(uint32_t id, QPointF origin);
    void makeMain(uint32_t id);
    bool isMirroring() const;
    void setMirroring(bool on);

    // The DDC/CI queue; tests wait on it.
    platform::SerialQueue& ddcQueue() { return ddcQueue_; }

signals:
    void changed();

private:
    static void displayReconfigCallback(uint32_t display, uint32_t flags, void* userInfo);
    void selectionChanged();
    void resolveAllServices();
    std::vector<Identity> externalIdentities() const;
    // DDC queue only: the channel of a display (see ddc_service_for_display), never another
    // display's own port.
    ddc_service portOf(const Identity& display) const;
    // How often each published reading was set here; a read queued before a set must not
    // publish its older value over it.
    struct Edits {
        uint64_t brightness = 0, contrast = 0, volume = 0, input = 0;
    };
    // DDC queue only. `key` is the monitor the readings are for and `seen` the edits made before
    // the read was queued, both taken on the main thread.
    void readAll(const std::optional<QString>& key, Edits seen);
    void readInputList(const QString& key, std::optional<ddc_service> readFrom);
    void flush();
    void publishReportedInputs();
    void onMain(std::function<void()> work);
    static double clampedLevel(double value, double low, double high);

    std::vector<DisplayInfo> displays_;
    uint32_t selectedID_ = 0;
    bool ddcAvailable_ = false;
    double brightness_ = 50;
    double contrast_ = 50;
    double volume_ = 50;
    bool ddcVolumeAvailable_ = false;
    std::optional<uint16_t> currentInput_;
    Edits edits_;
    std::map<QString, uint16_t> macInputs_;
    std::map<QString, std::vector<uint16_t>> reportedInputs_;
    std::map<QString, std::map<QString, InputDevice>> inputDevices_;
    std::optional<double> builtinBrightness_;
    std::vector<DisplayModeOption> modes_;
    std::optional<QString> currentModeID_;
    BrightnessTarget brightnessTarget_ = BrightnessTarget::monitor;
    double softwareBrightness_ = 100;
    std::map<QString, double> dimming_;
    double defaultDimming_ = 100;
    bool linkAll_ = false;
    bool brightnessKeysEnabled_ = false;
    bool showAllModes_ = false;

    // DDC queue only.
    ddc_service service_;
    std::vector<std::pair<Identity, ddc_service>> allServices_;

    // DDC queue only: the monitor `service_` was resolved for.
    std::optional<Identity> serviceIdentity_;
    // DDC queue only: the identities of the external displays as last queued.
    std::vector<Identity> peers_;

    // DDC queue only: the maximum each monitor reported for a level code. Levels are percentages
    // of it, so a write sends the percentage of that maximum; a monitor not read yet is asked
    // once, and one that reports 0 or does not answer is sent the percentage itself.
    std::vector<std::pair<Identity, std::map<uint8_t, uint16_t>>> maxima_;
    void rememberMaximum(const Identity& monitor, uint8_t code, uint16_t maximum);
    uint16_t rawValue(const std::optional<Identity>& monitor, const ddc_service& service, uint8_t code,
                      uint16_t value);

    // A write belongs to the monitor selected when it was queued, so a selection change before
    // the flush cannot send one monitor's value to another. A newer value replaces the pending
    // ones it covers (same code and monitor; a linked write covers every monitor), and writes
    // are sent in the order they were asked for, so each monitor ends at its newest value.
    struct PendingWrite {
        uint8_t code = 0;
        uint32_t displayID = 0; // the selected display, 0 when none
        uint16_t value = 0;
        bool toAll = false;
        std::optional<Identity> target;
    };
    std::deque<PendingWrite> pending_; // oldest first
    bool flushing_ = false;
    std::mutex lock_; // guards pending_ and flushing_, never held during a transfer

    std::map<QString, platform::displays::ModeRef> modeObjects_;
    platform::Timer reconfigWork_;
    std::set<uint32_t> dimmedIDs_;
    // Monitors whose capabilities read is queued or running, so reads in quick succession do
    // not stack capabilities reads on the bus.
    std::set<QString> inputListReading_;

    // Last member: destroyed first, running what is queued while the rest still exists.
    platform::SerialQueue ddcQueue_{"pelorn.ddc"};
};
