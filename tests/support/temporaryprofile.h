#pragma once

#include <QString>
#include <QTemporaryDir>

// A user profile of its own for one test: XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR point
// into a temporary folder for as long as the object lives, so no test sees the developer's settings.
class TemporaryProfile
{
public:
    TemporaryProfile();
    ~TemporaryProfile();
    TemporaryProfile(const TemporaryProfile&) = delete;
    TemporaryProfile& operator=(const TemporaryProfile&) = delete;

    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved[3];
};
