#include "shared/Hardware.h"

#include "platform/Smc.h"

#include <cstring>

namespace {
constexpr uint32_t kSmcStructSelector = 2;
} // namespace

bool smc_call(uint32_t connection, const SMCKeyRecord& request, SMCKeyRecord& reply)
{
    size_t replySize = sizeof(SMCKeyRecord);
    std::memset(&reply, 0, sizeof reply);
    const int32_t status = platform::smc::callStructMethod(connection, kSmcStructSelector, &request,
                                                           sizeof request, &reply, &replySize);
    return status == platform::smc::kReturnSuccess && reply.result == 0;
}

uint32_t smc_pack_key(const char* name)
{
    const auto* b = reinterpret_cast<const unsigned char*>(name);
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

uint32_t smc_open()
{
    const uint32_t service = platform::smc::matchingService("AppleSMC");
    if (service == 0)
        return 0;
    uint32_t connection = 0;
    const int32_t status = platform::smc::open(service, 0, &connection);
    platform::smc::release(service);
    return status == platform::smc::kReturnSuccess ? connection : 0;
}

bool smc_key_info(uint32_t connection, uint32_t key, SMCKeyInfo* info)
{
    SMCKeyRecord request{};
    SMCKeyRecord reply;
    request.key = key;
    request.command = kSMCCommandKeyInfo;
    if (!smc_call(connection, request, reply))
        return false;
    std::memcpy(info, &reply.keyInfo, sizeof(SMCKeyInfo));
    return true;
}

int32_t smc_read(uint32_t connection, const char* name, uint8_t* out, uint32_t capacity)
{
    const uint32_t key = smc_pack_key(name);
    SMCKeyInfo info;
    if (!smc_key_info(connection, key, &info))
        return -1;
    SMCKeyRecord request{};
    SMCKeyRecord reply;
    request.key = key;
    request.keyInfo.dataSize = info.dataSize;
    request.command = kSMCCommandReadKey;
    if (!smc_call(connection, request, reply))
        return -1;
    uint32_t n = info.dataSize;
    if (capacity < n)
        n = capacity;
    if (n > sizeof reply.bytes)
        n = sizeof reply.bytes;
    std::memcpy(out, reply.bytes, n);
    return int32_t(n);
}
