#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

// Files and folders named by bytes, through the system calls, which take any bytes for a name: a name
// that is not UTF-8 (a folder named under a Latin-1 locale) has no QString that leads to it.

inline bool writeFileBytes(const QByteArray& path, const QByteArray& bytes, mode_t mode = 0644)
{
    const int descriptor = open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (descriptor < 0)
        return false;
    const bool written = write(descriptor, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return close(descriptor) == 0 && written;
}

inline bool isFolderAt(const QByteArray& path)
{
    struct stat status = {};
    return stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

inline bool isFileAt(const QByteArray& path)
{
    struct stat status = {};
    return stat(path.constData(), &status) == 0 && S_ISREG(status.st_mode);
}

// A folder of the given name in a temporary folder of its own, removed with everything in it at the
// end: QTemporaryDir alone cannot, since it names what it removes in QStrings.
class ByteNamedFolder
{
public:
    explicit ByteNamedFolder(const QByteArray& name)
        : m_path(QFile::encodeName(m_place.path()) + '/' + name)
    {
        m_made = mkdir(m_path.constData(), 0755) == 0;
    }
    ~ByteNamedFolder()
    {
        nftw(
            m_path.constData(), [](const char* path, const struct stat*, int, FTW*) { return std::remove(path); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
    ByteNamedFolder(const ByteNamedFolder&) = delete;
    ByteNamedFolder& operator=(const ByteNamedFolder&) = delete;

    bool isMade() const { return m_made; }
    QByteArray path() const { return m_path; }
    // The temporary folder that holds it, whose own name is plain.
    QString place() const { return m_place.path(); }

private:
    QTemporaryDir m_place;
    QByteArray m_path;
    bool m_made = false;
};
