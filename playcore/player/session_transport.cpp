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

HRESULT MediaSessionControl::SetRate(BOOL thin, float rate) {
  if (!rate_) return E_UNEXPECTED;
  if (rateSettled_) ResetEvent(rateSettled_);
  return rate_->SetRate(thin, rate);
}

void MediaSessionControl::WaitRateSettled() {
  if (rateSettled_) quill::com::WaitDispatchingSentMessages(rateSettled_, kRateWaitMs);
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

HRESULT ChangeSessionRate(SessionControl& session, bool wine, bool playing, LONGLONG position, BOOL thin,
                          float rate) {
  if (!wine || !playing) return session.SetRate(thin, rate);
  HRESULT hr = session.Stop();
  if (FAILED(hr)) return hr;
  session.WaitStopped();
  hr = session.SetRate(thin, rate);
  if (SUCCEEDED(hr)) session.WaitRateSettled();
  // Playing again also when the rate was refused: the old rate stays.
  const HRESULT started = session.Start(position < 0 ? 0 : position);
  return FAILED(hr) ? hr : started;
}

LONGLONG AnswerClockRead(LONGLONG read, bool started, bool paused, LONGLONG known, bool* retry) {
  *retry = read == 0 && started;
  return read == 0 && paused ? known : read;
}

}  // namespace playcore
