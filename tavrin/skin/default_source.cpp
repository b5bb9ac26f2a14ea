// The removable drives and the source the program opens at start-up.
#include <vector>

#include <shlwapi.h>

#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/quiet_drive_errors.h"
#include "tavrin/skin/settings_ini.h"

namespace {

// The double-null-terminated list of drive roots; false when it cannot be read. A drive that appears
// between asking for the size and reading the list makes the list longer: try once more.
bool ReadDriveRoots(std::vector<wchar_t>& roots) {
  GetLogicalDrives();
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD need = GetLogicalDriveStringsW(0, nullptr);
    if (need == 0) return false;
    roots.assign(need + 1, L'\0');
    DWORD got = GetLogicalDriveStringsW(need + 1, roots.data());
    if (got == 0) return false;
    if (got <= need) return true;
  }
  return false;
}

}  // namespace

int GetRemovableDrives(CStringArray& drives) {
  QuietDriveErrors quiet;
  std::vector<wchar_t> roots;
  if (!ReadDriveRoots(roots)) return -1;
  int last = -1;
  for (const wchar_t* root = roots.data(); *root; root += lstrlenW(root) + 1) {
    if (GetDriveTypeW(root) != DRIVE_REMOVABLE) continue;
    if (root[0] == L'A' || root[0] == L'a') continue;  // the floppy drive A: is never a card
    last = drives.Add(root);
  }
  return last;
}

CString SourcePathInAppDirectory(const CString& stored) {
  if (stored.IsEmpty() || !PathIsRelativeW(stored)) return stored;
  const CString base = GetAppDirectory();
  wchar_t combined[MAX_PATH] = L"";
  if (base.IsEmpty() || base.GetLength() + stored.GetLength() + 2 > MAX_PATH) return stored;
  if (!PathCombineW(combined, base, stored)) return stored;
  return CString(combined);
}

int FindDefaultSourceFolder(CString& path) {
  QuietDriveErrors quiet;
  CStringArray drives;
  GetRemovableDrives(drives);
  for (int i = drives.GetSize() - 1; i >= 0; --i) {
    path = drives[i];
    if (PathFileExistsW(path)) {
      path.Remove(L'\\');  // "E:\" becomes "E:"
      return 1;
    }
  }
  path = SourcePathInAppDirectory(ReadIni(L"SOURCE", L"FOLDER"));
  if (!path.IsEmpty() && PathFileExistsW(path)) return 2;
  path = SourcePathInAppDirectory(ReadIni(L"SOURCE", L"FILE"));
  return (!path.IsEmpty() && PathFileExistsW(path)) ? 3 : 0;
}
