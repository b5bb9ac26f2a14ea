// The SD-card format's outside world on a real system: drive types, the volume behind a path, the
// physical disks of a volume, the list of volumes, the program's and Windows' folders, the message boxes
// and the elevated start of the partitioning tool.
#include "tavrin/app/dialogs/sd_format.h"

#include <winioctl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "platform/framework/program_file.h"
#include "playcore/bytes/unique_handle.h"
#include "tavrin/skin/msg_box.h"

namespace quill::app {
namespace {

constexpr wchar_t kConfirmCaption[] = L"確認";
constexpr wchar_t kErrorCaption[] = L"ERROR";
constexpr wchar_t kVolumePrefix[] = L"\\\\?\\Volume{";
// Longest path the system hands back here, and the most volumes and disk extents looked at.
constexpr DWORD kPathMax = 32768;
constexpr size_t kVolumesMax = 1024;
constexpr DWORD kExtentsMax = 64;

std::wstring ModuleFolder() {
  std::wstring path = quill::framework::ProgramFilePath();
  if (path.empty()) return std::wstring();
  PathRemoveFileSpecW(path.data());
  return path.c_str();
}

std::wstring SystemFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  const UINT n = GetSystemDirectoryW(path, MAX_PATH);
  return (n == 0 || n > MAX_PATH) ? std::wstring() : std::wstring(path);
}

std::wstring WindowsFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  const UINT n = GetSystemWindowsDirectoryW(path, MAX_PATH);
  return (n == 0 || n > MAX_PATH) ? std::wstring() : std::wstring(path);
}

// The volume that holds a path. The path is opened and the system names the volume of the file it
// reached, so a SUBST letter or a folder mount point on the way gives the volume behind it, not the
// letter's.
std::wstring VolumeOfPath(const std::wstring& path) {
  playcore::UniqueHandle h(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h) return std::wstring();
  std::vector<wchar_t> final(kPathMax, L'\0');
  const DWORD n = GetFinalPathNameByHandleW(h.get(), final.data(), kPathMax - 1, VOLUME_NAME_GUID);
  if (n == 0 || n >= kPathMax - 1) return std::wstring();
  const std::wstring name(final.data(), n);
  const size_t close = name.find(L"}\\");
  if (name.compare(0, wcslen(kVolumePrefix), kVolumePrefix) != 0 || close == std::wstring::npos) {
    return std::wstring();
  }
  return name.substr(0, close + 2);
}

// The physical disks a volume ("\\?\Volume{...}\") lies on, from its disk extents.
std::vector<DWORD> DisksOfVolume(const std::wstring& volume) {
  if (volume.size() < 2 || volume.back() != L'\\') return {};
  const std::wstring device = volume.substr(0, volume.size() - 1);  // the volume itself, not its root
  playcore::UniqueHandle h(CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
  if (!h) return {};
  std::vector<BYTE> buffer(sizeof(VOLUME_DISK_EXTENTS) + kExtentsMax * sizeof(DISK_EXTENT));
  DWORD got = 0;
  if (!DeviceIoControl(h.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, buffer.data(),
                       static_cast<DWORD>(buffer.size()), &got, nullptr) ||
      got < offsetof(VOLUME_DISK_EXTENTS, Extents)) {
    return {};
  }
  const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer.data());
  const DWORD count = extents->NumberOfDiskExtents;
  if (count == 0 || count > kExtentsMax ||
      got < offsetof(VOLUME_DISK_EXTENTS, Extents) + count * sizeof(DISK_EXTENT)) {
    return {};
  }
  std::vector<DWORD> disks;
  for (DWORD i = 0; i < count; ++i) {
    const DWORD disk = extents->Extents[i].DiskNumber;
    if (std::find(disks.begin(), disks.end(), disk) == disks.end()) disks.push_back(disk);
  }
  return disks;
}

std::vector<std::wstring> AllVolumes() {
  std::vector<std::wstring> names;
  wchar_t name[MAX_PATH + 1] = {};
  HANDLE find = FindFirstVolumeW(name, MAX_PATH);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(name);
  } while (names.size() < kVolumesMax && FindNextVolumeW(find, name, MAX_PATH));
  FindVolumeClose(find);
  return names;
}

ToolStart RunElevated(HWND owner, const std::wstring& file, const std::wstring& parameters) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = owner;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  ToolStart r;
  r.started = ShellExecuteExW(&info) && reinterpret_cast<INT_PTR>(info.hInstApp) > 32;
  if (!r.started) r.error = GetLastError();
  r.process = info.hProcess;
  return r;
}

}  // namespace

FormatEnvironment SystemFormatEnvironment(HWND owner) {
  FormatEnvironment env;
  env.driveType = [](const std::wstring& root) { return GetDriveTypeW(root.c_str()); };
  env.volumeOf = VolumeOfPath;
  env.disksOf = DisksOfVolume;
  env.volumes = AllVolumes;
  env.programFolder = ModuleFolder();
  env.windowsFolder = WindowsFolder();
  env.systemFolder = SystemFolder();
  env.confirm = [owner](const std::wstring& q) {
    return CMsgBox(CWnd::FromHandle(owner)).Show(q.c_str(), kConfirmCaption, CMsgBox::kTypeOkCancel) == IDOK;
  };
  env.refuse = [owner](const std::wstring& m) {
    CMsgBox(CWnd::FromHandle(owner)).Show(m.c_str(), kErrorCaption, CMsgBox::kTypeOk);
  };
  env.run = [owner](const std::wstring& file, const std::wstring& parameters) {
    return RunElevated(owner, file, parameters);
  };
  return env;
}

}  // namespace quill::app
