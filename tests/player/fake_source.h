// A media source that only knows how to be shut down: it answers at once with a chosen result, or
// holds the caller until the test lets it go (the Wine source whose parser teardown never returns).
// It lives on the heap and goes with its last reference, as a thread that was left holding it may
// let go after the test's own reference is gone.
#pragma once

#include <windows.h>
#include <mfidl.h>

#include <atomic>

#include "platform/com/com_ptr.h"

namespace playcore::test {

class FakeSource : public IMFMediaSource {
 public:
  enum class Behaviour { kAnswers, kHangsUntilLetGo };

  static quill::com::ComPtr<FakeSource> Make(Behaviour behaviour, HRESULT answer = S_OK) {
    return quill::com::ComPtr<FakeSource>(new FakeSource(behaviour, answer));
  }

  // Set once Shutdown was entered; the thread that entered it.
  HANDLE entered() const { return entered_.get(); }
  DWORD shutdownThread() const { return shutdownThread_; }
  // Lets a held Shutdown return.
  void LetGo() { SetEvent(letGo_.get()); }
  // Set whenever the references come down to the test's own one.
  HANDLE backToOneReference() const { return backToOne_.get(); }
  LONG references() const { return refs_; }

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(IMFMediaEventGenerator)) ||
        IsEqualIID(riid, __uuidof(IMFMediaSource))) {
      *out = static_cast<IMFMediaSource*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = --refs_;
    if (left == 1) SetEvent(backToOne_.get());
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP GetEvent(DWORD, IMFMediaEvent**) override { return E_NOTIMPL; }
  STDMETHODIMP BeginGetEvent(IMFAsyncCallback*, IUnknown*) override { return E_NOTIMPL; }
  STDMETHODIMP EndGetEvent(IMFAsyncResult*, IMFMediaEvent**) override { return E_NOTIMPL; }
  STDMETHODIMP QueueEvent(MediaEventType, REFGUID, HRESULT, const PROPVARIANT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetCharacteristics(DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP CreatePresentationDescriptor(IMFPresentationDescriptor**) override { return E_NOTIMPL; }
  STDMETHODIMP Start(IMFPresentationDescriptor*, const GUID*, const PROPVARIANT*) override { return E_NOTIMPL; }
  STDMETHODIMP Stop() override { return E_NOTIMPL; }
  STDMETHODIMP Pause() override { return E_NOTIMPL; }
  STDMETHODIMP Shutdown() override {
    shutdownThread_ = GetCurrentThreadId();
    SetEvent(entered_.get());
    if (behaviour_ == Behaviour::kHangsUntilLetGo) WaitForSingleObject(letGo_.get(), INFINITE);
    return answer_;
  }

 private:
  FakeSource(Behaviour behaviour, HRESULT answer) : behaviour_(behaviour), answer_(answer) {}
  virtual ~FakeSource() = default;

  const Behaviour behaviour_;
  const HRESULT answer_;
  std::atomic<LONG> refs_{1};
  std::atomic<DWORD> shutdownThread_{0};
  quill::com::Handle entered_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  quill::com::Handle letGo_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  quill::com::Handle backToOne_{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

}  // namespace playcore::test
