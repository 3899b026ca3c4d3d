#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// What the program can truthfully say of itself on its About page, and where it lies.
namespace ProgramInfo {

// The version of this build, "1.15.17".
QString version();
// The program's name and version, as its window and banner show them.
QString title();
// Where the documentation of this copy lies: the folder of the README found at <prefix>/share/doc/kwelta
// seen from the program's folder (<prefix>/lib/kwelta); in the build tree that README is a link, and
// the sources it leads to are the folder. Empty when there is none. The name is for reading; a folder
// whose name is not UTF-8 is reached through documentationUrl().
QString documentationFolder();
// The same folder as a file URL that keeps its name's bytes (percent-encoded), for a browser to open.
QUrl documentationUrl();
// A file URL for a path as the file system names it. QUrl::fromLocalFile() takes text, which cannot hold
// bytes that are not UTF-8; percent-encoded, QUrl keeps them as they are.
QUrl fileUrl(const QByteArray& path);

// The running program's file, resolved, as the kernel names it: bytes, which need not be UTF-8 (a folder
// named under another locale). QCoreApplication::applicationFilePath() decodes them, and a name that is
// not UTF-8 comes back with replacement characters that name no file.
QByteArray executablePath();
// The program's folder as a path that Qt's file classes can open: its own name when that decodes
// without loss, otherwise /proc/self/fd/<n> of a descriptor held on the folder for the life of the
// process, which reaches the same folder whatever bytes its name holds.
QString folderPath();
// A path as a person would read it: one that goes through folderPath()'s descriptor names the folder
// instead (with replacement characters where its name is not UTF-8). For messages and logs only.
QString readableName(const QString& path);

} // namespace ProgramInfo
