#pragma once
// The simulated Mac's displays: the built-in panel and the monitors of the desk, their I/O
// registry entries (one AV service proxy per display port, in the desk's registry order, the
// panel's marked "Embedded") and the DDC/CI monitors behind the external ports.
#include "platform/DisplayServices.h"
#include "platform/IoRegistry.h"
#include "platform/sim/Desk.h"
#include "platform/sim/Monitor.h"

#include <QJsonObject>
#include <QPointF>
#include <QSet>
#include <QVariantMap>
#include <array>
#include <memory>
#include <mutex>
#include <vector>

namespace sim {

class Displays {
public:
    void install(const std::vector<DeskDisplay>& displays);

    // The DDC/CI side of a monitor, or null for the panel and monitors without a channel.
    std::shared_ptr<Monitor> monitor(uint32_t displayID) const;
    // Makes the whole registry lookup fail.
    void setRegistryLookupFails(bool fails);

    // --- The window server's side ---
    std::optional<DeskDisplay> display(uint32_t id) const; // current state
    std::vector<DeskDisplay> all() const;
    uint32_t mainID() const;
    // A monitor comes online or leaves, as a KVM switch makes it; the callbacks fire.
    void setOnline(uint32_t id, bool online);
    // Only the first half of a reconfiguration: the begin flag, nothing changed yet.
    void beginReconfiguration(uint32_t id);
    // Adds a display at run time (plugged in); it comes online.
    void plug(const DeskDisplay& display);
    // Its cable is pulled: the display and its monitor leave the machine.
    void unplug(uint32_t id);

    // What lasts from one launch to the next: which displays are connected, online, where,
    // in which mode and mirror, their brightness, picture and each monitor's VCP values.
    QJsonObject snapshot() const;
    // Brings desk displays to a snapshot's state; displays it does not hold are unplugged.
    static void restore(std::vector<DeskDisplay>& displays, const QJsonObject& snapshot);
    // The user picks another desktop picture for a screen (see DeskDisplay::wallpaper).
    void setWallpaper(uint32_t id, const QString& wallpaper);
    // The transfer table set for a display, as {min, max, gamma} per channel; none: untouched.
    std::optional<std::array<float, 9>> transferFormula(uint32_t id) const;
    int colorSyncRestores() const;
    int completedTransactions() const;
    void setPointer(const QPointF& bottomLeftPoint);
    QPointF pointer() const;
    void setHostName(const QString& name);
    QString hostName() const;
    void setModesUnavailable(uint32_t id, bool unavailable);
    bool modesUnavailableFor(uint32_t id) const;
    void failNextConfiguration();

    // Private frameworks: each can be missing, whole or one symbol, class or selector.
    void setFrameworkPresent(const QString& path, bool present);
    void removeSymbol(const QString& name);
    void setKeyboardClientClassPresent(bool present);
    void removeKeyboardSelector(const QString& selector);
    bool frameworkPresent(const QString& path) const;
    bool symbolPresent(const QString& name) const;
    bool keyboardClassPresent() const;
    bool keyboardSelectorPresent(const QString& selector) const;
    std::optional<double> builtinBrightness(uint32_t id) const;
    bool setBuiltinBrightness(uint32_t id, double level);
    struct Keyboard {
        uint64_t id = 0x10000002a;
        bool builtIn = true;
        double level = 0.5;
        bool autoBrightness = true;
        int fadeSpeed = 0;
        bool commit = true;
    };
    Keyboard keyboard() const;
    void setKeyboard(const Keyboard& keyboard);

    // Used by the platform functions.
    void registerCallback(platform::displays::ReconfigurationCallback callback, void* userInfo);
    struct Pending {
        std::map<uint32_t, int> modes;
        std::map<uint32_t, std::pair<int, int>> origins;
        std::map<uint32_t, uint32_t> mirrors;
    };
    int complete(const Pending& pending);
    bool beginAllowed();
    void setFormula(uint32_t id, const std::array<float, 9>& formula);
    void restoreColorSync();

    // The registry, as platform::ioreg reaches it.
    struct Node {
        platform::ioreg::Entry id = 0;
        QString name;
        QString className;
        platform::ioreg::Entry parent = 0;
        std::vector<platform::ioreg::Entry> children;
        QVariantMap properties;
        std::weak_ptr<Monitor> monitor; // AV service proxies of external ports
    };
    bool registryLookupFails() const;
    std::vector<platform::ioreg::Entry> entriesOfClass(const QString& className) const;
    platform::ioreg::Entry entryNamed(const QString& name) const;
    std::optional<Node> node(platform::ioreg::Entry entry) const;

private:
    platform::ioreg::Entry addNode(const QString& name, const QString& className, platform::ioreg::Entry parent,
                                   QVariantMap properties = {});

    void buildRegistryLocked();
    void notify(const std::vector<uint32_t>& ids);
    void normalizeLocked();
    void placeUnmirroredLocked(uint32_t id, const std::vector<uint32_t>& unplaced);

    mutable std::recursive_mutex mutex_;
    std::vector<DeskDisplay> desk_;
    uint32_t main_ = 0;
    std::map<uint32_t, std::array<float, 9>> formulas_;
    int restores_ = 0;
    int transactions_ = 0;
    bool failNextConfiguration_ = false;
    std::optional<QPointF> pointer_;
    QString hostName_ = "Ece'nin MacBook Pro'su";
    QSet<uint32_t> modesUnavailable_;
    QSet<QString> missingFrameworks_;
    QSet<QString> missingSymbols_;
    bool keyboardClass_ = true;
    QSet<QString> missingKeyboardSelectors_;
    Keyboard keyboard_;
    std::vector<std::pair<platform::displays::ReconfigurationCallback, void*>> callbacks_;
    std::vector<std::shared_ptr<Monitor>> monitors_;
    std::vector<Node> nodes_; // entry id n is nodes_[n - 1]
    bool lookupFails_ = false;
};

} // namespace sim
