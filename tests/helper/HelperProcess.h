#pragma once
// A real PelornHelper process on the test's sim root, started the way launchd would, on the
// test's virtual time line (sim/SharedClock.h): advance() moves both clocks and returns once
// the helper has caught up, so its watchdog ticks are as deterministic as the test's own.
#include "platform/Xpc.h"
#include "platform/sim/SharedClock.h"
#include "shared/HelperConstants.h"
#include "shared/HelperProtocol.h"
#include "support/SimTest.h"
#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <functional>
#include <memory>
#include <optional>

inline QString builtHelperPath()
{
    return testpaths::buildDir() + "/src/PelornHelper";
}

// Runs the test's event loop until the condition holds (another process's doing), or 30 s: a
// helper checks its client by hashing the whole test program first, which a loaded machine
// running the sanitizer build in parallel stretches past ten seconds.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 30000)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

class HelperProcess {
public:
    ~HelperProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    bool start(const QString& program = builtHelperPath())
    {
        sim::sharedclock::publish();
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(program, {});
        if (!process_.waitForStarted(5000))
            return false;
        return sim::sharedclock::waitForFollower(process_.processId());
    }

    // Moves the test's clock and the helper's on, running the due timers of both.
    bool advance(double seconds)
    {
        SimTest::advanceClock(seconds);
        sim::sharedclock::publish();
        return sim::sharedclock::waitForFollower(process_.processId());
    }

    qint64 pid() const { return process_.processId(); }

    void signal(int signo) { ::kill(pid_t(process_.processId()), signo); }

    // The exit status after SIGTERM, or nullopt when it did not exit normally.
    std::optional<int> waitForExit()
    {
        if (!process_.waitForFinished(10000) || process_.exitStatus() != QProcess::NormalExit)
            return std::nullopt;
        return process_.exitCode();
    }

private:
    QProcess process_;
};

// The application's side for tests: one connection, each call waiting for its answer.
class TestClient {
public:
    TestClient()
        : connection_(QString::fromUtf8(HelperConstants::label.data(), qsizetype(HelperConstants::label.size())),
                      platform::xpc::RemoteConnection::kPrivileged),
          proxy_(connection_, [this] { failed_ = true; })
    {
        connection_.setRemoteObjectInterface(helperInterface());
        connection_.setInvalidationHandler([this] { invalidated_ = true; });
        connection_.resume();
    }

    struct Status {
        int64_t version;
        bool adapterEnabled;
        int64_t target;
        std::optional<QString> error;
    };

    // nullopt: the call failed on the connection.
    std::optional<std::pair<bool, std::optional<QString>>> start(int64_t target)
    {
        std::optional<std::pair<bool, std::optional<QString>>> answer;
        proxy_.startDischarge(target, [&](bool ok, std::optional<QString> e) { answer = std::make_pair(ok, e); });
        wait([&] { return answer.has_value(); });
        return answer;
    }
    std::optional<Status> status()
    {
        std::optional<Status> answer;
        proxy_.status([&](int64_t v, bool a, int64_t t, std::optional<QString> e) { answer = Status{v, a, t, e}; });
        wait([&] { return answer.has_value(); });
        return answer;
    }
    std::optional<bool> stop()
    {
        std::optional<bool> answer;
        proxy_.stopDischarge([&](bool enabled) { answer = enabled; });
        wait([&] { return answer.has_value(); });
        return answer;
    }

    bool invalidated() const { return invalidated_; }

private:
    void wait(const std::function<bool()>& answered)
    {
        failed_ = false;
        // The helper hashes this (large, under the sanitizers) test program before it answers:
        // on a loaded machine that alone can take seconds.
        waitUntil([&] { return answered() || failed_; }, 30000);
    }

    platform::xpc::RemoteConnection connection_;
    PelornHelperProxy proxy_;
    bool failed_ = false;
    bool invalidated_ = false;
};
