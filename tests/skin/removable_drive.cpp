// Defines and removes drive letters with Wine's mount manager (as Wine's own configuration tool does).
#include "tests/skin/removable_drive.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

namespace {

// The mount manager's "define a drive from a Unix folder" request (Wine): a header followed by the
// NUL-terminated Unix mount point, which an offset in the header names. type DRIVE_NO_ROOT_DIR removes
// the drive.
struct UnixDriveRequest {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDevice;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};
constexpr DWORD kMountManagerType = 0x6d;  // 'm'
constexpr DWORD kDefineUnixDrive = 32;
constexpr wchar_t kMountManager[] = L"\\\\.\\MountPointManager";

std::string UnixPathOf(const std::wstring& windowsPath) {
  using UnixNameFn = char*(__cdecl*)(const wchar_t*);
  auto fn = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return std::string();
  char* name = fn(windowsPath.c_str());
  if (!name) return std::string();
  std::string out(name);
  HeapFree(GetProcessHeap(), 0, name);
  return out;
}

bool DefineDrive(wchar_t letter, ULONG type, const std::string& mountPoint) {
  std::vector<char> request(sizeof(UnixDriveRequest) + mountPoint.size() + 1, '\0');
  auto* r = reinterpret_cast<UnixDriveRequest*>(request.data());
  r->size = static_cast<ULONG>(request.size());
  r->type = type;
  r->letter = letter;
  if (!mountPoint.empty()) {
    r->mountPointOffset = sizeof(UnixDriveRequest);
    std::memcpy(request.data() + sizeof(UnixDriveRequest), mountPoint.c_str(), mountPoint.size() + 1);
  }
  HANDLE mgr = CreateFileW(kMountManager, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  if (mgr == INVALID_HANDLE_VALUE) return false;
  DWORD got = 0;
  BOOL ok = DeviceIoControl(mgr, CTL_CODE(kMountManagerType, kDefineUnixDrive, METHOD_BUFFERED,
                                          FILE_READ_ACCESS | FILE_WRITE_ACCESS),
                            request.data(), static_cast<DWORD>(request.size()), nullptr, 0, &got, nullptr);
  CloseHandle(mgr);
  return ok != FALSE;
}

}  // namespace

namespace quill::test {

ScopedRemovableDrive::ScopedRemovableDrive(wchar_t letter, const std::wstring& folder)
    : letter_(static_cast<wchar_t>(towupper(letter))) {
  std::string unix = UnixPathOf(folder);
  if (unix.empty()) return;
  ok_ = DefineDrive(static_cast<wchar_t>(towlower(letter)), DRIVE_REMOVABLE, unix) &&
        GetDriveTypeW(root().c_str()) == DRIVE_REMOVABLE;
}

ScopedRemovableDrive::~ScopedRemovableDrive() {
  DefineDrive(static_cast<wchar_t>(towlower(letter_)), DRIVE_NO_ROOT_DIR, std::string());
}

}  // namespace quill::test
