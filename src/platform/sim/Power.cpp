#include "platform/sim/Power.h"

#include "platform/DynamicSymbols.h"
#include "platform/PowerEvents.h"
#include "platform/sim/Machine.h"
#include "platform/sim/Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMap>
#include <QPointer>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace sim::power {
namespace {

std::atomic<bool> gSettingCallAvailable{true};

QString portFolder() { return machine::stateFolder() + "/power"; }

std::atomic<int> gSleepsRunning{0};

int counter(const char* key)
{
    machine::Transaction tx;
    return tx.read("power-events")[key].toInt();
}

void addToCounter(const char* key, int delta)
{
    machine::Transaction tx;
    QJsonObject doc = tx.read("power-events");
    doc[key] = doc[key].toInt() + delta;
    tx.write("power-events", doc);
}

} // namespace

int sleepRequests() { return counter("sleepRequests"); }
int openConnections() { return counter("openConnections"); }

void setPowerManagementAvailable(bool available)
{
    machine::Transaction tx;
    QJsonObject doc = tx.read("power-events");
    doc["managementUnavailable"] = !available;
    tx.write("power-events", doc);
}

void waitForSleeps()
{
    while (gSleepsRunning.load() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ::usleep(1000);
    }
}

void setSettingCallAvailable(bool available) { gSettingCallAvailable = available; }

QVariant systemSetting(const QString& key)
{
    machine::Transaction tx;
    return tx.read("pmsettings")["settings"].toObject()[key].toVariant();
}

int settingWrites(const QString& key)
{
    machine::Transaction tx;
    int n = 0;
    for (const QJsonValue& w : tx.read("pmsettings")["writes"].toArray())
        n += w.toObject()["key"].toString() == key;
    return n;
}

QList<Allowed> allowedChanges()
{
    machine::Transaction tx;
    QList<Allowed> out;
    for (const QJsonValue& v : tx.read("power-events")["allowed"].toArray())
        out.append({qint64(v["pid"].toDouble()), quint32(v["message"].toDouble())});
    return out;
}

QList<qint64> sendMessage(quint32 message, int timeoutMs)
{
    static std::atomic<quint64> nextArgument{1};
    const bool needsAnswer = message != platform::power::kMessageSystemHasPoweredOn;
    struct Client {
        qint64 pid;
        std::unique_ptr<QLocalSocket> socket;
        quint64 argument;
    };
    std::vector<Client> clients;
    for (const QString& name : QDir(portFolder()).entryList(QDir::System | QDir::Files)) {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(portFolder() + "/" + name);
        if (!socket->waitForConnected(1000))
            continue;
        const quint64 argument = nextArgument++;
        socket->write(QByteArray::number(message) + " " + QByteArray::number(argument) + "\n");
        socket->waitForBytesWritten(1000);
        clients.push_back({name.toLongLong(), std::move(socket), argument});
    }
    QList<qint64> answered;
    QElapsedTimer elapsed;
    elapsed.start();
    for (Client& c : clients) {
        if (!needsAnswer) {
            answered.append(c.pid);
            continue;
        }
        while (!c.socket->canReadLine() && c.socket->state() == QLocalSocket::ConnectedState
               && elapsed.elapsed() < timeoutMs)
            c.socket->waitForReadyRead(int(std::max<qint64>(1, timeoutMs - elapsed.elapsed())));
        if (c.socket->readLine().trimmed() == "allow " + QByteArray::number(c.argument))
            answered.append(c.pid);
    }
    return answered;
}

} // namespace sim::power

// The registered side of the power messages: a local server on the registering thread.
struct platform::power::NotificationPort {
    uint32_t rootPort = 0;
    void* refcon = nullptr;
    Callback callback = nullptr;
    std::unique_ptr<QLocalServer> server;
    struct Pending {
        QPointer<QLocalSocket> socket; // the system, waiting for the answer
        uint32_t message = 0;
    };
    QMap<quint64, Pending> pending; // by message argument
};

namespace platform::power {
namespace {

std::mutex gPortsMutex;
QMap<uint32_t, NotificationPort*> gPorts;
uint32_t gNextRootPort = 0x9001;

void deliver(NotificationPort* port, QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QList<QByteArray> parts = socket->readLine().trimmed().split(' ');
        if (parts.size() != 2)
            continue;
        const uint32_t message = parts[0].toUInt();
        const quint64 argument = parts[1].toULongLong();
        port->pending[argument] = {socket, message};
        port->callback(port->refcon, port->rootPort, message, reinterpret_cast<void*>(uintptr_t(argument)));
    }
}

} // namespace

uint32_t registerForSystemPower(void* refcon, NotificationPort** port, Callback callback, uint32_t* notifier)
{
    if (!port || !callback || !notifier)
        return 0;
    auto* p = new NotificationPort; // lives as long as the registration: the process
    p->refcon = refcon;
    p->callback = callback;
    {
        std::lock_guard lock(gPortsMutex);
        p->rootPort = gNextRootPort++;
        gPorts[p->rootPort] = p;
    }
    *port = p;
    *notifier = p->rootPort + 1;
    return p->rootPort;
}

void addToMainRunLoop(NotificationPort* port)
{
    if (!port || port->server)
        return;
    QDir().mkpath(sim::power::portFolder());
    const QString path = sim::power::portFolder() + "/" + QString::number(::getpid());
    QLocalServer::removeServer(path);
    port->server = std::make_unique<QLocalServer>();
    if (QCoreApplication::instance())
        port->server->moveToThread(QCoreApplication::instance()->thread());
    QObject::connect(port->server.get(), &QLocalServer::newConnection, [port] {
        while (QLocalSocket* s = port->server->nextPendingConnection()) {
            QObject::connect(s, &QLocalSocket::readyRead, [port, s] { deliver(port, s); });
            QObject::connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            deliver(port, s);
        }
    });
    port->server->listen(path);
}

int32_t allowPowerChange(uint32_t rootPort, void* argument)
{
    NotificationPort* port;
    {
        std::lock_guard lock(gPortsMutex);
        port = gPorts.value(rootPort);
    }
    if (!port)
        return int32_t(0xE00002C2);
    const quint64 arg = quint64(reinterpret_cast<uintptr_t>(argument));
    if (!port->pending.contains(arg))
        return int32_t(0xE00002C2);
    const NotificationPort::Pending pending = port->pending.take(arg);
    {
        sim::machine::Transaction tx;
        QJsonObject doc = tx.read("power-events");
        QJsonArray allowed = doc["allowed"].toArray();
        allowed.append(QJsonObject{{"pid", double(::getpid())}, {"message", double(pending.message)}});
        doc["allowed"] = allowed;
        tx.write("power-events", doc);
    }
    if (pending.socket) {
        pending.socket->write("allow " + QByteArray::number(arg) + "\n");
        pending.socket->flush();
    }
    return 0;
}

int32_t setSystemPowerSetting(const QString& key, const QVariant& value)
{
    sim::machine::Transaction tx;
    QJsonObject doc = tx.read("pmsettings");
    QJsonObject settings = doc["settings"].toObject();
    settings[key] = QJsonValue::fromVariant(value);
    QJsonArray writes = doc["writes"].toArray();
    writes.append(QJsonObject{{"key", key}, {"value", QJsonValue::fromVariant(value)}});
    doc["settings"] = settings;
    doc["writes"] = writes;
    tx.write("pmsettings", doc);
    return 0;
}

uint32_t findPowerManagement()
{
    {
        sim::machine::Transaction tx;
        if (tx.read("power-events")["managementUnavailable"].toBool())
            return 0;
    }
    sim::power::addToCounter("openConnections", 1);
    return 0x7001;
}

int32_t sleepSystem(uint32_t connection)
{
    if (connection != 0x7001)
        return int32_t(0xE00002C2);
    sim::power::addToCounter("sleepRequests", 1);
    // The system sleeps after the caller returned: the registered processes (this one among
    // them, answering on its main thread) are told on a thread of the system's own.
    ++sim::power::gSleepsRunning;
    std::thread([] {
        sim::power::sendMessage(kMessageSystemWillSleep);
        sim::power::sendMessage(kMessageSystemHasPoweredOn);
        --sim::power::gSleepsRunning;
    }).detach();
    return 0;
}

void serviceClose(uint32_t connection)
{
    if (connection == 0x7001)
        sim::power::addToCounter("openConnections", -1);
}

QVariantMap copySystemPowerSettings()
{
    sim::machine::Transaction tx;
    return tx.read("pmsettings")["settings"].toObject().toVariantMap();
}

} // namespace platform::power

namespace platform::dynamic {

void* globalSymbol(const char* name)
{
    if (std::strcmp(name, "IOPMSetSystemPowerSetting") == 0 && sim::power::gSettingCallAvailable)
        return reinterpret_cast<void*>(&platform::power::setSystemPowerSetting);
    return sim::windowServerSymbol(name);
}

} // namespace platform::dynamic
