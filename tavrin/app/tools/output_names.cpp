#include "tavrin/app/tools/output_names.h"

#include <cwchar>

#include "playcore/converter/conversion_rules.h"
#include "playcore/mp4/multi_movie.h"
#include "tavrin/skin/ui_texts.h"
#include "tavrin/skin/window_utils.h"

namespace quill::app {

namespace {

constexpr unsigned kTextNoMainFile = 195;  // "メインカメラの動画データがありません"
constexpr unsigned kTextNoRearFile = 196;  // "リヤカメラの動画データがありません"

}  // namespace

uint32_t JoinPieceCount(const std::wstring& name) {
  if (name.size() <= 4 || name[0] != L'J') return 1;
  const wchar_t a = name[2], b = name[3];
  if (a < L'0' || a > L'9' || b < L'0' || b > L'9') return 1;
  const uint32_t n = static_cast<uint32_t>((a - L'0') * 10 + (b - L'0'));
  return n == 0 ? 1 : n;
}

std::wstring StripJoinPrefix(const std::wstring& name) {
  if (name.size() > 4 && name[0] == L'J' && name[4] == L'_') return name.substr(5);
  return name;
}

void ConvOutInfo::AddRecording(const sRECORDINGPAIR& record, int camera) {
  if (camera == 1) {
    mainCount += JoinPieceCount(record.szMainName);
    mainSource = record.szMainPath;
    rearSource.clear();
  } else if (camera == 2) {
    rearCount += JoinPieceCount(record.szRearName);
    mainSource.clear();
    rearSource = record.szRearPath;
  } else {
    mainCount += JoinPieceCount(record.szMainName);
    rearCount += JoinPieceCount(record.szRearName);
    mainSource = record.szMainPath;
    rearSource = record.szRearPath;
  }
}

std::wstring JoinPrefix(int camera, bool mainChannel, uint32_t count) {
  wchar_t letter;
  if (camera == 1) {
    if (!mainChannel) return {};
    letter = L'M';
  } else if (camera == 2) {
    if (mainChannel) return {};
    letter = L'R';
  } else {
    letter = camera == 3 ? L'B' : L'N';
  }
  wchar_t text[16];
  swprintf(text, 16, L"J%c%02u_", letter, count);
  return text;
}

std::wstring JoinFolderPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  const wchar_t last = folder.back();
  if (last == L'\\' || last == L'/') return folder + name;
  return folder + L"\\" + name;
}

std::wstring FileNamePart(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

StepResult MakeJoinNames(const RecordingList& picked, const std::wstring& folder, int camera,
                         JoinNames* names, std::string* why, std::wstring* reason) {
  *names = {};
  auto fail = [why](const char* text) {
    if (why) *why = text;
    return kStepFailed;
  };
  if (picked.empty()) return fail("nothing picked");
  if (folder.empty()) return fail("no output folder");
  ConvOutInfo info;
  for (const auto& record : picked) info.AddRecording(record, camera);
  if (info.mainCount > kMaxJoinPieces || info.rearCount > kMaxJoinPieces) {
    return fail("more than 99 pieces in one output");
  }
  const bool joinMain = camera != 2, joinRear = camera != 1;
  const sRECORDINGPAIR& first = picked.front();
  if (joinMain) {
    if (first.szMainName[0] == 0) {
      if (reason) *reason = UIText(kTextNoMainFile);
      return fail("the first recording has no main file");
    }
    names->mainOut =
        JoinFolderPath(folder, JoinPrefix(camera, true, info.mainCount) + StripJoinPrefix(first.szMainName));
    names->mainCount = info.mainCount;
  }
  if (joinRear) {
    if (first.szRearName[0] == 0) {
      if (reason) *reason = UIText(kTextNoRearFile);
      return fail("the first recording has no rear file");
    }
    names->rearOut =
        JoinFolderPath(folder, JoinPrefix(camera, false, info.rearCount) + StripJoinPrefix(first.szRearName));
    names->rearCount = info.rearCount;
  }
  // The files are opened through plain paths: a longer name could not be created.
  if (names->mainOut.size() >= MAX_PATH || names->rearOut.size() >= MAX_PATH) {
    *names = {};
    return fail("the output path is too long");
  }
  // A joined output must never replace one of the files it is read from.
  for (const auto& record : picked) {
    for (const wchar_t* input : {record.szMainPath, record.szRearPath}) {
      if (!input[0]) continue;
      for (const std::wstring* out : {&names->mainOut, &names->rearOut}) {
        if (!out->empty() && playcore::SameOutputPath(out->c_str(), input)) {
          *names = {};
          return fail("an output names a picked recording");
        }
      }
    }
  }
  return kStepGoOn;
}

std::wstring ConvertedName(const std::wstring& joinedMain) {
  std::wstring out = joinedMain;
  const size_t cut = out.find_last_of(L"\\/");
  const size_t at = cut == std::wstring::npos ? 0 : cut + 1;
  if (at < out.size() && out[at] == L'J') out[at] = L'Y';
  return out;
}

std::wstring UploadOutputName(const std::wstring& folder, const sRECORDINGPAIR& record) {
  if (!record.szMainPath[0] || !record.szMainName[0] || folder.empty()) return {};
  std::wstring out = JoinFolderPath(folder, std::wstring(L"YM01_") + record.szMainName);
  return out.size() < MAX_PATH ? out : std::wstring();
}

bool SystemFreeSpace(const std::wstring& folder, uint64_t* freeBytes) {
  // Any folder of the volume will do, a UNC share's too; the call wants a trailing backslash.
  std::wstring dir = folder;
  if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
  *freeBytes = GetDiskFreeBytes(dir.c_str());
  return *freeBytes != 0;  // 0: the volume could not be asked (or is full: no room either way)
}

bool FolderHasRoom(const std::wstring& folder, uint64_t needed, const FreeSpaceFn& freeSpace,
                   std::wstring* reason) {
  uint64_t freeBytes = 0;
  const FreeSpaceFn& ask = freeSpace ? freeSpace : FreeSpaceFn(SystemFreeSpace);
  if (folder.empty() || !ask(folder, &freeBytes)) return false;
  if (needed < freeBytes) return true;
  if (reason) *reason = RoomShortText(folder, needed - freeBytes + 1);
  return false;
}

std::wstring RoomShortText(const std::wstring& folder, uint64_t shortBytes) {
  return L"出力先ドライブ " + playcore::VolumeOfPath(folder) + L" の空き容量が " +
         playcore::ByteCountText(shortBytes) + L" 足りません。";
}

uint64_t ConversionBytes(uint64_t sourceBytes) {
  return sourceBytes > UINT64_MAX / 2 ? UINT64_MAX : sourceBytes * 2;
}

uint64_t JoinBytes(const RecordingList& picked, int camera) {
  uint64_t sum = 0;
  for (const auto& record : picked) {
    if (camera != 2) sum += record.uMainSize;
    if (camera != 1) sum += record.uRearSize;
  }
  return sum;
}

bool SystemFileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace quill::app
