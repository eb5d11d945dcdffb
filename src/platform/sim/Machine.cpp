#include "platform/sim/Machine.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <fcntl.h>
#include <mutex>
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

void Transaction::write(const QString& name, const QJsonObject& document)
{
    const QString path = documentPath(name);
    gCache.erase(path);
    QSaveFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(QJsonDocument(document).toJson(QJsonDocument::Compact));
        f.commit();
    }
}

} // namespace sim::machine
