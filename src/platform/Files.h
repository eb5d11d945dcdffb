#pragma once
// Reading the small files that start-up depends on, and keeping a bad one for the user.
// Only a regular file is read, and only up to a bound: a FIFO would block the read forever and
// a link to a device such as /dev/zero never ends.
#include <QByteArray>
#include <QString>

namespace platform::files {

enum class ReadStatus { ok, missing, notRegular, tooLarge, failed };

struct Contents {
    ReadStatus status = ReadStatus::failed;
    QByteArray bytes; // the whole file when status is ok
};

// Opens without blocking (a FIFO opens at once), then reads only a regular file of at most
// maxBytes. A link is followed to what it names.
Contents readRegular(const QString& path, qint64 maxBytes);

// Makes room for an atomic write (QSaveFile), which follows a link and replaces what it names:
// removes a FIFO, socket or device at the path, or a link to anything but a regular file (a
// dangling one too), so the write replaces the link instead of going through it. A regular file,
// a link to one and a folder are left.
void removeIfNotRegular(const QString& path);

// The first of "<stem><suffix>", "<stem>-2<suffix>", "<stem>-3<suffix>", ... that names nothing,
// so a copy kept earlier is never replaced.
QString freshName(const QString& stem, const QString& suffix);

// Moves the file (or whatever stands there) at `path` to freshName(stem, suffix). Returns the
// new path, empty when the move failed.
QString moveAside(const QString& path, const QString& stem, const QString& suffix);

// Writes bytes, atomically, to a new file at freshName(stem, suffix). Returns the new path, empty
// on failure.
QString keepAside(const QByteArray& bytes, const QString& stem, const QString& suffix);

} // namespace platform::files
