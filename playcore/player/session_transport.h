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
};

// Forwards to a media session (not owned; the caller keeps it alive for the call).
class MediaSessionControl final : public SessionControl {
 public:
  // `stopped`: an event the owner signals when the session reports MESessionStopped (may be null).
  MediaSessionControl(IMFMediaSession* session, HANDLE stopped) : session_(session), stopped_(stopped) {}
  HRESULT Start(LONGLONG position) override;
  HRESULT Pause() override { return session_->Pause(); }
  HRESULT Stop() override;
  void WaitStopped() override;

 private:
  IMFMediaSession* session_;
  HANDLE stopped_;
};

constexpr LONGLONG kFromCurrentPosition = -1;

// Resumes playback. `paused`: the session is paused (not stopped); `pausedAt`: where it paused
// (100 ns), used only by the restart workaround.
HRESULT ResumeSession(SessionControl& session, bool wine, bool paused, LONGLONG pausedAt);
// Shows the frame at `position` and stays paused there.
HRESULT SeekSession(SessionControl& session, bool wine, LONGLONG position);
// Stop, then Start at `position` (both platforms; under Wine the Start waits for the stop).
HRESULT RestartSessionAt(SessionControl& session, bool wine, LONGLONG position);

// A rate change on a session, behind the same kind of interface.
class RateChange {
 public:
  virtual ~RateChange() = default;
  virtual HRESULT SetRate(BOOL thin, float rate) = 0;
  // Holds or lets go the presenter's frame pulls on threads outside the video renderer's locks.
  virtual void HoldPulls(bool hold) = 0;
  // Waits (bounded) until the session reported every rate request made so far; false when it had not
  // by the end of the wait.
  virtual bool WaitRateChanged() = 0;
  // Leaves the pulls held until the session reported every rate request made so far: that report
  // lets them go (on the session's event thread).
  virtual void LetGoOnReport() = 0;
  // A request the session refused at once: it reports nothing.
  virtual void Withdraw() {}
};

// Changes the rate. Wine's session checks the video renderer's rate support on its own thread under
// the renderer's lock, and the renderer then asks the mixer for its type under the mixer's lock; a
// frame pulled meanwhile holds the mixer's lock and asks the renderer for a sample under the
// renderer's: the two threads deadlock, and every later call on the session waits behind them.
// Under Wine the pulls are held from before the request until the session reported it. A session
// busy with earlier commands may report late: the pulls then stay held until it did, never let go
// while the request may still be checked.
HRESULT ChangeSessionRate(RateChange& change, bool wine, BOOL thin, float rate);

// Matches a session's rate reports (one per request it took, refused or not, in order) to the
// requests, and counts the pull holds left for the reports to let go. Not locked: the owner guards it.
class RateReports {
 public:
  void Requested() { ++requested_; }
  void Withdrawn() {
    if (requested_ > reported_) --requested_;
  }
  // A report came: the holds to let go now (all of them once every request was reported).
  int Reported();
  bool Caught() const { return reported_ >= requested_; }
  // Leaves one more hold to the reports; false when they all came meanwhile (the caller lets go).
  bool DeferLetGo();
  int deferred() const { return deferred_; }

 private:
  unsigned requested_ = 0;
  unsigned reported_ = 0;
  int deferred_ = 0;
};

// The time a position read answers for a clock read of `read` (100 ns). A started clock reads 0 for
// a moment after a start: *retry asks the caller to read again. A paused clock that reads 0 answers
// `known` (the last target or read time) at once, without a wait on the caller's thread; a stopped
// one answers its 0.
LONGLONG AnswerClockRead(LONGLONG read, bool started, bool paused, LONGLONG known, bool* retry);

// The longest wait for a session's stop before the Start follows anyway.
constexpr DWORD kStopWaitMs = 3000;
// The longest wait on the caller's thread for a session's report of a rate change (the pulls stay
// held past it until the report comes).
constexpr DWORD kRateChangeWaitMs = 3000;

}  // namespace playcore
