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
  quill::com::ComPtr<ICoreWebView2NavigationStartingEventHandler> onNavigation;
  quill::com::ComPtr<ICoreWebView2WebMessageReceivedEventHandler> onMessage;
  int removedNavigation = 0, removedMessage = 0;

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
    onNavigation = quill::com::ComPtr<ICoreWebView2NavigationStartingEventHandler>::Borrow(h);
    t->value = 11;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken t) override {
    removedNavigation += t.value == 11;
    onNavigation.reset();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* h,
                                                   EventRegistrationToken* t) override {
    onMessage = quill::com::ComPtr<ICoreWebView2WebMessageReceivedEventHandler>::Borrow(h);
    t->value = 22;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken t) override {
    removedMessage += t.value == 22;
    onMessage.reset();
    return S_OK;
  }
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
  FAKE_STUB(add_ContentLoading, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_ContentLoading, EventRegistrationToken)
  FAKE_STUB(add_SourceChanged, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_SourceChanged, EventRegistrationToken)
  FAKE_STUB(add_HistoryChanged, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_HistoryChanged, EventRegistrationToken)
  FAKE_STUB(add_NavigationCompleted, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_NavigationCompleted, EventRegistrationToken)
  FAKE_STUB(add_FrameNavigationStarting, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_FrameNavigationStarting, EventRegistrationToken)
  FAKE_STUB(add_FrameNavigationCompleted, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_FrameNavigationCompleted, EventRegistrationToken)
  FAKE_STUB(add_ScriptDialogOpening, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_ScriptDialogOpening, EventRegistrationToken)
  FAKE_STUB(add_PermissionRequested, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_PermissionRequested, EventRegistrationToken)
  FAKE_STUB(add_ProcessFailed, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_ProcessFailed, EventRegistrationToken)
  FAKE_STUB(AddScriptToExecuteOnDocumentCreated, LPCWSTR, IUnknown*)
  FAKE_STUB(RemoveScriptToExecuteOnDocumentCreated, LPCWSTR) FAKE_STUB(CapturePreview, int, IStream*, IUnknown*)
  FAKE_STUB(Reload) FAKE_STUB(PostWebMessageAsString, LPCWSTR)
  FAKE_STUB(CallDevToolsProtocolMethod, LPCWSTR, LPCWSTR, IUnknown*) FAKE_STUB(get_BrowserProcessId, UINT32*)
  FAKE_STUB(get_CanGoBack, BOOL*) FAKE_STUB(get_CanGoForward, BOOL*) FAKE_STUB(GoBack) FAKE_STUB(GoForward)
  FAKE_STUB(GetDevToolsProtocolEventReceiver, LPCWSTR, IUnknown**) FAKE_STUB(Stop)
  FAKE_STUB(add_NewWindowRequested, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_NewWindowRequested, EventRegistrationToken)
  FAKE_STUB(add_DocumentTitleChanged, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_DocumentTitleChanged, EventRegistrationToken) FAKE_STUB(get_DocumentTitle, LPWSTR*)
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
  FAKE_STUB(get_ZoomFactor, double*) FAKE_STUB(add_ZoomFactorChanged, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_ZoomFactorChanged, EventRegistrationToken) FAKE_STUB(SetBoundsAndZoomFactor, RECT, double)
  FAKE_STUB(add_MoveFocusRequested, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_MoveFocusRequested, EventRegistrationToken)
  FAKE_STUB(add_GotFocus, IUnknown*, EventRegistrationToken*) FAKE_STUB(remove_GotFocus, EventRegistrationToken)
  FAKE_STUB(add_LostFocus, IUnknown*, EventRegistrationToken*) FAKE_STUB(remove_LostFocus, EventRegistrationToken)
  FAKE_STUB(add_AcceleratorKeyPressed, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_AcceleratorKeyPressed, EventRegistrationToken) FAKE_STUB(get_ParentWindow, HWND*)
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
  FAKE_STUB(get_BrowserVersionString, LPWSTR*)
  FAKE_STUB(add_NewBrowserVersionAvailable, IUnknown*, EventRegistrationToken*)
  FAKE_STUB(remove_NewBrowserVersionAvailable, EventRegistrationToken)
};

#undef FAKE_STUB

}  // namespace fakes
