#include "platform/sim/Machine.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <fcntl.h>
#include <chrono>
#include <mutex>
#include <thread>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim::machine {
namespace {

std::recursive_mutex gMutex;
thread_local int gDepth = 0;
// The lock file stays open while the sim root stays the same: a transaction then costs two
// flock calls, not a folder walk and an open.
int gLockFd = -1; // guarded by gMutex
QString gLockFolder;

QString documentPath(const QString& name) { return stateFolder() + "/" + name + ".json"; }

} // namespace

QString stateFolder() { return platform::paths::simRoot() + "/.sim"; }

Transaction::Transaction()
{
    gMutex.lock();
    if (gDepth++ == 0) {
        const QString folder = stateFolder();
        if (gLockFd < 0 || folder != gLockFolder || !QFile::exists(folder)) {
            if (gLockFd >= 0)
                ::close(gLockFd);
            QDir().mkpath(folder);
            const QByteArray path = QFile::encodeName(folder + "/machine.lock");
            gLockFd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            gLockFolder = folder;
        }
        if (gLockFd >= 0)
            while (::flock(gLockFd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
}

Transaction::~Transaction()
{
    if (--gDepth == 0 && gLockFd >= 0)
        ::flock(gLockFd, LOCK_UN);
    gMutex.unlock();
}

namespace {

// The documents this process read last, by path. A document is only ever replaced whole (a
// save renames a new file over it), so the same inode, size and change time mean the same
// content: a poll of an unchanged machine costs one stat per document.
struct Cached {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec changed{};
    QJsonObject document;
};
std::map<QString, Cached> gCache; // guarded by gMutex

bool same(const Cached& c, const struct stat& st)
{
    return c.device == st.st_dev && c.inode == st.st_ino && c.size == st.st_size
           && c.changed.tv_sec == st.st_ctim.tv_sec && c.changed.tv_nsec == st.st_ctim.tv_nsec;
}

} // namespace

QJsonObject Transaction::read(const QString& name) const
{
    const QString path = documentPath(name);
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        gCache.erase(path);
        return {};
    }
    if (const auto it = gCache.find(path); it != gCache.end() && same(it->second, st))
        return it->second.document;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject document = QJsonDocument::fromJson(f.readAll()).object();
    // Stamped with what was stat'ed before the read: a replacement meanwhile reads again next time.
    gCache[path] = Cached{st.st_dev, st.st_ino, st.st_size, st.st_ctim, document};
    return document;
}

bool Transaction::exists(const QString& name) const
{
    struct stat st{};
    return ::stat(QFile::encodeName(documentPath(name)).constData(), &st) == 0;
}

bool Transaction::write(const QString& name, const QJsonObject& document)
{
    const QString path = documentPath(name);
    gCache.erase(path);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(QJsonDocument(document).toJson(QJsonDocument::Compact));
    return f.commit();
}

namespace {

int gHoldFd = -1; // locked while this process holds the machine
QString gHoldFolder;

} // namespace

bool hold(double seconds)
{
    const QString folder = stateFolder();
    std::lock_guard lock(gMutex);
    if (gHoldFd >= 0 && gHoldFolder == folder && QFile::exists(folder + "/machine.holder"))
        return true;
    if (gHoldFd >= 0)
        ::close(gHoldFd);
    gHoldFd = -1;
    QDir().mkpath(folder);
    // Close-on-exec: a daemon started from here must not keep the machine held.
    const int fd = ::open(QFile::encodeName(folder + "/machine.holder").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            gHoldFd = fd;
            gHoldFolder = folder;
            return true;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace sim::machine
