// Where a joined movie is written: never over one of its inputs, and never as a half-written file
// under the final name.
#include <cwchar>

#include "playcore/mp4/join_merge.h"
#include "playcore/mp4/multi_movie.h"
#include "playcore/mp4/output_file.h"
#include "playcore/mp4/tree_writer.h"

namespace playcore {

namespace {

// Prefix of the temporary file made beside the target.
constexpr wchar_t kTempPrefix[] = L"qjn";

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

bool WriteMovieFile(sMP4MOVIE* movie, const wchar_t* outPath, std::string* why, Layout layout) {
  if (!ResolveChunkOffsets(movie, layout, why)) return false;
  std::wstring target;
  if (!FullPath(outPath, &target)) {
    *why = "the output path is too long";
    return false;
  }
  size_t slash = target.find_last_of(L"\\/");
  std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash + 1);
  wchar_t temp[MAX_PATH];
  if (!GetTempFileNameW(folder.c_str(), kTempPrefix, 0, temp)) {
    *why = "the output folder cannot be written";
    return false;
  }
  OutputFile out;
  bool ok = out.Create(temp) && WriteTree(*movie->root(), &out, layout);
  ok = out.Finish() && ok;
  if (!ok) {
    DeleteFileW(temp);
    *why = "writing the output failed";
    return false;
  }
  if (!MoveFileExW(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temp);
    *why = "the output could not be put in place";
    return false;
  }
  return true;
}

}  // namespace playcore
