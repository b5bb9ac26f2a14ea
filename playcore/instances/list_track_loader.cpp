// The whole-list track read on the loader's own thread (see list_track_loader.h).
#include "playcore/instances/list_track_loader.h"

#include "playcore/instances/global_gps.h"
#include "playcore/instances/instance_gate.h"

#include <windows.h>

#include <chrono>
#include <new>

namespace playcore {

ListTrackLoader::ListTrackLoader(ProgressFn progress) : progress_(std::move(progress)) {
  worker_ = std::thread([this] { Run(); });
}

ListTrackLoader::~ListTrackLoader() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  // A read in progress sees the generation change and ends after its current file.
  generation_.fetch_add(1, std::memory_order_acq_rel);
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

unsigned ListTrackLoader::Start(std::vector<std::wstring> files) {
  unsigned generation = 0;
  {
    // Under the copy's mutex: once this returns, no append of an earlier list can follow.
    MutexLock gps(GlobalGpsMutex());
    generation = generation_.fetch_add(1, std::memory_order_acq_rel) + 1;
    EmptyGlobalGpsPoints();
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.swap(files);
    queuedGeneration_ = generation;
    queued_ = true;
    idle_ = false;
  }
  wake_.notify_all();
  return generation;
}

bool ListTrackLoader::WaitIdle(unsigned timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return idleChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return idle_ && !queued_; });
}

void ListTrackLoader::Run() {
  for (;;) {
    std::vector<std::wstring> files;
    unsigned generation = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || queued_; });
      if (stop_) return;
      files.swap(queue_);
      generation = queuedGeneration_;
      queued_ = false;
    }
    Read(generation, files);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!queued_) idle_ = true;
    }
    idleChanged_.notify_all();
  }
}

void ListTrackLoader::Read(unsigned generation, const std::vector<std::wstring>& files) {
  auto current = [&] { return generation_.load(std::memory_order_acquire) == generation; };
  DWORD lastProgress = GetTickCount();
  std::vector<sGPSPOINT> points;
  for (const std::wstring& file : files) {
    if (!current()) return;
    points.clear();
    try {
      // A file that cannot be opened adds nothing; the files after it are still read.
      if (file.empty() || !AppendRecordingGpsPoints(file.c_str(), &points) || points.empty()) continue;
      MutexLock gps(GlobalGpsMutex());
      if (!current()) return;
      std::vector<sGPSPOINT>* all = GlobalGpsPoints();
      if (!all) return;
      all->insert(all->end(), points.begin(), points.end());
    } catch (const std::bad_alloc&) {
      // Out of memory: the track keeps what it has.
      break;
    } catch (...) {
      // Nothing leaves the thread: a file whose read failed in any other way adds nothing.
      continue;
    }
    if (progress_ && GetTickCount() - lastProgress >= kProgressIntervalMs) {
      progress_(generation, false);
      lastProgress = GetTickCount();
    }
  }
  if (progress_ && current()) progress_(generation, true);
}

}  // namespace playcore
