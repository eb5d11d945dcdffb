#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace testpaths {

QString buildDir()
{
    if (qEnvironmentVariableIsSet("PELORN_BUILD_DIR"))
        return qEnvironmentVariable("PELORN_BUILD_DIR");
    const QDir above(QCoreApplication::applicationDirPath() + "/..");
    if (QFileInfo::exists(above.filePath("CMakeCache.txt")))
        return above.canonicalPath();
    return QStringLiteral(PELORN_BINARY_DIR);
}

QString sourceDir() { return QStringLiteral(PELORN_SOURCE_DIR); }

} // namespace testpaths
