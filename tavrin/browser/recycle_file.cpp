// Moving one recording file to the recycle bin. The shell operation runs without confirmation and
// without error UI, so every check that it names exactly the one file meant happens here first.
#include "tavrin/browser/recording_names.h"
#include "tavrin/skin/quiet_drive_errors.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

// FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI: to the recycle bin, no questions.
constexpr FILEOP_FLAGS kRecycleFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The folder part of `path` ("D:\\DCIM\\" of "D:\\DCIM\\a.MP4", "D:\\" of "D:\\a.MP4"); empty without one.
std::wstring FolderOf(const wchar_t* path) {
  const wchar_t* cut = wcsrchr(path, L'\\');
  const wchar_t* slash = wcsrchr(path, L'/');
  if (slash && (!cut || slash > cut)) cut = slash;
  return cut ? std::wstring(path, cut + 1) : std::wstring();
}

bool FolderExists(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The root of the volume that holds `path` ("D:\\", "\\\\server\\share\\"); empty when unknown.
std::wstring VolumeRoot(const wchar_t* path) {
  wchar_t root[kRecordingPathChars] = {};
  if (!GetVolumePathNameW(path, root, kRecordingPathChars)) return std::wstring();
  return root;
}

// The bin's keys of the user's settings and of the policies.
constexpr wchar_t kVolumeBinKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\BitBucket\\Volume\\";
constexpr wchar_t kPolicyKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr uint64_t kMegabyte = 1024u * 1024u;

bool ReadDword(HKEY root, const wchar_t* key, const wchar_t* value, DWORD* out) {
  DWORD size = sizeof *out;
  return RegGetValueW(root, key, value, RRF_RT_REG_DWORD, nullptr, out, &size) == ERROR_SUCCESS;
}

// "C:\\" -> "{guid}" of the volume, empty when the volume has no such name.
std::wstring VolumeGuid(const wchar_t* root) {
  wchar_t name[64] = {};
  if (!GetVolumeNameForVolumeMountPointW(root, name, 64)) return std::wstring();
  const wchar_t* open = wcschr(name, L'{');
  const wchar_t* close = open ? wcschr(open, L'}') : nullptr;
  return close ? std::wstring(open, close + 1) : std::wstring();
}

RecycleBinSetting ReadRegistrySetting(const wchar_t* root) {
  RecycleBinSetting setting;
  DWORD value = 0;
  for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    if (ReadDword(hive, kPolicyKey, L"NoRecycleFiles", &value) && value != 0) setting.off = true;
  }
  const std::wstring guid = VolumeGuid(root);
  if (!guid.empty()) {
    const std::wstring key = std::wstring(kVolumeBinKey) + guid;
    if (ReadDword(HKEY_CURRENT_USER, key.c_str(), L"NukeOnDelete", &value) && value != 0) setting.off = true;
    if (ReadDword(HKEY_CURRENT_USER, key.c_str(), L"MaxCapacity", &value)) setting.capacityBytes = value * kMegabyte;
  }
  return setting;
}

RecycleBinSettingReader g_settingReader = nullptr;

RecycleBinSetting SettingOf(const std::wstring& root) {
  return (g_settingReader ? g_settingReader : &ReadRegistrySetting)(root.c_str());
}

}  // namespace

void SetRecycleBinSettingReader(RecycleBinSettingReader reader) { g_settingReader = reader; }

uint64_t RecycleBinRoom(const wchar_t* path) {
  if (!VolumeHasRecycleBin(path)) return 0;
  QuietDriveErrors quiet;
  const RecycleBinSetting setting = SettingOf(VolumeRoot(path));
  return setting.capacityBytes == 0 ? UINT64_MAX : setting.capacityBytes;
}

bool VolumeHasRecycleBin(const wchar_t* path) {
  if (!path || !*path) return false;
  QuietDriveErrors quiet;
  const std::wstring root = VolumeRoot(path);
  if (root.empty()) return false;
  // Removable media, network shares and optical or RAM disks keep no recycle bin: the shell deletes
  // their files for good.
  switch (GetDriveTypeW(root.c_str())) {
    case DRIVE_FIXED:
      break;
    default:
      return false;
  }
  // A fixed drive whose bin cannot be asked about (no bin, or none the shell can reach) has none either.
  SHQUERYRBINFO info = {};
  info.cbSize = sizeof info;
  // The shell answers for a bin that is turned off as well, so the user's setting is read too.
  return SUCCEEDED(SHQueryRecycleBinW(root.c_str(), &info)) && !SettingOf(root).off;
}

bool RecycleFile(const wchar_t* path) {
  if (!path || !*path) return false;
  const size_t length = wcsnlen(path, kRecordingPathChars);
  // A longer path cannot be passed whole; a cut one would name another file or a parent folder.
  if (length >= kRecordingPathChars) return false;
  // The shell expands wildcards in the source list: "*" would take a whole folder with it.
  if (wcspbrk(path, L"*?")) return false;
  QuietDriveErrors quiet;  // the file usually lies on a card that may have been pulled
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // Already gone counts as recycled, but only from a folder that is still there: a card pulled or a
    // folder removed under the walk deleted nothing.
    return IsMissing(GetLastError()) && FolderExists(FolderOf(path));
  }
  // A folder row's path is a day folder: a whole day of recordings, never one file.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;

  wchar_t from[kRecordingPathChars + 1] = {};  // double terminated
  wmemcpy(from, path, length);
  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from;
  op.fFlags = kRecycleFlags;
  if (SHFileOperationW(&op) != 0 || op.fAnyOperationsAborted) return false;
  // Report success only when the file is really gone from its folder.
  return GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES && IsMissing(GetLastError());
}
