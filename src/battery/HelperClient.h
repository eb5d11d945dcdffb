#pragma once
// The application's side of the privileged helper: one connection to its service, whose
// answers always arrive on the main thread, and the installer that puts the helper in place.
#include "platform/Result.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// The application's copy of a status reply.
struct HelperStatus {
    int version = 0;
    bool adapterEnabled = true;
    int dischargeTarget = 0; // 0: none runs
    std::optional<QString> error;

    bool operator==(const HelperStatus&) const = default;
};

class PelornHelperProtocol;
namespace platform::xpc {
class RemoteConnection;
}

class HelperClient : public QObject {
    Q_OBJECT
public:
    // A platform error: domain "Pelorn", code 1 (the helper is missing from the bundle) or
    // 2 (the administrator command failed or was cancelled).
    struct Error {
        QString domain;
        int code = 0;
        QString localizedDescription;
    };
    using InstallResult = pelorn::Result<std::monostate, Error>;

    explicit HelperClient(QObject* parent = nullptr);
    ~HelperClient() override;

    // Each completion runs exactly once, on the main thread. status completes with nothing
    // when the helper is not installed (at once, before it returns) or cannot be reached.
    void status(std::function<void(std::optional<HelperStatus>)> completion);
    void startDischarge(int target, std::function<void(bool ok, std::optional<QString> error)> completion);
    void stopDischarge(std::function<void(bool adapterEnabled)> completion);

    // Run one administrator command line; the caller waits until it has finished.
    InstallResult install();
    InstallResult uninstall();

    bool isConnected() const { return connection_ != nullptr; }

private:
    // The remote object on the (made when missing) connection; each call's failure reaches
    // onError instead of its reply.
    std::unique_ptr<PelornHelperProtocol> proxy(std::function<void()> onError);
    InstallResult runAsAdmin(const QString& script);
    void dropConnection();

    std::shared_ptr<platform::xpc::RemoteConnection> connection_;
};
