// Libraries loaded from the system folder only.
#include "platform/imports/system_library.h"

#include <cwchar>
#include <string>

namespace quill::imports {

namespace {

// The longest system folder path taken; GetSystemDirectoryW answers far less on every Windows.
constexpr UINT kSystemFolderLength = MAX_PATH;

bool IsBareFileName(const wchar_t* name) {
  return name && *name && !std::wcspbrk(name, L"\\/:");
}

// Windows 7 and Vista without the update that brought the search flags answer ERROR_INVALID_PARAMETER
// to LOAD_LIBRARY_SEARCH_SYSTEM32; there the full path of the system folder is given instead, with the
// library's own folder searched first for what it imports.
HMODULE LoadByFullSystemPath(const wchar_t* name) {
  wchar_t folder[kSystemFolderLength];
  const UINT length = GetSystemDirectoryW(folder, kSystemFolderLength);
  if (length == 0 || length >= kSystemFolderLength) {
    if (length) SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  path += name;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  if (!IsBareFileName(fileName)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HMODULE module = LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module && GetLastError() == ERROR_INVALID_PARAMETER) module = LoadByFullSystemPath(fileName);
  return module;
}

}  // namespace quill::imports
