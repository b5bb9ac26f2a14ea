// Fakes of the EVR side the presenter talks to: the mixer, the presentation clock, the event sink and
// the service lookup, plus a frame renderer that records what the engine drew and a test window.
// They run the same under Wine and on Windows.
#pragma once

#include <windows.h>
#include <evr.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mftransform.h>
#include <strmif.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

#include "platform/com/com_ptr.h"
#include "playcore/presenter/frame_renderer.h"
#include "tests/support/wait.h"

namespace playcore::test {

using quill::com::ComPtr;
using quill::test::WaitUntil;

// A reference count for the fakes (they are created with new and handed out with one reference).
class FakeUnknown {
 public:
  virtual ~FakeUnknown() = default;
  ULONG AddRefImpl() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG ReleaseImpl() {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 private:
  LONG refs_ = 1;
};

// Clock time = base + elapsed real time x speed while running.
class FakeClock : public IMFClock, public FakeUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
  HRESULT STDMETHODCALLTYPE GetClockCharacteristics(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCorrelatedTime(DWORD, LONGLONG* clock, MFTIME* system) override;
  HRESULT STDMETHODCALLTYPE GetContinuityKey(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetState(DWORD, MFCLOCK_STATE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetProperties(MFCLOCK_PROPERTIES*) override { return E_NOTIMPL; }

  // Sets the time now (100 ns) and how fast it runs from here (0 = frozen).
  void Set(LONGLONG time, double speed);
  LONGLONG Now();

 private:
  std::mutex mutex_;
  LONGLONG base_ = 0;
  LONGLONG startQpc_ = 0;
  double speed_ = 0.0;
};

struct SinkEvent {
  long code;
  LONG_PTR p1;
  LONG_PTR p2;
  LONGLONG at;  // QPC in 100 ns
};

class FakeEventSink : public IMediaEventSink, public FakeUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
  HRESULT STDMETHODCALLTYPE Notify(long code, LONG_PTR p1, LONG_PTR p2) override;

  int Count(long code);
  std::vector<SinkEvent> Events();
  // Waits until `code` was sent `count` times.
  bool WaitFor(long code, int count) {
    return WaitUntil([&] { return Count(code) >= count; });
  }

 private:
  std::mutex mutex_;
  std::vector<SinkEvent> events_;
};

// What the mixer does when asked for a frame.
struct MixerFrame {
  LONGLONG time;
  LONGLONG duration;
};

class FakeMixer : public IMFTransform, public IMFVideoDeviceID, public FakeUnknown {
 public:
  FakeMixer();
  ~FakeMixer() override;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
  // IMFVideoDeviceID
  HRESULT STDMETHODCALLTYPE GetDeviceID(IID* id) override;
  // IMFTransform
  HRESULT STDMETHODCALLTYPE GetStreamLimits(DWORD*, DWORD*, DWORD*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStreamCount(DWORD*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStreamIDs(DWORD, DWORD*, DWORD, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetInputStreamInfo(DWORD, MFT_INPUT_STREAM_INFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetOutputStreamInfo(DWORD, MFT_OUTPUT_STREAM_INFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributes(IMFAttributes** attributes) override;
  HRESULT STDMETHODCALLTYPE GetInputStreamAttributes(DWORD, IMFAttributes**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetOutputStreamAttributes(DWORD, IMFAttributes**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteInputStream(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddInputStreams(DWORD, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetInputAvailableType(DWORD, DWORD, IMFMediaType**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetOutputAvailableType(DWORD, DWORD index, IMFMediaType** type) override;
  HRESULT STDMETHODCALLTYPE SetInputType(DWORD, IMFMediaType*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetOutputType(DWORD, IMFMediaType* type, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetInputCurrentType(DWORD, IMFMediaType**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetOutputCurrentType(DWORD, IMFMediaType**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetInputStatus(DWORD, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetOutputStatus(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetOutputBounds(LONGLONG, LONGLONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ProcessEvent(DWORD, IMFMediaEvent*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ProcessMessage(MFT_MESSAGE_TYPE, ULONG_PTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ProcessInput(DWORD, IMFSample*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ProcessOutput(DWORD flags, DWORD count, MFT_OUTPUT_DATA_BUFFER* buffers,
                                          DWORD* status) override;

  // Set-up by the test (before use or under its own lock).
  std::vector<ComPtr<IMFMediaType>> offered;
  IID deviceId = __uuidof(IDirect3DDevice9);
  HRESULT finalSetResult = S_OK;           // result of a non-test SetOutputType
  D3DCOLOR fillColour = 0;                 // non-zero: each frame is filled with it
  std::atomic<int> processCalls{0};
  std::atomic<int> finalSets{0};
  std::atomic<int> overlaps{0};            // a sample handed in while still outstanding
  // Runs first in every ProcessOutput, outside the mixer's lock (set before the mixer is used).
  std::function<void()> beforeOutput;
  // Runs first in every GetOutputAvailableType and SetOutputType (set before the mixer is used).
  std::function<void()> beforeTypeCall;
  // The next ProcessOutput results to force (front first), before frames are consumed.
  void ForceResult(HRESULT hr);
  void AddFrames(LONGLONG firstTime, LONGLONG duration, int count);
  int FramesLeft();
  // The renderer calls this when a sample was drawn (it is no longer outstanding).
  void MarkPresented(IMFSample* sample);
  IMFAttributes* attributes() { return attributes_.get(); }

 private:
  std::mutex mutex_;
  std::deque<MixerFrame> frames_;
  std::deque<HRESULT> forced_;
  std::set<IUnknown*> outstanding_;
  ComPtr<IMFAttributes> attributes_;
};

class FakeLookup : public IMFTopologyServiceLookup, public FakeUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
  HRESULT STDMETHODCALLTYPE LookupService(MF_SERVICE_LOOKUP_TYPE, DWORD, REFGUID service,
                                          REFIID riid, LPVOID* objects, DWORD* count) override;
  IMFClock* clock = nullptr;  // null: the lookup fails as Wine's does the first time
  IMFTransform* mixer = nullptr;
  IMediaEventSink* sink = nullptr;
};

// Records every frame the engine asks it to draw (sample time, surface), in order.
struct DrawnFrame {
  LONGLONG time;
  LONGLONG drawnAt;  // QPC in 100 ns
  IDirect3DSurface9* surface;
  bool repaint;
};

class RecordingRenderer : public FrameRenderer {
 public:
  explicit RecordingRenderer(FakeMixer* mixer) : mixer_(mixer) {}
  HRESULT Prepare(IDirect3DDevice9*, UINT width, UINT height, int mode) override;
  HRESULT Draw(const FrameTarget& target, IMFSample* sample, IDirect3DSurface9* frame) override;
  void ReleaseDevice() override { ++releases; }
  std::vector<DrawnFrame> Frames();
  bool WaitForFrames(size_t count) {
    return WaitUntil([&] { return Frames().size() >= count; });
  }
  std::atomic<int> prepares{0};
  std::atomic<int> releases{0};
  std::atomic<HRESULT> drawResult{S_OK};

 private:
  FakeMixer* mixer_;
  std::mutex mutex_;
  std::vector<DrawnFrame> frames_;
};

// A video type as the EVR's mixer proposes it.
ComPtr<IMFMediaType> MakeVideoType(const GUID& subtype, UINT32 width, UINT32 height,
                                   UINT32 interlace, bool compressed, UINT32 fpsNum = 30,
                                   UINT32 fpsDen = 1);
// A visible top-level window on the test bed's display, destroyed with the object.
class TestWindow {
 public:
  TestWindow(int width, int height);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

LONGLONG QpcNow100ns();

// A renderer that copies the frame onto the back buffer and presents it into the destination
// rectangle, whatever the mode: the tests that count and read frames need no scene (and Wine keeps
// every presenter's scene alive after its session).
std::unique_ptr<FrameRenderer> CreateCopyRenderer();

}  // namespace playcore::test
