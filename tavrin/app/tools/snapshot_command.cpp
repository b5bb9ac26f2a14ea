#include "tavrin/app/tools/snapshot_command.h"

#include <cstdio>

#include "playcore/instances/dispatchers.h"
#include "playcore/instances/player_instance.h"
#include "tavrin/skin/ui_texts.h"

namespace tools {

namespace {

constexpr unsigned kTextSaveFailed = 100;
constexpr unsigned kTextFileExists = 93;
constexpr unsigned kTextConfirmCaption = 106;
constexpr unsigned kTextDone = 48;
constexpr unsigned kTextDoneCaption = 49;
constexpr wchar_t kErrorCaption[] = L"ERROR";
constexpr wchar_t kExtension[] = L".jpg";
// The camera letter stands this many characters before the end ("M.jpg").
constexpr size_t kCameraLetterFromEnd = 5;

struct ModeSize {
  int mode;
  int width, height, yOffset;
};
// Fixed capture sizes per pane mode; modes 2 and 5 take the movie's native size.
constexpr ModeSize kModeSizes[] = {{1, 960, 720, 0}, {3, 1280, 720, 0}, {4, 2469, 720, 45}};
constexpr int kDividedMode = 4;

// The folder's last component as a file-name part: a trailing separator dropped, a drive root gives
// its letter, and no ":" is ever kept.
std::wstring LastComponent(std::wstring folder) {
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  const size_t cut = folder.find_last_of(L"\\/");
  std::wstring last = cut == std::wstring::npos ? folder : folder.substr(cut + 1);
  if (last.size() == 2 && last[1] == L':') last.pop_back();  // "D:" -> "D"
  std::wstring clean;
  for (wchar_t c : last) {
    if (c != L':') clean += c;
  }
  return clean;
}

bool Exists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring MakeSnapshotName(const std::wstring& folder, const sRECORDINGPAIR& record, int64_t position) {
  if (position < 0 || folder.empty()) return std::wstring();
  std::wstring name = record.szMainName[0] ? record.szMainName : record.szRearName;
  const size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  if (name.empty()) return std::wstring();
  wchar_t numbers[64];
  std::swprintf(numbers, sizeof numbers / sizeof numbers[0], L"-%03lld_%06lld_M",
                static_cast<long long>(record.nFileNumber), static_cast<long long>(position));
  std::wstring path = folder;
  if (path.back() != L'\\') path += L'\\';
  return path + LastComponent(folder) + L"-" + name + numbers + kExtension;
}

std::wstring SwapSnapshotCamera(const std::wstring& name) {
  if (name.size() < kCameraLetterFromEnd) return name;
  std::wstring swapped = name;
  wchar_t& letter = swapped[swapped.size() - kCameraLetterFromEnd];
  if (letter == L'M') {
    letter = L'R';
  } else if (letter == L'R') {
    letter = L'M';
  }
  return swapped;
}

CaptureSize SnapshotCaptureSize(int paneMode, int nativeWidth, int nativeHeight, bool singlePane) {
  CaptureSize size;
  if (paneMode == 2 || paneMode == 5) {
    if (nativeWidth > 0 && nativeHeight > 0) size = {true, nativeWidth, nativeHeight, 0};
    return size;
  }
  for (const ModeSize& m : kModeSizes) {
    if (m.mode != paneMode) continue;
    if (m.mode == kDividedMode && singlePane) return size;
    return {true, m.width, m.height, m.yOffset};
  }
  return size;
}

SnapshotResult RunSnapshot(const SnapshotJob& job, const ToolCallbacks& callbacks) {
  if (job.folder.empty() || !job.record) return SnapshotResult::kEnded;
  const int64_t position = job.position ? job.position() : 0;
  const std::wstring mainName = MakeSnapshotName(job.folder, *job.record, position);
  if (mainName.empty()) {
    // A position that could not be read names no file: nothing is written anywhere.
    callbacks.Tell(UIText(kTextSaveFailed), kErrorCaption);
    return SnapshotResult::kFailed;
  }
  const std::wstring rearName = SwapSnapshotCamera(mainName);
  if (job.mainPath) *job.mainPath = mainName;
  if (job.rearPath) *job.rearPath = rearName;
  const bool mainActive = job.active && job.active(0);
  const bool rearActive = job.active && job.active(1);
  // Either file that would be replaced is asked about.
  if (((mainActive && Exists(mainName)) || (rearActive && Exists(rearName))) &&
      callbacks.Ask(UIText(kTextFileExists), UIText(kTextConfirmCaption)) != kMsgBoxAnswerOk) {
    return SnapshotResult::kEnded;
  }
  if (job.preparePanes) job.preparePanes();
  // The folder is kept once any picture went into it; the result is done only when every open
  // camera's picture was written (a camera whose picture could not be taken whole writes none, and
  // the user is told rather than shown "done" beside a missing file).
  bool anySaved = false;
  bool allSaved = job.save != nullptr;
  if (job.save) {
    for (int instance = 0; instance < 2; ++instance) {
      if (!(instance == 0 ? mainActive : rearActive)) continue;
      const bool ok = job.save(instance, instance == 0 ? mainName : rearName);
      anySaved |= ok;
      allSaved &= ok;
    }
  }
  if (anySaved && job.storeFolder) job.storeFolder(job.folder);
  if (job.restorePanes) job.restorePanes();
  if (!anySaved || !allSaved) {
    callbacks.Tell(UIText(kTextSaveFailed), kErrorCaption);
    return SnapshotResult::kFailed;
  }
  callbacks.Tell(UIText(kTextDone), UIText(kTextDoneCaption));
  return SnapshotResult::kDone;
}

int64_t DataSourcePosition() {
  using namespace playcore;
  const int index = DataSourceIndex();
  sPLAYERINSTANCE* instance = &g_PlayerInstance[index];
  if (!instance->active) return 0;
  return g_PlayerFuncs[index].GetPosition ? g_PlayerFuncs[index].GetPosition(instance) : 0;
}

bool InstanceActive(int instance) {
  return instance >= 0 && instance < playcore::kPlayerCount && playcore::g_PlayerInstance[instance].active;
}

bool SaveInstanceSnapshot(int instance, const std::wstring& path) {
  using namespace playcore;
  if (!InstanceActive(instance) || !g_PlayerFuncs[instance].SaveSnapshot) return false;
  return g_PlayerFuncs[instance].SaveSnapshot(&g_PlayerInstance[instance], path.c_str()) != 0;
}

}  // namespace tools
