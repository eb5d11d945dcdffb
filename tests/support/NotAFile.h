#pragma once
// Things that can stand at a file's path without being a regular file. A plain read blocks on
// the FIFO forever and never ends on the link to /dev/zero.
#include <QString>

namespace support {

enum class NotAFile { fifo, linkToDevZero, folder };
inline constexpr NotAFile kNotAFile[] = {NotAFile::fifo, NotAFile::linkToDevZero, NotAFile::folder};

const char* name(NotAFile kind);
// Replaces whatever stands at the path (creating its folder) with the given kind.
void plant(NotAFile kind, const QString& path);
// A file of valid JSON padded with spaces to more than `bytes` bytes.
void plantOversized(const QString& path, const QByteArray& json, qint64 bytes);

} // namespace support
