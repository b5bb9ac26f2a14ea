// ListTrackLoader: rebuilds the global GPS copy (the map's whole-list track) from a list of recordings
// on a thread of its own, so that a folder load or a filter click on a full card never waits for every
// listed file to be mapped and searched. The copy is emptied at once when a list is handed over and
// fills in, file by file, as the reads land; a file that cannot be read is skipped.
//
// Threads: Start, Generation, WaitIdle and the destructor run on the owner's thread (the UI thread).
// The worker thread reads the files and appends each file's points to the global copy. Fields:
// queue_ (the list waiting to be read, its generation), idle_ and stop_ are guarded by mutex_;
// generation_ is written under GlobalGpsMutex() (and is atomic for the readers that hold no lock).
// Lock order: mutex_ and GlobalGpsMutex() are never held together. A file is read with no lock held;
// the append takes GlobalGpsMutex() and happens only while its list is still the current one, so
// nothing read for a list that was replaced since reaches the copy.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playcore/instances/global_gps.h"

namespace playcore {

// The file whose GPS data stands for each entry of a recording list: its main file, else its rear file.
template <class Pair>
std::vector<std::wstring> ListTrackFilesOf(const std::vector<Pair>& pairs) {
  std::vector<std::wstring> files;
  files.reserve(pairs.size());
  for (const Pair& p : pairs) {
    const sRECORDINGPATHS paths = PlayerInstance::detail::PathsOf(p, 0);
    const wchar_t* file = paths.mainPath && paths.mainPath[0] ? paths.mainPath : paths.rearPath;
    files.emplace_back(file ? file : L"");
  }
  return files;
}

class ListTrackLoader {
 public:
  // Called on the worker thread after points of the current list were appended (at most every
  // kProgressIntervalMs) and once when the list is read through (done). generation names the list.
  using ProgressFn = std::function<void(unsigned generation, bool done)>;
  static constexpr unsigned kProgressIntervalMs = 250;

  explicit ListTrackLoader(ProgressFn progress = nullptr);
  ~ListTrackLoader();
  ListTrackLoader(const ListTrackLoader&) = delete;
  ListTrackLoader& operator=(const ListTrackLoader&) = delete;

  // Empties the global copy and starts reading `files` (one per list entry, in list order; an empty
  // path adds nothing). A list still being read is abandoned. Returns the new list's generation.
  unsigned Start(std::vector<std::wstring> files);
  // The generation of the list handed over last.
  unsigned Generation() const { return generation_.load(std::memory_order_acquire); }
  // Waits until the worker has nothing left to read; false after `timeoutMs`. For tests and shut-down.
  bool WaitIdle(unsigned timeoutMs);

 private:
  void Run();
  void Read(unsigned generation, const std::vector<std::wstring>& files);

  ProgressFn progress_;
  std::atomic<unsigned> generation_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idleChanged_;
  std::vector<std::wstring> queue_;
  unsigned queuedGeneration_ = 0;
  bool queued_ = false;
  bool idle_ = true;
  bool stop_ = false;
  std::thread worker_;
};

}  // namespace playcore
