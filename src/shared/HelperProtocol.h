#pragma once
// The helper's service, built into both programs. Each method returns at once; its answer
// travels only through the reply, which is called exactly once. An absent error means none.
#include "platform/Xpc.h"

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

// The service interface made from the protocol: selectors with their argument and reply kinds.
const platform::xpc::Interface& helperInterface();

// Decodes calls for an exported object; the object must outlive the connections.
platform::xpc::ExportedObject exportHelper(PelornHelperProtocol& object);

// The remote side of a connection as the protocol; a call that fails on the connection gets
// onError instead of its reply.
class PelornHelperProxy final : public PelornHelperProtocol {
public:
    PelornHelperProxy(platform::xpc::RemoteConnection& connection, std::function<void()> onError);
    void status(StatusReply reply) override;
    void startDischarge(int64_t target, StartReply reply) override;
    void stopDischarge(StopReply reply) override;

private:
    platform::xpc::RemoteConnection& connection_;
    std::function<void()> onError_;
};
