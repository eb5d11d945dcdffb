#pragma once
// The native bridge: flat functions with plain integer results over the platform's display
// ports, private frameworks and power services. They keep no state of their own beyond what
// each section says; callers serialise the DDC/CI ones on one queue.
#include "platform/IoRegistry.h"

#include <QVariantMap>
#include <cstdint>

// --- DDC/CI over the I2C channel of external display ports ---

// A reference-counted handle of one external port's channel; null means none.
using ddc_service = platform::avservice::Ref;

int ddc_service_count();
// The external port at that zero-based registry position; the count receives how many there are.
ddc_service ddc_nth(int index, unsigned* count);
// The port of the monitor with that identity; `ordinal` tells identical monitors apart and
// `fallbackIndex` (>= 0) is used when no port matches.
ddc_service ddc_service_for_display(uint32_t vendor, uint32_t model, uint32_t serial, int ordinal, int fallbackIndex);
// ddc_nth's index of the port that matches the identity (no fallback); -1 when none does.
int ddc_port_index(uint32_t vendor, uint32_t model, uint32_t serial, int ordinal);
int is_external(platform::ioreg::Entry entry);
int ddc_write(const ddc_service& service, uint8_t vcp, uint16_t value);
int ddc_read(const ddc_service& service, uint8_t vcp, uint16_t* current, uint16_t* maximum);
// The capabilities string, NUL-terminated; returns the bytes stored without the terminator.
int ddc_capabilities(const ddc_service& service, char* buffer, int size);
int number_in(const QVariantMap& dictionary, const QString& key, int64_t* result);

// --- Built-in panel brightness and keyboard backlight (private frameworks) ---
// Each answers unsupported (0, or -1.0 for the keyboard level) when its framework, class or
// selector is missing.

int builtin_get_brightness(uint32_t display, float* level); // 0.0-1.0
int builtin_set_brightness(uint32_t display, float level);
int kbd_builtin_id(uint64_t* id);
float kbd_get_brightness(uint64_t id);
int kbd_set_brightness(uint64_t id, float level);
int kbd_get_auto(uint64_t id);
int kbd_set_auto(uint64_t id, int enabled);
// Tests only: a fresh simulated machine gets a fresh framework handle and keyboard client.
void bridge_forget_cached_clients();
