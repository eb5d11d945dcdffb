#include "platform/Launch.h"

#include "platform/Log.h"
#include "platform/sim/Machine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

// One request is one JSON line {"urls": [...]} on a local socket under the sim root, so each
// simulated Mac has its own running instance.
namespace platform::launch {
namespace {

constexpr int kWaitMs = 2000;

QString socketPath() { return sim::machine::stateFolder() + "/launch/Pelorn"; }

int gSignalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1); // async-signal-safe
}

} // namespace

void quitOnTerminationRequest()
{
    if (gSignalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

bool handToRunningInstance(const QStringList& urls)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(kWaitMs))
        return false;
    const QJsonObject request{{"urls", QJsonArray::fromStringList(urls)}};
    socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + "\n");
    if (!socket.waitForBytesWritten(kWaitMs))
        return false;
    // The running instance closes the connection once it has the request.
    if (socket.state() == QLocalSocket::ConnectedState)
        socket.waitForDisconnected(kWaitMs);
    return true;
}

Receiver::Receiver(std::function<void(const QStringList&)> opened, std::function<void()> reopened, QObject* parent)
    : QObject(parent), opened_(std::move(opened)), reopened_(std::move(reopened)), server_(new QLocalServer)
{
    const QString path = socketPath();
    QDir().mkpath(QFileInfo(path).path());
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // listen() would take the path over from a live instance too: ask first.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(kWaitMs)) {
        platform::log::write("launch: another instance receives the requests");
        return;
    }
    QLocalServer::removeServer(path); // a crashed instance's socket
    if (!server_->listen(path)) {
        platform::log::write("launch: cannot receive later requests: " + server_->errorString());
        return;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine())
                    return;
                const QJsonDocument document = QJsonDocument::fromJson(socket->readLine());
                socket->disconnectFromServer();
                if (!document.isObject() || !document["urls"].isArray())
                    return;
                const QJsonObject request = document.object();
                QStringList urls;
                for (const QJsonValue& v : request["urls"].toArray())
                    urls << v.toString();
                platform::log::write(urls.isEmpty() ? QString("launch: reopen delivered")
                                                    : "launch: URLs delivered: " + urls.join(' '));
                if (urls.isEmpty()) {
                    if (reopened_)
                        reopened_();
                } else if (opened_) {
                    opened_(urls);
                }
            });
        }
    });
}

Receiver::~Receiver() = default;

bool Receiver::isListening() const { return server_->isListening(); }

} // namespace platform::launch
