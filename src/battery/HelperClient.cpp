#include "battery/HelperClient.h"

#include "battery/BatteryTexts.h"
#include "platform/DispatchQueue.h"
#include "platform/Paths.h"
#include "shared/HelperConstants.h"

#include <QFile>
#include <QPointer>

namespace {
QString sv(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
} // namespace

// The live connection to the helper's service.
class HelperConnection {
public:
    virtual ~HelperConnection() = default;
};

HelperClient::HelperClient(QObject* parent) : QObject(parent) {}
HelperClient::~HelperClient() = default;

HelperConnection* HelperClient::proxy(std::function<void()>)
{
    return connection_.get();
}

void HelperClient::dropConnection() { connection_.reset(); }

void HelperClient::status(std::function<void(std::optional<HelperStatus>)> completion)
{
    if (!QFile::exists(platform::paths::map(sv(HelperConstants::installPath)))) {
        completion(std::nullopt);
        return;
    }
    auto fail = [completion] { platform::mainQueue::async([completion] { completion(std::nullopt); }); };
    if (!proxy(fail)) {
        fail();
        return;
    }
}

void HelperClient::startDischarge(int, std::function<void(bool, std::optional<QString>)> completion)
{
    auto fail = [completion] {
        platform::mainQueue::async([completion] { completion(false, batterytexts::localized("Yardımcıya bağlanılamadı")); });
    };
    if (!proxy(fail)) {
        fail();
        return;
    }
}

void HelperClient::stopDischarge(std::function<void(bool)> completion)
{
    auto fail = [completion] { platform::mainQueue::async([completion] { completion(false); }); };
    if (!proxy(fail)) {
        fail();
        return;
    }
}

HelperClient::InstallResult HelperClient::install()
{
    return InstallResult::failure({"Pelorn", 2, batterytexts::localized("Yetkilendirme başarısız")});
}

HelperClient::InstallResult HelperClient::uninstall()
{
    return InstallResult::failure({"Pelorn", 2, batterytexts::localized("Yetkilendirme başarısız")});
}

HelperClient::InstallResult HelperClient::runAsAdmin(const QString&)
{
    return InstallResult::failure({"Pelorn", 2, batterytexts::localized("Yetkilendirme başarısız")});
}
