#include "tavrin/app/tools/recording_delete.h"

#include <algorithm>
#include <string>
#include <vector>

#include "tavrin/browser/recording_names.h"
#include "tavrin/skin/ui_texts.h"

namespace tools {

namespace {

constexpr unsigned kTextDeleteFailed = 97;
constexpr unsigned kTextConfirmCaption = 106;  // "確認"
constexpr wchar_t kErrorCaption[] = L"ERROR";

const wchar_t* KeyPath(const sRECORDINGPAIR& r) { return r.szMainPath[0] ? r.szMainPath : r.szRearPath; }

// Index of the record in `list`, or -1.
int Find(const RecordingList& list, const sRECORDINGPAIR& record) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (SameRecording(list[i], record)) return static_cast<int>(i);
  }
  return -1;
}

// The record's main file is gone but its rear file stays: the list keeps it as a rear-only record.
// Returns the record's index, or -1.
int ForgetMainFile(RecordingList* list, const sRECORDINGPAIR& record) {
  if (!list) return -1;
  const int i = Find(*list, record);
  if (i < 0) return -1;
  (*list)[i].szMainPath[0] = 0;
  (*list)[i].szMainName[0] = 0;
  return i;
}

// True when every picked file would go to a recycle bin: its volume keeps one that is turned on, and
// the file fits in it (each folder's bin asked once).
bool AllGoToRecycleBin(const DeleteJob& job) {
  std::vector<std::pair<std::wstring, uint64_t>> rooms;  // folder, the largest file its bin takes
  for (const sRECORDINGPAIR& r : job.picked) {
    for (const auto& [path, bytes] : {std::make_pair(r.szMainPath, r.uMainSize), std::make_pair(r.szRearPath, r.uRearSize)}) {
      if (!path[0]) continue;
      const std::wstring folder(path, wcsrchr(path, L'\\') ? wcsrchr(path, L'\\') - path : 0);
      auto known = std::find_if(rooms.begin(), rooms.end(), [&](const auto& f) { return f.first == folder; });
      if (known == rooms.end()) {
        const uint64_t room = job.hasRecycleBin ? (job.hasRecycleBin(path) ? UINT64_MAX : 0) : RecycleBinRoom(path);
        known = rooms.insert(rooms.end(), {folder, room});
      }
      if (known->second == 0 || static_cast<uint64_t>(bytes) > known->second) return false;
    }
  }
  return true;
}

}  // namespace

const wchar_t kNoRecycleBinQuestion[] =
    L"このドライブにはごみ箱がないため、削除した動画ファイルは元に戻せません。続行しますか？";

int IndexAfterRemoval(int index, int removed, int rows) {
  if (index < 0 || index < removed) return index;
  if (index > removed) return index - 1;
  return rows > 0 ? std::min(removed, rows - 1) : -1;
}

bool SameRecording(const sRECORDINGPAIR& a, const sRECORDINGPAIR& b) {
  return KeyPath(a)[0] && _wcsicmp(KeyPath(a), KeyPath(b)) == 0;
}

DeleteResult RunRecordingDelete(DeleteJob& job, const ToolCallbacks& callbacks) {
  if (job.picked.empty()) return DeleteResult::kNothingPicked;
  if (!AllGoToRecycleBin(job) &&
      callbacks.Ask(kNoRecycleBinQuestion, UIText(kTextConfirmCaption)) != kMsgBoxAnswerOk) {
    return DeleteResult::kDeclined;
  }
  // A record without one of its files (main-only, rear-only) has nothing to recycle there.
  const auto recycle = [](const wchar_t* path) { return !path[0] || RecycleFile(path); };
  // The playing recording, if the current row names one.
  sRECORDINGPAIR current = {};
  const bool hasCurrent = job.shown && job.currentRow >= 0 && static_cast<size_t>(job.currentRow) < job.shown->size();
  if (hasCurrent) current = (*job.shown)[job.currentRow];
  bool playbackStopped = false;

  const size_t total = job.picked.size();
  for (size_t n = 0; n < total; ++n) {
    const size_t i = total - 1 - n;
    const sRECORDINGPAIR record = job.picked[i];
    if (!callbacks.Running()) return DeleteResult::kCancelled;
    if (hasCurrent && !playbackStopped && SameRecording(record, current)) {
      if (job.stopPlayback) job.stopPlayback();
      playbackStopped = true;
    }
    const bool mainGone = recycle(record.szMainPath);
    const bool rearGone = mainGone && recycle(record.szRearPath);
    if (!mainGone || !rearGone) {
      if (mainGone && record.szMainPath[0]) {
        const int row = ForgetMainFile(job.shown, record);
        if (row >= 0 && job.refreshRow) job.refreshRow(static_cast<size_t>(row));
        ForgetMainFile(job.all, record);
        if (job.mainFileGone) job.mainFileGone(record);
      }
      callbacks.Tell(UIText(kTextDeleteFailed), kErrorCaption);
      return DeleteResult::kFailed;
    }
    // Both files are gone: the row and both lists lose the record at once.
    if (job.shown) {
      const int row = Find(*job.shown, record);
      if (row >= 0) {
        if (job.deleteRow) job.deleteRow(static_cast<size_t>(row));
        job.shown->erase(job.shown->begin() + row);
      }
    }
    if (job.all) {
      const int at = Find(*job.all, record);
      if (at >= 0) job.all->erase(job.all->begin() + at);
    }
    if (job.recordGone) job.recordGone(record);
    callbacks.Progress(static_cast<uint32_t>(total - i - 1), static_cast<uint32_t>(total));
  }
  callbacks.Progress(static_cast<uint32_t>(total), static_cast<uint32_t>(total));
  return DeleteResult::kDeleted;
}

}  // namespace tools
