#include "helper/smc/SmcWrite.h"

#include <cstring>

bool smc_write(uint32_t connection, const char* name, const uint8_t* data, uint32_t length)
{
    const uint32_t key = smc_pack_key(name);
    SMCKeyInfo info;
    if (!smc_key_info(connection, key, &info))
        return false;
    if (length > sizeof(SMCKeyRecord::bytes) || length != info.dataSize)
        return false;
    SMCKeyRecord request{};
    SMCKeyRecord reply;
    request.key = key;
    request.keyInfo.dataSize = length;
    request.command = kSMCCommandWriteKey;
    std::memcpy(request.bytes, data, length);
    return smc_call(connection, request, reply);
}
