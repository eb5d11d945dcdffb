#include "battery/BatteryHistory.h"

#include "app/Codable.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Paths.h"

#include <QDir>
#include <QSaveFile>
#include <algorithm>
#include <optional>

namespace json = pelorn::json;

QString BatteryHistory::defaultPath()
{
    const QString folder = platform::paths::applicationSupport();
    QDir().mkpath(folder); // a failure shows later as a failed write, which is silent
    return folder + "/battery-history.json";
}

BatteryHistory::BatteryHistory(QString path) : path_(std::move(path)) {}

QString BatteryHistory::asideStem() const
{
    QString p = path_;
    if (p.endsWith(".json"))
        p.chop(5);
    return p + ".corrupt";
}

QString BatteryHistory::asidePath() const { return asideStem() + ".json"; }

std::vector<BatterySample> BatteryHistory::load(double now) const
{
    const platform::files::Contents file = platform::files::readRegular(path_, kMaxFileBytes);
    std::optional<std::vector<BatterySample>> samples;
    switch (file.status) {
    case platform::files::ReadStatus::ok:
        if (const auto parsed = json::fromBytes(file.bytes))
            samples = json::decode<std::vector<BatterySample>>(*parsed);
        break;
    case platform::files::ReadStatus::tooLarge:
        break; // not ours either, but someone's data: kept like a corrupt file
    default:
        return {}; // missing or unreadable; the next write replaces it where it can
    }
    if (!samples) {
        // The next write would replace it; keep the user's data where it can still be read, and
        // keep an earlier copy too.
        const QString kept = platform::files::moveAside(path_, asideStem(), ".json");
        if (!kept.isEmpty())
            platform::log::write("Pelorn: unreadable battery history kept as " + kept);
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
    platform::files::removeIfNotRegular(path_); // replaced, never written through
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(json::toBytes(value));
    return file.commit();
}
