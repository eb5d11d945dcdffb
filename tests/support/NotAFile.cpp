#include "support/NotAFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace support {
namespace {

void clear(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QFileInfo at(path);
    if (at.isDir() && !at.isSymLink())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

} // namespace

const char* name(NotAFile kind)
{
    switch (kind) {
    case NotAFile::fifo: return "a FIFO";
    case NotAFile::linkToDevZero: return "a link to /dev/zero";
    case NotAFile::folder: return "a folder";
    }
    return "?";
}

void plant(NotAFile kind, const QString& path)
{
    clear(path);
    switch (kind) {
    case NotAFile::fifo:
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    case NotAFile::linkToDevZero:
        ASSERT_TRUE(QFile::link("/dev/zero", path));
        break;
    case NotAFile::folder:
        ASSERT_TRUE(QDir().mkpath(path + "/inner"));
        break;
    }
}

void plantOversized(const QString& path, const QByteArray& json, qint64 bytes)
{
    clear(path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(json);
    f.write(QByteArray(bytes + 1 - json.size(), ' '));
}

} // namespace support
