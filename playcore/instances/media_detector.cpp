// The media detector (qedit's MediaDet) read for a frame rate.
#include "playcore/instances/media_detector.h"

#include "playcore/instances/hresult_error.h"

#include <windows.h>
#include <dshow.h>
#include <qedit.h>

#include <new>
#include <string>

namespace playcore {

namespace {

constexpr double kHundredNanosecondsPerSecond = 10000000.0;
constexpr double kMillisecondsPerSecond = 1000.0;

// A COM pointer released by its destructor.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (p_) p_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T** out() { return &p_; }
  T* operator->() const { return p_; }

 private:
  T* p_ = nullptr;
};

// COM for the length of one call when the caller's thread has not started it.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;  // RPC_E_CHANGED_MODE: the thread runs COM already, in the other model
};

class Bstr {
 public:
  explicit Bstr(const wchar_t* text) : s_(SysAllocString(text)) {}
  ~Bstr() { SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return s_; }

 private:
  BSTR s_;
};

// The rate from the stream's video format block, when it has one.
double RateFromMediaType(IMediaDet* detector) {
  AM_MEDIA_TYPE type = {};
  if (FAILED(detector->get_StreamMediaType(&type))) return 0.0;
  double rate = 0.0;
  if (type.formattype == FORMAT_VideoInfo && type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    REFERENCE_TIME perFrame = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->AvgTimePerFrame;
    if (perFrame > 0) rate = kHundredNanosecondsPerSecond / static_cast<double>(perFrame);
  }
  // No FreeMediaType without the base classes: free the format block and the extra object by hand.
  if (type.pbFormat) CoTaskMemFree(type.pbFormat);
  if (type.pUnk) type.pUnk->Release();
  return rate;
}

}  // namespace

namespace {

// The detector's steps; the HRESULT of the step that failed (S_OK once the detector has the file).
HRESULT RunDetector(const wchar_t* path, float* timeScale) {
  ComScope com;
  ComRef<IMediaDet> detector;
  HRESULT hr = CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaDet,
                                reinterpret_cast<void**>(detector.out()));
  if (FAILED(hr)) return hr;
  Bstr name(path);
  if (!name.get()) return E_OUTOFMEMORY;
  hr = detector->put_Filename(name.get());
  if (FAILED(hr)) return hr;
  long streams = 0;
  if (FAILED(detector->get_OutputStreams(&streams))) return S_OK;
  for (long i = 0; i < streams; ++i) {
    // A stream that is not video fails or reports no rate: it is passed over quietly.
    if (FAILED(detector->put_CurrentStream(i))) continue;
    double rate = 0.0;
    if (FAILED(detector->get_FrameRate(&rate)) || !(rate > 0.0)) rate = RateFromMediaType(detector.operator->());
    if (rate > 0.0) {
      *timeScale = static_cast<float>(kMillisecondsPerSecond / rate);
      break;
    }
  }
  return S_OK;
}

MediaDetectorRun g_detector = RunDetector;
DWORD g_detectorWaitMs = kMediaDetectorWaitMs;

// One reading on a thread of its own, shared by the caller and the thread: the one that lets go last
// frees it, so that a caller that stopped waiting leaves a hung reading nothing to write into.
struct DetectorCall {
  MediaDetectorRun run;
  std::wstring path;
  float timeScale;
  HRESULT result = E_FAIL;
  volatile LONG holders = 2;
};

void LetGo(DetectorCall* call) {
  if (InterlockedDecrement(&call->holders) == 0) delete call;
}

DWORD WINAPI DetectorThread(void* parameter) {
  auto* call = static_cast<DetectorCall*>(parameter);
  call->result = call->run(call->path.c_str(), &call->timeScale);
  LetGo(call);
  return 0;
}

}  // namespace

void SetMediaDetectorForTests(MediaDetectorRun run, DWORD waitMs) {
  g_detector = run ? run : RunDetector;
  g_detectorWaitMs = waitMs;
}

int MediaDetectorTimeScale(const wchar_t* path, float* timeScale) {
  auto* call = new (std::nothrow) DetectorCall{g_detector, path ? path : L"", *timeScale};
  if (!call) return ShowHResultError(E_OUTOFMEMORY);
  HANDLE thread = CreateThread(nullptr, 0, DetectorThread, call, 0, nullptr);
  if (!thread) {
    delete call;
    return ShowHResultError(HRESULT_FROM_WIN32(GetLastError()));
  }
  // The detector runs the platform's parsers, which can hang on a file (seen under Wine after the
  // process played an unplayable file): the open ends all the same, as a failed one.
  const DWORD waited = WaitForSingleObject(thread, g_detectorWaitMs);
  CloseHandle(thread);
  HRESULT hr = HRESULT_FROM_WIN32(ERROR_TIMEOUT);
  if (waited == WAIT_OBJECT_0) {
    hr = call->result;
    if (SUCCEEDED(hr)) *timeScale = call->timeScale;
  }
  LetGo(call);
  return ShowHResultError(hr);
}

}  // namespace playcore
