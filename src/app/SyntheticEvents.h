#pragma once
#include <cstdint>

// Written into the source user-data field of every scroll event the application posts, so that
// its own scroll tap lets them pass: "ZVTA".
inline constexpr int64_t kSyntheticMark = 0x5A565441;
