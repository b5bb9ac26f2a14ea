// The WebView2 map dialog against fake environment, controller and web view objects, and the host
// object through the type library embedded in this test program (TYPELIB 1).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "map_fake_host.h"
#include "map_webview_fakes.h"
#include "res/map_res.h"
#include "tavrin/driveviews/map_dialog_webview.h"
#include "tavrin/driveviews/map_host_values.h"
#include "tavrin/driveviews/map_wrap.h"

using namespace driveviews;
using namespace maptest;

namespace {

// What the fake loader function saw, and the environment it completes with.
struct LoaderCall {
  fakes::Environment* environment = nullptr;
  std::wstring userDataFolder, targetVersion;
  BOOL singleSignOn = TRUE;
  HRESULT environmentAnswer = S_OK;
  int calls = 0;
  // Holding: the environment completes only when the test says so, as the runtime does later.
  bool hold = false;
  quill::com::ComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> pending;
} g_loader;

HRESULT STDAPICALLTYPE FakeCreateEnvironment(PCWSTR, PCWSTR folder, ICoreWebView2EnvironmentOptions* options,
                                             ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  ++g_loader.calls;
  g_loader.userDataFolder = folder ? folder : L"";
  LPWSTR version = nullptr;
  options->get_TargetCompatibleBrowserVersion(&version);
  g_loader.targetVersion = version ? version : L"";
  CoTaskMemFree(version);
  options->get_AllowSingleSignOnUsingOSPrimaryAccount(&g_loader.singleSignOn);
  if (g_loader.hold) {
    g_loader.pending.reset();
    g_loader.pending = decltype(g_loader.pending)::Borrow(handler);
    return S_OK;
  }
  g_loader.environmentAnswer = handler->Invoke(S_OK, g_loader.environment);
  return S_OK;
}

class OleSession {
 public:
  OleSession() { OleInitialize(nullptr); }
  ~OleSession() { OleUninitialize(); }
};

std::wstring PageResource() {
  HRSRC r = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_MAP_PAGE_WEBVIEW), MAKEINTRESOURCEW(23));
  DWORD size = SizeofResource(nullptr, r);
  auto* p = static_cast<const wchar_t*>(LockResource(LoadResource(nullptr, r)));
  return std::wstring(p, size / sizeof(wchar_t));
}

// A map frame with the WebView2 dialog in it, the fakes wired up, and the control started by the
// dialog's first erase.
struct WebViewStage {
  WebViewStage() {
    controller.webView = &webView;
    environment.controller = &controller;
    g_loader = LoaderCall{};
    g_loader.environment = &environment;
    frame.CreateEx(0, L"STATIC", L"map frame", WS_POPUP | WS_CLIPCHILDREN, CRect(0, 0, 374, 430), nullptr, 0);
    auto d = std::make_unique<CGoogleMapDlg2>(nullptr, &FakeCreateEnvironment);
    dialog = d.get();
    dialog->CreateMap(&frame);
    MoveWindow(dialog->Window(), 0, 20, 374, 410, FALSE);
    wrap.Attach(std::move(d));
    wrap.SetOwner(nullptr);
  }
  void Erase() {
    HDC dc = GetDC(dialog->Window());
    SendMessageW(dialog->Window(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(dialog->Window(), dc);
  }
  OleSession ole;
  fakes::WebView webView;
  fakes::Controller controller;
  fakes::Environment environment;
  CWnd frame;
  CGoogleMapDlgWrap wrap;
  CGoogleMapDlg2* dialog = nullptr;
};

}  // namespace

TEST(MapWebViewDialog, StartsTheControlOnItsFirstPaintAndLoadsThePage) {
  WebViewStage s;
  EXPECT_EQ(g_loader.calls, 0);
  s.Erase();
  s.Erase();
  EXPECT_EQ(g_loader.calls, 1);
  EXPECT_EQ(g_loader.targetVersion, L"92.0.902.49");
  EXPECT_EQ(g_loader.singleSignOn, FALSE);
  EXPECT_NE(g_loader.userDataFolder.find(L"\\Quillmere\\WebView2"), std::wstring::npos);
  EXPECT_EQ(s.environment.parent, s.dialog->Window());
  EXPECT_EQ(s.environment.controllerAnswer, S_OK);
  EXPECT_EQ(s.webView.settings.calls, (std::vector<std::string>{"script=1", "dialogs=1", "webmessage=1"}));
  EXPECT_EQ(s.controller.calls, (std::vector<std::string>{"bounds", "zoom"})) << "hidden: no keyboard focus";
  EXPECT_EQ(s.controller.bounds.bottom, 410);
  ASSERT_EQ(s.webView.navigated.size(), 1u);
  std::wstring page = PageResource();
  EXPECT_EQ(s.webView.navigated[0], page.c_str());  // all of the page, up to a closing zero
  EXPECT_EQ(s.webView.navigated[0].size(), page.size());
  EXPECT_TRUE(s.webView.message.handler);
  // It follows the dialog's size at its zoom.
  s.controller.calls.clear();
  MoveWindow(s.dialog->Window(), 0, 20, 300, 200, TRUE);
  EXPECT_EQ(s.controller.calls, (std::vector<std::string>{"bounds", "zoom"}));
  EXPECT_EQ(s.controller.bounds.right, 300);
  EXPECT_EQ(s.controller.bounds.bottom, 200);
}

TEST(MapWebViewDialog, StartsTheControlWhileTheDialogIsStillHidden) {
  // The map frame holds the dialog hidden until the map-or-logo rule shows it; the page must be ready by
  // then, so the chain cannot wait for a paint a hidden window never gets.
  WebViewStage s;
  ASSERT_FALSE(IsWindowVisible(s.dialog->Window()));
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  EXPECT_FALSE(GetWindowLongW(s.dialog->Window(), GWL_STYLE) & WS_VISIBLE) << "nothing showed it";
  EXPECT_EQ(g_loader.calls, 1);
  EXPECT_EQ(s.environment.parent, s.dialog->Window());
  ASSERT_EQ(s.webView.navigated.size(), 1u) << "the page is loading";
  EXPECT_EQ(s.controller.bounds.bottom, 410) << "at the size the creator gave the dialog";
  EXPECT_EQ(std::count(s.controller.calls.begin(), s.controller.calls.end(), "focus"), 0)
      << "a hidden control leaves the keyboard to the main window";
  // A later paint starts nothing more.
  s.Erase();
  EXPECT_EQ(g_loader.calls, 1);
}

TEST(MapWebViewDialog, KeepsItsProfileInAUserFolderEvenWhenTheUsualOneIsUnknown) {
  const struct {
    const wchar_t *local, *temp, *folder;
  } cases[] = {
      {L"C:\\Users\\u\\AppData\\Local", L"C:\\Temp\\", L"C:\\Users\\u\\AppData\\Local\\Quillmere\\WebView2"},
      {L"", L"C:\\Temp\\", L"C:\\Temp\\Quillmere\\WebView2"},
      {L"", L"", L""},  // no folder at all: the control is not started
  };
  for (const auto& c : cases) EXPECT_EQ(UserDataFolderIn(c.local, c.temp), c.folder) << c.local << c.temp;
}

TEST(MapWebViewDialog, GivesTheHostObjectToItsOwnPageOnlyAndKeepsLinksOut) {
  WebViewStage s;
  s.Erase();
  ASSERT_TRUE(s.webView.navigation.handler);
  fakes::NavigationArgs own, away;
  away.uri = L"https://example.invalid/elsewhere";
  EXPECT_EQ(s.webView.navigation.handler->Invoke(&s.webView, &own), S_OK);
  EXPECT_EQ(s.webView.navigation.handler->Invoke(&s.webView, &away), S_OK);
  EXPECT_EQ(s.webView.hostObjects, (std::vector<std::wstring>{L"sample"}));
  EXPECT_EQ(s.webView.hostObjectTypes, (std::vector<VARTYPE>{VT_DISPATCH}));
  EXPECT_FALSE(own.cancel);
  EXPECT_TRUE(away.cancel);
  // Destroyed, it takes its handlers and the host object back and closes the control.
  s.wrap.Attach(nullptr);
  EXPECT_EQ(s.webView.removedHostObjects, (std::vector<std::wstring>{L"sample"}));
  EXPECT_EQ(s.webView.navigation.removed, 1);
  EXPECT_EQ(s.webView.message.removed, 1);
  EXPECT_EQ(s.controller.calls.back(), "close");
}

TEST(MapWebViewDialog, RecoversWhenTheRuntimesRendererOrBrowserProcessFails) {
  WebViewStage s;
  s.Erase();
  ASSERT_EQ(s.webView.navigated.size(), 1u);
  fakes::NavigationArgs first;
  s.webView.navigation.handler->Invoke(&s.webView, &first);
  const auto pump = [] {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  };
  // The renderer ended: the page is loaded again as the program's own navigation, host object kept.
  fakes::ProcessFailedArgs renderer;
  ASSERT_TRUE(s.webView.failure.handler);
  EXPECT_EQ(s.webView.failure.handler->Invoke(&s.webView, &renderer), S_OK);
  pump();
  ASSERT_EQ(s.webView.navigated.size(), 2u);
  fakes::NavigationArgs again;
  s.webView.navigation.handler->Invoke(&s.webView, &again);
  EXPECT_FALSE(again.cancel) << "the page after the crash is not refused";
  EXPECT_EQ(s.webView.hostObjects.size(), 1u);
  // A helper process of the runtime: nothing to do.
  fakes::ProcessFailedArgs helper;
  helper.kind = static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(4);
  s.webView.failure.handler->Invoke(&s.webView, &helper);
  pump();
  EXPECT_EQ(s.webView.navigated.size(), 2u);
  // The browser process ended: the old control is closed and the whole chain made again.
  fakes::ProcessFailedArgs browser;
  browser.kind = COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED;
  s.webView.failure.handler->Invoke(&s.webView, &browser);
  pump();
  EXPECT_EQ(g_loader.calls, 2);
  EXPECT_NE(std::find(s.controller.calls.begin(), s.controller.calls.end(), "close"), s.controller.calls.end());
  ASSERT_EQ(s.webView.navigated.size(), 3u);
  fakes::NavigationArgs fresh;
  s.webView.navigation.handler->Invoke(&s.webView, &fresh);
  EXPECT_FALSE(fresh.cancel);
  EXPECT_EQ(s.webView.hostObjects.size(), 2u) << "the new control gets the host object again";
}

TEST(MapWebViewDialog, EndsTheChainQuietlyWhenASettingFails) {
  WebViewStage s;
  s.webView.failSettings = true;
  s.Erase();
  EXPECT_EQ(s.environment.controllerAnswer, E_FAIL);
  EXPECT_TRUE(s.webView.navigated.empty());
  EXPECT_TRUE(s.webView.hostObjects.empty());
  EXPECT_TRUE(IsWindow(s.dialog->Window()));
}

TEST(MapWebViewDialog, SendsTheStateAsAnEscapedMessageWhenThePageAsks) {
  WebViewStage s;
  s.wrap.SetPosition(35.0, 139.5);
  s.wrap.UpdateMarker(kMapPaused);
  s.wrap.JS2C_SetSend();
  EXPECT_TRUE(s.webView.posted.empty());  // no web view yet
  s.Erase();
  s.wrap.JS2C_SetSend();
  ASSERT_EQ(s.webView.posted.size(), 1u);
  EXPECT_EQ(s.webView.posted[0], L"{\"map_lat\":\"35.000000\",\"map_lng\":\"139.500000\",\"map_status\":\"pause\","
                                 L"\"val_command\":\"update\",\"val_end\":\"\"}");
  s.dialog->SetStatus(L"\"}");
  s.wrap.JS2C_SetSend();
  EXPECT_NE(s.webView.posted[1].find(L"\"map_status\":\"\\\"}\""), std::wstring::npos);

  s.wrap.JS2C_OnInitHtml();
  s.wrap.ResetTrack(0);
  EXPECT_EQ(s.webView.scripts.size(), 4u);
}

TEST(MapWebViewDialog, KeepsTheReceivedStateAndLeavesMissingMembersAlone) {
  WebViewStage s;
  s.Erase();
  fakes::MessageArgs first, second;
  first.json = L"{\"map_lat\":\"35.1\",\"map_lng\":\"139.2\",\"map_status\":\"pause\"}";
  second.json = L"{\"map_lat\":\"36.0\",\"map_lng\":\"140.0\"}";
  ASSERT_TRUE(s.webView.message.handler);
  s.webView.message.handler->Invoke(&s.webView, &first);
  s.webView.message.handler->Invoke(&s.webView, &second);
  CWebView2Holder& h = s.dialog->Holder();
  EXPECT_EQ(h.ReceivedLatitude(), L"36.0");
  EXPECT_EQ(h.ReceivedLongitude(), L"140.0");
  EXPECT_EQ(h.ReceivedStatus(), L"pause");
}

// ---- The host object ----

namespace {

// A callback that counts its calls and references.
class CountingCallback : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    calls += id == DISPID_UNKNOWN && flags == DISPATCH_METHOD && p && p->cArgs == 0;
    return S_OK;
  }
  ULONG refs = 1;
  int calls = 0;
};

}  // namespace

TEST(MapHostObject, DescribesItselfThroughTheEmbeddedTypeLibrary) {
  auto object = HostWebViewObject::Make(nullptr, nullptr);
  quill::com::ComPtr<ITypeInfo> info;
  ASSERT_EQ(object->GetTypeInfo(0, 0, info.put()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IHostWebViewObject));
  EXPECT_EQ(attr->cFuncs, 10);
  info->ReleaseTypeAttr(attr);
}

TEST(MapHostObject, DispatchesThePagesCallsWithCoercedArguments) {
  RecordingHost host;
  auto object = HostWebViewObject::Make(&host, nullptr);
  IDispatch* d = static_cast<IDispatch*>(object.get());
  VARIANT r;
  VariantInit(&r);
  ASSERT_EQ(Call(d, L"JS2C_GetRelJpgNum", {}, &r), S_OK);
  ASSERT_EQ(r.vt, VT_BSTR);
  EXPECT_STREQ(r.bstrVal, L"4200");
  VariantClear(&r);
  ASSERT_EQ(Call(d, L"JS2C_OnClickCrashPoint",
                         {I4(0), I4(3), I4(12000), I4(1), I4(35), R8(139.5), R8(40.0), R8(0.0)}, &r),
            S_OK);
  EXPECT_EQ(host.ints, (std::vector<int>{0, 3, 12000, 1}));
  EXPECT_EQ(host.doubles, (std::vector<double>{35.0, 139.5, 40.0, 0.0}));
  ASSERT_EQ(Call(d, L"JS2C_GetGPSData", {}, &r), S_OK);
  EXPECT_EQ(r.vt, VT_ARRAY | VT_VARIANT);
  VariantClear(&r);
  ASSERT_EQ(Call(d, L"JS2C_GetGridData", {I4(5)}, &r), S_OK);
  EXPECT_EQ(host.grid, L"-1");  // a non-zero grid as the automation boolean's text
  ASSERT_EQ(Call(d, L"JS2C_OnInitHtml", {}, &r), S_OK);
  EXPECT_EQ(host.inits, 1);

  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"JS2C_GetMarkName")};
  DISPID id = 0;
  EXPECT_EQ(d->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
}

TEST(MapHostObject, LeavesResultsAloneWithoutHostFunctions) {
  auto object = HostWebViewObject::Make(nullptr, nullptr);
  BOOL online = 7;
  EXPECT_EQ(object->JS2C_ConnectTest(&online), S_OK);
  EXPECT_EQ(online, 7);
  EXPECT_EQ(object->CallCallbackAsynchronously(nullptr), DISP_E_PARAMNOTFOUND);
}

// A host whose every answer fails the way building a text can: out of memory, or anything else.
class ThrowingHost : public RecordingHost {
 public:
  BOOL JS2C_ConnectTest() override { throw std::bad_alloc(); }
  BSTR JS2C_GetMapURL() override { throw std::bad_alloc(); }
  BSTR JS2C_GetRelJpgNum() override { throw 7; }
  void JS2C_OnInitHtml() override { throw std::runtime_error("init"); }
};

TEST(MapHostObject, NeverLetsAnExceptionOfTheHostReachTheRuntime) {
  ThrowingHost host;
  auto object = HostWebViewObject::Make(&host, nullptr);
  BOOL online = FALSE;
  BSTR text = nullptr;
  EXPECT_EQ(object->JS2C_ConnectTest(&online), E_OUTOFMEMORY);
  EXPECT_EQ(object->JS2C_GetMapURL(&text), E_OUTOFMEMORY);
  EXPECT_EQ(object->JS2C_GetRelJpgNum(&text), E_UNEXPECTED);
  EXPECT_EQ(object->JS2C_OnInitHtml(), E_UNEXPECTED);
  EXPECT_EQ(text, nullptr);
}

TEST(MapHostObject, RunsAHeldCallbackOnceFromTheDialogsQueueAndReleasesIt) {
  WebViewStage s;
  CountingCallback callback;
  auto object = HostWebViewObject::Make(&s.wrap, s.dialog->Runner());
  ASSERT_EQ(object->CallCallbackAsynchronously(&callback), S_OK);
  EXPECT_EQ(callback.refs, 2u);  // held until it has run
  EXPECT_EQ(callback.calls, 0);
  MSG m;
  int posted = 0;
  while (PeekMessageW(&m, s.dialog->Window(), quill::msg::kRunHeldCall, quill::msg::kRunHeldCall, PM_REMOVE)) {
    ++posted;
    DispatchMessageW(&m);
  }
  EXPECT_EQ(posted, 1);
  EXPECT_EQ(callback.calls, 1);
  EXPECT_EQ(callback.refs, 1u);

  // A call still queued when the dialog goes is freed with it, unrun.
  ASSERT_EQ(object->CallCallbackAsynchronously(&callback), S_OK);
  EXPECT_EQ(callback.refs, 2u);
  s.wrap.Attach(nullptr);
  EXPECT_EQ(callback.refs, 1u);
  EXPECT_EQ(callback.calls, 1);
}

TEST(MapWebViewDialog, IgnoresACompletionThatArrivesAfterTheDialogWentAway) {
  WebViewStage s;
  g_loader.hold = true;
  s.Erase();
  ASSERT_TRUE(g_loader.pending);
  s.wrap.Attach(nullptr);  // the dialog and its holder go
  EXPECT_EQ(g_loader.pending->Invoke(S_OK, &s.environment), S_OK);
  EXPECT_EQ(s.environment.parent, nullptr);
  EXPECT_TRUE(s.webView.navigated.empty());
  g_loader.pending.reset();
}
