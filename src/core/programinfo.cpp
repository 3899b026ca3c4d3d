#include "core/programinfo.h"

#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <climits>

namespace ProgramInfo {

namespace {

QByteArray executableFolder()
{
    const QByteArray program = executablePath();
    const qsizetype slash = program.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : program.left(slash);
}

bool decodesWithoutLoss(const QByteArray& name)
{
    return QFile::encodeName(QFile::decodeName(name)) == name;
}

QByteArray documentationFolderName()
{
    // Relative to the program's resolved folder rather than a fixed prefix, so that an unpacked or
    // relocated copy finds its own documentation and no build machine's path is kept in the program.
    // The build tree's README is a link into the sources, whose folder holds the rest of the documentation.
    const QByteArray readme = executableFolder() + "/" KWELTA_DOC_FROM_PROGRAM "/README.md";
    char resolved[PATH_MAX];
    if (!realpath(readme.constData(), resolved))
        return {};
    const QByteArray file(resolved);
    return file.left(qMax(qsizetype(1), file.lastIndexOf('/')));
}

} // namespace

QString version()
{
    return QStringLiteral(KWELTA_VERSION);
}

QString title()
{
    return QStringLiteral("Kwelta ") + version();
}

QString documentationFolder()
{
    return QFile::decodeName(documentationFolderName());
}

QUrl documentationUrl()
{
    const QByteArray folder = documentationFolderName();
    if (folder.isEmpty())
        return {};
    return fileUrl(folder);
}

QUrl fileUrl(const QByteArray& path)
{
    // QByteArray's encoding, not QUrl's, which takes a QString and so would decode the bytes first.
    return QUrl(QString::fromLatin1("file://" + path.toPercentEncoding("/")));
}

QByteArray executablePath()
{
    // Read once, as Qt reads its own answer once: the link follows the file if it is moved, and every
    // part of the program must see the one folder it started from.
    static const QByteArray path = [] {
        QByteArray link(PATH_MAX, '\0');
        const ssize_t length = readlink("/proc/self/exe", link.data(), size_t(link.size()));
        if (length > 0 && length < link.size()) {
            link.truncate(length);
            return link;
        }
        // Without /proc there is nothing better than Qt's decoded answer.
        return QFile::encodeName(QCoreApplication::applicationFilePath());
    }();
    return path;
}

QString folderPath()
{
    static const QString path = [] {
        const QByteArray folder = executableFolder();
        if (decodesWithoutLoss(folder))
            return QFile::decodeName(folder);
        // Held for good on purpose: every later path into the folder goes through it. O_PATH reads and
        // writes nothing by itself; what is opened through the link keeps the folder's own permissions.
        const int descriptor = open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0)
            return QFile::decodeName(folder);
        return QStringLiteral("/proc/self/fd/%1").arg(descriptor);
    }();
    return path;
}

QString readableName(const QString& path)
{
    const QString folder = folderPath();
    if (!folder.startsWith(QStringLiteral("/proc/self/fd/")) || !path.startsWith(folder) ||
        (path.size() > folder.size() && path.at(folder.size()) != u'/'))
        return path;
    return QFile::decodeName(executableFolder()) + path.mid(folder.size());
}

} // namespace ProgramInfo
