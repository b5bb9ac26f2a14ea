// Folder listings and bounded paths. Folder plus entry name can pass the 260 characters of the
// program's path buffers: such entries are left out, never cut or written past a buffer.
#include "tavrin/browser/scan_support.h"
#include "tavrin/skin/quiet_drive_errors.h"

#include <shlwapi.h>

#include <algorithm>
#include <cwchar>
#include <memory>

namespace browser_scan {

namespace {

struct FindCloser {
  void operator()(HANDLE h) const { FindClose(h); }
};
using UniqueFind = std::unique_ptr<void, FindCloser>;

std::wstring Folded(const wchar_t* text, size_t length) {
  std::wstring folded(text, length);
  if (length) CharUpperBuffW(&folded[0], static_cast<DWORD>(length));
  return folded;
}

}  // namespace

bool JoinPath(const wchar_t* folder, const wchar_t* name, wchar_t* out) {
  out[0] = L'\0';
  const size_t folderLength = wcsnlen(folder, kRecordingPathChars);
  const size_t nameLength = wcsnlen(name, kRecordingPathChars);
  // No doubled separator after a root such as "E:\".
  const bool separator = folderLength == 0 || folder[folderLength - 1] != L'\\';
  const size_t total = folderLength + (separator ? 1 : 0) + nameLength;
  if (total >= kRecordingPathChars) return false;
  wmemcpy(out, folder, folderLength);
  size_t at = folderLength;
  if (separator) out[at++] = L'\\';
  wmemcpy(out + at, name, nameLength);
  out[total] = L'\0';
  return true;
}

bool IsDotEntry(const WIN32_FIND_DATAW& entry) {
  return wcscmp(entry.cFileName, L".") == 0 || wcscmp(entry.cFileName, L"..") == 0;
}

bool IsDirectory(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FolderIndex::FolderIndex(const FindEntries& entries) {
  names_.reserve(entries.size());
  for (const WIN32_FIND_DATAW& e : entries) {
    if (IsDotEntry(e)) continue;
    names_.emplace(Folded(e.cFileName, wcsnlen(e.cFileName, MAX_PATH)), &e);
  }
}

const WIN32_FIND_DATAW* FolderIndex::Find(const wchar_t* name) const {
  auto it = names_.find(Folded(name, wcsnlen(name, kRecordingPathChars)));
  return it == names_.end() ? nullptr : it->second;
}

bool FolderIndex::Exists(wchar_t* path) const {
  wchar_t* name = PathFindFileNameW(path);
  const WIN32_FIND_DATAW* entry = Find(name);
  if (!entry) return false;
  wmemcpy(name, entry->cFileName, wcslen(name));  // same length: the names differ in case only
  return true;
}

bool FolderIndex::SizeOf(const wchar_t* path, uint64_t* size) const {
  const WIN32_FIND_DATAW* entry = *path ? Find(PathFindFileNameW(path)) : nullptr;
  if (!entry || IsDirectory(*entry)) return false;
  *size = (static_cast<uint64_t>(entry->nFileSizeHigh) << 32) | entry->nFileSizeLow;
  return true;
}

}  // namespace browser_scan

bool ListFolder(const wchar_t* folder, FindEntries& entries) {
  if (!folder) return false;
  wchar_t pattern[kRecordingPathChars];
  if (!browser_scan::JoinPath(folder, L"*", pattern)) return false;
  QuietDriveErrors quiet;
  WIN32_FIND_DATAW data;
  browser_scan::UniqueFind find(FindFirstFileW(pattern, &data));
  if (find.get() == INVALID_HANDLE_VALUE) {
    find.release();
    return false;
  }
  do {
    entries.push_back(data);
  } while (FindNextFileW(find.get(), &data));
  return true;
}

bool CompareFindNames(const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
  return wcscmp(a.cFileName, b.cFileName) < 0;
}

void SortFindEntries(FindEntries& entries) {
  auto directoriesFirst = [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
    const bool da = browser_scan::IsDirectory(a), db = browser_scan::IsDirectory(b);
    if (da != db) return da;
    return CompareFindNames(a, b);
  };
  // A listing of directories only is simply sorted by name, which the same order gives.
  std::sort(entries.begin(), entries.end(), directoriesFirst);
}
