#include "playcore/player/session_transport.h"
#include "platform/com/message_wait.h"

#include <propvarutil.h>

namespace playcore {

HRESULT MediaSessionControl::Start(LONGLONG position) {
  PROPVARIANT start;
  PropVariantInit(&start);
  if (position >= 0) {
    start.vt = VT_I8;
    start.hVal.QuadPart = position;
  }
  const HRESULT hr = session_->Start(&GUID_NULL, &start);
  PropVariantClear(&start);
  return hr;
}

HRESULT MediaSessionControl::Stop() {
  if (stopped_) ResetEvent(stopped_);
  return session_->Stop();
}

void MediaSessionControl::WaitStopped() {
  if (stopped_) quill::com::WaitDispatchingSentMessages(stopped_, kStopWaitMs);
}

HRESULT ResumeSession(SessionControl& session, bool wine, bool paused, LONGLONG pausedAt) {
  if (wine && paused) return RestartSessionAt(session, wine, pausedAt < 0 ? 0 : pausedAt);
  return session.Start(kFromCurrentPosition);
}

HRESULT SeekSession(SessionControl& session, bool wine, LONGLONG position) {
  HRESULT hr = S_OK;
  // A Stop on a session that is stopped already is harmless, so Wine always stops first.
  if (wine) {
    hr = session.Stop();
    if (SUCCEEDED(hr)) session.WaitStopped();
  }
  if (SUCCEEDED(hr)) hr = session.Start(position);
  if (SUCCEEDED(hr)) hr = session.Pause();
  return hr;
}

HRESULT RestartSessionAt(SessionControl& session, bool wine, LONGLONG position) {
  HRESULT hr = session.Stop();
  if (SUCCEEDED(hr) && wine) session.WaitStopped();
  if (SUCCEEDED(hr)) hr = session.Start(position);
  return hr;
}

HRESULT ChangeSessionRate(RateChange& change, bool wine, BOOL thin, float rate) {
  if (!wine) return change.SetRate(thin, rate);
  change.HoldPulls(true);
  const HRESULT hr = change.SetRate(thin, rate);
  if (FAILED(hr)) {
    // Refused at once: the session reports nothing and checks nothing.
    change.Withdraw();
    change.HoldPulls(false);
  } else if (change.WaitRateChanged()) {
    change.HoldPulls(false);
  } else {
    change.LetGoOnReport();
  }
  return hr;
}

int RateReports::Reported() {
  ++reported_;
  if (!Caught()) return 0;
  // Reports beyond the requests (one the owner did not count) never count ahead for a later request.
  reported_ = requested_;
  const int letGo = deferred_;
  deferred_ = 0;
  return letGo;
}

bool RateReports::DeferLetGo() {
  if (Caught()) return false;
  ++deferred_;
  return true;
}

LONGLONG AnswerClockRead(LONGLONG read, bool started, bool paused, LONGLONG known, bool* retry) {
  *retry = read == 0 && started;
  return read == 0 && paused ? known : read;
}

}  // namespace playcore
