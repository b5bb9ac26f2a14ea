// The media detector (qedit's MediaDet) read for a frame rate.
#include "playcore/instances/media_detector.h"

#include "playcore/instances/hresult_error.h"

#include <windows.h>
#include <dshow.h>
#include <qedit.h>

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

int MediaDetectorTimeScale(const wchar_t* path, float* timeScale) {
  ComScope com;
  ComRef<IMediaDet> detector;
  if (!ShowHResultError(CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaDet,
                                         reinterpret_cast<void**>(detector.out())))) {
    return 0;
  }
  Bstr name(path);
  if (!name.get() || !ShowHResultError(detector->put_Filename(name.get()))) return 0;
  long streams = 0;
  if (FAILED(detector->get_OutputStreams(&streams))) return 1;
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
  return 1;
}

}  // namespace playcore
