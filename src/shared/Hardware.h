#pragma once
// The SMC functions: open the AppleSMC user client, describe and read a key through the
// 80-byte key record. Plain integers and booleans, no state, no logging; the caller holds the
// connection (0 = none), opened once per process and never closed.
#include <cstddef>
#include <cstdint>

struct SMCKeyInfo {
    uint32_t dataSize;
    uint32_t dataType;
    uint8_t dataAttributes;
    uint8_t padding[3];
};

// The wire record of every request and reply, in the host's (little-endian) byte order.
struct SMCKeyRecord {
    uint32_t key;
    uint8_t reserved[24];
    SMCKeyInfo keyInfo;
    uint8_t result;
    uint8_t status;
    uint8_t command;
    uint8_t padding;
    uint32_t data32;
    uint8_t bytes[32];
};

static_assert(sizeof(SMCKeyInfo) == 12);
static_assert(sizeof(SMCKeyRecord) == 80);
static_assert(offsetof(SMCKeyRecord, keyInfo) == 28);
static_assert(offsetof(SMCKeyRecord, result) == 40);
static_assert(offsetof(SMCKeyRecord, command) == 42);
static_assert(offsetof(SMCKeyRecord, data32) == 44);
static_assert(offsetof(SMCKeyRecord, bytes) == 48);

enum : uint8_t {
    kSMCCommandReadKey = 5,
    kSMCCommandWriteKey = 6,
    kSMCCommandKeyInfo = 9,
};

// "TB0T" -> 0x54423054: the first character in the most significant byte.
uint32_t smc_pack_key(const char* name);

// One structure-method round trip; true when the call and the SMC both report success.
bool smc_call(uint32_t connection, const SMCKeyRecord& request, SMCKeyRecord& reply);

uint32_t smc_open();
bool smc_key_info(uint32_t connection, uint32_t key, SMCKeyInfo* info);
// Copies min(key size, capacity, 32) bytes and returns that count; -1 on any failure.
int32_t smc_read(uint32_t connection, const char* name, uint8_t* out, uint32_t capacity);
// Writing a key is the helper's alone: helper/smc/SmcWrite.h.
