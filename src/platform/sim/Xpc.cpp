#include "platform/Xpc.h"

#include "platform/Clock.h"
#include "platform/CodeSigning.h"
#include "platform/Log.h"
#include "platform/sim/CodeSigning.h"
#include "platform/sim/Machine.h"
#include "platform/sim/Xpc.h"

#include <QCborValue>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMap>
#include <QPointer>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <malloc.h>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::xpc {
namespace {

constexpr qint64 kMaxFrame = 64 * 1024;
// A message begun must be complete this long after its first byte, or after the message before
// it: a peer that stops half-way would otherwise hold the connection and its buffer forever.
constexpr double kPartialMessageTimeout = 5.0;
constexpr int kNonceSize = 16;
// How long a connection may wait for its peer's check, queue and check together: a client's own
// greeting wait is longer, so it sees a refusal rather than its own time-out.
constexpr double kCheckWaitLimit = 45.0;
// How long a client waits for the service's greeting: the service checks the client first,
// which can take seconds on a loaded machine; a service that never greets (one that speaks
// an older protocol, or is stuck) then ends in an error instead of a wait without end.
constexpr double kGreetingTimeout = 60.0;

// The service's first message, sent once the peer's check has passed: [0, [nonce]]. Every
// request then ends with the nonce: [id, selector, arguments, nonce]. A peer the service could
// not look at is told so, [-1, ["not-inspectable"]], before its connection closes.
constexpr qint64 kRefusal = -1;
constexpr char kNotInspectable[] = "not-inspectable";
std::optional<QByteArray> greetingNonce(const QCborArray& message)
{
    const bool greeting = message.size() == 2 && message[0].isInteger() && message[0].toInteger() == 0;
    const QCborArray body = greeting ? message[1].toArray() : QCborArray();
    if (body.size() != 1 || !body[0].isByteArray() || body[0].toByteArray().size() != kNonceSize)
        return std::nullopt;
    return body[0].toByteArray();
}

QByteArray frame(const QCborArray& message)
{
    const QByteArray body = QCborValue(message).toCbor();
    QByteArray out(4, 0);
    const quint32 n = quint32(body.size());
    out[0] = char(n >> 24);
    out[1] = char(n >> 16);
    out[2] = char(n >> 8);
    out[3] = char(n);
    return out + body;
}

// Takes complete frames off the buffer; false when the peer sent something that is not one.
bool takeFrames(QByteArray& buffer, QList<QCborArray>& out)
{
    while (buffer.size() >= 4) {
        const quint32 n = quint32(uchar(buffer[0])) << 24 | quint32(uchar(buffer[1])) << 16
                          | quint32(uchar(buffer[2])) << 8 | quint32(uchar(buffer[3]));
        if (n == 0 || n > kMaxFrame)
            return false;
        if (buffer.size() < qsizetype(4 + n))
            return true;
        QCborParserError error{};
        const QCborValue v = QCborValue::fromCbor(buffer.mid(4, n), &error);
        buffer.remove(0, 4 + n);
        if (error.error != QCborError::NoError || !v.isArray())
            return false;
        out.append(v.toArray());
    }
    return true;
}

// A listener's peer checks run on a few threads, whatever the number of connections: a flood
// costs a queue entry each, never a thread or a thread's memory. Connections of one process that wait together share the check that starts after all of them connected,
// so a peer holding many connections costs one check, and one peer's slow file holds up at most
// one thread.
std::atomic<int> threadStartsToFail{0};

class CheckPool : public std::enable_shared_from_this<CheckPool> {
public:
    static constexpr int kThreads = 2;

    struct Outcome {
        bool passed = false;
        bool notInspectable = false; // the system would not let this process look at the peer
        QByteArray image;            // the running image checked
    };

    struct Ticket {
        qint64 pid = 0;
        QString requirement;
        QObject* context = nullptr;         // valid while the ticket is not cancelled
        std::function<void(const Outcome&)> deliver; // runs on the context's thread
        bool cancelled = false;             // under the pool's mutex, as the two below
        std::shared_ptr<std::stop_source> running;
        std::shared_ptr<int> live; // tickets of the running check not cancelled yet
    };

    // Throws (std::system_error, std::bad_alloc) when the check cannot be queued; the caller
    // refuses that one connection.
    void enqueue(const std::shared_ptr<Ticket>& ticket)
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(ticket);
        if (idle_ == 0 && threads_ < kThreads) {
            try {
                int fail = threadStartsToFail.load();
                while (fail > 0 && !threadStartsToFail.compare_exchange_weak(fail, fail - 1)) {
                }
                if (fail > 0)
                    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
                // Detached: a thread stuck in a read that never answers holds no one who waits
                // for it; it ends once its check does, after its listener went.
                std::thread([self = shared_from_this()] { self->work(); }).detach();
                ++threads_;
            } catch (...) {
                if (threads_ == 0) { // nothing would ever take it
                    queue_.pop_back();
                    throw;
                }
            }
        }
        wake_.notify_one();
    }

    // From the context's thread, before the connection goes: nothing reaches it after this.
    void cancel(const std::shared_ptr<Ticket>& ticket)
    {
        std::lock_guard lock(mutex_);
        if (ticket->cancelled)
            return;
        ticket->cancelled = true;
        std::erase(queue_, ticket);
        if (ticket->running && --*ticket->live == 0)
            ticket->running->request_stop(); // no one waits for this check any more
    }

    // The listener goes: every ticket was cancelled before, so every check running was asked to
    // stop. Those end within moments, unless a read holds one: that one is not waited for long,
    // and keeps only its own thread.
    void close()
    {
        std::unique_lock lock(mutex_);
        closing_ = true;
        wake_.notify_all();
        ended_.wait_for(lock, std::chrono::seconds(10), [this] { return checking_ == 0; });
    }

private:
    void work()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            wake_.wait(lock, [this] { return closing_ || !queue_.empty(); });
            --idle_;
            if (closing_)
                return;
            const std::shared_ptr<Ticket> first = queue_.front();
            std::vector<std::shared_ptr<Ticket>> batch;
            auto stop = std::make_shared<std::stop_source>();
            auto live = std::make_shared<int>(0);
            std::erase_if(queue_, [&](const std::shared_ptr<Ticket>& t) {
                if (t->pid != first->pid || t->requirement != first->requirement)
                    return false;
                t->running = stop;
                t->live = live;
                ++*live;
                batch.push_back(t);
                return true;
            });
            ++checking_;
            lock.unlock();
            Outcome outcome;
            QString why;
            const auto code = codesign::codeForPid(first->pid);
            const auto image = codesign::runningImage(first->pid);
            outcome.passed = code && image
                             && codesign::checkValidity(*code, first->requirement, stop->get_token(), &why)
                                    == codesign::kSuccess
                             && codesign::runningImage(first->pid) == image;
            outcome.image = image.value_or(QByteArray());
            outcome.notInspectable = !why.isEmpty();
            if (!why.isEmpty() && !stop->stop_requested())
                platform::log::write(QString("xpc: refused process %1: %2").arg(first->pid).arg(why));
            lock.lock();
            if (--checking_ == 0)
                ended_.notify_all();
            for (const std::shared_ptr<Ticket>& t : batch)
                if (!t->cancelled)
                    QMetaObject::invokeMethod(
                        t->context, [deliver = t->deliver, outcome] { deliver(outcome); }, Qt::QueuedConnection);
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable ended_;
    int checking_ = 0; // checks running now
    std::deque<std::shared_ptr<Ticket>> queue_;
    int threads_ = 0;
    int idle_ = 0;
    bool closing_ = false;
};

class ServerConnection;

// Where a reply goes once its work is done, from whichever thread does it.
struct Outbox {
    std::mutex mutex;
    QObject* target = nullptr;         // lives on the connection's thread
    ServerConnection* owner = nullptr; // both cleared there before the connection goes
};

void post(const std::shared_ptr<Outbox>& outbox, const QByteArray& bytes);

// The service's end of one connection, on its own descriptor rather than a QLocalSocket: the
// kernel stamps every message with its sender (SO_PASSCRED), which a buffered socket drops.
class ServerConnection final : public Connection {
public:
    // onClosed runs later on the context's thread, unless the context is gone by then.
    ServerConnection(int fd, QObject* context, std::shared_ptr<CheckPool> pool,
                     std::function<void(ServerConnection*)> onClosed)
        : fd_(fd), context_(context), pool_(std::move(pool)), outbox_(std::make_shared<Outbox>()),
          onClosed_(std::move(onClosed))
    {
        ucred cred{};
        socklen_t len = sizeof cred;
        if (::getsockopt(fd_, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0)
            pid_ = cred.pid;
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_PASSCRED, &on, sizeof on);
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
        readable_ = new QSocketNotifier(qintptr(fd_), QSocketNotifier::Read);
        writable_ = new QSocketNotifier(qintptr(fd_), QSocketNotifier::Write);
        writable_->setEnabled(false);
        QObject::connect(readable_, &QSocketNotifier::activated, readable_, [this] { receive(); });
        QObject::connect(writable_, &QSocketNotifier::activated, writable_, [this] { flush(); });
        outbox_->target = readable_;
        outbox_->owner = this;
    }

    ~ServerConnection() override { close(); }

    qint64 peerPid() const override { return pid_; }
    void setCodeSigningRequirement(const QString& requirement) override { requirement_ = requirement; }
    void setExportedInterface(const Interface& interface) override { interface_ = interface; }
    void setExportedObject(ExportedObject object) override { object_ = std::move(object); }

    void resume() override
    {
        if (fd_ < 0 || admitted_ || ticket_)
            return;
        if (requirement_.isEmpty()) {
            admit({});
            return;
        }
        // Off the thread that sends replies, on the listener's pool: a slow check holds up no
        // other connection's answer. A connection that cannot get its check, or waits too long
        // for it, is refused alone.
        try {
            auto verdict = std::make_shared<Verdict>();
            verdict->owner = this;
            auto ticket = std::make_shared<CheckPool::Ticket>();
            ticket->pid = pid_;
            ticket->requirement = requirement_;
            ticket->context = context_;
            ticket->deliver = [verdict](const CheckPool::Outcome& outcome) {
                if (ServerConnection* owner = verdict->owner)
                    owner->checked(outcome);
            };
            pool_->enqueue(ticket);
            verdict_ = verdict;
            ticket_ = ticket;
        } catch (const std::exception&) {
            invalidate();
            return;
        }
        waiting_.start(kCheckWaitLimit, [this] { invalidate(); });
    }

    void invalidate() override
    {
        if (fd_ < 0)
            return;
        close();
        auto closed = onClosed_;
        QTimer::singleShot(0, context_, [closed, self = this] { closed(self); });
    }

    void write(const QByteArray& bytes)
    {
        if (fd_ < 0)
            return;
        unsent_ += bytes;
        flush();
    }

private:
    // Who learns the check's outcome: cleared on the connection's thread when it closes.
    struct Verdict {
        ServerConnection* owner = nullptr;
    };

    void checked(const CheckPool::Outcome& outcome)
    {
        waiting_.stop();
        if (fd_ < 0)
            return;
        if (outcome.passed) {
            admit(outcome.image);
            return;
        }
        // The one refusal a client learns the cause of: its own system, not its code, is in the
        // way, and its user can mend that. An impostor learns nothing it did not know.
        if (outcome.notInspectable)
            write(frame(QCborArray{kRefusal, QCborArray{QString::fromLatin1(kNotInspectable)}}));
        invalidate();
    }

    void admit(const QByteArray& image)
    {
        admitted_ = true;
        image_ = image;
        nonce_.resize(kNonceSize);
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(nonce_.data()), kNonceSize / 4);
        write(frame(QCborArray{0, QCborArray{nonce_}}));
    }

    void flush()
    {
        while (fd_ >= 0 && !unsent_.isEmpty()) {
            const ssize_t n = ::send(fd_, unsent_.constData(), size_t(unsent_.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                unsent_.remove(0, n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                break;
            } else {
                unsent_.clear(); // the peer went; the read side sees it and closes
            }
        }
        if (writable_)
            writable_->setEnabled(fd_ >= 0 && !unsent_.isEmpty());
    }

    void close()
    {
        if (fd_ < 0)
            return;
        if (verdict_)
            verdict_->owner = nullptr;
        if (ticket_)
            pool_->cancel(ticket_);
        waiting_.stop();
        partial_.stop();
        {
            std::lock_guard lock(outbox_->mutex);
            outbox_->target = nullptr;
            outbox_->owner = nullptr;
        }
        // The peer sees the end at once; the descriptor itself goes with its notifiers, which may
        // be the ones running now, so that no notifier ever watches a number reused meanwhile.
        ::shutdown(fd_, SHUT_RDWR);
        readable_->setEnabled(false);
        writable_->setEnabled(false);
        readable_->disconnect();
        writable_->disconnect();
        QObject::connect(readable_, &QObject::destroyed, [fd = fd_] { ::close(fd); });
        readable_->deleteLater();
        writable_->deleteLater();
        readable_ = writable_ = nullptr;
        fd_ = -1;
    }

    // The sender of each message, as the kernel saw it; nullopt when it did not say.
    static std::optional<pid_t> sender(msghdr& message)
    {
        std::optional<pid_t> pid;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != SOL_SOCKET)
                continue;
            if (c->cmsg_type == SCM_CREDENTIALS && c->cmsg_len == CMSG_LEN(sizeof(ucred))) {
                ucred cred{};
                std::memcpy(&cred, CMSG_DATA(c), sizeof cred);
                pid = cred.pid;
            } else if (c->cmsg_type == SCM_RIGHTS) { // descriptors are no part of a request
                const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
                for (size_t i = 0; i < count; ++i) {
                    int fd = -1;
                    std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
                    ::close(fd);
                }
                return std::nullopt;
            }
        }
        return pid;
    }

    // Every byte must come from the process that was checked, still running the image that was
    // checked, untraced: a process that shares the socket (a child forked before the checked
    // client exec'd, or one handed the descriptor), a pid taken over by another process, an exec
    // since, or a tracer attached since, closes the connection. Nothing counts before the check
    // has passed: the peer's code may have been another's then.
    void receive()
    {
        bool more = true;
        while (fd_ >= 0 && more) {
            char data[16 * 1024];
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred)) + CMSG_SPACE(16 * sizeof(int))];
            iovec io{data, sizeof data};
            msghdr message{};
            message.msg_iov = &io;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            const ssize_t n = ::recvmsg(fd_, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            const std::optional<pid_t> from = n > 0 ? sender(message) : std::nullopt;
            if (n <= 0 || !admitted_ || !from || *from != pid_ || (message.msg_flags & MSG_CTRUNC)
                || !stillAsChecked()) {
                invalidate();
                return;
            }
            buffer_.append(data, n);
            more = size_t(n) == sizeof data;
        }
        if (fd_ >= 0)
            handle();
    }

    bool stillAsChecked() const
    {
        if (requirement_.isEmpty())
            return true;
        return codesign::runningImage(pid_) == image_ && codesign::isTraced(pid_) == false;
    }

    void handle()
    {
        QList<QCborArray> messages;
        const bool wellFormed = takeFrames(buffer_, messages);
        for (const QCborArray& m : messages) {
            const Method* method = m.size() == 4 && m[0].isInteger() && m[1].isString() && m[2].isArray()
                                           && m[3].isByteArray() && m[3].toByteArray() == nonce_
                                       ? interface_.find(m[1].toString())
                                       : nullptr;
            const QCborArray arguments = m[2].toArray();
            if (!method || !object_ || !conforms(method->arguments, arguments)) {
                invalidate();
                return;
            }
            auto once = std::make_shared<std::once_flag>();
            Reply reply = [once, outbox = outbox_, id = m[0].toInteger(), kinds = method->reply](const QCborArray& values) {
                std::call_once(*once, [&] {
                    if (conforms(kinds, values))
                        post(outbox, frame(QCborArray{id, values}));
                });
            };
            object_(method->selector, arguments, std::move(reply));
            if (fd_ < 0)
                return;
        }
        if (!wellFormed) {
            invalidate();
            return;
        }
        if (buffer_.isEmpty())
            partial_.stop();
        else if (!messages.isEmpty() || !partial_.isActive())
            partial_.start(kPartialMessageTimeout, [this] { invalidate(); });
    }

    int fd_;
    QObject* context_;
    std::shared_ptr<CheckPool> pool_;
    std::shared_ptr<Outbox> outbox_;
    std::function<void(ServerConnection*)> onClosed_;
    QSocketNotifier* readable_ = nullptr;
    QSocketNotifier* writable_ = nullptr;
    qint64 pid_ = 0;
    QString requirement_;
    Interface interface_;
    ExportedObject object_;
    bool admitted_ = false;
    QByteArray image_; // as the check saw it
    QByteArray nonce_;
    QByteArray buffer_;
    QByteArray unsent_;
    platform::Timer partial_;
    platform::Timer waiting_;
    std::shared_ptr<Verdict> verdict_;
    std::shared_ptr<CheckPool::Ticket> ticket_;
};

void post(const std::shared_ptr<Outbox>& outbox, const QByteArray& bytes)
{
    std::lock_guard lock(outbox->mutex);
    if (!outbox->target)
        return;
    QMetaObject::invokeMethod(
        outbox->target,
        [outbox, bytes] {
            if (ServerConnection* owner = outbox->owner)
                owner->write(bytes);
        },
        Qt::QueuedConnection);
}

// Hands each incoming connection over as its bare descriptor.
class Server final : public QLocalServer {
public:
    std::function<void(int fd)> onConnection;

protected:
    void incomingConnection(quintptr descriptor) override
    {
        if (onConnection)
            onConnection(int(descriptor));
        else
            ::close(int(descriptor));
    }
};

} // namespace

const Method* Interface::find(const QString& selector) const
{
    for (const Method& m : methods)
        if (m.selector == selector)
            return &m;
    return nullptr;
}

bool conforms(const QList<Kind>& kinds, const QCborArray& values)
{
    if (kinds.size() != values.size())
        return false;
    for (qsizetype i = 0; i < kinds.size(); ++i) {
        const QCborValue v = values[i];
        switch (kinds[i]) {
        case Kind::Int64:
            if (!v.isInteger())
                return false;
            break;
        case Kind::Bool:
            if (!v.isBool())
                return false;
            break;
        case Kind::OptionalString:
            if (!v.isString() && !v.isNull())
                return false;
            break;
        }
    }
    return true;
}

} // namespace platform::xpc

namespace sim::xpc {
void failThreadStarts(int count) { platform::xpc::threadStartsToFail = count; }
} // namespace sim::xpc

namespace platform::xpc {

QString servicePath(const QString& machServiceName) { return sim::machine::stateFolder() + "/xpc/" + machServiceName; }

struct Listener::Impl {
    QString name;
    ListenerDelegate* delegate = nullptr;
    std::unique_ptr<Server> server;
    std::shared_ptr<CheckPool> pool = std::make_shared<CheckPool>();
    std::vector<std::unique_ptr<ServerConnection>> connections;

    // Most connections of a flood have gone: their memory goes back to the system, which the
    // allocator would otherwise keep for the next flood.
    size_t peak = 0;
    void released()
    {
        if (peak < 64 || connections.size() > peak / 4)
            return;
        peak = connections.size();
        ::malloc_trim(0);
    }

    void accept(int fd)
    {
        ServerConnection* raw = nullptr;
        try {
            auto c = std::make_unique<ServerConnection>(fd, server.get(), pool, [this](ServerConnection* closed) {
                std::erase_if(connections, [closed](const auto& p) { return p.get() == closed; });
                released();
            });
            raw = c.get();
            connections.push_back(std::move(c));
            peak = std::max(peak, connections.size());
        } catch (const std::bad_alloc&) { // this peer goes unanswered; the service stays
            if (!raw)
                ::close(fd);
            return;
        }
        if (!delegate || !delegate->shouldAcceptNewConnection(*raw))
            raw->invalidate();
    }
};

Listener::Listener(const QString& machServiceName) : d(std::make_unique<Impl>()) { d->name = machServiceName; }

Listener::~Listener()
{
    d->connections.clear();
    d->pool->close();
    if (d->server)
        d->server->close();
}

void Listener::setDelegate(ListenerDelegate* delegate) { d->delegate = delegate; }

bool Listener::resume()
{
    const QString path = servicePath(d->name);
    const QString folder = QFileInfo(path).absolutePath();
    QDir().mkpath(folder);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    struct stat st {};
    // Only the service's owner may have made or be able to change the folder.
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()
        || (st.st_mode & (S_IWGRP | S_IWOTH)))
        return false;
    QLocalServer::removeServer(path);
    d->server = std::make_unique<Server>();
    d->server->onConnection = [impl = d.get()](int fd) { impl->accept(fd); };
    return d->server->listen(path);
}

int Listener::connectionCount() const { return int(d->connections.size()); }

struct RemoteConnection::Impl {
    struct Pending {
        std::function<void(const QCborArray&)> reply;
        std::function<void()> onError;
        QList<Kind> kinds;
    };
    QString name;
    Interface interface;
    std::function<void()> invalidationHandler;
    std::unique_ptr<QLocalSocket> socket;
    QByteArray buffer;
    QList<QCborArray> unsent; // until the service has checked this process and sent its nonce
    std::optional<QByteArray> nonce;
    QMap<qint64, Pending> pending;
    qint64 nextId = 1;
    bool invalid = false;
    Refusal refusal = Refusal::none;
    platform::Timer greeting;

    void fail()
    {
        if (invalid)
            return;
        invalid = true;
        greeting.stop();
        const auto calls = std::exchange(pending, {});
        if (socket) {
            socket->disconnect();
            socket->abort();
            socket.release()->deleteLater();
        }
        for (const Pending& p : calls)
            if (p.onError)
                p.onError();
        if (auto handler = std::exchange(invalidationHandler, {}))
            handler();
    }

    void receive()
    {
        QList<QCborArray> messages;
        buffer += socket->readAll();
        const bool wellFormed = takeFrames(buffer, messages);
        for (const QCborArray& m : messages) {
            if (!nonce) {
                if (m.size() == 2 && m[0].toInteger() == kRefusal
                    && m[1].toArray().at(0).toString() == QLatin1String(kNotInspectable))
                    refusal = Refusal::notInspectable;
                nonce = greetingNonce(m);
                if (!nonce) {
                    fail();
                    return;
                }
                greeting.stop();
                for (QCborArray& request : std::exchange(unsent, {}))
                    write(std::move(request));
                continue;
            }
            if (m.size() != 2 || !m[0].isInteger() || !m[1].isArray() || !pending.contains(m[0].toInteger())) {
                fail();
                return;
            }
            const Pending p = pending.take(m[0].toInteger());
            if (!conforms(p.kinds, m[1].toArray())) {
                if (p.onError)
                    p.onError();
                continue;
            }
            p.reply(m[1].toArray());
            if (invalid)
                return;
        }
        if (!wellFormed)
            fail();
    }

    void write(QCborArray request)
    {
        request.append(*nonce);
        socket->write(frame(request));
    }
};

RemoteConnection::RemoteConnection(const QString& machServiceName, int) : d(std::make_shared<Impl>())
{
    d->name = machServiceName;
}

RemoteConnection::~RemoteConnection()
{
    d->invalidationHandler = {};
    for (auto& p : d->pending)
        p.onError = {};
    d->fail();
}

void RemoteConnection::setRemoteObjectInterface(const Interface& interface) { d->interface = interface; }

void RemoteConnection::setInvalidationHandler(std::function<void()> handler) { d->invalidationHandler = std::move(handler); }

void RemoteConnection::resume()
{
    if (d->socket || d->invalid)
        return;
    d->socket = std::make_unique<QLocalSocket>();
    QLocalSocket* s = d->socket.get();
    std::weak_ptr<Impl> weak = d;
    QObject::connect(s, &QLocalSocket::readyRead, s, [weak] {
        if (auto impl = weak.lock())
            impl->receive();
    });
    auto lost = [weak] {
        QTimer::singleShot(0, [weak] {
            if (auto impl = weak.lock())
                impl->fail();
        });
    };
    // Where the system lets only a process's ancestors and the one it names read its memory,
    // the service (no ancestor of this process) could not check it otherwise. Named before the
    // service's check reads it, which waits a moment for this.
    QObject::connect(s, &QLocalSocket::connected, s, [s] {
        ucred cred{};
        socklen_t len = sizeof cred;
        if (::getsockopt(int(s->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.pid > 0)
            sim::codesign::permitInspection(cred.pid);
    });
    QObject::connect(s, &QLocalSocket::disconnected, s, lost);
    QObject::connect(s, &QLocalSocket::errorOccurred, s, lost);
    d->greeting.start(kGreetingTimeout, [weak] {
        if (auto impl = weak.lock(); impl && !impl->nonce)
            impl->fail();
    });
    s->connectToServer(servicePath(d->name));
}

void RemoteConnection::invalidate() { d->fail(); }

Refusal RemoteConnection::refusal() const { return d->refusal; }

void RemoteConnection::send(const QString& selector, const QCborArray& arguments,
                            std::function<void(const QCborArray&)> reply, std::function<void()> onError)
{
    const Method* method = d->interface.find(selector);
    if (d->invalid || !d->socket || !method || !conforms(method->arguments, arguments)) {
        QTimer::singleShot(0, [onError] {
            if (onError)
                onError();
        });
        return;
    }
    const qint64 id = d->nextId++;
    d->pending[id] = {std::move(reply), std::move(onError), method->reply};
    QCborArray request{id, selector, arguments};
    if (d->nonce)
        d->write(std::move(request));
    else
        d->unsent.append(std::move(request));
}

} // namespace platform::xpc
