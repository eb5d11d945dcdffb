#include "platform/sim/DeskServer.h"

#include "platform/sim/Acceptor.h"
#include "platform/sim/Machine.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QTimer>
#include <list>
#include <memory>
#include <unistd.h>

namespace sim::deskserver {
namespace {

constexpr qint64 kMaxRequest = 64 * 1024; // a command line is a few words
constexpr int kLineMs = 5000;             // a client has this long to send its line
constexpr size_t kMaxClients = 32;        // the oldest make room beyond this
constexpr double kAcceptRetrySeconds = 0.5;

struct Door {
    std::unique_ptr<Acceptor> acceptor;
    std::list<QLocalSocket*> clients; // oldest first

    void drop(QLocalSocket* socket)
    {
        clients.remove(socket);
        socket->disconnect();
        socket->abort();
        socket->deleteLater(); // it may be inside one of its own signals
    }

    // Runs the line the client sent, if it sent a whole one, and answers it.
    void answer(QLocalSocket* socket)
    {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() >= kMaxRequest)
                drop(socket);
            return;
        }
        const QJsonArray words = QJsonDocument::fromJson(socket->readLine(kMaxRequest)).array();
        QStringList args;
        for (const QJsonValue& w : words)
            args << w.toString();
        const deskcommands::Outcome o = deskcommands::run(args);
        const QJsonObject reply{{"status", o.status}, {"out", o.out}, {"err", o.err}};
        socket->write(QJsonDocument(reply).toJson(QJsonDocument::Compact) + "\n");
        socket->flush();
        clients.remove(socket);
        socket->disconnect();
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromServer(); // after what is written has gone out
    }

    void serve(int descriptor)
    {
        if (clients.size() >= kMaxClients) {
            QLocalSocket* oldest = clients.front();
            oldest->waitForReadyRead(0); // a line it has sent already is answered, not lost
            if (!clients.empty() && clients.front() == oldest)
                drop(oldest);
        }
        auto* socket = new QLocalSocket();
        if (!socket->setSocketDescriptor(descriptor)) {
            ::close(descriptor);
            delete socket;
            return;
        }
        socket->setReadBufferSize(kMaxRequest);
        clients.push_back(socket);
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { answer(socket); });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, [this, socket] { drop(socket); });
        // A client that sends no line in time holds a descriptor for nothing.
        QTimer::singleShot(kLineMs, socket, [this, socket] { drop(socket); });
    }
};

Door*& door()
{
    static Door* d = nullptr;
    return d;
}

} // namespace

QString socketPath() { return machine::stateFolder() + "/desk.sock"; }

void listen()
{
    if (door()) {
        for (QLocalSocket* s : std::list<QLocalSocket*>(door()->clients))
            door()->drop(s);
        delete door();
    }
    door() = new Door();
    QDir().mkpath(machine::stateFolder());
    QFile::remove(socketPath());
    door()->acceptor = std::make_unique<Acceptor>(socketPath(), kAcceptRetrySeconds, "desk",
                                                  [d = door()](int fd) { d->serve(fd); });
}

std::optional<deskcommands::Outcome> send(const QStringList& args, int answerMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(answerMs))
        return std::nullopt;
    socket.write(QJsonDocument(QJsonArray::fromStringList(args)).toJson(QJsonDocument::Compact) + "\n");
    socket.flush();
    // The machine answers once it has run the command; a close without an answer means it
    // never read it (it was quitting, or made room), so the command did not run.
    const QDeadlineTimer deadline(answerMs);
    QByteArray line;
    while (!line.endsWith('\n')) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)))) {
            if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
                break;
            if (deadline.hasExpired())
                return deskcommands::Outcome{1, {}, "pelorn-desk: the running machine did not answer\n"};
        }
        line += socket.readAll();
    }
    const QJsonObject reply = QJsonDocument::fromJson(line).object();
    if (reply.isEmpty())
        return std::nullopt;
    return deskcommands::Outcome{reply["status"].toInt(), reply["out"].toString(), reply["err"].toString()};
}

} // namespace sim::deskserver
