#include "battery/BatteryHistory.h"

#include "app/Codable.h"
#include "platform/Log.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <algorithm>

namespace json = pelorn::json;

QString BatteryHistory::defaultPath()
{
    const QString folder = platform::paths::applicationSupport();
    QDir().mkpath(folder); // a failure shows later as a failed write, which is silent
    return folder + "/battery-history.json";
}

BatteryHistory::BatteryHistory(QString path) : path_(std::move(path)) {}

QString BatteryHistory::asidePath() const
{
    QString p = path_;
    if (p.endsWith(".json"))
        p.chop(5);
    return p + ".corrupt.json";
}

std::vector<BatterySample> BatteryHistory::load(double now) const
{
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    file.close();

    const auto parsed = json::fromBytes(bytes);
    const auto samples = parsed ? json::decode<std::vector<BatterySample>>(*parsed) : std::nullopt;
    if (!samples) {
        // The next write would replace it; keep the user's data where it can still be read.
        QFile::remove(asidePath());
        if (QFile::rename(path_, asidePath()))
            platform::log::write("Pelorn: unreadable battery history kept as " + asidePath());
        return {};
    }
    const double cutoff = now - kWindow;
    std::vector<BatterySample> kept;
    std::copy_if(samples->begin(), samples->end(), std::back_inserter(kept),
                 [cutoff](const BatterySample& s) { return s.date > cutoff; });
    return kept;
}

bool BatteryHistory::record(std::vector<BatterySample>& history, const BatterySample& sample)
{
    history.push_back(sample);
    const double cutoff = sample.date - kWindow;
    const auto firstKept = std::find_if(history.begin(), history.end(),
                                        [cutoff](const BatterySample& s) { return s.date > cutoff; });
    history.erase(history.begin(), firstKept);

    if (++sinceWrite_ < kWriteEvery)
        return false;
    sinceWrite_ = 0;
    return write(history);
}

bool BatteryHistory::write(const std::vector<BatterySample>& history) const
{
    const QJsonValue value = json::encode(history);
    if (!json::isEncodable(value))
        return false;
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(json::toBytes(value));
    return file.commit();
}
