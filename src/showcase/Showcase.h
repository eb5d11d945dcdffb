#pragma once
// The showcase switch: a process-wide mode for product screenshots in which nothing is
// persisted and no profile is applied by itself.
#include <QMap>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

struct AudioDevice;

class Showcase {
public:
    Showcase() = delete;

    // True exactly when PELORN_SHOWCASE is "1"; read once, constant for the process.
    static bool isEnabled();
    static bool enabledIn(const QMap<QString, QString>& environment);

    // Before any manager exists: the launch arguments become a volatile domain with
    // "YES"/"NO" as Booleans and numeric strings as Doubles, and an empty profile list is
    // added when none is given. Does nothing outside the mode.
    static void prepareDefaults();

    // After the hub has started: the mode's sample profile, backdrop and scripted windows.
    // Nothing happens outside the mode; the staging itself is not built yet.
    static void start();

    // What the mode changes in the sound device lists: tidied names and the devices it
    // presents as the defaults. Outside the mode names pass unchanged and there is no default.
    static QString presentedName(const QString& name);
    static QString presentedName(const QString& name, bool showcase, bool english);
    static std::optional<uint32_t> presentedOutput(const std::vector<AudioDevice>& outputs);
    static std::optional<uint32_t> presentedInput(const std::vector<AudioDevice>& inputs);

    // The frames of the views marked with showcaseAnchor(), by name, in their windows; the
    // last report of a name wins and entries stay for the life of the process.
    static QMap<QString, QRectF>& anchors();

    // Tests only: force the switch for this process (nullopt goes back to the environment).
    static void setEnabledForTesting(std::optional<bool> enabled);
};
