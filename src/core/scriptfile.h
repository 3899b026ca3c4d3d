#pragma once

#include <QByteArray>
#include <QString>

// "script.txt", the processing script of the advanced options, kept as the bytes that are in it.
//
// An editor may have written it in an older single-byte encoding (0xB5 for "µ"); the memo shows such
// bytes by their ISO 8859-1 character, as typing does, and as long as the user leaves the script as it
// is, the script runs on the file's own bytes and the file is never written. A changed script is written
// as UTF-8 with CR LF line ends, atomically: a full disk or a crash leaves the old file whole.
class ScriptFile
{
public:
    explicit ScriptFile(QString path);

    QString path() const { return m_path; }

    // Reads the file. A missing file leaves the script unknown, so that whatever the memo holds is
    // written at the next save. False when the file is there but unreadable; nothing changes then.
    bool load();
    // Whether the file was there at the last load or save.
    bool exists() const { return m_known; }
    // The script as the memo shows it: lines joined by LF, without a line end after the last.
    QString text() const { return m_text; }
    // The text as the editor gives it back after showing text(), which may differ in details (an
    // editor turns no-break spaces into spaces); that text counts as unchanged too.
    void setShownText(const QString& shown) { m_shown = shown; }
    // The script to run for what the memo holds: the file's own bytes (line ends as LF) while the memo
    // shows what was loaded, else the memo's text in UTF-8.
    QByteArray bytesFor(const QString& memoText) const;
    // Writes the memo's text unless it is what the file already holds; false, with errorString(), when
    // the file could not be written.
    bool save(const QString& memoText);
    QString errorString() const { return m_error; }

private:
    void take(const QByteArray& fileBytes);
    bool unchanged(const QString& memoText) const;

    QString m_path;
    // The script as bytes with LF line ends and no line end after the last line, and as shown.
    QByteArray m_bytes;
    QString m_text;
    QString m_shown;
    bool m_known = false;
    QString m_error;
};
