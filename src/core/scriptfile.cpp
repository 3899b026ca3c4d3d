#include "core/scriptfile.h"

#include "core/scaletext.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

ScriptFile::ScriptFile(QString path)
    : m_path(std::move(path))
{}

bool ScriptFile::load()
{
    QFile file(m_path);
    if (!file.exists()) {
        m_known = false;
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return false;
    }
    take(file.readAll());
    return true;
}

void ScriptFile::take(const QByteArray& fileBytes)
{
    QByteArray bytes = fileBytes;
    bytes.replace("\r\n", "\n").replace('\r', '\n');
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    m_bytes = bytes;
    m_text = decodeScaleText(bytes);
    m_shown = m_text;
    m_known = true;
}

bool ScriptFile::unchanged(const QString& memoText) const
{
    return m_known && (memoText == m_text || memoText == m_shown);
}

QByteArray ScriptFile::bytesFor(const QString& memoText) const
{
    return unchanged(memoText) ? m_bytes : memoText.toUtf8();
}

bool ScriptFile::save(const QString& memoText)
{
    if (unchanged(memoText))
        return true;
    QByteArray bytes = memoText.toUtf8();
    bytes.replace('\n', "\r\n");
    if (!bytes.isEmpty())
        bytes += "\r\n";
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = file.errorString();
        return false;
    }
    // A write the disk cuts short can pass for a whole one in the buffered device, so what reached the
    // file is measured before the old file is replaced.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.size() != bytes.size()) {
        m_error = file.error() != QFileDevice::NoError
                      ? file.errorString()
                      : QCoreApplication::translate("ScriptFile", "nie zapisano całości (brak miejsca na dysku?)");
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_error = file.errorString();
        return false;
    }
    take(bytes);
    return true;
}
