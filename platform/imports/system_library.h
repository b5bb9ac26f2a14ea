// A system library loaded by its file name from the system folder only.
//
// A bare name given to LoadLibraryW is also looked for in the program's folder, the current directory
// and PATH; the program may be started from a card or a download folder, so a library of the same
// name planted there would run inside it. Every library the program loads by name goes through here.
#pragma once

#include <windows.h>

namespace quill::imports {

// The library `fileName` (a name without a folder, e.g. L"mfplat.dll") from the system folder; null
// with the system's error set when it is not there or when the name holds a folder. Free it with
// FreeLibrary.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

}  // namespace quill::imports
