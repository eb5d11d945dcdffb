#pragma once
// Small helpers over the audio objects, shared by the audio managers and the idle blackout.
#include <cstdint>
#include <vector>

namespace CA {

// The object ids of a list property; [] when it cannot be read.
std::vector<uint32_t> objectList(uint32_t object, uint32_t selector, uint32_t scope);
// The elements that carry a settable volume: [0], or those of [1, 2] that do, or [].
std::vector<uint32_t> volumeElements(uint32_t device, uint32_t scope);
// The mean of the readable volume elements, 0 when none.
float readVolume(uint32_t device, uint32_t scope);
void writeVolume(uint32_t device, float value, uint32_t scope);

} // namespace CA
