// The scheduler: a thread that holds samples until they are due and hands them to the present engine.
#include "playcore/presenter/scheduler.h"
#include "platform/com/message_wait.h"

#include <mferror.h>
#include <mmsystem.h>

#include <cmath>

namespace playcore {

using quill::com::ComPtr;
using quill::com::ScopedLock;

namespace {

constexpr LONGLONG kHundredNsPerMs = 10000;
// Early samples are held until they are within three quarter frames of their time.
constexpr LONGLONG kEarlyQuarters = 3;
// The system timer resolution while streaming, so that waits in whole milliseconds are met.
constexpr UINT kTimerResolutionMs = 1;

}  // namespace

ScheduleDecision DecideSample(LONGLONG sampleTime, LONGLONG clockTime, float rate,
                              LONGLONG quarterFrame) {
  // At rate 0 (scrubbing) there is no due time to wait for: present at once instead of dividing by 0.
  if (rate == 0.0f || !std::isfinite(rate)) return {true, 0};
  LONGLONG delta = sampleTime - clockTime;
  if (rate < 0) delta = -delta;
  if (delta < -quarterFrame) return {true, 0};                        // late
  if (delta <= kEarlyQuarters * quarterFrame) return {true, 0};        // on time
  const double ms = static_cast<double>(delta - kEarlyQuarters * quarterFrame) /
                    static_cast<double>(kHundredNsPerMs) / std::fabs(static_cast<double>(rate));
  // An early sample whose wait rounds down to 0 ms still waits 1 ms: a 0 would mean "no wait"
  // (sleep until the next message) and a last frame would never be shown.
  double clamped = std::floor(ms);
  if (clamped < 1.0) clamped = 1.0;
  if (clamped > static_cast<double>(INFINITE - 1)) clamped = static_cast<double>(INFINITE - 1);
  return {false, static_cast<DWORD>(clamped)};
}

uint32_t FramesMissing(LONGLONG previous, LONGLONG time, LONGLONG frameDuration) {
  if (frameDuration <= 0 || previous < 0) return 0;
  const LONGLONG gap = time - previous;
  if (gap <= frameDuration + frameDuration / 2 || gap > kFrameJumpLimit) return 0;
  return static_cast<uint32_t>((gap + frameDuration / 2) / frameDuration - 1);
}

Scheduler::~Scheduler() {
  StopScheduler();
  ClearQueue();
}

void Scheduler::SetFrameRate(LONGLONG frameDuration) {
  frameDuration_.store(frameDuration);
  quarterFrame_.store(frameDuration / 4);
}

bool Scheduler::IsRunning() {
  return thread_ && WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT;
}

DWORD Scheduler::QueuedCount() {
  ScopedLock lock(queueLock_);
  return queue_.GetCount();
}

void Scheduler::ClearQueue() {
  ScopedLock lock(queueLock_);
  queue_.Clear();
}

HRESULT Scheduler::StartScheduler(IMFClock* clock) {
  if (thread_) return E_UNEXPECTED;
  ScopedLock lock(schedulerLock_);
  clock_ = ComPtr<IMFClock>::Borrow(clock);
  previousTime_ = -1;  // no thread runs yet
  timeBeginPeriod(kTimerResolutionMs);
  timerRaised_ = true;
  HRESULT hr = S_OK;
  readyEvent_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  flushEvent_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!readyEvent_ || !flushEvent_) hr = HRESULT_FROM_WIN32(GetLastError());
  if (SUCCEEDED(hr)) {
    thread_.reset(CreateThread(nullptr, 0, &Scheduler::ThreadProc, this, 0, &threadId_));
    if (!thread_) hr = HRESULT_FROM_WIN32(GetLastError());
  }
  if (SUCCEEDED(hr)) {
    const HANDLE waits[2] = {readyEvent_.get(), thread_.get()};
    const DWORD which = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (which != WAIT_OBJECT_0) {
      thread_.reset();  // the thread ended before it was ready
      threadId_ = 0;
      hr = E_UNEXPECTED;
    }
  }
  readyEvent_.reset();
  if (FAILED(hr)) {
    // Every failure path gives the raised timer resolution back.
    flushEvent_.reset();
    timeEndPeriod(kTimerResolutionMs);
    timerRaised_ = false;
  }
  return hr;
}

HRESULT Scheduler::StopScheduler() {
  if (!thread_) return S_OK;
  PostThreadMessageW(threadId_, kMsgTerminate, 0, 0);
  // The thread may be presenting into a window of this thread: its sent messages are served.
  quill::com::WaitDispatchingSentMessages(thread_.get(), INFINITE);
  {
    ScopedLock lock(schedulerLock_);
    thread_.reset();
    threadId_ = 0;
    flushEvent_.reset();
  }
  ClearQueue();
  if (timerRaised_) {
    timeEndPeriod(kTimerResolutionMs);
    timerRaised_ = false;
  }
  return S_OK;
}

HRESULT Scheduler::Flush(bool presentBlank) {
  ScopedLock lock(schedulerLock_);
  if (!thread_) return S_FALSE;
  PostThreadMessageW(threadId_, kMsgFlush, presentBlank ? 1 : 0, 0);
  const HANDLE waits[2] = {flushEvent_.get(), thread_.get()};
  WaitForMultipleObjects(2, waits, FALSE, kFlushTimeoutMs);
  return S_OK;
}

HRESULT Scheduler::ScheduleSample(IMFSample* sample) {
  if (!sample) return E_POINTER;
  if (!callback_) return MF_E_NOT_INITIALIZED;
  if (!thread_) return MF_E_NOT_INITIALIZED;
  if (!IsRunning()) return E_FAIL;
  {
    ScopedLock lock(queueLock_);
    const HRESULT hr = queue_.InsertBack(sample);
    if (FAILED(hr)) return hr;
  }
  PostThreadMessageW(threadId_, kMsgSchedule, 0, 0);
  return S_OK;
}

DWORD WINAPI Scheduler::ThreadProc(void* self) { return static_cast<Scheduler*>(self)->Run(); }

DWORD Scheduler::Run() {
  MSG msg;
  // Makes the thread's message queue before anyone posts to it.
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  SetEvent(readyEvent_.get());
  DWORD wait = INFINITE;
  bool running = true;
  bool failed = false;
  while (running) {
    const DWORD result = MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_POSTMESSAGE);
    if (result == WAIT_TIMEOUT) {
      if (FAILED(ProcessQueue(&wait))) {
        failed = true;
        break;
      }
    } else if (result == WAIT_FAILED) {
      failed = true;
      break;
    }
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == kMsgTerminate) {
        running = false;
      } else if (msg.message == kMsgSchedule) {
        if (FAILED(ProcessQueue(&wait))) {
          failed = true;
          running = false;
        }
      } else if (msg.message == kMsgFlush) {
        ClearQueue();
        previousTime_ = -1;
        wait = INFINITE;
        SetEvent(flushEvent_.get());
        if (msg.wParam && callback_) callback_->PresentSample(nullptr, 0);
      }
    }
  }
  return failed ? 1 : 0;
}

HRESULT Scheduler::ProcessQueue(DWORD* wait) {
  *wait = 0;
  HRESULT hr = S_OK;
  for (;;) {
    IMFSample* raw = nullptr;
    {
      ScopedLock lock(queueLock_);
      if (queue_.IsEmpty()) break;
      queue_.RemoveFront(&raw);
    }
    ComPtr<IMFSample> sample(raw);
    hr = ProcessSample(sample.get(), wait);
    if (FAILED(hr) || *wait > 0) break;
  }
  if (*wait == 0) *wait = INFINITE;
  return hr;
}

HRESULT Scheduler::ProcessSample(IMFSample* sample, DWORD* wait) {
  *wait = 0;
  LONGLONG sampleTime = 0;
  const bool hasTime = SUCCEEDED(sample->GetSampleTime(&sampleTime));
  bool presentNow = true;
  if (clock_ && hasTime) {
    LONGLONG clockTime = 0;
    MFTIME systemTime = 0;
    if (SUCCEEDED(clock_->GetCorrelatedTime(0, &clockTime, &systemTime))) {
      const ScheduleDecision decision =
          DecideSample(sampleTime, clockTime, rate_.load(), quarterFrame_.load());
      presentNow = decision.presentNow;
      if (!presentNow) *wait = decision.waitMs;
    }
  }
  if (!presentNow) {
    ScopedLock lock(queueLock_);
    return queue_.InsertFront(sample);
  }
  if (hasTime) {
    lastSampleTime_.store(sampleTime);
    dropped_ += FramesMissing(previousTime_, sampleTime, frameDuration_.load());
    previousTime_ = sampleTime;
  }
  ++presented_;
  return callback_ ? callback_->PresentSample(sample, sampleTime) : S_OK;
}

}  // namespace playcore
