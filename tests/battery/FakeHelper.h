#pragma once
// Test stand-ins for the privileged helper: an in-process service that answers as a helper of
// a given version would, and the real helper program put where the installer puts it.
#include "helper/HelperProcess.h"
#include "platform/Paths.h"
#include "platform/Xpc.h"
#include "shared/HelperConstants.h"
#include "shared/HelperProtocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <string_view>

inline QString sv(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// The helper program where the installer puts it (which is what "installed" means).
inline bool installHelperProgram()
{
    const QString path = platform::paths::map(sv(HelperConstants::installPath));
    QDir().mkpath(QFileInfo(path).path());
    QFile::remove(path);
    return QFile::copy(builtHelperPath(), path);
}

// A helper service inside the test process: answers as a helper of the given version would,
// refusing every discharge when told to.
class FakeHelper : public PelornHelperProtocol, public platform::xpc::ListenerDelegate {
public:
    explicit FakeHelper(int64_t version) : version(version), listener_(sv(HelperConstants::label))
    {
        listener_.setDelegate(this);
        EXPECT_TRUE(listener_.resume());
    }
    bool shouldAcceptNewConnection(platform::xpc::Connection& c) override
    {
        c.setExportedInterface(helperInterface());
        c.setExportedObject(exportHelper(*this));
        c.resume();
        return true;
    }
    void status(StatusReply reply) override { ++statusCalls; reply(version, target == 0, target, std::nullopt); }
    void startDischarge(int64_t t, StartReply reply) override
    {
        ++startCalls;
        if (refuses) {
            reply(false, refusal);
            return;
        }
        target = t;
        reply(true, std::nullopt);
    }
    void stopDischarge(StopReply reply) override
    {
        target = 0;
        reply(true);
    }

    int64_t version;
    int64_t target = 0;
    bool refuses = false;
    std::optional<QString> refusal;
    int statusCalls = 0;
    int startCalls = 0;

private:
    platform::xpc::Listener listener_;
};

