// An IMFAsyncCallback that lives inside its parent object and calls one of the parent's methods.
// It has no reference count of its own: AddRef and Release go to the parent, so a pending callback
// keeps the parent alive.
#pragma once

#include <windows.h>
#include <mfobjects.h>

namespace quill::com {

template <class T>
class AsyncCallback : public IMFAsyncCallback {
 public:
  using InvokeFn = HRESULT (T::*)(IMFAsyncResult* result);

  AsyncCallback(T* parent, InvokeFn fn) : parent_(parent), fn_(fn) {}
  virtual ~AsyncCallback() = default;
  AsyncCallback(const AsyncCallback&) = delete;
  AsyncCallback& operator=(const AsyncCallback&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IMFAsyncCallback))) {
      *ppv = static_cast<IMFAsyncCallback*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return parent_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return parent_->Release(); }

  // The default work queue and flags.
  HRESULT STDMETHODCALLTYPE GetParameters(DWORD*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(IMFAsyncResult* result) override {
    return (parent_->*fn_)(result);
  }

 private:
  T* parent_;
  InvokeFn fn_;
};

}  // namespace quill::com
