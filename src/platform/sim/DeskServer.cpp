#include "platform/sim/DeskServer.h"

#include "platform/sim/Machine.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>

namespace sim::deskserver {
namespace {

constexpr qint64 kMaxRequest = 64 * 1024; // a command line is a few words

QLocalServer*& server()
{
    static QLocalServer* s = nullptr;
    return s;
}

void serve(QLocalSocket* socket)
{
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] {
        if (socket->bytesAvailable() > kMaxRequest) {
            socket->disconnectFromServer();
            return;
        }
        if (!socket->canReadLine())
            return;
        const QJsonArray words = QJsonDocument::fromJson(socket->readLine()).array();
        QStringList args;
        for (const QJsonValue& w : words)
            args << w.toString();
        const deskcommands::Outcome o = deskcommands::run(args);
        const QJsonObject reply{{"status", o.status}, {"out", o.out}, {"err", o.err}};
        socket->write(QJsonDocument(reply).toJson(QJsonDocument::Compact) + "\n");
        socket->disconnectFromServer();
    });
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
}

} // namespace

QString socketPath() { return machine::stateFolder() + "/desk.sock"; }

void listen()
{
    delete server();
    QDir().mkpath(machine::stateFolder());
    QLocalServer::removeServer(socketPath());
    server() = new QLocalServer();
    server()->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server()->listen(socketPath()))
        return;
    QObject::connect(server(), &QLocalServer::newConnection, server(), [] {
        while (QLocalSocket* s = server()->nextPendingConnection())
            serve(s);
    });
}

std::optional<deskcommands::Outcome> send(const QStringList& args, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(timeoutMs))
        return std::nullopt;
    socket.write(QJsonDocument(QJsonArray::fromStringList(args)).toJson(QJsonDocument::Compact) + "\n");
    socket.flush();
    QByteArray line;
    while (!line.endsWith('\n')) {
        if (!socket.waitForReadyRead(timeoutMs) && socket.bytesAvailable() == 0)
            break;
        line += socket.readAll();
    }
    const QJsonObject reply = QJsonDocument::fromJson(line).object();
    if (reply.isEmpty())
        return deskcommands::Outcome{1, {}, "pelorn-desk: the running machine did not answer\n"};
    return deskcommands::Outcome{reply["status"].toInt(), reply["out"].toString(), reply["err"].toString()};
}

} // namespace sim::deskserver
