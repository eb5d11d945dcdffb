#pragma once
// The helper's service, built into both programs. Each method returns at once; its answer
// travels only through the reply, which is called exactly once. An absent error means none.
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class PelornHelperProtocol {
public:
    using StatusReply = std::function<void(int64_t version, bool adapterEnabled, int64_t target,
                                           std::optional<QString> error)>;
    using StartReply = std::function<void(bool ok, std::optional<QString> error)>;
    using StopReply = std::function<void(bool adapterEnabled)>;

    virtual ~PelornHelperProtocol() = default;

    virtual void status(StatusReply reply) = 0;                            // statusWithReply:
    virtual void startDischarge(int64_t target, StartReply reply) = 0;     // startDischargeTo:reply:
    virtual void stopDischarge(StopReply reply) = 0;                       // stopDischargeWithReply:
};
