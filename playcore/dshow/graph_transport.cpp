#include "playcore/dshow/graph_transport.h"

namespace playcore {
namespace dshow {

namespace {

// Graph event codes (EC_COMPLETE, EC_FULLSCREEN_LOST).
constexpr long kEventComplete = 0x01;
constexpr long kEventFullscreenLost = 0x12;
// TakeEvents stops after this many, so that a graph flooding events cannot hold the caller.
constexpr int kMaxEventsPerCall = 256;

}  // namespace

HRESULT GetPosition(GraphPort* port, int64_t* position) {
  LONGLONG time = 0;
  HRESULT hr = port->GetCurrentPosition(&time);
  if (FAILED(hr)) return hr;
  *position = time / kGraphUnit;
  return S_OK;
}

HRESULT GetDuration(GraphPort* port, int64_t* duration) {
  LONGLONG time = 0;
  HRESULT hr = port->GetDuration(&time);
  if (FAILED(hr)) return hr;
  *duration = time / kGraphUnit;
  return S_OK;
}

HRESULT Seek(GraphPort* port, int64_t position) {
  DWORD capabilities = 0;
  HRESULT hr = port->GetCapabilities(&capabilities);
  if (FAILED(hr)) return hr;
  if (!(capabilities & kCanSeekAbsolute)) return S_OK;
  LONGLONG time = position > 0 ? position * kGraphUnit : 0;
  LONGLONG stop = 0;
  hr = port->GetStopPosition(&stop);
  if (FAILED(hr)) return hr;
  if (time > stop) time = stop;
  return port->SetCurrentPosition(time);
}

HRESULT SetRate(GraphPort* port, double rate, long volume) {
  port->PutVolume(volume);
  return port->PutRate(rate);
}

HRESULT StartStepMode(GraphPort* port, float timeScale) {
  if (!(timeScale > 0.0f)) return E_INVALIDARG;
  port->PutVolume(kSilentVolume);
  return port->PutRate(1.0 / static_cast<double>(timeScale));
}

HRESULT Repaint(GraphPort* port, bool still) {
  int64_t position = 0;
  HRESULT hr = GetPosition(port, &position);
  if (SUCCEEDED(hr)) hr = port->Run();
  if (SUCCEEDED(hr)) hr = Seek(port, position);
  if (SUCCEEDED(hr) && still) hr = port->Pause();
  return hr;
}

int TakeEvents(GraphPort* port) {
  int seen = 0;
  long code = 0;
  for (int i = 0; i < kMaxEventsPerCall && SUCCEEDED(port->TakeEvent(&code)); ++i) {
    if (code == kEventComplete) seen |= kGraphEventComplete;
    if (code == kEventFullscreenLost) seen |= kGraphEventFullscreenLost;
  }
  return seen;
}

}  // namespace dshow
}  // namespace playcore
