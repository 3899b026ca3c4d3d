#include "platform/autostartentry.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcAutoStart, "kwelta.platform.autostart", QtWarningMsg)

namespace {

// Characters that make the Desktop Entry format's Exec key need the argument quoted.
bool isReserved(QChar c)
{
    return QStringView(u" \t\n\"'\\><~|&;$*?#()`").contains(c);
}

// Inside double quotes the shell-like quoting still gives these a meaning, so they are escaped.
bool needsEscapeInQuotes(QChar c)
{
    return c == u'"' || c == u'`' || c == u'$' || c == u'\\';
}

QString quotedArgument(const QString& argument)
{
    if (!std::any_of(argument.cbegin(), argument.cend(), isReserved))
        return argument;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (needsEscapeInQuotes(c))
            quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
}

// A value of type string: the escapes are applied before the quoting is read, so a backslash the
// quoting put there is written twice again.
QString escapedStringValue(const QString& value)
{
    QString escaped;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

QString desktopEntryExec(const QString& programPath)
{
    // Control characters other than the escaped ones have no place in a desktop file, and a path that
    // did not decode (a replacement character) would start some other file.
    const bool representable = std::none_of(programPath.cbegin(), programPath.cend(), [](QChar c) {
        return (c.category() == QChar::Other_Control && c != u'\n' && c != u'\t' && c != u'\r') ||
               c == QChar::ReplacementCharacter;
    });
    if (programPath.isEmpty() || !representable)
        return {};
    QString exec = quotedArgument(programPath);
    exec.replace(u'%', QStringLiteral("%%"));
    // GLib, with which GNOME's session reads the start-up list, looks for the program before it turns
    // "%%" back into "%", finds nothing under the doubled name and skips the entry. With env in front
    // it finds env, and the path still reaches the program whole.
    if (programPath.contains(u'%'))
        exec.prepend(QStringLiteral("/usr/bin/env "));
    return escapedStringValue(exec);
}

QByteArray autostartDesktopEntry(const QString& programPath)
{
    const QString exec = desktopEntryExec(programPath);
    if (exec.isEmpty())
        return {};
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Kwelta\n"
                                        "Icon=" KWELTA_APP_ID "\n"
                                        "Exec=%1\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(exec);
    return text.toUtf8();
}

AutoStartEntry::AutoStartEntry(const QString& programPath, const QString& folder, QObject* parent)
    : QObject(parent)
    , m_programPath(programPath)
    , m_folder(folder)
{
    setObjectName(QStringLiteral("abfAutoRun1"));
}

QString AutoStartEntry::userFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("autostart"));
}

QString AutoStartEntry::entryFile() const
{
    return QDir(m_folder).filePath(QFileInfo(m_programPath).fileName() + QStringLiteral(".desktop"));
}

void AutoStartEntry::setAutoRun(bool on)
{
    if (on == m_autoRun)
        return;
    removeAutoRunEntry();
    m_autoRun = on;
    addAutoRunEntry();
}

void AutoStartEntry::addAutoRunEntry()
{
    removeAutoRunEntry();
    if (!m_autoRun)
        return;
    const QByteArray entry = autostartDesktopEntry(m_programPath);
    if (entry.isEmpty()) {
        qCWarning(lcAutoStart) << "No start-up entry can hold the program's path" << m_programPath;
        return;
    }
    if (!QDir().mkpath(m_folder)) {
        qCWarning(lcAutoStart) << "Cannot create the start-up folder" << m_folder;
        return;
    }
    // Whole or not at all: a desktop reading a half-written entry could start something else.
    QSaveFile file(entryFile());
    if (!file.open(QIODevice::WriteOnly) || file.write(entry) != entry.size() || !file.commit())
        qCWarning(lcAutoStart) << "Cannot write the start-up entry" << entryFile() << ":" << file.errorString();
}

void AutoStartEntry::removeAutoRunEntry()
{
    QFile file(entryFile());
    if (!file.exists())
        return;
    if (!file.remove())
        qCWarning(lcAutoStart) << "Cannot remove the start-up entry" << entryFile() << ":" << file.errorString();
}
