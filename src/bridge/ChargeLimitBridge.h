#pragma once
// The macOS charge limit as flat functions over the private smart-charge client: plain
// integers, nothing thrown, every call checks that the client exists and answers first.
#include <cstdint>

// Whether this Mac offers a charge limit.
bool mcl_supported();
// The current limit in percent, or -1 when it cannot be read.
int32_t mcl_get_limit();
// 1 when the limit (0-100) was set, else 0; values outside 0-100 are refused unsent.
int32_t mcl_set_limit(int32_t limit);
// Writes up to max offered limits to out, in the client's order; returns how many.
int32_t mcl_available(int32_t* out, int32_t max);

// Tests: forget the process's client, so the next call looks for the framework again.
void mcl_reset_for_testing();
