// Where a joined movie is written: never over one of its inputs, and never as a half-written file
// under the final name.
#include <cwchar>

#include "playcore/mp4/join_merge.h"
#include "playcore/mp4/multi_movie.h"
#include "playcore/mp4/output_file.h"
#include "playcore/mp4/tree_writer.h"

namespace playcore {

namespace {

// Prefixes of the temporary file made beside the target and of an older target set aside.
constexpr wchar_t kTempPrefix[] = L"qjn";
constexpr wchar_t kAsidePrefix[] = L"qjo";

std::wstring FolderOf(const std::wstring& full) {
  const size_t slash = full.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : full.substr(0, slash + 1);
}

bool FullPath(const wchar_t* path, std::wstring* out) {
  wchar_t buffer[MAX_PATH];
  DWORD n = GetFullPathNameW(path, MAX_PATH, buffer, nullptr);
  if (n == 0 || n >= MAX_PATH) return false;
  out->assign(buffer, n);
  return true;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

bool SameFile(HANDLE a, const BY_HANDLE_FILE_INFORMATION& b) {
  BY_HANDLE_FILE_INFORMATION ia;
  return GetFileInformationByHandle(a, &ia) && ia.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == b.nFileIndexHigh && ia.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

bool SameOutputPath(const wchar_t* a, const wchar_t* b) {
  std::wstring fa, fb;
  if (!FullPath(a, &fa) || !FullPath(b, &fb)) return true;
  return SameText(fa, fb);
}

bool sMULTIMOVIE::NamesAnInput(const wchar_t* out) const {
  std::wstring target;
  if (!FullPath(out, &target)) return true;  // a path that cannot be resolved is not written
  // An existing target is compared by identity too (another spelling, a link, a short name).
  BY_HANDLE_FILE_INFORMATION targetInfo = {};
  UniqueHandle existing(CreateFileW(out, FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  bool exists = existing && GetFileInformationByHandle(existing.get(), &targetInfo);
  auto same = [&](const sMP4MOVIE* m) {
    std::wstring input;
    if (!m) return false;
    if (FullPath(m->path().c_str(), &input) && SameText(input, target)) return true;
    return exists && SameFile(m->map().file(), targetInfo);
  };
  for (int c = 0; c < kChannels; ++c) {
    if (same(channel_[c].get())) return true;
    for (const auto& m : appended_[c]) {
      if (same(m.get())) return true;
    }
  }
  return false;
}

bool WriteMovieTemp(sMP4MOVIE* movie, const wchar_t* outPath, Layout layout, const WriteWatch& watch,
                    std::wstring* temp, std::string* why) {
  temp->clear();
  if (!ResolveChunkOffsets(movie, layout, why)) return false;
  std::wstring target;
  if (!FullPath(outPath, &target)) {
    *why = "the output path is too long";
    return false;
  }
  wchar_t name[MAX_PATH];
  if (!GetTempFileNameW(FolderOf(target).c_str(), kTempPrefix, 0, name)) {
    *why = "the output folder cannot be written";
    return false;
  }
  bool stopped = false;
  bool ok = false;
  {
    OutputFile out;
    if (watch) {
      out.SetAbort([&] {
        stopped = stopped || !watch(out.written());
        return stopped;
      });
    }
    ok = out.Create(name) && WriteTree(*movie->root(), &out, layout);
    ok = out.Finish() && ok;
  }
  if (!ok) {
    DeleteFileW(name);
    *why = stopped ? "the write was stopped" : "writing the output failed";
    return false;
  }
  temp->assign(name);
  return true;
}

bool PlaceWrittenFiles(const std::vector<std::wstring>& temps, const std::vector<std::wstring>& targets,
                       std::string* why) {
  const size_t n = temps.size() < targets.size() ? temps.size() : targets.size();
  std::vector<std::wstring> aside(n);
  size_t placed = 0;
  bool ok = true;
  for (; placed < n && ok; ++placed) {
    std::wstring target;
    ok = FullPath(targets[placed].c_str(), &target);
    // An older file of that name steps aside first (beside it, so the rename is cheap) and comes
    // back if a later file cannot be placed.
    const DWORD attributes = ok ? GetFileAttributesW(target.c_str()) : INVALID_FILE_ATTRIBUTES;
    // A folder of that name is the user's and stays where it is: the joined file cannot go there.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) ok = false;
    if (ok && attributes != INVALID_FILE_ATTRIBUTES) {
      wchar_t name[MAX_PATH] = {};
      ok = GetTempFileNameW(FolderOf(target).c_str(), kAsidePrefix, 0, name) &&
           MoveFileExW(target.c_str(), name, MOVEFILE_REPLACE_EXISTING);
      if (ok) {
        aside[placed] = name;
      } else if (name[0]) {
        DeleteFileW(name);
      }
    }
    if (ok) ok = MoveFileExW(temps[placed].c_str(), target.c_str(), 0) != FALSE;
    if (!ok) break;
  }
  if (ok) {
    for (const std::wstring& old : aside) {
      if (!old.empty()) DeleteFileW(old.c_str());
    }
    return true;
  }
  // Undo: the files placed go, the older ones return, nothing written is left behind.
  for (size_t i = 0; i <= placed && i < n; ++i) {
    if (i < placed) DeleteFileW(targets[i].c_str());
    if (!aside[i].empty()) MoveFileExW(aside[i].c_str(), targets[i].c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  for (const std::wstring& temp : temps) DeleteFileW(temp.c_str());
  *why = "the output could not be put in place";
  return false;
}

bool WriteMovieFile(sMP4MOVIE* movie, const wchar_t* outPath, std::string* why, Layout layout) {
  std::wstring temp;
  if (!WriteMovieTemp(movie, outPath, layout, nullptr, &temp, why)) return false;
  return PlaceWrittenFiles({temp}, {outPath}, why);
}

}  // namespace playcore
