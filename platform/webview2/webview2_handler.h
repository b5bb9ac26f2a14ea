// Completion and event handlers of WebView2 made from a function: one small COM object per handler
// interface, holding the function, with its own reference count. The runtime calls them on the UI
// thread; the function's result is what the runtime gets back.
#pragma once

#include <windows.h>

#include <functional>
#include <new>
#include <utility>

#include "platform/com/com_ptr.h"
#include "platform/webview2/webview2_decl.h"

namespace webview2 {

template <class Interface, class... Args>
class FunctionHandler final : public Interface {
 public:
  using Function = std::function<HRESULT(Args...)>;
  explicit FunctionHandler(Function fn) : fn_(std::move(fn)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
      *ppv = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE Invoke(Args... args) override {
    // The runtime must never see an exception.
    try {
      return fn_ ? fn_(args...) : S_OK;
    } catch (...) {
      return E_FAIL;
    }
  }

 private:
  ~FunctionHandler() = default;
  Function fn_;
  LONG refs_ = 1;
};

using EnvironmentCompleted =
    FunctionHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT, ICoreWebView2Environment*>;
using ControllerCompleted =
    FunctionHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT, ICoreWebView2Controller*>;
using ScriptCompleted = FunctionHandler<ICoreWebView2ExecuteScriptCompletedHandler, HRESULT, LPCWSTR>;
using WebMessageReceived = FunctionHandler<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2*,
                                           ICoreWebView2WebMessageReceivedEventArgs*>;
using NavigationStarting = FunctionHandler<ICoreWebView2NavigationStartingEventHandler, ICoreWebView2*,
                                           ICoreWebView2NavigationStartingEventArgs*>;
using ProcessFailed =
    FunctionHandler<ICoreWebView2ProcessFailedEventHandler, ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs*>;

// A new handler holding `fn`, as an owned reference (empty when out of memory).
template <class Handler, class Fn>
quill::com::ComPtr<Handler> MakeHandler(Fn&& fn) {
  return quill::com::ComPtr<Handler>(new (std::nothrow) Handler(typename Handler::Function(std::forward<Fn>(fn))));
}

}  // namespace webview2
