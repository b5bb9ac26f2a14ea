// Reading and writing Default_Folder.ini.
#include "tavrin/skin/settings_ini.h"

#include <shlwapi.h>

#include <mutex>

#include "tavrin/skin/app_fonts.h"

namespace {

// Puts the file's attributes back to `attributes` after a write, hidden or not as asked.
void SetAttributes(const CString& path, DWORD attributes) { SetFileAttributesW(path, attributes); }

// Some Wine versions' profile writer re-creates the file and is refused while the file is hidden;
// Windows writes a hidden profile file in place.
bool ProfileWriterRefusesHiddenFiles() {
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

// One write at a time in this process: the attribute steps and the write belong together.
std::mutex& IniWriteMutex() {
  static std::mutex m;
  return m;
}

}  // namespace

CString GetIniFilePath() {
  CString dir = GetAppDirectory();
  if (dir.IsEmpty()) return CString();
  if (dir[dir.GetLength() - 1] != L'\\') dir += L'\\';  // a drive root already ends with one
  return dir + kIniFileName;
}

BOOL WriteIni(LPCWSTR section, LPCWSTR key, LPCWSTR value) {
  CString path = GetIniFilePath();
  if (path.IsEmpty() || !section || !key) return FALSE;
  std::lock_guard<std::mutex> lock(IniWriteMutex());
  // Where the profile writer refuses a hidden file, clear the attribute around the write; every
  // successful write leaves the file hidden.
  const DWORD before = GetFileAttributesW(path);
  const bool existed = before != INVALID_FILE_ATTRIBUTES;
  const bool unhide = existed && (before & FILE_ATTRIBUTE_HIDDEN) && ProfileWriterRefusesHiddenFiles();
  if (unhide) SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
  BOOL ok = WritePrivateProfileStringW(section, key, value, path);
  if (ok) {
    SetAttributes(path, FILE_ATTRIBUTE_HIDDEN);
  } else if (unhide) {
    SetAttributes(path, before);  // a failed write leaves the attributes as they were
  }
  return ok;
}

CString ReadIni(LPCWSTR section, LPCWSTR key) {
  CString path = GetIniFilePath();
  if (path.IsEmpty() || !section || !key) return CString();
  wchar_t value[kIniValueMax + 1] = L"";
  DWORD n = GetPrivateProfileStringW(section, key, L"", value, kIniValueMax + 1, path);
  return n > 0 ? CString(value) : CString();
}

BOOL WriteIniDefaultsIfMissing() {
  CString path = GetIniFilePath();
  if (path.IsEmpty() || PathFileExistsW(path)) return FALSE;
  BOOL ok = WriteIni(L"DISPLAY", L"INFOCHECK", L"31");
  ok = WriteIni(L"DISPLAY", L"ASPECT", L"on") && ok;
  ok = WriteIni(L"DISPLAY", L"VOLUME", L"65535") && ok;
  return ok;
}
