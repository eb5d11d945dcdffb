#pragma once
// The privileged helper's one object: the SMC connection, the adapter switch key, the running
// discharge with its 15 s watchdog, and the system's sleep block. Every field but the constant
// ones is read and written on `queue` only.
#include "platform/DispatchQueue.h"
#include "platform/DispatchSource.h"
#include "platform/PowerEvents.h"
#include "shared/HelperProtocol.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class Helper : public PelornHelperProtocol,
               public platform::xpc::ListenerDelegate,
               public std::enable_shared_from_this<Helper> {
public:
    struct AdapterKey {
        QString name;     // the four-character SMC key
        uint8_t disabled; // the value that switches the adapter off; 0 switches it on
    };

    // Replies are sent in Turkish; the application shows them in its own language.
    static constexpr const char* kMissingKeyText =
        QT_TRANSLATE_NOOP("Texts", "Bu Mac'te adaptör kontrol anahtarı bulunamadı");
    static constexpr const char* kBelowTargetText = QT_TRANSLATE_NOOP("Texts", "Pil zaten hedefin altında");
    static constexpr const char* kNeedsAdapterText =
        QT_TRANSLATE_NOOP("Texts", "Deşarj için adaptör takılı olmalı");
    static constexpr const char* kWriteFailedText = QT_TRANSLATE_NOOP("Texts", "SMC yazılamadı");
    static constexpr double kWatchdogInterval = 15.0;

    // Made once per process; the watchdog holds it weakly. Queued work refers to the object,
    // so the destructor waits until the queue ran dry.
    static std::shared_ptr<Helper> make();
    ~Helper() override;

    void start();     // from the main thread, before the service is offered
    void shutdown();  // waits on the queue: no discharge, adapter on, sleep unblocked
    void willSleep(); // waits on the queue: adapter on, target and sleep block kept
    void didWake();   // asynchronous: then one watchdog tick

    // PelornHelperProtocol: each enqueues its work and replies from the queue.
    void status(StatusReply reply) override;
    void startDischarge(int64_t target, StartReply reply) override;
    void stopDischarge(StopReply reply) override;

    // Every connection gets the client requirement and the one Helper as its exported object.
    // A requirement that names no certificate admits no one: any process can claim an
    // identifier.
    bool shouldAcceptNewConnection(platform::xpc::Connection& connection) override;

    // The code-signing requirement every client connection must meet.
    const QString& clientRequirement() const { return clientRequirement_; }
    static QString makeClientRequirement();

    // On the queue.
    void tick();
    bool adapterEnabled();
    bool externalPowerConnected();
    std::optional<int> batteryPercent();
    void setSleepBlocked(bool blocked);

    platform::SerialQueue& queue() { return queue_; }
    const std::optional<AdapterKey>& key() const { return key_; }
    int64_t target(); // waits on the queue
    static QString sleepMarkerPath();

private:
    Helper();
    bool switchAdapter(bool on);
    bool markerExists() const;
    void applySleepBlock(bool blocked);

    platform::SerialQueue queue_{"pelorn.helper"};
    uint32_t smc_ = 0;
    std::optional<AdapterKey> key_;
    int64_t target_ = 0;
    bool asleep_ = false;
    std::unique_ptr<platform::QueueTimer> timer_;
    QString clientRequirement_;
    platform::power::SetSystemPowerSetting setPowerSetting_ = nullptr;
    // Whether this process set "SleepDisabled" and has not set it back: the marker file may
    // fail to appear, and sleep must still be unblocked.
    bool sleepBlocked_ = false;
};
