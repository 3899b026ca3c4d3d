#include "core/programinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ProgramInfo {

QString version()
{
    return QStringLiteral(KWELTA_VERSION);
}

QString documentationFolder()
{
    // Relative to the program's resolved folder rather than a fixed prefix, so that an unpacked or
    // relocated copy finds its own documentation and no build machine's path is kept in the program.
    const QDir folder(
        QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral(KWELTA_DOC_FROM_PROGRAM)));
    // The build tree's README is a link into the sources, whose folder holds the rest of the documentation.
    const QString readme = QFileInfo(folder.filePath(QStringLiteral("README.md"))).canonicalFilePath();
    return readme.isEmpty() ? QString() : QFileInfo(readme).absolutePath();
}

} // namespace ProgramInfo
