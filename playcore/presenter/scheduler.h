// Presents video samples at their presentation time on a thread of its own.
//
// Threads and locks:
// - The presenter's threads (holding the presenter lock) call Start, Stop, Flush, QueueSample and the
//   setters; Start, Stop and Flush run under the scheduler lock, QueueSample under the queue lock.
// - The scheduler thread owns the wait and takes the queue lock only to take a sample off the queue
//   or put one back; it presents outside every scheduler lock, through the callback (the present
//   engine, which takes its own locks).
// - rate_, frameDuration_, quarterFrame_ are written by the presenter and read by the thread: they
//   are atomics. lastSampleTime_ and the frame counts are written by the thread and read by others
//   (atomics).
// Lock order: presenter lock, then scheduler lock, then queue lock. The thread never waits for the
// presenter, so the presenter may wait for the thread.
// The thread ends on WM_USER (posted by Stop) and is joined; it is never terminated.
#pragma once

#include <windows.h>
#include <mfidl.h>

#include <atomic>
#include <cstdint>

#include "platform/com/com_ptr.h"
#include "platform/com/mf_list.h"

namespace playcore {

// Whoever presents a sample (the present engine).
class SchedulerCallback {
 public:
  virtual HRESULT PresentSample(IMFSample* sample, LONGLONG target) = 0;
  virtual ~SchedulerCallback() = default;
};

// What to do with one sample given its time, the clock and the rate (pure, for the thread and tests).
struct ScheduleDecision {
  bool presentNow;
  DWORD waitMs;  // when !presentNow: milliseconds until it is due (at least 1)
};
ScheduleDecision DecideSample(LONGLONG sampleTime, LONGLONG clockTime, float rate,
                              LONGLONG quarterFrame);

// How many frames are missing between two samples presented one after the other (times in 100 ns):
// 0 when the second follows within one and a half frames, goes back, jumps more than
// kFrameJumpLimit (a new position, not a loss), or the frame duration is unknown.
constexpr LONGLONG kFrameJumpLimit = 20000000;  // 2 s
uint32_t FramesMissing(LONGLONG previous, LONGLONG time, LONGLONG frameDuration);

// The frames the scheduler handed to the present engine and those missing between them, since the
// scheduler was made (the counts of one presenter: one movie's video branch).
struct FrameCounts {
  uint32_t presented;
  uint32_t dropped;
};

class Scheduler {
 public:
  // Thread messages.
  static constexpr UINT kMsgTerminate = WM_USER;
  static constexpr UINT kMsgSchedule = WM_USER + 1;
  static constexpr UINT kMsgFlush = WM_USER + 2;
  // How long a flush waits for the thread.
  static constexpr DWORD kFlushTimeoutMs = 5000;

  Scheduler() = default;
  virtual ~Scheduler();
  Scheduler(const Scheduler&) = delete;
  Scheduler& operator=(const Scheduler&) = delete;

  void SetCallback(SchedulerCallback* callback) { callback_ = callback; }
  SchedulerCallback* callback() const { return callback_; }
  void SetClockRate(float rate) { rate_.store(rate); }
  float clockRate() const { return rate_.load(); }
  // The frame duration (100 ns) of the media type; a quarter of it is the on-time window.
  void SetFrameRate(LONGLONG frameDuration);
  LONGLONG frameDuration() const { return frameDuration_.load(); }
  LONGLONG quarterFrame() const { return quarterFrame_.load(); }
  // The time of the last sample the thread presented (0 before any).
  LONGLONG lastSampleTime() const { return lastSampleTime_.load(); }
  FrameCounts frameCounts() const { return {presented_.load(), dropped_.load()}; }

  // Starts the thread with `clock` (may be null); E_UNEXPECTED while a thread runs.
  HRESULT StartScheduler(IMFClock* clock);
  // Ends and joins the thread; empties the queue.
  HRESULT StopScheduler();
  // Empties the queue on the thread; waits up to kFlushTimeoutMs. With `presentBlank` the thread then
  // presents an empty frame (nullptr) through the callback, after the wait has ended: the flush of a
  // stop runs inside the renderer's and the clock's locks, and a present there could wait for a
  // thread that waits for those locks. S_FALSE when the thread is not running (nothing presented).
  HRESULT Flush(bool presentBlank = false);
  // Appends a sample and wakes the thread; E_FAIL when no thread runs.
  HRESULT ScheduleSample(IMFSample* sample);
  bool IsRunning();
  // Whether a thread was started and not stopped (it may have ended on a failure).
  bool hasThread() const { return static_cast<bool>(thread_); }
  DWORD QueuedCount();

 private:
  static DWORD WINAPI ThreadProc(void* self);
  DWORD Run();
  // Presents what is due; returns the next wait (INFINITE when nothing waits) through `wait`.
  HRESULT ProcessQueue(DWORD* wait);
  HRESULT ProcessSample(IMFSample* sample, DWORD* wait);
  void ClearQueue();

  quill::com::CriticalSection queueLock_;
  MediaFoundationSamples::ComPtrList<IMFSample> queue_;
  quill::com::ComPtr<IMFClock> clock_;
  SchedulerCallback* callback_ = nullptr;
  DWORD threadId_ = 0;
  quill::com::Handle thread_;
  quill::com::Handle readyEvent_;
  quill::com::Handle flushEvent_;
  quill::com::CriticalSection schedulerLock_;
  std::atomic<float> rate_{1.0f};
  std::atomic<LONGLONG> frameDuration_{0};
  std::atomic<LONGLONG> quarterFrame_{0};
  std::atomic<LONGLONG> lastSampleTime_{0};
  // Counted on the thread, read by anyone. previousTime_ is the thread's own: the time of the sample
  // presented before, forgotten on a flush (a seek) so that the jump is not counted as a loss.
  std::atomic<uint32_t> presented_{0};
  std::atomic<uint32_t> dropped_{0};
  LONGLONG previousTime_ = -1;
  bool timerRaised_ = false;
};

}  // namespace playcore
