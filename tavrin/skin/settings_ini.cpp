// Reading and writing Default_Folder.ini.
#include "tavrin/skin/settings_ini.h"

#include <shlwapi.h>

#include "tavrin/skin/app_fonts.h"

namespace {

// Puts the file's attributes back to `attributes` after a write, hidden or not as asked.
void SetAttributes(const CString& path, DWORD attributes) { SetFileAttributesW(path, attributes); }

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
  // Under Wine the profile writer re-creates the file, which is refused while the file is hidden:
  // clear the attribute around the write and set it again afterwards.
  DWORD before = GetFileAttributesW(path);
  bool existed = before != INVALID_FILE_ATTRIBUTES;
  if (existed && (before & FILE_ATTRIBUTE_HIDDEN)) SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
  BOOL ok = WritePrivateProfileStringW(section, key, value, path);
  if (ok) {
    SetAttributes(path, FILE_ATTRIBUTE_HIDDEN);
  } else if (existed) {
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
