#include "audio/CA.h"

#include "platform/Audio.h"

using namespace platform::audio;

namespace CA {

std::vector<uint32_t> objectList(uint32_t object, uint32_t selector, uint32_t scope)
{
    const PropertyAddress address{selector, scope, kElementMain};
    uint32_t size = 0;
    if (getPropertyDataSize(object, address, 0, nullptr, size) != kNoError || size == 0)
        return {};
    std::vector<uint32_t> ids(size / 4, 0);
    uint32_t got = uint32_t(ids.size() * 4);
    if (getPropertyData(object, address, 0, nullptr, got, ids.data()) != kNoError)
        return {};
    // The list may have shrunk between the two calls: keep only what was written.
    ids.resize(std::min<size_t>(ids.size(), got / 4));
    return ids;
}

namespace {
bool settableVolume(uint32_t device, uint32_t scope, uint32_t element)
{
    const PropertyAddress address{kDeviceVolumeScalar, scope, element};
    if (!hasProperty(device, address))
        return false;
    bool settable = false;
    return isPropertySettable(device, address, settable) == kNoError && settable;
}
} // namespace

std::vector<uint32_t> volumeElements(uint32_t device, uint32_t scope)
{
    if (device == 0)
        return {};
    if (settableVolume(device, scope, 0))
        return {0};
    std::vector<uint32_t> out;
    for (uint32_t e : {1u, 2u})
        if (settableVolume(device, scope, e))
            out.push_back(e);
    return out;
}

float readVolume(uint32_t device, uint32_t scope)
{
    float sum = 0;
    int count = 0;
    for (uint32_t e : volumeElements(device, scope)) {
        const PropertyAddress address{kDeviceVolumeScalar, scope, e};
        if (!hasProperty(device, address))
            continue;
        float v = 0;
        uint32_t size = sizeof(v);
        if (getPropertyData(device, address, 0, nullptr, size, &v) == kNoError) {
            sum += v;
            ++count;
        }
    }
    return count ? sum / float(count) : 0.0f;
}

void writeVolume(uint32_t device, float value, uint32_t scope)
{
    for (uint32_t e : volumeElements(device, scope))
        setPropertyData(device, {kDeviceVolumeScalar, scope, e}, sizeof(value), &value);
}

} // namespace CA
