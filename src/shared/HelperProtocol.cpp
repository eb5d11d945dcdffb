#include "shared/HelperProtocol.h"

namespace {

using platform::xpc::Kind;

QCborValue optionalString(const std::optional<QString>& s) { return s ? QCborValue(*s) : QCborValue(nullptr); }
std::optional<QString> optionalString(const QCborValue& v)
{
    return v.isString() ? std::optional<QString>(v.toString()) : std::nullopt;
}

} // namespace

const platform::xpc::Interface& helperInterface()
{
    static const platform::xpc::Interface interface{{
        {"statusWithReply:", {}, {Kind::Int64, Kind::Bool, Kind::Int64, Kind::OptionalString}},
        {"startDischargeTo:reply:", {Kind::Int64}, {Kind::Bool, Kind::OptionalString}},
        {"stopDischargeWithReply:", {}, {Kind::Bool}},
    }};
    return interface;
}

platform::xpc::ExportedObject exportHelper(PelornHelperProtocol& object)
{
    return [&object](const QString& selector, const QCborArray& args, platform::xpc::Reply reply) {
        if (selector == "statusWithReply:") {
            object.status([reply](int64_t version, bool adapterEnabled, int64_t target, std::optional<QString> error) {
                reply(QCborArray{qint64(version), adapterEnabled, qint64(target), optionalString(error)});
            });
        } else if (selector == "startDischargeTo:reply:") {
            object.startDischarge(args[0].toInteger(), [reply](bool ok, std::optional<QString> error) {
                reply(QCborArray{ok, optionalString(error)});
            });
        } else if (selector == "stopDischargeWithReply:") {
            object.stopDischarge([reply](bool adapterEnabled) { reply(QCborArray{adapterEnabled}); });
        }
    };
}

PelornHelperProxy::PelornHelperProxy(platform::xpc::RemoteConnection& connection, std::function<void()> onError)
    : connection_(connection), onError_(std::move(onError))
{
}

void PelornHelperProxy::status(StatusReply reply)
{
    connection_.send("statusWithReply:", {}, [reply](const QCborArray& r) {
        reply(r[0].toInteger(), r[1].toBool(), r[2].toInteger(), optionalString(r[3]));
    }, onError_);
}

void PelornHelperProxy::startDischarge(int64_t target, StartReply reply)
{
    connection_.send("startDischargeTo:reply:", {qint64(target)}, [reply](const QCborArray& r) {
        reply(r[0].toBool(), optionalString(r[1]));
    }, onError_);
}

void PelornHelperProxy::stopDischarge(StopReply reply)
{
    connection_.send("stopDischargeWithReply:", {}, [reply](const QCborArray& r) { reply(r[0].toBool()); }, onError_);
}
