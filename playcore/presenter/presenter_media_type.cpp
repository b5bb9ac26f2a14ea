// Negotiation of the mixer's output type and the samples made for it.
#include "playcore/presenter/evr_presenter.h"

#include <mfapi.h>
#include <mferror.h>

#include "platform/com/media_type.h"

namespace playcore {

using quill::com::ComPtr;
using quill::com::ScopedLock;

namespace {

// Colour description every output type is given (the recorder writes BT.709 video).
constexpr UINT32 kYuvMatrixBt709 = 1;        // MFVideoTransferMatrix_BT709
constexpr UINT32 kTransferFunction709 = 5;   // MFVideoTransFunc_709
constexpr UINT32 kPrimariesBt709 = 2;        // MFVideoPrimaries_BT709
constexpr UINT32 kNominalRange16To235 = 2;   // MFNominalRange_16_235
constexpr UINT32 kLightingDim = 3;           // MFVideoLighting_dim
constexpr UINT32 kProgressive = 2;           // MFVideoInterlace_Progressive
constexpr UINT32 kDefaultFrameRateNum = 30;
constexpr UINT32 kDefaultFrameRateDen = 1;

}  // namespace

HRESULT EVRCustomPresenter::IsMediaTypeSupported(IMFMediaType* type) {
  if (!engine_) return MF_E_INVALIDMEDIATYPE;
  BOOL compressed = TRUE;
  GUID subtype = GUID_NULL;
  UINT32 interlace = 0;
  UINT32 width = 0;
  UINT32 height = 0;
  if (FAILED(type->IsCompressedFormat(&compressed)) || compressed) return MF_E_INVALIDMEDIATYPE;
  if (FAILED(type->GetGUID(MF_MT_SUBTYPE, &subtype))) return MF_E_INVALIDMEDIATYPE;
  if (FAILED(engine_->CheckFormat(static_cast<D3DFORMAT>(subtype.Data1)))) {
    return MF_E_INVALIDMEDIATYPE;
  }
  if (FAILED(type->GetUINT32(MF_MT_INTERLACE_MODE, &interlace)) || interlace != kProgressive) {
    return MF_E_INVALIDMEDIATYPE;
  }
  if (FAILED(MFGetAttributeSize(type, MF_MT_FRAME_SIZE, &width, &height))) {
    return MF_E_INVALIDMEDIATYPE;
  }
  return S_OK;
}

HRESULT EVRCustomPresenter::MakeOutputType(IMFMediaType* type) {
  MediaFoundationSamples::VideoType video(type);
  HRESULT hr = video.SetPixelAspectRatio(1, 1);
  UINT32 width = 0;
  UINT32 height = 0;
  const RECT dest = engine_->destinationRect();
  if (SUCCEEDED(hr) && IsRectEmpty(&dest)) hr = video.GetFrameDimensions(&width, &height);
  if (SUCCEEDED(hr)) hr = type->SetUINT32(MF_MT_YUV_MATRIX, kYuvMatrixBt709);
  if (SUCCEEDED(hr)) hr = type->SetUINT32(MF_MT_TRANSFER_FUNCTION, kTransferFunction709);
  if (SUCCEEDED(hr)) hr = type->SetUINT32(MF_MT_VIDEO_PRIMARIES, kPrimariesBt709);
  if (SUCCEEDED(hr)) hr = type->SetUINT32(MF_MT_VIDEO_NOMINAL_RANGE, kNominalRange16To235);
  if (SUCCEEDED(hr)) hr = type->SetUINT32(MF_MT_VIDEO_LIGHTING, kLightingDim);
  if (SUCCEEDED(hr)) hr = video.GetFrameDimensions(&width, &height);
  // The scene (or the flat view) is readied for the engine's mode at the new size. One that cannot be
  // built draws nothing, but the type stands: refusing it would stop the frames, and with them the
  // end of the stream that moves the list on.
  if (SUCCEEDED(hr)) engine_->PrepareRenderer(width, height);
  if (SUCCEEDED(hr)) {
    frameWidth_ = width;
    frameHeight_ = height;
    hr = video.SetFrameDimensions(width, height);
  }
  if (SUCCEEDED(hr)) hr = type->SetUINT32(MF_MT_PAN_SCAN_ENABLED, FALSE);
  if (SUCCEEDED(hr)) hr = video.SetApertures(width, height);
  return hr;
}

HRESULT EVRCustomPresenter::RenegotiateMediaType() {
  if (!mixer_) return MF_E_INVALIDREQUEST;
  return NegotiateWith(mixer_.get(), nullptr);
}

HRESULT EVRCustomPresenter::RenegotiateUnlocked() {
  ScopedLock negotiation(negotiationLock_);
  ComPtr<IMFTransform> mixer;
  {
    ScopedLock lock(lock_);
    mixer = mixer_.Copy();
  }
  if (!mixer) return MF_E_INVALIDREQUEST;
  return NegotiateWith(mixer.get(), &lock_);
}

namespace {

// The presenter lock around one own step of a negotiation made without it; nothing when the caller
// holds it throughout.
class StepLock {
 public:
  explicit StepLock(quill::com::CriticalSection* lock) : lock_(lock) {
    if (lock_) lock_->Lock();
  }
  ~StepLock() {
    if (lock_) lock_->Unlock();
  }
  StepLock(const StepLock&) = delete;
  StepLock& operator=(const StepLock&) = delete;

 private:
  quill::com::CriticalSection* lock_;
};

}  // namespace

HRESULT EVRCustomPresenter::NegotiateWith(IMFTransform* mixer, quill::com::CriticalSection* stepLock) {
  HRESULT hr = S_OK;
  for (DWORD index = 0;; ++index) {
    ComPtr<IMFMediaType> proposed;
    hr = mixer->GetOutputAvailableType(0, index, proposed.put());
    if (FAILED(hr)) break;  // MF_E_NO_MORE_TYPES ends the search with that result
    {
      StepLock step(stepLock);
      hr = IsMediaTypeSupported(proposed.get());
      if (SUCCEEDED(hr)) hr = MakeOutputType(proposed.get());
    }
    if (FAILED(hr)) continue;
    hr = mixer->SetOutputType(0, proposed.get(), MFT_SET_TYPE_TEST_ONLY);
    if (SUCCEEDED(hr)) {
      StepLock step(stepLock);
      // Let go of meanwhile (the services were released): the presenter keeps no type for it.
      if (mixer_.get() != mixer) return MF_E_INVALIDREQUEST;
      hr = SetMediaType(proposed.get());
    }
    if (FAILED(hr)) continue;
    hr = mixer->SetOutputType(0, proposed.get(), 0);
    if (SUCCEEDED(hr)) break;
    // The mixer refused the final set: the presenter holds no type it cannot get frames in.
    StepLock step(stepLock);
    SetMediaType(nullptr);
  }
  return hr;
}

HRESULT EVRCustomPresenter::SetMediaType(IMFMediaType* type) {
  if (!type) {
    mediaType_.reset();
    ReleaseResources();
    return S_OK;
  }
  if (IsShutdown()) return MF_E_SHUTDOWN;
  if (!engine_) return MF_E_NOT_INITIALIZED;
  DWORD equalFlags = 0;  // required: Wine writes it unconditionally
  if (mediaType_ && mediaType_->IsEqual(type, &equalFlags) == S_OK) return S_OK;
  mediaType_.reset();
  ReleaseResources();
  SampleList samples;
  HRESULT hr = engine_->CreateVideoSamples(type, samples);
  for (auto* n = samples.Front(); SUCCEEDED(hr) && n != samples.End(); n = n->next) {
    hr = n->item->SetUINT32(kSampleCounterAttribute, tokenCounter_);
  }
  if (SUCCEEDED(hr)) hr = pool_.Initialize(samples);
  if (SUCCEEDED(hr)) {
    UINT32 num = 0;
    UINT32 den = 0;
    if (FAILED(MFGetAttributeRatio(type, MF_MT_FRAME_RATE, &num, &den)) || num == 0 || den == 0) {
      num = kDefaultFrameRateNum;
      den = kDefaultFrameRateDen;
    }
    UINT64 frameDuration = 0;
    hr = MFFrameRateToAverageTimePerFrame(num, den, &frameDuration);
    if (SUCCEEDED(hr)) scheduler_.SetFrameRate(static_cast<LONGLONG>(frameDuration));
  }
  if (FAILED(hr)) {
    ReleaseResources();
    return hr;
  }
  type->AddRef();
  mediaType_ = ComPtr<IMFMediaType>(type);
  return S_OK;
}

}  // namespace playcore
