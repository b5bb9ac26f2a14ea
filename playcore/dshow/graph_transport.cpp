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

HRESULT GetPosition(GraphPort* port, int64_t* time) {
  LONGLONG now = 0;
  HRESULT hr = port->GetCurrentPosition(&now);
  if (FAILED(hr)) return hr;
  *time = now;
  return S_OK;
}

HRESULT GetDuration(GraphPort* port, int64_t* time) {
  LONGLONG length = 0;
  HRESULT hr = port->GetDuration(&length);
  if (FAILED(hr)) return hr;
  *time = length;
  return S_OK;
}

HRESULT Seek(GraphPort* port, int64_t target) {
  DWORD capabilities = 0;
  HRESULT hr = port->GetCapabilities(&capabilities);
  if (FAILED(hr)) return hr;
  if (!(capabilities & kCanSeekAbsolute)) return S_OK;
  LONGLONG time = target > 0 ? target : 0;
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
  int64_t time = 0;
  HRESULT hr = GetPosition(port, &time);
  if (SUCCEEDED(hr)) hr = port->Run();
  if (SUCCEEDED(hr)) hr = Seek(port, time);
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
