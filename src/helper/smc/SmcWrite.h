#pragma once
// Writing an SMC key. Only the privileged helper writes keys, so this is a library of its own
// that the helper links and the application does not.
#include "shared/Hardware.h"

// Refused before sending when length is above 32 or differs from the key's size.
bool smc_write(uint32_t connection, const char* name, const uint8_t* data, uint32_t length);
