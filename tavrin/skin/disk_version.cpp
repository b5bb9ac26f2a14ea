// Free space of a volume and the version-text filter.
#include <cwctype>

#include "tavrin/skin/quiet_drive_errors.h"
#include "tavrin/skin/window_utils.h"

namespace {
constexpr int kVersionDots = 3;  // the fourth part of a version text (build number) is dropped
using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
}  // namespace

uint64_t GetDiskFreeBytes(const wchar_t* root) {
  if (!root || !*root) return 0;
  QuietDriveErrors quiet;  // the root may be an empty card reader
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  // The extended call is present on every supported system; the old one remains for completeness.
  auto extended = kernel ? reinterpret_cast<GetDiskFreeSpaceExFn>(
                               reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExW")))
                         : nullptr;
  if (extended) {
    ULARGE_INTEGER available = {};
    ULARGE_INTEGER total = {};
    ULARGE_INTEGER free = {};
    if (!extended(root, &available, &total, &free)) return 0;
    return available.QuadPart;
  }
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (!GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) return 0;
  return static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector * freeClusters;
}

CString TrimVersionText(CString text) {
  CString out;
  int dots = 0;
  for (int i = 0; i < text.GetLength(); ++i) {
    wchar_t c = text[i];
    if (c == L'.') {
      if (++dots >= kVersionDots) break;
      out += c;
    } else if (!std::iswalpha(c)) {
      out += c;
    }
  }
  return out;
}
