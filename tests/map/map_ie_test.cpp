// The Internet Explorer map dialog's window.external: argument coercion and refused calls; and the map
// dialogs of both variants running on without a map when there is nothing to render with (Wine here).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tavrin/driveviews/map_dialog_ie.h"
#include "tavrin/driveviews/map_setup.h"
#include "tavrin/driveviews/map_host_values.h"
#include "tavrin/driveviews/map_wrap.h"
#include "map_fake_host.h"

using namespace driveviews;

using namespace maptest;

TEST(MapExternal, CoercesArgumentsAndKeepsTheirOrder) {
  quill::com::ComPtr<MapExternalDispatch> holder = MapExternalDispatch::Make();
  MapExternalDispatch& external = *holder.get();
  RecordingHost host;
  external.SetHostFuncs(&host);
  VARIANT r;
  VariantInit(&r);
  // A script passes whole numbers as integers and may pass texts: all arrive as the declared types.
  ASSERT_EQ(Call(&external, L"JS2C_OnClickCrashPoint",
                 {I4(0), Str(L"7"), I4(12000), R8(1.0), I4(35), Str(L"139.5"), R8(42.25), I4(0)}, &r),
            S_OK);
  EXPECT_EQ(host.ints, (std::vector<int>{0, 7, 12000, 1}));
  EXPECT_EQ(host.doubles, (std::vector<double>{35.0, 139.5, 42.25, 0.0}));

  ASSERT_EQ(Call(&external, L"JS2C_GetGridData", {I4(3)}, &r), S_OK);
  EXPECT_EQ(host.grid, L"3");
  EXPECT_EQ(r.vt, VT_ARRAY | VT_VARIANT);
  VariantClear(&r);
  ASSERT_EQ(Call(&external, L"JS2C_GetRcString", {R8(3.0)}, &r), S_OK);
  ASSERT_EQ(r.vt, VT_BSTR);
  EXPECT_STREQ(r.bstrVal, L"rc3");
  VariantClear(&r);
  ASSERT_EQ(Call(&external, L"JS2C_ConnectTest", {}, &r), S_OK);
  EXPECT_EQ(r.vt, VT_BOOL);
  EXPECT_EQ(r.boolVal, VARIANT_TRUE);
  ASSERT_EQ(Call(&external, L"JS2C_DEBLOG", {Str(L"hello")}, nullptr), S_OK);
  EXPECT_EQ(host.log, L"hello");
}

TEST(MapExternal, RefusesWrongCallsWithoutCallingTheHost) {
  quill::com::ComPtr<MapExternalDispatch> holder = MapExternalDispatch::Make();
  MapExternalDispatch& external = *holder.get();
  VARIANT r;
  VariantInit(&r);
  // Before the host is set the page's calls are answered with nothing.
  ASSERT_EQ(Call(&external, L"JS2C_ConnectTest", {}, &r), S_OK);
  EXPECT_EQ(r.boolVal, VARIANT_FALSE);
  ASSERT_EQ(Call(&external, L"JS2C_OnClickCrashPoint", {I4(0), I4(0), I4(5), I4(1), R8(1), R8(2), R8(3), R8(4)},
                 &r), S_OK);
  RecordingHost host;
  external.SetHostFuncs(&host);
  EXPECT_EQ(Call(&external, L"JS2C_GetMarkName", {}, &r), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(&external, L"JS2C_GetMarkName", {Str(L"not a number")}, &r), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Call(&external, L"JS2C_OnInitHtml", {I4(1)}, &r), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(host.inits, 0);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(external.Invoke(11, IID_NULL, 0, DISPATCH_METHOD, &none, &r, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(external.Invoke(0, IID_NULL, 0, DISPATCH_METHOD, &none, &r, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
}

namespace {

class OleSession {
 public:
  OleSession() { OleInitialize(nullptr); }
  ~OleSession() { OleUninitialize(); }
};

// Serves the thread's messages until none is left (what the control posted while loading).
void DrainMessages() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

}  // namespace

TEST(MapSetup, TheMainDialogRunsOnWithoutAMapInBothVariants) {
  OleSession ole;
  // Under Wine there is no WebView2 runtime or loader: the system's choice is the Internet Explorer
  // dialog, and neither variant shows a page.
  for (MapVariant variant : {MapVariant::kInternetExplorer, MapVariant::kWebView2}) {
    CWnd frame, owner;
    ASSERT_TRUE(owner.CreateEx(0, L"STATIC", L"main", WS_POPUP, CRect(0, 0, 50, 50), nullptr, 0));
    ASSERT_TRUE(frame.CreateEx(0, L"STATIC", L"map frame", WS_POPUP | WS_CLIPCHILDREN, CRect(0, 0, 374, 430),
                               nullptr, 0));
    CGoogleMapDlgWrap wrap;
    EXPECT_EQ(CreateMapDialog(&wrap, &frame, owner.GetSafeHwnd(), 20, variant), variant);
    ASSERT_NE(wrap.Dialog(), nullptr);
    HWND window = wrap.Dialog()->Window();
    RECT r = {};
    GetWindowRect(window, &r);
    EXPECT_EQ(r.bottom - r.top, 410);
    EXPECT_FALSE(IsWindowVisible(window));
    frame.ShowWindow(SW_SHOWNOACTIVATE);
    EXPECT_TRUE(wrap.Show(true));
    UpdateWindow(window);  // the WebView2 dialog tries its control on the first paint
    DrainMessages();
    wrap.Connectivity().Set(true, true);
    EXPECT_TRUE(wrap.JS2C_ConnectTest());
    wrap.JS2C_OnInitHtml();
    wrap.ResetTrack(0);
    wrap.SetPositionKey(1200);
    wrap.UpdateMarker(kMapPlaying);
    wrap.JS2C_SetSend();
    MSG m;
    EXPECT_TRUE(PeekMessageW(&m, owner.GetSafeHwnd(), kMapReadyMessage, kMapReadyMessage, PM_REMOVE));
    MoveWindow(window, 0, 0, 300, 200, TRUE);
    // Enter and Escape do not close it.
    SendMessageW(window, WM_COMMAND, IDOK, 0);
    SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    DrainMessages();
    EXPECT_TRUE(IsWindow(window));
    wrap.Attach(nullptr);
    EXPECT_FALSE(IsWindow(window));
  }
}
