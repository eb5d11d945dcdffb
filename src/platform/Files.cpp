#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::files {

Contents readRegular(const QString& path, qint64 maxBytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return {errno == ENOENT ? ReadStatus::missing : ReadStatus::failed, {}};
    Contents result;
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        result.status = ReadStatus::failed;
    else if (!S_ISREG(st.st_mode))
        result.status = ReadStatus::notRegular;
    else if (st.st_size > maxBytes)
        result.status = ReadStatus::tooLarge;
    else {
        result.status = ReadStatus::ok;
        result.bytes.reserve(st.st_size);
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (n < 0)
                    result.status = ReadStatus::failed;
                break;
            }
            // The file may grow while it is read: the bound holds for what is read, too.
            if (result.bytes.size() + n > maxBytes) {
                result.status = ReadStatus::tooLarge;
                break;
            }
            result.bytes.append(chunk, n);
        }
        if (result.status != ReadStatus::ok)
            result.bytes.clear();
    }
    ::close(fd);
    return result;
}

void removeIfNotRegular(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat at = {};
    if (::lstat(name.constData(), &at) != 0 || S_ISREG(at.st_mode) || S_ISDIR(at.st_mode))
        return;
    struct stat target = {};
    if (S_ISLNK(at.st_mode) && ::stat(name.constData(), &target) == 0 && S_ISREG(target.st_mode))
        return;
    ::unlink(name.constData());
}

QString freshName(const QString& stem, const QString& suffix)
{
    QString name = stem + suffix;
    for (int n = 2; QFileInfo(name).exists() || QFileInfo(name).isSymLink(); ++n)
        name = stem + "-" + QString::number(n) + suffix;
    return name;
}

QString moveAside(const QString& path, const QString& stem, const QString& suffix)
{
    // QFile::rename refuses to replace an existing file, so a name taken meanwhile is retried.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString aside = freshName(stem, suffix);
        if (QFile::rename(path, aside))
            return aside;
        if (!QFileInfo(aside).exists())
            return {};
    }
    return {};
}

QString keepAside(const QByteArray& bytes, const QString& stem, const QString& suffix)
{
    // Written whole or not at all, like the file it keeps.
    const QString aside = freshName(stem, suffix);
    QSaveFile f(aside);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        return {};
    return aside;
}

} // namespace platform::files
