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
    const QString installed =
        QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../share/doc/kwelta"));
    const QString sourceTree = QStringLiteral(KWELTA_SOURCE_DIR);
    for (const QString& folder : {installed, sourceTree}) {
        if (QFileInfo::exists(QDir(folder).filePath(QStringLiteral("README.md"))))
            return QDir::cleanPath(folder);
    }
    return {};
}

} // namespace ProgramInfo
