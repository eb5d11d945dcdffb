#pragma once
// The AppleSMC kernel user client: find the service, open a connection, and pass 80-byte key
// records through its structure method. Status codes are the kernel's return values.
#include <cstddef>
#include <cstdint>

namespace platform::smc {

constexpr int32_t kReturnSuccess = 0;
constexpr int32_t kReturnError = int32_t(0xE00002BC);
constexpr int32_t kReturnBadArgument = int32_t(0xE00002C2);
constexpr int32_t kReturnNotOpen = int32_t(0xE00002CD);
constexpr int32_t kReturnUnsupported = int32_t(0xE00002C7);

// The first registry service of the class; 0 when there is none.
uint32_t matchingService(const char* className);
// Opens a user client of the given type on the service for the calling task.
int32_t open(uint32_t service, uint32_t type, uint32_t* connection);
void release(uint32_t object);
// One structure-method call; outputSize carries the buffer's size in and the reply's size out.
int32_t callStructMethod(uint32_t connection, uint32_t selector, const void* input, size_t inputSize,
                         void* output, size_t* outputSize);

} // namespace platform::smc
