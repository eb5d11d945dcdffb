#include "platform/Launch.h"

#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/sim/Acceptor.h"
#include "platform/sim/Machine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <list>
#include <optional>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// One request is one JSON line {"urls": [...]} on a local socket under the sim root, so each
// simulated Mac has its own running instance; the instance answers "ok" once it has the line.
// Who may listen is settled by an exclusive lock on a file beside the socket, held until the
// process ends or hands over: binding alone cannot tell two launches at once apart.
namespace platform::launch {
namespace {

const QByteArray kAcknowledgement = "ok\n";

QString socketPath() { return sim::machine::stateFolder() + "/launch/Pelorn"; }
QString claimPath() { return socketPath() + ".lock"; }

int gClaim = -1; // the locked descriptor while this process holds the channel
QString gClaimPath;

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

namespace {

void prepareFolder()
{
    const QString folder = QFileInfo(socketPath()).path();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); // this user's only
}

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

void releaseClaim()
{
    if (gClaim >= 0)
        ::close(gClaim); // the lock goes with the descriptor
    gClaim = -1;
    gClaimPath.clear();
}

bool sameFile(int fd, const QByteArray& path)
{
    struct stat open = {}, at = {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.constData(), &at) == 0 && open.st_dev == at.st_dev
           && open.st_ino == at.st_ino;
}

enum class Claim { held, elsewhere, unavailable };

Claim claim()
{
    const QString path = claimPath();
    const QByteArray name = QFile::encodeName(path);
    if (gClaim >= 0 && gClaimPath == path && sameFile(gClaim, name))
        return Claim::held;
    releaseClaim();
    prepareFolder();
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        struct stat st = {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            // A link, folder or FIFO is no lock; a regular file is never removed, since a
            // process may hold its lock.
            if (fd >= 0)
                ::close(fd);
            if (::lstat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode))
                clearPath(path);
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return Claim::elsewhere;
            errno = error;
            return Claim::unavailable;
        }
        // Whoever held it before may have removed the file while we waited for the lock.
        if (!sameFile(fd, name)) {
            ::close(fd);
            continue;
        }
        gClaim = fd;
        gClaimPath = path;
        return Claim::held;
    }
    return Claim::unavailable;
}

QByteArray requestLine(const QStringList& urls)
{
    const QJsonObject request{{"urls", QJsonArray::fromStringList(urls)}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact) + "\n";
}

enum class Attempt { taken, noInstance, dropped };

// One connection: the request goes out and the acknowledgement is awaited until the deadline.
Attempt sendOnce(const QByteArray& line, const QDeadlineTimer& deadline)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 1))))
        return socket.error() == QLocalSocket::SocketTimeoutError ? Attempt::dropped : Attempt::noInstance;
    socket.write(line);
    if (!socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 1))))
        return Attempt::dropped;
    QByteArray reply;
    while (!reply.contains('\n') && reply.size() < 64) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1))))
            break;
        reply += socket.readAll();
    }
    return reply.startsWith(kAcknowledgement) ? Attempt::taken : Attempt::dropped;
}

// A short pause, spread so that many launches dropped at once do not return together.
void pauseBeforeRetry() { QThread::msleep(5 + QRandomGenerator::global()->bounded(25)); }

} // namespace

bool handToRunningInstance(const QStringList& urls, double seconds)
{
    const QByteArray line = requestLine(urls);
    const QDeadlineTimer deadline(qint64(seconds * 1000));
    for (;;) {
        switch (sendOnce(line, deadline)) {
        case Attempt::taken:
            return true;
        case Attempt::noInstance:
            return false;
        case Attempt::dropped:
            break;
        }
        if (deadline.hasExpired())
            return false;
        pauseBeforeRetry();
    }
}

Start claimOrHandOver(const QStringList& urls, double seconds)
{
    const QByteArray line = requestLine(urls);
    const QDeadlineTimer deadline(qint64(seconds * 1000));
    for (;;) {
        switch (claim()) {
        case Claim::held:
            return Start::instance;
        case Claim::unavailable:
            // No lock to be had here: run, as a launch did before there was one.
            platform::log::write("launch: cannot claim the channel: " + QString::fromLocal8Bit(std::strerror(errno)));
            return handToRunningInstance(urls, std::max(0.0, deadline.remainingTime() / 1000.0)) ? Start::handedOver
                                                                                                   : Start::instance;
        case Claim::elsewhere:
            break;
        }
        // The holder may still be starting (not listening yet) or quitting (no longer answering).
        if (sendOnce(line, deadline) == Attempt::taken)
            return Start::handedOver;
        if (deadline.hasExpired())
            return Start::unanswered;
        pauseBeforeRetry();
    }
}

// The listening socket is a sim::Acceptor rather than a QLocalServer: that one closes for good
// on the first failed accept (a process out of descriptors), and the next launch would then
// start a second instance beside this one.
struct Receiver::Channel {
    struct Connection {
        QLocalSocket* socket = nullptr;
        platform::Timer deadline;
    };

    std::unique_ptr<sim::Acceptor> acceptor;
    std::list<Connection> connections; // oldest first

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

Receiver::Receiver(std::function<void(const QStringList&)> opened, std::function<void()> reopened, QObject* parent)
    : QObject(parent), opened_(std::move(opened)), reopened_(std::move(reopened)), channel_(new Channel)
{
    if (gListening) {
        platform::log::write("launch: this process already receives the requests");
        return;
    }
    switch (claim()) {
    case Claim::held:
        break;
    case Claim::elsewhere:
        platform::log::write("launch: another instance receives the requests");
        return;
    case Claim::unavailable:
        platform::log::write("launch: cannot receive later requests: " + QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    const QString path = socketPath();
    clearPath(path);
    auto acceptor = std::make_unique<sim::Acceptor>(path, kAcceptRetrySeconds, "launch", [this](int fd) { serve(fd); });
    if (!acceptor->isListening()) {
        platform::log::write("launch: cannot receive later requests: " + QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    channel_->acceptor = std::move(acceptor);
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
    const bool held = channel_->acceptor != nullptr;
    channel_ = std::make_unique<Channel>(); // closes the listener and removes its path
    if (held)
        releaseClaim();
}

void stopReceiving()
{
    if (gListening)
        gListening->stop();
    releaseClaim(); // also a claim no receiver has taken up yet
}

bool Receiver::isListening() const { return channel_->acceptor != nullptr; }

void Receiver::serve(int descriptor)
{
    if (int(channel_->connections.size()) >= kMaxConnections) {
        // A request the oldest connection has already sent is served rather than lost with it.
        QLocalSocket* oldest = channel_->connections.front().socket;
        oldest->waitForReadyRead(0);
        if (!channel_->connections.empty() && channel_->connections.front().socket == oldest)
            channel_->drop(oldest);
    }
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
            const std::optional<QStringList> urls = request(socket->readLine(kMaxLineBytes));
            // Taken before it is acted on: the sender need not wait for what the request does.
            if (urls)
                ::send(int(socket->socketDescriptor()), kAcknowledgement.constData(), size_t(kAcknowledgement.size()),
                       MSG_NOSIGNAL | MSG_DONTWAIT);
            channel_->drop(socket);
            if (urls)
                deliver(*urls);
        } else if (socket->bytesAvailable() >= kMaxLineBytes) {
            platform::log::write("launch: request longer than the limit, connection dropped");
            channel_->drop(socket);
        }
    });
}

std::optional<QStringList> Receiver::request(const QByteArray& line)
{
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (!document.isObject() || !document["urls"].isArray())
        return std::nullopt;
    QStringList urls;
    for (const QJsonValue& v : document["urls"].toArray())
        urls << v.toString();
    return urls;
}

void Receiver::deliver(const QStringList& urls)
{
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
