#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <mutex>

namespace platform::paths {
namespace {
std::mutex gMutex;
// Never destroyed: threads of the simulated system (which, like the system's own, live as long as
// the process) read it while the process's statics are being destroyed at exit.
QString& gRoot = *new QString;

QString defaultRoot()
{
    const QByteArray env = qgetenv("PELORN_SIM_ROOT");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + "/.local/share";
    return base + "/Pelorn/sim";
}
} // namespace

QString simRoot()
{
    std::lock_guard lock(gMutex);
    if (gRoot.isEmpty())
        gRoot = QDir::cleanPath(defaultRoot());
    return gRoot;
}

void setSimRoot(const QString& root)
{
    std::lock_guard lock(gMutex);
    gRoot = QDir::cleanPath(root);
    qputenv("PELORN_SIM_ROOT", gRoot.toLocal8Bit());
}

QString map(const QString& macPath)
{
    QString p = macPath;
    if (p.startsWith("~/"))
        return home() + p.mid(1);
    if (!p.startsWith('/'))
        p.prepend('/');
    return simRoot() + p;
}

QString home() { return simRoot() + "/Users/user"; }

QString applicationSupport() { return home() + "/Library/Application Support/Pelorn"; }

bool ensureParent(const QString& filePath)
{
    return QDir().mkpath(QFileInfo(filePath).absolutePath());
}

} // namespace platform::paths
