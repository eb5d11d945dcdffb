#pragma once
// The 24-hour battery history and its file: one sample a minute, oldest first, kept in
// "battery-history.json" so the charts survive a restart.
#include "battery/BatteryTypes.h"

#include <QString>
#include <vector>

class BatteryHistory {
public:
    static constexpr double kWindow = 86400; // s
    static constexpr int kWriteEvery = 10;   // samples
    // 1440 samples take about 150 KB; a file past this bound is no history this system wrote.
    static constexpr qint64 kMaxFileBytes = 16 << 20;

    // The file in the Application Support folder; the folder is created when missing.
    static QString defaultPath();

    explicit BatteryHistory(QString path);

    // The file's samples newer than the window. A missing or unreadable file (a FIFO, a link
    // to a device, a folder) gives nothing; one that does not decode or is past the bound is
    // moved aside (kept for the user, never overwritten, an earlier copy neither) and gives
    // nothing.
    std::vector<BatterySample> load(double now) const;

    // Appends the sample, drops the leading run of samples that left the window, and writes
    // the file once every kWriteEvery samples since the last write. Counting since the last
    // write (not the list's length) keeps the cadence once the window is full and the length
    // stays put. Returns whether the file was written.
    bool record(std::vector<BatterySample>& history, const BatterySample& sample);

    // Written whole and atomically; false on an encoding or file error.
    bool write(const std::vector<BatterySample>& history) const;

    const QString& path() const { return path_; }
    // Where the first corrupt file is kept; later ones get "-2", "-3", ... before ".json".
    QString asidePath() const;

private:
    QString asideStem() const;
    QString path_;
    int sinceWrite_ = 0;
};
