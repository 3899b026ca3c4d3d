#pragma once

#include <QString>

// What the program can truthfully say of itself on its About page.
namespace ProgramInfo {

// The version of this build, "1.15.17".
QString version();
// Where the documentation of this copy lies: the installed documentation beside the program
// (<prefix>/share/doc/kwelta), else the source tree it was built from while that is still there;
// empty when neither is found.
QString documentationFolder();

} // namespace ProgramInfo
