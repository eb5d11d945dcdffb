// The info file: what the staging set up, for the tool that crops the screenshot.
#include "showcase/Showcase.h"

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/sim/Machine.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QJsonArray rectangle(const QRectF& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// The folders that hold the application's own stores (settings, its support files, the
// simulated machine's state): an info file there could take a store's place.
bool inOwnStores(const QString& canonicalFolder)
{
    const QString stores[] = {platform::paths::home() + "/Library/Preferences", platform::paths::applicationSupport(),
                              sim::machine::stateFolder()};
    for (const QString& store : stores) {
        const QString canonical = QFileInfo(store).canonicalFilePath();
        if (!canonical.isEmpty() && (canonicalFolder == canonical || canonicalFolder.startsWith(canonical + '/')))
            return true;
    }
    return false;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

QByteArray Showcase::infoJson(const Info& info)
{
    // QJsonObject keeps its keys sorted, which is the order the file promises.
    QJsonObject anchorsObject;
    for (auto it = info.anchors.begin(); it != info.anchors.end(); ++it)
        anchorsObject.insert(it.key(), rectangle(it.value()));
    QJsonArray windows;
    for (const InfoWindow& w : info.windows)
        windows.append(QJsonObject{
            {"id", qint64(w.id)},
            {"class", w.className},
            {"title", w.title},
            {"identifier", w.identifier},
            {"frame", rectangle(w.frame)},
        });
    QJsonObject root{
        {"page", info.page},
        {"active", info.active},
        {"language", info.language},
        {"anchors", anchorsObject},
        {"windows", windows},
    };
    if (info.main)
        root.insert("main", qint64(*info.main));
    if (info.panel)
        root.insert("panel", qint64(*info.panel));
    if (info.backdrop)
        root.insert("backdrop", qint64(*info.backdrop));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

void Showcase::writeInfo(const Info& info, const std::optional<QString>& path)
{
    if (!path)
        return;
    const QFileInfo target(*path);
    const QString name = target.fileName();
    const QString folder = QFileInfo(target.absolutePath()).canonicalFilePath(); // links above the file are fine
    if (name.isEmpty() || folder.isEmpty())
        return;
    const auto refuse = [&](const QString& why) { platform::log::write("showcase: no info file at " + *path + ": " + why); };
    if (inOwnStores(folder))
        return refuse("a folder of the application's own stores");
    const QByteArray at = QFile::encodeName(folder + '/' + name);
    struct stat existing = {};
    if (::lstat(at.constData(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return refuse("not a regular file");

    // Renaming replaces whatever stands at the path by then without opening it.
    QByteArray temporary = QFile::encodeName(folder + "/.pelorn-info-XXXXXX");
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return;
    const bool written = ::fchmod(fd, 0644) == 0 && writeAll(fd, infoJson(info));
    if (::close(fd) != 0 || !written || ::rename(temporary.constData(), at.constData()) != 0)
        ::unlink(temporary.constData());
}
