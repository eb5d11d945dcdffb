#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform::files {

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
