// Fake WebView2 environment, controller, web view, settings and event arguments for the map dialog's
// tests: they record what the dialog asks and answer E_NOTIMPL to everything else.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/webview2/webview2_decl.h"

namespace fakes {

// Reference counting and QueryInterface for one interface.
template <class I>
class Com : public I {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(I))) {
      *ppv = static_cast<I*>(this);
      this->AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // owned by the test
  ULONG refs = 1;
};

#define FAKE_STUB(name, ...) \
  HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override { return E_NOTIMPL; }
// The add_ and remove_ pair of an event the fake does not keep.
#define FAKE_EVENT_STUBS(name) \
  FAKE_STUB(add_##name, IUnknown*, EventRegistrationToken*) FAKE_STUB(remove_##name, EventRegistrationToken)

// An event the fake keeps: the handler added last (held until it is removed), the token handed out for
// it, and how many removals came with that token.
template <class Handler>
struct EventSlot {
  explicit EventSlot(__int64 token) : token(token) {}
  HRESULT Add(Handler* h, EventRegistrationToken* t) {
    handler = quill::com::ComPtr<Handler>::Borrow(h);
    t->value = token;
    return S_OK;
  }
  HRESULT Remove(EventRegistrationToken t) {
    removed += t.value == token;
    handler.reset();
    return S_OK;
  }
  const __int64 token;
  quill::com::ComPtr<Handler> handler;
  int removed = 0;
};

inline LPWSTR TaskCopy(const std::wstring& s) {
  auto* p = static_cast<LPWSTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(wchar_t)));
  wcscpy(p, s.c_str());
  return p;
}

struct Settings : Com<ICoreWebView2Settings> {
  std::vector<std::string> calls;
  HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL on) override { return Record("script", on); }
  HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL on) override { return Record("webmessage", on); }
  HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL on) override { return Record("dialogs", on); }
  HRESULT Record(const char* what, BOOL on) {
    calls.push_back(std::string(what) + (on ? "=1" : "=0"));
    return S_OK;
  }
  FAKE_STUB(get_IsScriptEnabled, BOOL*) FAKE_STUB(get_IsWebMessageEnabled, BOOL*)
  FAKE_STUB(get_AreDefaultScriptDialogsEnabled, BOOL*) FAKE_STUB(get_IsStatusBarEnabled, BOOL*)
  FAKE_STUB(put_IsStatusBarEnabled, BOOL) FAKE_STUB(get_AreDevToolsEnabled, BOOL*)
  FAKE_STUB(put_AreDevToolsEnabled, BOOL) FAKE_STUB(get_AreDefaultContextMenusEnabled, BOOL*)
  FAKE_STUB(put_AreDefaultContextMenusEnabled, BOOL) FAKE_STUB(get_AreHostObjectsAllowed, BOOL*)
  FAKE_STUB(put_AreHostObjectsAllowed, BOOL) FAKE_STUB(get_IsZoomControlEnabled, BOOL*)
  FAKE_STUB(put_IsZoomControlEnabled, BOOL) FAKE_STUB(get_IsBuiltInErrorPageEnabled, BOOL*)
  FAKE_STUB(put_IsBuiltInErrorPageEnabled, BOOL)
};

struct NavigationArgs : Com<ICoreWebView2NavigationStartingEventArgs> {
  std::wstring uri = L"about:blank";
  BOOL cancel = FALSE;
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* out) override {
    *out = TaskCopy(uri);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Cancel(BOOL c) override {
    cancel = c;
    return S_OK;
  }
  FAKE_STUB(get_IsUserInitiated, BOOL*) FAKE_STUB(get_IsRedirected, BOOL*) FAKE_STUB(get_RequestHeaders, IUnknown**)
  FAKE_STUB(get_Cancel, BOOL*)
};

struct ProcessFailedArgs : Com<ICoreWebView2ProcessFailedEventArgs> {
  COREWEBVIEW2_PROCESS_FAILED_KIND kind = COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED;
  HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* out) override {
    *out = kind;
    return S_OK;
  }
};

struct MessageArgs : Com<ICoreWebView2WebMessageReceivedEventArgs> {
  std::wstring json;
  HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* out) override {
    *out = TaskCopy(json);
    return S_OK;
  }
  FAKE_STUB(get_Source, LPWSTR*) FAKE_STUB(TryGetWebMessageAsString, LPWSTR*)
};

struct WebView : Com<ICoreWebView2> {
  Settings settings;
  bool failSettings = false;
  std::vector<std::wstring> navigated, posted, scripts, hostObjects, removedHostObjects;
  std::vector<VARTYPE> hostObjectTypes;
  EventSlot<ICoreWebView2NavigationStartingEventHandler> navigation{11};
  EventSlot<ICoreWebView2WebMessageReceivedEventHandler> message{22};
  EventSlot<ICoreWebView2ProcessFailedEventHandler> failure{33};
  HRESULT STDMETHODCALLTYPE add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* h,
                                              EventRegistrationToken* t) override {
    return failure.Add(h, t);
  }
  HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken t) override { return failure.Remove(t); }

  HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** out) override {
    if (failSettings) return E_FAIL;
    settings.AddRef();
    *out = &settings;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR html) override {
    navigated.push_back(html);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* h,
                                                   EventRegistrationToken* t) override {
    return navigation.Add(h, t);
  }
  HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken t) override {
    return navigation.Remove(t);
  }
  HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* h,
                                                   EventRegistrationToken* t) override {
    return message.Add(h, t);
  }
  HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken t) override { return message.Remove(t); }
  HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR s, ICoreWebView2ExecuteScriptCompletedHandler* h) override {
    scripts.push_back(s);
    if (h) h->Invoke(S_OK, L"null");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) override {
    posted.push_back(json);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR name, VARIANT* object) override {
    hostObjects.push_back(name);
    hostObjectTypes.push_back(object->vt);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR name) override {
    removedHostObjects.push_back(name);
    return S_OK;
  }
  FAKE_STUB(get_Source, LPWSTR*) FAKE_STUB(Navigate, LPCWSTR)
  FAKE_EVENT_STUBS(ContentLoading) FAKE_EVENT_STUBS(SourceChanged) FAKE_EVENT_STUBS(HistoryChanged)
  FAKE_EVENT_STUBS(NavigationCompleted) FAKE_EVENT_STUBS(FrameNavigationStarting)
  FAKE_EVENT_STUBS(FrameNavigationCompleted) FAKE_EVENT_STUBS(ScriptDialogOpening)
  FAKE_EVENT_STUBS(PermissionRequested)
  FAKE_STUB(AddScriptToExecuteOnDocumentCreated, LPCWSTR, IUnknown*)
  FAKE_STUB(RemoveScriptToExecuteOnDocumentCreated, LPCWSTR) FAKE_STUB(CapturePreview, int, IStream*, IUnknown*)
  FAKE_STUB(Reload) FAKE_STUB(PostWebMessageAsString, LPCWSTR)
  FAKE_STUB(CallDevToolsProtocolMethod, LPCWSTR, LPCWSTR, IUnknown*) FAKE_STUB(get_BrowserProcessId, UINT32*)
  FAKE_STUB(get_CanGoBack, BOOL*) FAKE_STUB(get_CanGoForward, BOOL*) FAKE_STUB(GoBack) FAKE_STUB(GoForward)
  FAKE_STUB(GetDevToolsProtocolEventReceiver, LPCWSTR, IUnknown**) FAKE_STUB(Stop)
  FAKE_EVENT_STUBS(NewWindowRequested) FAKE_EVENT_STUBS(DocumentTitleChanged) FAKE_STUB(get_DocumentTitle, LPWSTR*)
};

struct Controller : Com<ICoreWebView2Controller> {
  WebView* webView = nullptr;
  std::vector<std::string> calls;
  RECT bounds = {};
  double zoom = 0;
  HRESULT STDMETHODCALLTYPE put_Bounds(RECT r) override {
    bounds = r;
    calls.push_back("bounds");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_ZoomFactor(double z) override {
    zoom = z;
    calls.push_back("zoom");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON r) override {
    calls.push_back(r == COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC ? "focus" : "focus?");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Close() override {
    calls.push_back("close");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** out) override {
    webView->AddRef();
    *out = webView;
    return S_OK;
  }
  FAKE_STUB(get_IsVisible, BOOL*) FAKE_STUB(put_IsVisible, BOOL) FAKE_STUB(get_Bounds, RECT*)
  FAKE_STUB(get_ZoomFactor, double*) FAKE_EVENT_STUBS(ZoomFactorChanged) FAKE_STUB(SetBoundsAndZoomFactor, RECT, double)
  FAKE_EVENT_STUBS(MoveFocusRequested) FAKE_EVENT_STUBS(GotFocus) FAKE_EVENT_STUBS(LostFocus)
  FAKE_EVENT_STUBS(AcceleratorKeyPressed) FAKE_STUB(get_ParentWindow, HWND*)
  FAKE_STUB(put_ParentWindow, HWND) FAKE_STUB(NotifyParentWindowPositionChanged)
};

// The environment completes the controller at once, as the runtime does later from the message loop.
struct Environment : Com<ICoreWebView2Environment> {
  Controller* controller = nullptr;
  HWND parent = nullptr;
  HRESULT controllerAnswer = S_OK;  // what the dialog answered the controller completion with
  HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND p, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override {
    parent = p;
    controllerAnswer = handler->Invoke(S_OK, controller);
    return S_OK;
  }
  FAKE_STUB(CreateWebResourceResponse, IStream*, int, LPCWSTR, LPCWSTR, IUnknown**)
  FAKE_STUB(get_BrowserVersionString, LPWSTR*) FAKE_EVENT_STUBS(NewBrowserVersionAvailable)
};

#undef FAKE_EVENT_STUBS
#undef FAKE_STUB

}  // namespace fakes
