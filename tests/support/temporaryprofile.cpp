#include "support/temporaryprofile.h"

#include <QDir>

namespace {
constexpr const char* variables[3] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"};
constexpr const char* folders[3] = {"config", "data", "runtime"};
} // namespace

TemporaryProfile::TemporaryProfile()
{
    for (int i = 0; i < 3; ++i) {
        m_saved[i] = qgetenv(variables[i]);
        const QString folder = m_dir.filePath(QString::fromLatin1(folders[i]));
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(variables[i], folder.toLocal8Bit());
    }
}

TemporaryProfile::~TemporaryProfile()
{
    for (int i = 0; i < 3; ++i) {
        if (m_saved[i].isNull())
            qunsetenv(variables[i]);
        else
            qputenv(variables[i], m_saved[i]);
    }
}
