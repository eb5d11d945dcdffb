#include "bridge/ChargeLimitBridge.h"

#include "platform/ChargeLimit.h"

#include <memory>
#include <mutex>

namespace cl = platform::chargelimit;

namespace {

std::mutex gMutex;
bool gLooked = false;
std::shared_ptr<cl::Client> gClient;

// Made once per process: the framework, its class and its initialiser, or no client for good.
std::shared_ptr<cl::Client> mcl_client()
{
    std::lock_guard lock(gMutex);
    if (!gLooked) {
        gLooked = true;
        const QString className = "PowerUISmartChargeClient";
        if (cl::loadFramework(cl::kFrameworkPath) && cl::classExists(className)
            && cl::instancesRespond(className, "initWithClientName:"))
            gClient = cl::createClient(className, "Pelorn");
    }
    return gClient;
}

bool responds(const std::shared_ptr<cl::Client>& object, const char* selector)
{
    return object && object->responds(selector);
}

} // namespace

bool mcl_supported()
{
    const auto client = mcl_client();
    return responds(client, "isMCLSupported") && client->isMCLSupported();
}

int32_t mcl_get_limit()
{
    const auto client = mcl_client();
    if (!responds(client, "getMCLLimitWithError:"))
        return -1;
    std::optional<cl::Error> error;
    const qint64 limit = client->getMCLLimit(&error);
    if (error)
        return -1;
    return int32_t(limit);
}

int32_t mcl_set_limit(int32_t limit)
{
    const auto client = mcl_client();
    if (!responds(client, "setMCLLimit:error:") || uint32_t(limit) >= 101)
        return 0;
    std::optional<cl::Error> error;
    const bool ok = client->setMCLLimit(limit, &error);
    if (error)
        return 0;
    return ok ? 1 : 0;
}

int32_t mcl_available(int32_t* out, int32_t max)
{
    const auto client = mcl_client();
    if (!responds(client, "availableChargeLimitsWithError:"))
        return 0;
    std::optional<cl::Error> error;
    const QVariant result = client->availableChargeLimits(&error);
    if (error || result.typeId() != QMetaType::QVariantList)
        return 0;
    int32_t written = 0;
    for (const QVariant& element : result.toList()) {
        if (written >= max)
            break;
        if (cl::answersIntValue(element))
            out[written++] = cl::intValue(element);
    }
    return written;
}

void mcl_reset_for_testing()
{
    std::lock_guard lock(gMutex);
    gLooked = false;
    gClient.reset();
}
