// The transport calls on a media session, behind a small interface so that the order of the calls can
// be checked against a fake session.
//
// Windows resumes a paused session with Start(from where it is) and seeks with Start(position)
// followed by Pause. Wine's video renderer never completes a Start on a paused or started session
// (later Stop and Close hang as well), so under Wine a resume is Stop then Start(the paused position),
// and a seek is Stop, Start(position), Pause. A Start on a stopped session works on both.
#pragma once

#include <windows.h>
#include <mfidl.h>

namespace playcore {

class SessionControl {
 public:
  virtual ~SessionControl() = default;
  // position < 0: from the current position (VT_EMPTY); else 100-ns units (VT_I8).
  virtual HRESULT Start(LONGLONG position) = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  // Waits (bounded) until the session reported that it stopped; used before a Start under Wine.
  virtual void WaitStopped() {}
  virtual HRESULT SetRate(BOOL thin, float rate) = 0;
  // Waits (bounded) until the session reported the rate it settled on (after a refused thinned
  // request, the report of the request without thinning).
  virtual void WaitRateSettled() {}
};

// Forwards to a media session (not owned; the caller keeps it alive for the call).
class MediaSessionControl final : public SessionControl {
 public:
  // `stopped`: an event the owner signals when the session reports MESessionStopped (may be null).
  MediaSessionControl(IMFMediaSession* session, HANDLE stopped) : session_(session), stopped_(stopped) {}
  // For rate changes as well: `rate` (not owned) and `rateSettled`, an event the owner signals when
  // the session reported the rate it settled on (may be null).
  MediaSessionControl(IMFMediaSession* session, HANDLE stopped, IMFRateControl* rate, HANDLE rateSettled)
      : session_(session), stopped_(stopped), rate_(rate), rateSettled_(rateSettled) {}
  HRESULT Start(LONGLONG position) override;
  HRESULT Pause() override { return session_->Pause(); }
  HRESULT Stop() override;
  void WaitStopped() override;
  HRESULT SetRate(BOOL thin, float rate) override;
  void WaitRateSettled() override;

 private:
  IMFMediaSession* session_;
  HANDLE stopped_;
  IMFRateControl* rate_ = nullptr;
  HANDLE rateSettled_ = nullptr;
};

constexpr LONGLONG kFromCurrentPosition = -1;

// Resumes playback. `paused`: the session is paused (not stopped); `pausedAt`: where it paused
// (100 ns), used only by the restart workaround.
HRESULT ResumeSession(SessionControl& session, bool wine, bool paused, LONGLONG pausedAt);
// Shows the frame at `position` and stays paused there.
HRESULT SeekSession(SessionControl& session, bool wine, LONGLONG position);
// Stop, then Start at `position` (both platforms; under Wine the Start waits for the stop).
HRESULT RestartSessionAt(SessionControl& session, bool wine, LONGLONG position);

// Changes the rate. `playing`: the session is started; `position`: where it stands (100 ns).
// Wine's session checks the renderers' rate support on its own thread while holding the video
// renderer's lock, which then waits for the mixer's; a frame pulled meanwhile holds the mixer's lock
// and waits for the renderer's, and every later call on the session waits behind the two. So under
// Wine a playing session is stopped first, as for a seek, given the rate, and started again at
// `position` once the rate was reported. A paused or stopped session, or Windows, takes the rate as
// it is. A refused rate still restarts the session; the first failure is returned.
HRESULT ChangeSessionRate(SessionControl& session, bool wine, bool playing, LONGLONG position, BOOL thin,
                          float rate);

// The time a position read answers for a clock read of `read` (100 ns). A started clock reads 0 for
// a moment after a start: *retry asks the caller to read again. A paused clock that reads 0 answers
// `known` (the last target or read time) at once, without a wait on the caller's thread; a stopped
// one answers its 0.
LONGLONG AnswerClockRead(LONGLONG read, bool started, bool paused, LONGLONG known, bool* retry);

// The longest wait for a session's stop before the Start follows anyway.
constexpr DWORD kStopWaitMs = 3000;
// The longest wait for a session's rate report before a restart follows anyway.
constexpr DWORD kRateWaitMs = 3000;

}  // namespace playcore
