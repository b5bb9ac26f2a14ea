// Moving one recording file to the recycle bin. The shell operation runs without confirmation and
// without error UI, so every check that it names exactly the one file meant happens here first.
#include "tavrin/browser/recording_names.h"
#include "tavrin/skin/quiet_drive_errors.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace {

// FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI: to the recycle bin, no questions.
constexpr FILEOP_FLAGS kRecycleFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

}  // namespace

bool RecycleFile(const wchar_t* path) {
  if (!path || !*path) return false;
  const size_t length = wcsnlen(path, kRecordingPathChars);
  // A longer path cannot be passed whole; a cut one would name another file or a parent folder.
  if (length >= kRecordingPathChars) return false;
  // The shell expands wildcards in the source list: "*" would take a whole folder with it.
  if (wcspbrk(path, L"*?")) return false;
  QuietDriveErrors quiet;  // the file usually lies on a card that may have been pulled
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsMissing(GetLastError());
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
