#include "platform/Launch.h"

#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/sim/Machine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <list>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

// One request is one JSON line {"urls": [...]} on a local socket under the sim root, so each
// simulated Mac has its own running instance.
namespace platform::launch {
namespace {

constexpr int kWaitMs = 2000;

QString socketPath() { return sim::machine::stateFolder() + "/launch/Pelorn"; }

int gSignalPipe[2] = {-1, -1};

Receiver* gListening = nullptr; // the receiver that holds this process's channel

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

// The listening socket is our own rather than a QLocalServer's: that one closes for good on
// the first failed accept (a process out of descriptors), and the next launch would then start
// a second instance beside this one.
struct Receiver::Channel {
    struct Connection {
        QLocalSocket* socket = nullptr;
        platform::Timer deadline;
    };

    QString path;
    int listener = -1;
    QSocketNotifier* notifier = nullptr;
    platform::Timer acceptRetry;
    bool starved = false; // out of descriptors or memory: said once in the log, not at every retry
    std::list<Connection> connections; // oldest first

    // The sockets are the receiver's children and go with it.
    ~Channel()
    {
        delete notifier; // before its descriptor closes
        if (listener >= 0) {
            ::close(listener);
            QFile::remove(path);
        }
    }

    void drop(QLocalSocket* socket)
    {
        const auto it = std::find_if(connections.begin(), connections.end(),
                                     [socket](const Connection& c) { return c.socket == socket; });
        if (it == connections.end())
            return;
        connections.erase(it);
        socket->disconnect();
        socket->abort();
        socket->deleteLater(); // it may be inside one of its own signals
    }
};

namespace {

// Takes the path over: whatever stands there is not a live instance (the caller asked), be it a
// crashed instance's socket, a file or a folder.
void clearPath(const QString& path)
{
    const QFileInfo at(path);
    if (at.isDir() && !at.isSymLink())
        QDir(path).removeRecursively();
    else
        ::unlink(QFile::encodeName(path).constData());
}

int listenAt(const QString& path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (size_t(name.size()) >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::chmod(name.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

} // namespace

Receiver::Receiver(std::function<void(const QStringList&)> opened, std::function<void()> reopened, QObject* parent)
    : QObject(parent), opened_(std::move(opened)), reopened_(std::move(reopened)), channel_(new Channel)
{
    const QString path = socketPath();
    const QString folder = QFileInfo(path).path();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); // this user's only
    // Binding would take the path over from a live instance too: ask first.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(kWaitMs)) {
        platform::log::write("launch: another instance receives the requests");
        return;
    }
    clearPath(path);
    const int fd = listenAt(path);
    if (fd < 0) {
        platform::log::write("launch: cannot receive later requests: " + QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    channel_->path = path;
    channel_->listener = fd;
    channel_->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(channel_->notifier, &QSocketNotifier::activated, this, [this] { acceptPending(); });
    gListening = this;
}

Receiver::~Receiver()
{
    if (gListening == this)
        gListening = nullptr;
}

void Receiver::stop()
{
    if (gListening == this)
        gListening = nullptr;
    while (!channel_->connections.empty())
        channel_->drop(channel_->connections.front().socket);
    channel_ = std::make_unique<Channel>(); // closes the listener and removes its path

}

void stopReceiving()
{
    if (gListening)
        gListening->stop();
}

bool Receiver::isListening() const { return channel_->listener >= 0; }

void Receiver::acceptPending()
{
    for (;;) {
        const int fd = ::accept4(channel_->listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            channel_->starved = false;
            serve(fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // The connection stays queued; the notifier would fire again at once, so pause it and
            // try again shortly.
            if (!std::exchange(channel_->starved, true))
                platform::log::write("launch: cannot take a request now: " + QString::fromLocal8Bit(std::strerror(errno)));
            channel_->notifier->setEnabled(false);
            channel_->acceptRetry.start(kAcceptRetrySeconds, [this] {
                channel_->notifier->setEnabled(true);
                acceptPending();
            });
        }
        return; // EAGAIN: nothing more queued
    }
}

void Receiver::serve(int descriptor)
{
    if (int(channel_->connections.size()) >= kMaxConnections)
        channel_->drop(channel_->connections.front().socket);
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(descriptor);
        socket->deleteLater();
        return;
    }
    // The buffer holds one line at most; a longer one is no request.
    socket->setReadBufferSize(kMaxLineBytes);
    Channel::Connection& connection = channel_->connections.emplace_back();
    connection.socket = socket;
    connection.deadline.start(kConnectionSeconds, [this, socket] { channel_->drop(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { channel_->drop(socket); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (socket->canReadLine()) {
            const QByteArray line = socket->readLine(kMaxLineBytes);
            channel_->drop(socket);
            deliver(line);
        } else if (socket->bytesAvailable() >= kMaxLineBytes) {
            platform::log::write("launch: request longer than the limit, connection dropped");
            channel_->drop(socket);
        }
    });
}

void Receiver::deliver(const QByteArray& line)
{
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (!document.isObject() || !document["urls"].isArray())
        return;
    QStringList urls;
    for (const QJsonValue& v : document["urls"].toArray())
        urls << v.toString();
    platform::log::write(urls.isEmpty() ? QString("launch: reopen delivered")
                                        : "launch: URLs delivered: " + urls.join(' '));
    if (urls.isEmpty()) {
        if (reopened_)
            reopened_();
    } else if (opened_) {
        opened_(urls);
    }
}

} // namespace platform::launch
