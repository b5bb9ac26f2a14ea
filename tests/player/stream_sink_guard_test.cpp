// The stream sink guard used under Wine: it passes the renderer's stream through, hands the session
// the renderer's allocator behind a wrapper, and stops the release notices once its gate is closed.
#include <gtest/gtest.h>

#include <evr.h>
#include <mfapi.h>
#include <mferror.h>

#include <memory>

#include "platform/com/com_ptr.h"
#include "playcore/player/stream_sink_guard.h"

namespace playcore {
namespace {

using quill::com::ComPtr;

// Counts its own references; the tests own it on the stack and check the count at the end.
class Counted {
 public:
  ULONG Add() { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
  ULONG Drop() { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
  LONG refs = 1;
};

class FakeAllocator : public IMFVideoSampleAllocator, public IMFVideoSampleAllocatorCallback, public Counted {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(IMFVideoSampleAllocator))) {
      *out = static_cast<IMFVideoSampleAllocator*>(this);
    } else if (IsEqualIID(riid, __uuidof(IMFVideoSampleAllocatorCallback))) {
      *out = static_cast<IMFVideoSampleAllocatorCallback*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    Add();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return Add(); }
  STDMETHODIMP_(ULONG) Release() override { return Drop(); }
  STDMETHODIMP SetDirectXManager(IUnknown*) override { return S_OK; }
  STDMETHODIMP UninitializeSampleAllocator() override { return S_OK; }
  STDMETHODIMP InitializeSampleAllocator(DWORD count, IMFMediaType*) override {
    initialized = count;
    return S_OK;
  }
  STDMETHODIMP AllocateSample(IMFSample** sample) override {
    ++allocated;
    return MFCreateSample(sample);
  }
  STDMETHODIMP SetCallback(IMFVideoSampleAllocatorNotify* callback) override {
    if (callback) callback->AddRef();
    if (notify) notify->Release();
    notify = callback;
    return S_OK;
  }
  STDMETHODIMP GetFreeSampleCount(LONG* count) override {
    *count = 7;
    return S_OK;
  }
  // What the allocator does when one of its samples comes back.
  void SampleReturned() {
    if (notify) notify->NotifyRelease();
  }
  DWORD initialized = 0;
  int allocated = 0;
  IMFVideoSampleAllocatorNotify* notify = nullptr;
};

class FakeStream : public IMFStreamSink, public IMFGetService, public Counted {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(IMFStreamSink)) ||
        IsEqualIID(riid, __uuidof(IMFMediaEventGenerator))) {
      *out = static_cast<IMFStreamSink*>(this);
    } else if (IsEqualIID(riid, __uuidof(IMFGetService))) {
      *out = static_cast<IMFGetService*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    Add();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return Add(); }
  STDMETHODIMP_(ULONG) Release() override { return Drop(); }
  STDMETHODIMP GetService(REFGUID service, REFIID riid, void** out) override {
    ++serviceCalls;
    if (IsEqualGUID(service, MR_VIDEO_ACCELERATION_SERVICE)) return allocator->QueryInterface(riid, out);
    return MF_E_UNSUPPORTED_SERVICE;
  }
  STDMETHODIMP GetEvent(DWORD, IMFMediaEvent**) override { return E_NOTIMPL; }
  STDMETHODIMP BeginGetEvent(IMFAsyncCallback*, IUnknown*) override { return E_NOTIMPL; }
  STDMETHODIMP EndGetEvent(IMFAsyncResult*, IMFMediaEvent**) override { return E_NOTIMPL; }
  STDMETHODIMP QueueEvent(MediaEventType, REFGUID, HRESULT, const PROPVARIANT*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetMediaSink(IMFMediaSink**) override { return MF_E_SHUTDOWN; }
  STDMETHODIMP GetIdentifier(DWORD* id) override {
    *id = 42;
    return S_OK;
  }
  STDMETHODIMP GetMediaTypeHandler(IMFMediaTypeHandler**) override { return E_NOTIMPL; }
  STDMETHODIMP ProcessSample(IMFSample*) override {
    ++processed;
    return S_OK;
  }
  STDMETHODIMP PlaceMarker(MFSTREAMSINK_MARKER_TYPE, const PROPVARIANT*, const PROPVARIANT*) override {
    return S_OK;
  }
  STDMETHODIMP Flush() override {
    ++flushed;
    return S_OK;
  }
  FakeAllocator* allocator = nullptr;
  int serviceCalls = 0;
  int processed = 0;
  int flushed = 0;
};

// The session's side: counts the notices it is given.
class SessionNotice : public IMFVideoSampleAllocatorNotify {
 public:
  STDMETHODIMP QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // as the session's own: not counted
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP NotifyRelease() override {
    ++notices;
    return S_OK;
  }
  int notices = 0;
};

class StreamSinkGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_.allocator = &allocator_;
    ASSERT_EQ(S_OK, CreateStreamSinkGuard(&stream_, gate_, guarded_.put()));
  }
  ComPtr<IMFVideoSampleAllocator> SessionAllocator() {
    ComPtr<IMFVideoSampleAllocator> allocator;
    EXPECT_EQ(S_OK, MFGetService(guarded_.get(), MR_VIDEO_ACCELERATION_SERVICE,
                                 __uuidof(IMFVideoSampleAllocator), allocator.putVoid()));
    return allocator;
  }
  FakeAllocator allocator_;
  FakeStream stream_;
  std::shared_ptr<ReleaseNoticeGate> gate_ = std::make_shared<ReleaseNoticeGate>();
  ComPtr<IMFStreamSink> guarded_;
};

TEST_F(StreamSinkGuardTest, PassesTheStreamThroughAndLetsItGoWithTheLastReference) {
  IMFStreamSink* raw = guarded_.get();
  EXPECT_NE(static_cast<IMFStreamSink*>(&stream_), raw);
  DWORD id = 0;
  EXPECT_EQ(S_OK, raw->GetIdentifier(&id));
  EXPECT_EQ(42u, id);
  EXPECT_EQ(S_OK, raw->ProcessSample(nullptr));
  EXPECT_EQ(S_OK, raw->Flush());
  EXPECT_EQ(1, stream_.processed);
  EXPECT_EQ(1, stream_.flushed);
  // Its identity is its own: the session finds its node by the object it was given.
  ComPtr<IMFMediaEventGenerator> generator;
  ASSERT_EQ(S_OK, guarded_.As(&generator));
  EXPECT_EQ(static_cast<IUnknown*>(static_cast<IMFMediaEventGenerator*>(raw)),
            static_cast<IUnknown*>(generator.get()));
  // Other services are the renderer's own answers.
  ComPtr<IUnknown> none;
  EXPECT_EQ(MF_E_UNSUPPORTED_SERVICE,
            MFGetService(raw, MR_VIDEO_RENDER_SERVICE, IID_IUnknown, none.putVoid()));
  generator.reset();
  guarded_.reset();
  EXPECT_EQ(1, stream_.refs);
}

TEST_F(StreamSinkGuardTest, TheSessionGetsTheRenderersSamplesAndItsNoticesUntilTheGateCloses) {
  SessionNotice session;
  {
    ComPtr<IMFVideoSampleAllocator> allocator = SessionAllocator();
    ASSERT_TRUE(allocator);
    EXPECT_EQ(S_OK, allocator->InitializeSampleAllocator(2, nullptr));
    EXPECT_EQ(2u, allocator_.initialized);
    ComPtr<IMFSample> sample;
    EXPECT_EQ(S_OK, allocator->AllocateSample(sample.put()));
    EXPECT_EQ(1, allocator_.allocated);

    ComPtr<IMFVideoSampleAllocatorCallback> callback;
    ASSERT_EQ(S_OK, allocator.As(&callback));
    LONG free = 0;
    EXPECT_EQ(S_OK, callback->GetFreeSampleCount(&free));
    EXPECT_EQ(7, free);
    ASSERT_EQ(S_OK, callback->SetCallback(&session));
    ASSERT_NE(nullptr, allocator_.notify) << "the renderer's allocator reports to the guard";

    allocator_.SampleReturned();
    EXPECT_EQ(1, session.notices);
    gate_->open.store(false);  // the player is closing the session
    allocator_.SampleReturned();
    allocator_.SampleReturned();
    EXPECT_EQ(1, session.notices) << "no notice once the gate is closed";

    // The session lets go of its record: the allocator forgets the guard as well.
    EXPECT_EQ(S_OK, callback->SetCallback(nullptr));
    EXPECT_EQ(nullptr, allocator_.notify);
  }
  guarded_.reset();
  EXPECT_EQ(1, allocator_.refs) << "nothing keeps the renderer's allocator";
  EXPECT_EQ(1, stream_.refs);
}

}  // namespace
}  // namespace playcore
