#include "platform/sim/SharedClock.h"

#include "platform/Clock.h"
#include "platform/sim/Machine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <optional>
#include <unistd.h>

namespace sim::sharedclock {
namespace {

QString clockPath() { return machine::stateFolder() + "/clock.json"; }
QString ackPath(qint64 pid) { return machine::stateFolder() + "/clock-ack/" + QString::number(pid); }

void writeAtomically(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(bytes);
        f.commit();
    }
}

std::optional<double> readWall(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonValue v = QJsonDocument::fromJson(f.readAll()).object()["wall"];
    return v.isDouble() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

void acknowledge(double wall)
{
    writeAtomically(ackPath(::getpid()), QJsonDocument(QJsonObject{{"wall", wall}}).toJson(QJsonDocument::Compact));
}

} // namespace

void publish()
{
    writeAtomically(clockPath(),
                    QJsonDocument(QJsonObject{{"wall", platform::clock::wallNow()}}).toJson(QJsonDocument::Compact));
}

bool waitForFollower(qint64 pid, int timeoutMs)
{
    const std::optional<double> target = readWall(clockPath());
    if (!target)
        return false;
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < timeoutMs) {
        const std::optional<double> reached = readWall(ackPath(pid));
        if (reached && *reached >= *target)
            return true;
        if (::kill(pid_t(pid), 0) != 0)
            return false;
        QThread::usleep(500); // another process's progress, not a timer of ours
    }
    return false;
}

void follow()
{
    const std::optional<double> start = readWall(clockPath());
    if (!start)
        return;
    platform::clock::testing::useVirtual(*start);
    auto* poll = new QTimer; // for the life of the process
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, [reached = *start, first = true]() mutable {
        const std::optional<double> wall = readWall(clockPath());
        if (wall && *wall > reached) {
            platform::clock::testing::advance(*wall - platform::clock::wallNow());
            reached = *wall;
            acknowledge(reached);
        } else if (first) {
            acknowledge(reached); // the event loop runs: everything before it is done
        }
        first = false;
    });
    poll->start();
}

} // namespace sim::sharedclock
