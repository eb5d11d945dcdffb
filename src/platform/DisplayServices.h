#pragma once
// The window server's display services: online and active display lists, identity, bounds,
// modes, configuration transactions, the reconfiguration callback and colour transfer tables;
// the screens as the windowing side sees them; the host's name.
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform::displays {

using DisplayID = uint32_t; // 0 = the null display

enum Error : int { kSuccess = 0, kFailure = 1000, kIllegalArgument = 1001 };

// Writes up to `max` ids; `count` receives how many were written.
int onlineList(uint32_t max, DisplayID* ids, uint32_t* count);
int activeList(uint32_t max, DisplayID* ids, uint32_t* count);
DisplayID mirrorsDisplay(DisplayID id); // the master it mirrors, or 0
bool isBuiltin(DisplayID id);
bool isMain(DisplayID id);
DisplayID mainDisplay();
uint32_t vendorNumber(DisplayID id);
uint32_t modelNumber(DisplayID id);
uint32_t serialNumber(DisplayID id);
QRectF bounds(DisplayID id); // global coordinates: top-left of the main display, y down

enum ChangeFlag : uint32_t { kBeginConfigurationFlag = 1 };
using ReconfigurationCallback = void (*)(DisplayID display, uint32_t flags, void* userInfo);
void registerReconfigurationCallback(ReconfigurationCallback callback, void* userInfo);

struct Mode {
    DisplayID display = 0;
    int index = 0; // the platform's own handle
    int width = 0;
    int height = 0;
    int pixelWidth = 0;
    double refresh = 0;
    bool usableForDesktop = true;
};
using ModeRef = std::shared_ptr<const Mode>;
// nullopt when the platform hands back nothing usable as a list.
std::optional<std::vector<ModeRef>> allModes(DisplayID id, bool showDuplicateLowResolutionModes);
ModeRef currentMode(DisplayID id);

struct Configuration;
using ConfigRef = std::shared_ptr<Configuration>;
enum ConfigureOption : int { kConfigureForAppOnly = 0, kConfigureForSession = 1, kConfigurePermanently = 2 };
int beginConfiguration(ConfigRef* config);
int configureMode(const ConfigRef& config, DisplayID id, const ModeRef& mode);
int configureOrigin(const ConfigRef& config, DisplayID id, int x, int y);
int configureMirror(const ConfigRef& config, DisplayID id, DisplayID master);
int completeConfiguration(const ConfigRef& config, ConfigureOption option);

int setTransferByFormula(DisplayID id, float redMin, float redMax, float redGamma, float greenMin, float greenMax,
                         float greenGamma, float blueMin, float blueMax, float blueGamma);
void restoreColorSyncSettings();

} // namespace platform::displays

namespace platform::screens {

struct Screen {
    QVariantMap deviceDescription; // "NSScreenNumber": the display id
    QString localizedName;
    QRectF frame; // bottom-left origin, y up
};
std::vector<Screen> screens();
QPointF mouseLocation(); // bottom-left origin, y up
bool mouseInRect(const QPointF& point, const QRectF& rect);
// The screen with the key window (the one with the menu bar when no window is key); none
// without screens.
std::optional<Screen> mainScreen();
// The application's screen-parameters-changed notification: `observer` runs on the main
// thread after screens come, go, move or change mode. The token removes it.
int addParametersObserver(std::function<void()> observer);
void removeParametersObserver(int token);

} // namespace platform::screens

namespace platform::host {
QString localizedName(); // empty when there is none
} // namespace platform::host
