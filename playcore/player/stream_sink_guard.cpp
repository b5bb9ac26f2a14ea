#include "playcore/player/stream_sink_guard.h"

#include <evr.h>
#include <mfapi.h>
#include <mferror.h>

#include <new>
#include <utility>

#include "platform/com/com_ptr.h"

namespace playcore {
namespace {

// The renderer's sample allocator as the session sees it: samples come from the renderer's own
// allocator (Direct3D surfaces the mixer takes); only the release notices pass the gate.
class AllocatorGuard final : public IMFVideoSampleAllocator,
                             public IMFVideoSampleAllocatorCallback,
                             public IMFVideoSampleAllocatorNotify {
 public:
  AllocatorGuard(quill::com::ComPtr<IMFVideoSampleAllocator> allocator,
                 quill::com::ComPtr<IMFVideoSampleAllocatorCallback> callback,
                 std::shared_ptr<ReleaseNoticeGate> gate)
      : allocator_(std::move(allocator)), callback_(std::move(callback)), gate_(std::move(gate)) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(IMFVideoSampleAllocator))) {
      *out = static_cast<IMFVideoSampleAllocator*>(this);
    } else if (IsEqualIID(riid, __uuidof(IMFVideoSampleAllocatorCallback))) {
      *out = static_cast<IMFVideoSampleAllocatorCallback*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG count = InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
  }

  // IMFVideoSampleAllocator
  STDMETHODIMP SetDirectXManager(IUnknown* manager) override {
    return allocator_->SetDirectXManager(manager);
  }
  STDMETHODIMP UninitializeSampleAllocator() override {
    return allocator_->UninitializeSampleAllocator();
  }
  STDMETHODIMP InitializeSampleAllocator(DWORD count, IMFMediaType* type) override {
    return allocator_->InitializeSampleAllocator(count, type);
  }
  STDMETHODIMP AllocateSample(IMFSample** sample) override { return allocator_->AllocateSample(sample); }

  // IMFVideoSampleAllocatorCallback: the session's notice is kept here, the allocator tells us.
  STDMETHODIMP SetCallback(IMFVideoSampleAllocatorNotify* notify) override {
    {
      quill::com::ScopedLock hold(lock_);
      notify_ = quill::com::ComPtr<IMFVideoSampleAllocatorNotify>::Borrow(notify);
    }
    return callback_->SetCallback(notify ? static_cast<IMFVideoSampleAllocatorNotify*>(this) : nullptr);
  }
  STDMETHODIMP GetFreeSampleCount(LONG* count) override { return callback_->GetFreeSampleCount(count); }

  // IMFVideoSampleAllocatorNotify (from the renderer's allocator)
  STDMETHODIMP NotifyRelease() override {
    // Tested and passed under the gate's lock: the player's close cannot slip in between.
    return gate_->Pass([this] {
      quill::com::ScopedLock hold(lock_);
      return notify_ ? notify_->NotifyRelease() : S_OK;
    });
  }

 private:
  ~AllocatorGuard() = default;

  volatile LONG refCount_ = 1;
  quill::com::ComPtr<IMFVideoSampleAllocator> allocator_;
  quill::com::ComPtr<IMFVideoSampleAllocatorCallback> callback_;
  std::shared_ptr<ReleaseNoticeGate> gate_;
  quill::com::CriticalSection lock_;
  quill::com::ComPtr<IMFVideoSampleAllocatorNotify> notify_;
};

class StreamSinkGuard final : public IMFStreamSink, public IMFGetService {
 public:
  StreamSinkGuard(IMFStreamSink* stream, std::shared_ptr<ReleaseNoticeGate> gate)
      : stream_(quill::com::ComPtr<IMFStreamSink>::Borrow(stream)), gate_(std::move(gate)) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(IMFStreamSink)) ||
        IsEqualIID(riid, __uuidof(IMFMediaEventGenerator))) {
      *out = static_cast<IMFStreamSink*>(this);
    } else if (IsEqualIID(riid, __uuidof(IMFGetService))) {
      *out = static_cast<IMFGetService*>(this);
    } else {
      // The renderer's stream also answers for its type handler and attributes: handed out as
      // they are, they act on the renderer itself.
      return stream_->QueryInterface(riid, out);
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG count = InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
  }

  // IMFGetService: the sample allocator behind its guard, everything else as it is.
  STDMETHODIMP GetService(REFGUID service, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(service, MR_VIDEO_ACCELERATION_SERVICE) ||
        !IsEqualIID(riid, __uuidof(IMFVideoSampleAllocator))) {
      return MFGetService(stream_.get(), service, riid, out);
    }
    quill::com::ComPtr<IMFVideoSampleAllocator> allocator;
    quill::com::ComPtr<IMFVideoSampleAllocatorCallback> callback;
    HRESULT hr = MFGetService(stream_.get(), service, riid, allocator.putVoid());
    if (SUCCEEDED(hr)) hr = allocator.As(&callback);
    if (FAILED(hr)) return hr;
    auto* guard = new (std::nothrow) AllocatorGuard(std::move(allocator), std::move(callback), gate_);
    if (!guard) return E_OUTOFMEMORY;
    *out = static_cast<IMFVideoSampleAllocator*>(guard);
    return S_OK;
  }

  // IMFMediaEventGenerator
  STDMETHODIMP GetEvent(DWORD flags, IMFMediaEvent** event) override {
    return stream_->GetEvent(flags, event);
  }
  STDMETHODIMP BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state) override {
    return stream_->BeginGetEvent(callback, state);
  }
  STDMETHODIMP EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event) override {
    return stream_->EndGetEvent(result, event);
  }
  STDMETHODIMP QueueEvent(MediaEventType type, REFGUID extended, HRESULT status,
                          const PROPVARIANT* value) override {
    return stream_->QueueEvent(type, extended, status, value);
  }

  // IMFStreamSink
  STDMETHODIMP GetMediaSink(IMFMediaSink** sink) override { return stream_->GetMediaSink(sink); }
  STDMETHODIMP GetIdentifier(DWORD* id) override { return stream_->GetIdentifier(id); }
  STDMETHODIMP GetMediaTypeHandler(IMFMediaTypeHandler** handler) override {
    return stream_->GetMediaTypeHandler(handler);
  }
  STDMETHODIMP ProcessSample(IMFSample* sample) override { return stream_->ProcessSample(sample); }
  STDMETHODIMP PlaceMarker(MFSTREAMSINK_MARKER_TYPE type, const PROPVARIANT* value,
                           const PROPVARIANT* context) override {
    return stream_->PlaceMarker(type, value, context);
  }
  STDMETHODIMP Flush() override { return stream_->Flush(); }

 private:
  ~StreamSinkGuard() = default;

  volatile LONG refCount_ = 1;
  quill::com::ComPtr<IMFStreamSink> stream_;
  std::shared_ptr<ReleaseNoticeGate> gate_;
};

}  // namespace

HRESULT CreateStreamSinkGuard(IMFStreamSink* stream, std::shared_ptr<ReleaseNoticeGate> gate,
                              IMFStreamSink** guarded) {
  if (!stream || !guarded || !gate) return E_POINTER;
  *guarded = new (std::nothrow) StreamSinkGuard(stream, std::move(gate));
  return *guarded ? S_OK : E_OUTOFMEMORY;
}

}  // namespace playcore
