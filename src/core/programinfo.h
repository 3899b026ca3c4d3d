#pragma once

#include <QString>

// What the program can truthfully say of itself on its About page.
namespace ProgramInfo {

// The version of this build, "1.15.17".
QString version();
// Where the documentation of this copy lies: the folder of the README found at <prefix>/share/doc/kwelta
// seen from the program's folder (<prefix>/lib/kwelta); in the build tree that README is a link, and
// the sources it leads to are the folder. Empty when there is none.
QString documentationFolder();

} // namespace ProgramInfo
