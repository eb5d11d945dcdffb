#pragma once
// The showcase switch: a process-wide mode for product screenshots in which nothing is
// persisted and no profile is applied by itself, sample data stands in for the machine's own,
// and the application stages its windows and describes them in an info file.
#include <QByteArray>
#include <QColor>
#include <QMap>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct AudioDevice;
class QAbstractScrollArea;
class QWidget;
class AudioManager;
class AutomationManager;
class BatteryManager;
class DisplayManager;

class Showcase {
public:
    Showcase() = delete;

    // True exactly when PELORN_SHOWCASE is "1"; read once, constant for the process.
    static bool isEnabled();
    static bool enabledIn(const QMap<QString, QString>& environment);
    // One variable of the environment the switch was read from; none when it is absent.
    static std::optional<QString> variable(const QString& name);
    // The interface speaks English: its first preferred localization begins with "en".
    static bool isEnglish();

    // Before any manager exists: the launch arguments become a volatile domain with typed
    // values (see typedArgument), and an empty profile list is added when none is given, so
    // the user's own profiles stay hidden. Does nothing outside the mode.
    static void prepareDefaults();
    // "YES"/"NO" as Booleans, whole numbers as 64-bit integers, other finite numbers as
    // doubles; anything else (padded text, "inf", "nan" among it) stays the text.
    static QVariant typedArgument(const QString& text);

    // After the hub has started: the mode's sample profile, the backdrop, and 0.6 s later the
    // staging of the panel (PELORN_SHOWCASE_PANEL=1) or of the main window, ending with the info
    // file. Nothing happens outside the mode; a missing piece ends the staging silently.
    static void start();
    // A profile for the first external display, filled from the current desk, as the only
    // stored profile of the run; none without an external display.
    static void addSampleProfile(const DisplayManager& display, const AudioManager& audio,
                                 const BatteryManager& battery, AutomationManager& automation);

    // What the mode changes in the sound device lists: tidied names and the devices it
    // presents as the defaults. Outside the mode names pass unchanged and there is no default.
    static QString presentedName(const QString& name);
    static QString presentedName(const QString& name, bool showcase, bool english);
    static std::optional<uint32_t> presentedOutput(const std::vector<AudioDevice>& outputs);
    static std::optional<uint32_t> presentedInput(const std::vector<AudioDevice>& inputs);

    // Staging geometry. Frames are global screen coordinates (bottom-left origin, y up);
    // synthesised events and pointer warps take event coordinates (top-left origin, y down).
    static constexpr double kInsetLeft = 40;
    static constexpr double kInsetTop = 24;
    static constexpr double kPointerOffset = 40;
    static constexpr double kPointerScreenMargin = 4;
    static constexpr const char* kDefaultSize = "1440x900";
    // The longest side a window may be staged or fitted at, past an 8K screen's width. Beyond
    // it no screen shows the window, and its buffer alone runs to gigabytes (at 2^31 the frame
    // no longer rounds to integers).
    static constexpr double kMaxSide = 8192;
    static constexpr const char* kDefaultBackdrop = "0B0B0F";

    // "<width>x<height>": exactly two numbers between the "x"s, empty pieces and pieces that
    // are not numbers dropped; none when a size is not positive or a side is over kMaxSide.
    static std::optional<QSizeF> parseSize(const QString& text);
    // The backdrop's colour from the variable's value (none: the default); none for "none"
    // and for anything that is not a hexadecimal RGB value.
    static std::optional<QColor> backdropColor(const std::optional<QString>& raw);
    // A window of the given size, 40 pt from the visible frame's left edge and 24 pt below its
    // top, or at its top when it would not fit below that.
    static QRectF placedFrame(const QRectF& visibleFrame, const QSizeF& size);
    // Between global and event coordinates; none without a screen (the first of `screens`).
    static std::optional<QPointF> toEventCoordinates(const QPointF& point, const std::vector<QRectF>& screens);
    // Where the pointer goes so it does not hover over `rect`: beside the window at the first
    // screen's vertical centre; none when it is not over the window or there is no screen.
    static std::optional<QPointF> pointerOutOf(const QRectF& rect, const QPointF& pointer,
                                               const std::vector<QRectF>& screens);

    // Named view frames for the info file (window content coordinates, y down).
    static QMap<QString, QRectF>& anchors();

    // The scene the staging set up, as the info file describes it.
    struct InfoWindow {
        int64_t id = 0;
        QString className;
        QString title;
        QString identifier;
        QRectF frame; // global, bottom-left origin
    };
    struct Info {
        QString page;
        bool active = false;
        QString language;
        QMap<QString, QRectF> anchors;
        std::vector<InfoWindow> windows; // visible ones, in window order
        std::optional<int64_t> main;
        std::optional<int64_t> panel;
        std::optional<int64_t> backdrop;
    };
    // Pretty-printed JSON with every object's keys sorted.
    static QByteArray infoJson(const Info& info);
    // Creates or replaces the file; no path, no file. Written beside it and renamed into place,
    // so a link there is replaced rather than followed and a FIFO never blocks; refused (logged)
    // where something other than a regular file stands, and in the application's own stores.
    // Failures are not otherwise reported.
    static void writeInfo(const Info& info, const std::optional<QString>& path);

    // The staging's steps, each on the main thread; the delays run on the shared clock.
    static void openPanel();
    static void openMainWindow();
    // Resizes the window until its page's content fits (height for the window's width), at
    // most `passes` times 0.5 s apart, placing it on `visibleFrame` (global); then `done`.
    static void fitToContent(QWidget* window, const QRectF& visibleFrame, int passes, std::function<void()> done);
    // The view itself when it is a scroll area, then every scroll area inside it, depth first.
    static std::vector<QAbstractScrollArea*> scrollViews(QWidget* view);
    // The scroll area whose document is the page: not a list, the tallest content, earliest on
    // a tie; none without one.
    static QAbstractScrollArea* pageScrollView(QWidget* window);
    // The document's height for the viewport's width plus the insets, and what the viewport shows.
    static double contentHeight(const QAbstractScrollArea* area);
    // Puts a window at the size on the visible frame (global) by placedFrame.
    static void place(QWidget* window, const QRectF& visibleFrame, const QSizeF& size);
    // A synthesised left click at a global point: moved, down, up, each followed by 60 ms.
    static void click(const QPointF& point);
    static void warpPointer(const QPointF& point);
    static void movePointer(const QRectF& outOf);
    // The info file's description of the scene as it stands.
    static Info currentInfo();
    // The staged windows (null when not staged).
    static QWidget* backdrop();
    static QWidget* panelWindow();
    static QWidget* mainWindow();

    // Tests only: force the switch for this process (nullopt goes back to the environment).
    static void setEnabledForTesting(std::optional<bool> enabled);
    // Tests only: what variable() answers for these names instead of the environment (a
    // missing value: absent); an empty map goes back to the environment.
    static void setVariablesForTesting(const QMap<QString, std::optional<QString>>& variables);

private:
    static void ready();
    static void forceActivate();
    static void allowOffscreen(QWidget* window);
    // A finite decimal number making up the whole text: Qt's parser alone would take
    // surrounding blanks, "inf" and "nan".
    static std::optional<double> decimalNumber(const QString& text);
};
