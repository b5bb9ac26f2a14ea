// The map wrapper: the host functions both pages call, the statements it runs in the page, the two
// messages it posts to the main dialog, showing and hiding, and the choice between the two dialogs.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "playcore/recorder/drive_records.h"
#include "tavrin/driveviews/map_choice.h"
#include "tavrin/driveviews/map_host_values.h"
#include "tavrin/driveviews/map_wrap.h"
#include "tavrin/skin/ui_texts.h"

using namespace driveviews;

namespace {

// A map dialog that records what the wrapper asks of it.
class FakeMapDialog : public IMapDialog {
 public:
  explicit FakeMapDialog(HWND window = nullptr) : window_(window) {}
  HWND Window() const override { return window_; }
  void SetHostFuncs(IHostWebViewFuncs* funcs) override { funcs_ = funcs; }
  void ExecScript(const std::wstring& s) override { scripts.push_back(s); }
  void SetPosition(double lat, double lng) override { latitude = lat, longitude = lng; }
  void SetStatus(const std::wstring& s) override { status = s; }
  void TransferState() override { ++transfers; }
  void SendState() override { ++sends; }

  std::vector<std::wstring> scripts;
  std::wstring status = L"ready";
  double latitude = 0, longitude = 0;
  int transfers = 0, sends = 0;
  IHostWebViewFuncs* funcs_ = nullptr;

 private:
  HWND window_;
};

class FakeTrackSource : public IMapTrackSource {
 public:
  VARIANT RecordingTrack() override { return BuildTrackArray(points.data(), points.size()); }
  VARIANT PlayerTrack() override {
    VARIANT v;
    VariantInit(&v);
    return v;
  }
  std::vector<playcore::sGPSPOINT> points;
};

playcore::sGPSPOINT Point(double lat, double lng, int key, int valid) {
  playcore::sGPSPOINT p = {};
  p.latitude = lat;
  p.longitude = lng;
  p.positionKey = key;
  p.valid = valid;
  return p;
}

// A message-only window standing for the main dialog; the posted messages are read back from it.
class OwnerWindow {
 public:
  OwnerWindow() { hwnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr); }
  ~OwnerWindow() { DestroyWindow(hwnd); }
  std::vector<MSG> Take() {
    std::vector<MSG> out;
    MSG m;
    while (PeekMessageW(&m, hwnd, WM_APP, 0xBFFF, PM_REMOVE)) out.push_back(m);
    return out;
  }
  HWND hwnd;
};

std::wstring Text(BSTR b) {
  std::wstring s = b ? std::wstring(b, SysStringLen(b)) : L"<null>";
  SysFreeString(b);
  return s;
}

struct Fixture {
  Fixture() : source(new FakeTrackSource), wrap(std::unique_ptr<IMapTrackSource>(source)) {
    auto d = std::make_unique<FakeMapDialog>();
    dialog = d.get();
    wrap.Attach(std::move(d));
    wrap.SetOwner(owner.hwnd);
  }
  OwnerWindow owner;
  FakeTrackSource* source;
  CGoogleMapDlgWrap wrap;
  FakeMapDialog* dialog;
};

}  // namespace

TEST(MapWrap, ConnectTestFollowsTheWatcherAndDropsTheReadyPageWhenOffline) {
  struct Case {
    bool known, online;
    BOOL answer;
    bool readyAfter;  // the page was ready before the call
  } cases[] = {
      {false, true, FALSE, true},   // not tested yet: offline, but the page keeps its state
      {true, false, FALSE, false},
      {true, true, TRUE, true},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.wrap.JS2C_OnInitHtml();
    f.wrap.Connectivity().Set(c.known, c.online);
    EXPECT_EQ(f.wrap.JS2C_ConnectTest(), c.answer);
    EXPECT_EQ(f.wrap.PageReady(), c.readyAfter);
  }
}

TEST(MapWrap, ThePageReadyWordFollowsTheMainDialogOnlyWhileThePageIsInitialised) {
  Fixture f;
  f.wrap.SetPageReady(true);
  EXPECT_FALSE(f.wrap.PageReady()) << "a page that never reported ready takes no track";
  f.wrap.JS2C_OnInitHtml();
  EXPECT_TRUE(f.wrap.PageReady());
  f.wrap.SetPageReady(false);  // a recording opens
  EXPECT_FALSE(f.wrap.PageReady());
  EXPECT_TRUE(f.wrap.PageInitialised());
  f.wrap.ResetTrack(1);
  EXPECT_TRUE(f.dialog->scripts.empty()) << "nothing of the old track while the new one opens";
  f.wrap.SetPageReady(true);  // the new recording plays
  EXPECT_TRUE(f.wrap.PageReady());
  // Offline the page forgets its map: neither word comes back before it reports ready again.
  f.wrap.Connectivity().Set(true, false);
  EXPECT_FALSE(f.wrap.JS2C_ConnectTest());
  EXPECT_FALSE(f.wrap.PageInitialised());
  f.wrap.SetPageReady(true);
  EXPECT_FALSE(f.wrap.PageReady());
  f.wrap.Connectivity().Set(true, true);
  EXPECT_TRUE(f.wrap.Online());
  f.wrap.JS2C_OnInitHtml();
  EXPECT_TRUE(f.wrap.PageReady());
}

TEST(MapWrap, RemembersTheLastMarkerStateItHandedOver) {
  Fixture f;
  EXPECT_EQ(f.wrap.MarkerState(), kMapStopped);
  for (int state : {int{kMapPlaying}, int{kMapPaused}, 7, int{kMapStopped}, int{kMapPlaying}}) {
    const int before = f.wrap.MarkerState();
    f.wrap.UpdateMarker(state);
    EXPECT_EQ(f.wrap.MarkerState(), state == 7 ? before : state) << state;
  }
}

TEST(MapWrap, PostsTheReadyAndSeekMessagesToTheOwner) {
  Fixture f;
  f.wrap.JS2C_OnInitHtml();
  f.wrap.JS2C_OnClickCrashPoint(0, 7, 12000, 1, 35.0, 139.0, 40.0, 0.0);
  std::vector<MSG> got = f.owner.Take();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].message, kMapReadyMessage);
  EXPECT_EQ(got[1].message, kMapReadyMessage + 1);
  EXPECT_EQ(got[1].wParam, 0u);
  EXPECT_EQ(got[1].lParam, 12000);

  f.wrap.SetOwner(nullptr);
  f.wrap.JS2C_OnClickCrashPoint(0, 0, 5, 1, 0, 0, 0, 0);
  EXPECT_TRUE(f.owner.Take().empty());
}

TEST(MapWrap, ResetTrackRunsItsFourStatementsOnlyOnceThePageIsReady) {
  Fixture f;
  f.wrap.ResetTrack(3);
  EXPECT_TRUE(f.dialog->scripts.empty());
  f.wrap.JS2C_OnInitHtml();
  f.wrap.ResetTrack(3);
  EXPECT_EQ(f.dialog->scripts, (std::vector<std::wstring>{L"cplist.ClearCrashPos()", L"orbitgrplist.RemoveLineList()",
                                                          L"orbitgrplist.CreateLine()",
                                                          L"orbitgrplist.CreateGridLine(3)"}));
}

TEST(MapWrap, UpdateMarkerSetsTheStatusAndHandsTheStateOver) {
  struct Case {
    int state;
    const wchar_t* status;
    bool moves;
  } cases[] = {{0, L"", false}, {1, L"pause", false}, {2, L"stop", true}, {3, L"ready", false}};
  for (const Case& c : cases) {
    Fixture f;
    f.wrap.UpdateMarker(c.state);
    EXPECT_EQ(f.dialog->status, c.status) << c.state;
    EXPECT_EQ(f.dialog->transfers, 1);
    EXPECT_EQ(f.dialog->scripts.size(), c.moves ? 1u : 0u);
    if (c.moves) {
      EXPECT_EQ(f.dialog->scripts[0], L"orbitgrplist.MoveMarker()");
    }
  }
}

TEST(MapWrap, AnswersTheTrackPositionTextsAndAddress) {
  Fixture f;
  f.source->points = {Point(35.0, 139.0, 100, 1), Point(99.0, 99.0, 200, 0), Point(35.5, 139.5, 300, 1)};
  VARIANT v = f.wrap.JS2C_GetGPSData();
  ASSERT_EQ(v.vt, VT_ARRAY | VT_VARIANT);
  LONG lo = 0, hi = 0;
  SafeArrayGetLBound(v.parray, 1, &lo);
  SafeArrayGetUBound(v.parray, 1, &hi);
  ASSERT_EQ(hi - lo + 1, 7);
  VARTYPE types[] = {VT_R8, VT_R8, VT_I4, VT_R8, VT_R8, VT_I4, VT_I4};
  double values[] = {35.0, 139.0, 100, 35.5, 139.5, 300, 6};
  for (LONG i = 0; i < 7; ++i) {
    VARIANT e;
    VariantInit(&e);
    ASSERT_EQ(SafeArrayGetElement(v.parray, &i, &e), S_OK);
    EXPECT_EQ(e.vt, types[i]) << i;
    EXPECT_EQ(e.vt == VT_R8 ? e.dblVal : e.lVal, values[i]) << i;
    VariantClear(&e);
  }
  VariantClear(&v);

  f.source->points.clear();
  v = f.wrap.JS2C_GetGPSData();
  LONG zero = 0;
  VARIANT only;
  VariantInit(&only);
  SafeArrayGetUBound(v.parray, 1, &hi);
  EXPECT_EQ(hi, 0);
  SafeArrayGetElement(v.parray, &zero, &only);
  EXPECT_EQ(only.vt, VT_I4);
  EXPECT_EQ(only.lVal, 0);
  VariantClear(&v);

  EXPECT_EQ(Text(f.wrap.JS2C_GetRelJpgNum()), L"-1");
  f.wrap.SetPositionKey(-123456);
  EXPECT_EQ(Text(f.wrap.JS2C_GetRelJpgNum()), L"-123456");
  // The project ships no key: the page gets no address and stays without a map.
  EXPECT_EQ(Text(f.wrap.JS2C_GetMapURL()), L"");
}

TEST(MapHostValues, NamesEventKindsAndUiTextsWithinTheirTables) {
  g_nLanguage = 0;
  EXPECT_NE(MarkName(13), L"");
  for (int i : {-1, 14, 1000}) EXPECT_EQ(MarkName(i), L"") << i;
  for (int i : {-1, 212, 259, 260, 0x7FFFFFFF}) EXPECT_EQ(RcString(i), L"") << i;
}

TEST(MapHostValues, BuildsTheScriptAddressOnlyFromASafeKey) {
  std::string key39(39, 'A');
  struct Case {
    std::string key;
    bool accepted;
  } cases[] = {{"", false}, {key39, true}, {"abc-DEF_123", true}, {"abc&callback=evil", false},
               {"a b", false}, {"a\"b", false}, {std::string(64, 'k'), true}, {std::string(65, 'k'), false}};
  for (const Case& c : cases) {
    std::wstring url = MapScriptUrl(c.key);
    EXPECT_EQ(!url.empty(), c.accepted) << c.key;
  }
}

TEST(MapWrap, ShowChangesOnlyWhatIsNotAlreadySo) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 50, 50, parent, nullptr, nullptr, nullptr);
  ShowWindow(parent, SW_SHOWNOACTIVATE);
  CGoogleMapDlgWrap wrap(std::make_unique<FakeTrackSource>());
  wrap.Attach(std::make_unique<FakeMapDialog>(child));
  EXPECT_FALSE(wrap.Show(false));          // hidden already
  EXPECT_TRUE(wrap.Show(true));
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_FALSE(wrap.Show(true));           // shown already
  EXPECT_TRUE(wrap.Show(false));
  EXPECT_FALSE(IsWindowVisible(child));
  ShowWindow(child, SW_SHOW);              // visible, but the wrapper's flag is clear
  EXPECT_FALSE(wrap.Show(true));
  ShowWindow(child, SW_HIDE);
  // The frame around it hidden (another size step): the dialog is still shown and hidden in it.
  ShowWindow(parent, SW_HIDE);
  EXPECT_TRUE(wrap.Show(true));
  EXPECT_TRUE(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(wrap.Show(false));
  EXPECT_FALSE(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE);
  wrap.Attach(nullptr);
  DestroyWindow(parent);

  CGoogleMapDlgWrap none(std::make_unique<FakeTrackSource>());
  EXPECT_TRUE(none.Show(true));            // without a dialog only the flag changes
  EXPECT_FALSE(none.Show(false));
}

TEST(MapChoice, TakesWebView2OnlyForAnInstalledRuntimeWithItsLoader) {
  RuntimeKey none;
  RuntimeKey left{true, L""}, zeros{true, L"0.0.0.0"}, real{true, L"120.0.2210.91"};
  struct Case {
    RuntimeKey user, machine;
    bool loader;
    MapVariant expected;
  } cases[] = {
      {none, none, true, MapVariant::kInternetExplorer},
      {left, none, true, MapVariant::kInternetExplorer},   // a key left behind by an uninstall
      {none, zeros, true, MapVariant::kInternetExplorer},
      {real, none, true, MapVariant::kWebView2},
      {none, real, true, MapVariant::kWebView2},
      {real, real, false, MapVariant::kInternetExplorer},  // no loader beside the program
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseMapVariant(c.user, c.machine, c.loader), c.expected);
}

TEST(MapChoice, ReadsTheRuntimeVersionFromTheRegistry) {
  const wchar_t* path = L"Software\\QuillmereTests\\MapChoice";
  RegDeleteKeyW(HKEY_CURRENT_USER, path);
  EXPECT_FALSE(ReadRuntimeKey(HKEY_CURRENT_USER, path).opened);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RuntimeKey empty = ReadRuntimeKey(HKEY_CURRENT_USER, path);
  EXPECT_TRUE(empty.opened);
  EXPECT_EQ(empty.version, L"");
  // Stored without its closing zero: the reader still ends the text.
  const wchar_t version[] = L"120.0.1";
  RegSetValueExW(key, L"pv", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), 7 * sizeof(wchar_t));
  EXPECT_EQ(ReadRuntimeKey(HKEY_CURRENT_USER, path).version, L"120.0.1");
  RegCloseKey(key);
  RegDeleteKeyW(HKEY_CURRENT_USER, path);
  // This build carries no loader, and the test bed has no runtime: the Internet Explorer dialog.
  EXPECT_EQ(ChooseMapVariantOnThisSystem(), MapVariant::kInternetExplorer);
}
