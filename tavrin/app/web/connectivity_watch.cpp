// The two worker threads of CInetConnectionAsync: starting, stopping and the connectivity loop. The update
// thread's body is in update_thread.cpp.
#include "tavrin/app/web/connectivity_watch.h"

#include <process.h>

#include "tavrin/app/web/inet_session.h"
#include "tavrin/app/web/web_addresses.h"
#include "tavrin/app/web/worker_state.h"

namespace quill::app {

CInetConnectionAsync::Config CInetConnectionAsync::ProgramConfig() {
  Config c;
  c.mapCheckUrl = kMapCheckUrl;
  c.update = ProgramUpdateAddresses();
  c.programVersion = kProgramVersion;
  return c;
}

CInetConnectionAsync::CInetConnectionAsync(Config config)
    : config_(std::move(config)), outcome_(std::make_shared<Outcome>()) {
  if (!config_.test) config_.test = TestConnection;
  if (!config_.fetch) config_.fetch = FetchVersion;
}

CInetConnectionAsync::~CInetConnectionAsync() { Stop(); }

namespace {

// Starts `proc` with a reference of its own to the worker record; false when it cannot start.
bool StartWorker(const std::shared_ptr<CInetConnectionAsync::Worker>& w, unsigned(__stdcall* proc)(void*)) {
  auto* arg = new std::shared_ptr<CInetConnectionAsync::Worker>(w);
  unsigned id = 0;
  const uintptr_t h = _beginthreadex(nullptr, 0, proc, arg, 0, &id);
  if (!h) {
    delete arg;
    return false;
  }
  w->thread.Reset(reinterpret_cast<HANDLE>(h));
  w->threadId = id;
  return true;
}

}  // namespace

bool CInetConnectionAsync::StartConnectivity(OnlineSink sink) {
  if (connectivity_) return false;
  auto w = std::make_shared<Worker>();
  w->config = config_;
  w->sink = std::move(sink);
  if (!w->Valid() || !StartWorker(w, ConnectivityThreadProc)) return false;
  connectivity_ = w;
  return true;
}

bool CInetConnectionAsync::StartUpdateCheck(const std::wstring& firmwareVersion) {
  if (update_) return false;
  auto w = std::make_shared<Worker>();
  w->config = config_;
  w->firmware = firmwareVersion;
  w->outcome = outcome_;
  if (!w->Valid() || !StartWorker(w, UpdateCheckThreadProc)) return false;
  // The thread makes its message queue first, so the WM_QUIT of Stop always lands.
  HANDLE both[2] = {w->ready.get(), w->thread.get()};
  WaitForMultipleObjects(2, both, FALSE, INFINITE);
  update_ = w;
  return true;
}

bool CInetConnectionAsync::Stop() {
  const DWORD start = GetTickCount();
  if (update_) {
    SetEvent(update_->stop.get());
    PostThreadMessageW(update_->threadId, WM_QUIT, 0, 0);
  }
  if (connectivity_) SetEvent(connectivity_->stop.get());
  bool ended = true;
  for (std::shared_ptr<Worker>* w : {&update_, &connectivity_}) {
    if (!*w) continue;
    const DWORD spent = GetTickCount() - start;
    const DWORD left = spent < kStopWaitMs ? kStopWaitMs - spent : 0;
    playcore::UniqueHandle thread(std::move((*w)->thread));
    if (WaitForSingleObject(thread.get(), left) != WAIT_OBJECT_0) {
      ended = false;
      letGo_.push_back(std::move(thread));
    }
    {
      std::lock_guard<std::mutex> lock((*w)->sinkLock);
      (*w)->sink = nullptr;
    }
    w->reset();
  }
  return ended;
}

bool CInetConnectionAsync::WaitThreadsEnded(DWORD timeoutMs) const {
  const DWORD start = GetTickCount();
  for (const playcore::UniqueHandle& thread : letGo_) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= timeoutMs || WaitForSingleObject(thread.get(), timeoutMs - spent) != WAIT_OBJECT_0) return false;
  }
  return true;
}

bool CInetConnectionAsync::WaitUpdateDecided(DWORD timeoutMs) const {
  return WaitForSingleObject(outcome_->decided.get(), timeoutMs) == WAIT_OBJECT_0;
}

std::wstring CInetConnectionAsync::UpdateMessage() const {
  std::lock_guard<std::mutex> lock(outcome_->lock);
  return outcome_->message;
}

HWND CInetConnectionAsync::UpdateDialogWindow() const {
  std::lock_guard<std::mutex> lock(outcome_->lock);
  return outcome_->dialog;
}

unsigned __stdcall CInetConnectionAsync::ConnectivityThreadProc(void* arg) {
  std::shared_ptr<Worker> w = std::move(*static_cast<std::shared_ptr<Worker>*>(arg));
  delete static_cast<std::shared_ptr<Worker>*>(arg);
  while (!w->Stopped()) {
    const bool online = w->config.test(w->config.mapCheckUrl);
    {
      std::lock_guard<std::mutex> lock(w->sinkLock);
      if (w->sink && !w->Stopped()) w->sink(true, online);
    }
    if (WaitForSingleObject(w->stop.get(), w->config.intervalMs) != WAIT_TIMEOUT) break;
  }
  return 0;
}

}  // namespace quill::app
