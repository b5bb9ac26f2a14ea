// The fakes of the EVR side.
#include "tests/presenter/fakes.h"

#include <d3d9.h>
#include <mferror.h>

namespace playcore::test {

namespace {

template <class T>
HRESULT AnswerOne(T* self, REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(T))) {
    *ppv = static_cast<T*>(self);
    self->AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

// Paints the sample's surface in one colour, as the mixer would write a frame.
void Fill(IMFSample* sample, D3DCOLOR colour) {
  ComPtr<IMFMediaBuffer> buffer;
  ComPtr<IDirect3DSurface9> surface;
  ComPtr<IDirect3DDevice9> device;
  if (FAILED(sample->GetBufferByIndex(0, buffer.put()))) return;
  if (FAILED(MFGetService(buffer.get(), MR_BUFFER_SERVICE, __uuidof(IDirect3DSurface9),
                          surface.putVoid()))) {
    return;
  }
  if (SUCCEEDED(surface->GetDevice(device.put()))) device->ColorFill(surface.get(), nullptr, colour);
}

}  // namespace

LONGLONG QpcNow100ns() {
  LARGE_INTEGER now;
  LARGE_INTEGER freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return static_cast<LONGLONG>(static_cast<double>(now.QuadPart) * 1e7 /
                               static_cast<double>(freq.QuadPart));
}

HRESULT FakeClock::QueryInterface(REFIID iid, void** ppv) { return AnswerOne<IMFClock>(this, iid, ppv); }

void FakeClock::Set(LONGLONG time, double speed) {
  std::lock_guard<std::mutex> lock(mutex_);
  base_ = time;
  startQpc_ = QpcNow100ns();
  speed_ = speed;
}

LONGLONG FakeClock::Now() {
  std::lock_guard<std::mutex> lock(mutex_);
  return base_ + static_cast<LONGLONG>(static_cast<double>(QpcNow100ns() - startQpc_) * speed_);
}

HRESULT FakeClock::GetCorrelatedTime(DWORD, LONGLONG* clock, MFTIME* system) {
  if (!clock || !system) return E_POINTER;
  *clock = Now();
  *system = QpcNow100ns();
  return S_OK;
}

HRESULT FakeEventSink::QueryInterface(REFIID iid, void** ppv) {
  return AnswerOne<IMediaEventSink>(this, iid, ppv);
}

HRESULT FakeEventSink::Notify(long code, LONG_PTR p1, LONG_PTR p2) {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back({code, p1, p2, QpcNow100ns()});
  return S_OK;
}

int FakeEventSink::Count(long code) {
  std::lock_guard<std::mutex> lock(mutex_);
  int n = 0;
  for (const auto& e : events_) n += e.code == code ? 1 : 0;
  return n;
}

std::vector<SinkEvent> FakeEventSink::Events() {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

FakeMixer::FakeMixer() { MFCreateAttributes(attributes_.put(), 4); }
FakeMixer::~FakeMixer() = default;

HRESULT FakeMixer::QueryInterface(REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IMFTransform))) {
    *ppv = static_cast<IMFTransform*>(this);
  } else if (IsEqualIID(iid, __uuidof(IMFVideoDeviceID))) {
    *ppv = static_cast<IMFVideoDeviceID*>(this);
  } else {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT FakeMixer::GetDeviceID(IID* id) {
  *id = deviceId;
  return S_OK;
}

HRESULT FakeMixer::GetAttributes(IMFAttributes** attributes) {
  *attributes = attributes_.Copy().detach();
  return S_OK;
}

HRESULT FakeMixer::GetOutputAvailableType(DWORD, DWORD index, IMFMediaType** type) {
  if (beforeTypeCall) beforeTypeCall();
  if (index >= offered.size()) return MF_E_NO_MORE_TYPES;
  *type = offered[index].Copy().detach();
  return S_OK;
}

HRESULT FakeMixer::SetOutputType(DWORD, IMFMediaType*, DWORD flags) {
  if (beforeTypeCall) beforeTypeCall();
  if (flags & MFT_SET_TYPE_TEST_ONLY) return S_OK;
  ++finalSets;
  return finalSetResult;
}

void FakeMixer::ForceResult(HRESULT hr) {
  std::lock_guard<std::mutex> lock(mutex_);
  forced_.push_back(hr);
}

void FakeMixer::AddFrames(LONGLONG firstTime, LONGLONG duration, int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (int i = 0; i < count; ++i) frames_.push_back({firstTime + i * duration, duration});
}

int FakeMixer::FramesLeft() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(frames_.size());
}

void FakeMixer::MarkPresented(IMFSample* sample) {
  std::lock_guard<std::mutex> lock(mutex_);
  outstanding_.erase(sample);
}

HRESULT FakeMixer::ProcessOutput(DWORD, DWORD count, MFT_OUTPUT_DATA_BUFFER* buffers, DWORD* status) {
  ++processCalls;
  if (beforeOutput) beforeOutput();
  if (count != 1 || !buffers || !buffers[0].pSample || !status) return E_INVALIDARG;
  IMFSample* sample = buffers[0].pSample;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!forced_.empty()) {
    const HRESULT hr = forced_.front();
    forced_.pop_front();
    return hr;
  }
  // A repaint carries a desired time and duration: it draws the current frame again.
  ComPtr<IMFDesiredSample> desired;
  LONGLONG t = 0;
  LONGLONG d = 0;
  if (SUCCEEDED(sample->QueryInterface(__uuidof(IMFDesiredSample), desired.putVoid())) &&
      SUCCEEDED(desired->GetDesiredSampleTimeAndDuration(&t, &d))) {
    if (d == 0) return E_INVALIDARG;  // as Wine's mixer
    return S_OK;
  }
  if (frames_.empty()) return MF_E_TRANSFORM_NEED_MORE_INPUT;
  const MixerFrame frame = frames_.front();
  frames_.pop_front();
  if (!outstanding_.insert(sample).second) ++overlaps;
  if (fillColour != 0) Fill(sample, fillColour);
  sample->SetSampleTime(frame.time);
  sample->SetSampleDuration(frame.duration);
  return S_OK;
}

HRESULT FakeLookup::QueryInterface(REFIID iid, void** ppv) {
  return AnswerOne<IMFTopologyServiceLookup>(this, iid, ppv);
}

HRESULT FakeLookup::LookupService(MF_SERVICE_LOOKUP_TYPE, DWORD, REFGUID, REFIID riid,
                                  LPVOID* objects, DWORD* count) {
  if (!objects || !count) return E_POINTER;
  IUnknown* found = nullptr;
  if (IsEqualIID(riid, __uuidof(IMFClock))) found = clock;
  if (IsEqualIID(riid, __uuidof(IMFTransform))) found = mixer;
  if (IsEqualIID(riid, __uuidof(IMediaEventSink))) found = sink;
  if (!found) return E_NOINTERFACE;
  return found->QueryInterface(riid, objects);
}

HRESULT RecordingRenderer::Prepare(IDirect3DDevice9*, UINT, UINT, int) {
  ++prepares;
  return S_OK;
}

HRESULT RecordingRenderer::Draw(const FrameTarget&, IMFSample* sample, IDirect3DSurface9* frame) {
  LONGLONG time = -1;
  if (sample) sample->GetSampleTime(&time);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.push_back({time, QpcNow100ns(), frame, sample == nullptr});
  }
  if (sample && mixer_) mixer_->MarkPresented(sample);
  return drawResult.load();
}

std::vector<DrawnFrame> RecordingRenderer::Frames() {
  std::lock_guard<std::mutex> lock(mutex_);
  return frames_;
}

ComPtr<IMFMediaType> MakeVideoType(const GUID& subtype, UINT32 width, UINT32 height,
                                   UINT32 interlace, bool compressed, UINT32 fpsNum,
                                   UINT32 fpsDen) {
  ComPtr<IMFMediaType> type;
  MFCreateMediaType(type.put());
  type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
  type->SetGUID(MF_MT_SUBTYPE, subtype);
  type->SetUINT32(MF_MT_COMPRESSED, compressed ? TRUE : FALSE);
  type->SetUINT32(MF_MT_ALL_SAMPLES_INDEPENDENT, compressed ? FALSE : TRUE);
  type->SetUINT32(MF_MT_INTERLACE_MODE, interlace);
  MFSetAttributeSize(type.get(), MF_MT_FRAME_SIZE, width, height);
  if (fpsNum != 0) MFSetAttributeRatio(type.get(), MF_MT_FRAME_RATE, fpsNum, fpsDen);
  return type;
}

TestWindow::TestWindow(int width, int height) {
  hwnd_ = CreateWindowExW(0, L"STATIC", L"presenter test", WS_POPUP | WS_VISIBLE, 0, 0, width,
                          height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TestWindow::~TestWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

namespace {

class CopyRenderer final : public FrameRenderer {
 public:
  HRESULT Prepare(IDirect3DDevice9*, UINT, UINT, int) override { return S_OK; }

  HRESULT Draw(const FrameTarget& t, IMFSample*, IDirect3DSurface9* frame) override {
    if (!t.device || !frame) return S_OK;
    quill::com::ComPtr<IDirect3DSurface9> backBuffer;
    HRESULT hr = t.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.put());
    if (SUCCEEDED(hr)) {
      hr = t.device->StretchRect(frame, nullptr, backBuffer.get(), nullptr, D3DTEXF_LINEAR);
    }
    if (FAILED(hr)) return hr;
    if (t.present) {
      t.present->wanted = true;
      t.present->intoDest = true;
      return S_OK;
    }
    const bool hasDest = t.dest.right > t.dest.left && t.dest.bottom > t.dest.top;
    return t.device->Present(nullptr, hasDest ? &t.dest : nullptr, t.window, nullptr);
  }

  void ReleaseDevice() override {}
};

}  // namespace

std::unique_ptr<FrameRenderer> CreateCopyRenderer() { return std::make_unique<CopyRenderer>(); }

}  // namespace playcore::test
