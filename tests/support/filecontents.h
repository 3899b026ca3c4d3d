#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The bytes of a file, or none when it cannot be read (not there yet, for instance).
inline QByteArray fileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
