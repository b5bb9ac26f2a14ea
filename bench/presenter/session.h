// A small Media Foundation session for the presenter benchmark: one recording's video played through
// the EVR with the program's presenter into a window.
#pragma once

#include <memory>
#include <string>

#include "playcore/player/stream_sink_guard.h"
#include "tests/presenter/frame_probe.h"

namespace playcore::test {

class SessionPlayer {
 public:
  SessionPlayer() = default;
  ~SessionPlayer();
  SessionPlayer(const SessionPlayer&) = delete;
  SessionPlayer& operator=(const SessionPlayer&) = delete;

  // Opens `path` (a Windows path) with only its video stream, NV12 or YUY2 out of the source; the
  // presenter's engine takes over `renderer` and draws in `viewMode`.
  HRESULT Open(const std::wstring& path, HWND window, ProbeRenderer* renderer,
               int viewMode = kEngineModeFlat);
  HRESULT SetRate(float rate);
  // Starts at `position` (100 ns; -1 from where it is) and waits for the start.
  HRESULT Start(LONGLONG position, DWORD timeoutMs);
  HRESULT Stop(DWORD timeoutMs);
  // Waits for the end of the presentation.
  HRESULT WaitForEnd(DWORD timeoutMs);
  HRESULT Close();
  EVRCustomPresenter* presenter() { return presenter_; }
  IMFPresentationClock* clock() { return clock_.get(); }
  LONGLONG duration() const { return duration_; }

 private:
  HRESULT WaitFor(MediaEventType type, DWORD timeoutMs, HRESULT* status);
  HRESULT PickVideoType(IMFStreamDescriptor* stream);
  HRESULT BuildTopology(IMFPresentationDescriptor* pd, IMFTopology** topology);

  quill::com::CComObject<EVRCustomPresenter>* presenter_ = nullptr;
  // Under Wine the session's sample-release notices stop before it is closed (as in the player).
  std::shared_ptr<ReleaseNoticeGate> releaseGate_ = std::make_shared<ReleaseNoticeGate>();
  ComPtr<IMFMediaSession> session_;
  ComPtr<IMFMediaSource> source_;
  ComPtr<IMFMediaSink> sink_;
  ComPtr<IMFPresentationClock> clock_;
  LONGLONG duration_ = 0;
};

}  // namespace playcore::test
