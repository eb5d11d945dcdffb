#pragma once
// Keeping a file the system cannot use for the user, never over one kept before.
#include <QByteArray>
#include <QString>

namespace platform::files {

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
