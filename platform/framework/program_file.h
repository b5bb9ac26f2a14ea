// The program's own file, as the system names it: the path the resource addresses, the type library and
// the files installed beside the program are found from.
#pragma once

#include <string>

namespace quill::framework {

// The full path of the program's file, read whole however long it is (up to the system's 32,767
// characters); "" when the system does not answer it.
std::wstring ProgramFilePath();

}  // namespace quill::framework
