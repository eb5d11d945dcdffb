#pragma once
// System power: the registration for sleep and wake messages with the allow call that answers
// them, sleep on request, and the system-wide power settings ("SleepDisabled").
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <cstdint>

namespace platform::power {

constexpr uint32_t kMessageCanSystemSleep = 0xE0000270;
constexpr uint32_t kMessageSystemWillSleep = 0xE0000280;
constexpr uint32_t kMessageSystemHasPoweredOn = 0xE0000300;

struct NotificationPort;
using Callback = void (*)(void* refcon, uint32_t service, uint32_t messageType, void* argument);

// Returns the root power connection (0 on failure) and fills in the port and the notifier.
// Messages arrive once the port is on the main run loop, on the main thread.
uint32_t registerForSystemPower(void* refcon, NotificationPort** port, Callback callback, uint32_t* notifier);
void addToMainRunLoop(NotificationPort* port);
// Answers a can-sleep or will-sleep message; the system waits for it before sleeping.
int32_t allowPowerChange(uint32_t rootPort, void* argument);

// Sleep on request: the power-management connection (0 when it cannot be opened), the sleep
// request on it, and its release. The request returns at once; the sleep follows.
uint32_t findPowerManagement();
int32_t sleepSystem(uint32_t connection);
void serviceClose(uint32_t connection);

// The system power setting call, in the form the run-time lookup hands out.
using SetSystemPowerSetting = int32_t (*)(const QString& key, const QVariant& value);
int32_t setSystemPowerSetting(const QString& key, const QVariant& value);
QVariantMap copySystemPowerSettings();

} // namespace platform::power
