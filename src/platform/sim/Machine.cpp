#include "platform/sim/Machine.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
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

QJsonObject Transaction::read(const QString& name) const
{
    QFile f(documentPath(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object();
}

bool Transaction::exists(const QString& name) const { return QFile::exists(documentPath(name)); }

void Transaction::write(const QString& name, const QJsonObject& document)
{
    QSaveFile f(documentPath(name));
    if (f.open(QIODevice::WriteOnly)) {
        f.write(QJsonDocument(document).toJson(QJsonDocument::Compact));
        f.commit();
    }
}

} // namespace sim::machine
