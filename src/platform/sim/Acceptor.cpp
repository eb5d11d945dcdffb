#include "platform/sim/Acceptor.h"

#include "platform/Clock.h"
#include "platform/Log.h"

#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace sim {
namespace {

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

Acceptor::Acceptor(const QString& path, double retrySeconds, QString logName, std::function<void(int)> take)
    : path_(path), retrySeconds_(retrySeconds), logName_(std::move(logName)), take_(std::move(take)),
      retry_(std::make_unique<platform::Timer>())
{
    listener_ = listenAt(path);
    if (listener_ < 0)
        return;
    notifier_ = new QSocketNotifier(listener_, QSocketNotifier::Read);
    QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [this] { acceptPending(); });
}

Acceptor::~Acceptor()
{
    retry_.reset();
    delete notifier_; // before its descriptor closes
    if (listener_ >= 0) {
        ::close(listener_);
        QFile::remove(path_);
    }
}

// No vptr check here: the sanitizer's type check reads /proc/self/maps, which fails exactly when
// this runs out of descriptors, and it then reports the notifier as an object of another type.
#if defined(__clang__) || defined(__GNUC__)
__attribute__((no_sanitize("vptr")))
#endif
void Acceptor::acceptPending()
{
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            starved_ = false;
            take_(fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // The connection stays queued; the notifier would fire again at once, so pause it and
            // try again shortly.
            if (!std::exchange(starved_, true))
                platform::log::write(logName_ + ": cannot take a connection now: " + QString::fromLocal8Bit(std::strerror(errno)));
            notifier_->setEnabled(false);
            retry_->start(retrySeconds_, [this] {
                notifier_->setEnabled(true);
                acceptPending();
            });
        }
        return; // EAGAIN: nothing more queued
    }
}

} // namespace sim
