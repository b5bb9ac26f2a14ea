// The connectivity watch and the update thread: the map host's flags after the first test, and
// stopping both threads while the update dialog is shown or a connection test hangs.
#include <gtest/gtest.h>

#include <objbase.h>
#include <commctrl.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "tavrin/app/web/connectivity_watch.h"
#include "tavrin/app/web/inet_session.h"
#include "tavrin/app/dialogs/link_ctrl.h"
#include "res/dialogs_res.h"
#include "tavrin/driveviews/map_wrap.h"
#include "tavrin/skin/app_fonts.h"
#include "tests/dialogs/loopback.h"

namespace {

using namespace quill::app;
using quill::test::LoopbackSite;

constexpr DWORD kSafetyNetMs = 60000;  // only catches a hang

CInetConnectionAsync::Config LoopbackConfig(const char* mode) {
  CInetConnectionAsync::Config c;
  c.mapCheckUrl = LoopbackSite("");
  c.update = UpdateAddressesAt(LoopbackSite(mode));
  c.programVersion = L"2.0.2";
  c.intervalMs = 50;
  return c;
}

// Waits on a condition another thread makes true, pumping nothing (the flags are plain values).
template <typename Pred>
bool WaitFor(Pred done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > kSafetyNetMs) return false;
    Sleep(5);
  }
  return true;
}

TEST(ConnectivityWatch, TheMapFlagsAreKnownAfterTheFirstTest) {
  if (LoopbackSite("").empty()) GTEST_SKIP() << "needs the loopback server";
  const std::pair<std::wstring, bool> hosts[] = {{LoopbackSite(""), true}, {L"http://127.0.0.1:9/", false}};
  for (const auto& [url, online] : hosts) {
    driveviews::MapConnectivity flags;
    CInetConnectionAsync::Config c = LoopbackConfig("current");
    c.mapCheckUrl = url;
    CInetConnectionAsync watch(c);
    ASSERT_TRUE(watch.StartConnectivity(ConnectivitySinkFor(flags)));
    ASSERT_TRUE(WaitFor([&] { return flags.Known(); }));
    EXPECT_EQ(flags.Online(), online);
    watch.Stop();
    EXPECT_TRUE(watch.WaitThreadsEnded(kSafetyNetMs));
  }
}

// Signals an event when the last copy of a worker's configuration goes, that is when the worker ended.
struct GoneSignal {
  explicit GoneSignal(HANDLE e) : event(e) {}
  ~GoneSignal() { SetEvent(event); }
  HANDLE event;
};

// A connection test that does not return: Stop gives up after its wait, and when the test finally
// returns its result reaches nobody and the worker ends by itself.
TEST(ConnectivityWatch, StopLetsAHangingTestGoAndNothingArrivesAfterIt) {
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE gone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<int> calls{0};
  {
    auto signal = std::make_shared<GoneSignal>(gone);
    CInetConnectionAsync::Config c = LoopbackConfig("current");
    c.test = [release, entered, signal](const std::wstring&) {
      SetEvent(entered);
      WaitForSingleObject(release, INFINITE);
      return true;
    };
    signal.reset();
    CInetConnectionAsync watch(c);
    ASSERT_TRUE(watch.StartConnectivity([&calls](bool, bool) { ++calls; }));
    ASSERT_EQ(WaitForSingleObject(entered, kSafetyNetMs), WAIT_OBJECT_0);
    EXPECT_FALSE(watch.Stop());
    SetEvent(release);
    EXPECT_TRUE(watch.WaitThreadsEnded(kSafetyNetMs));  // the worker let go ends once its test returns
  }
  ASSERT_EQ(WaitForSingleObject(gone, kSafetyNetMs), WAIT_OBJECT_0);
  EXPECT_EQ(calls.load(), 0);
  for (HANDLE h : {release, entered, gone}) CloseHandle(h);
}

TEST(UpdateThread, ShutDownWithBothThreadsRunningAndTheDialogShownEndsBoth) {
  if (LoopbackSite("").empty()) GTEST_SKIP() << "needs the loopback server";
  InitAppFontsAndLanguage(nullptr);
  driveviews::MapConnectivity flags;
  CInetConnectionAsync watch(LoopbackConfig("newviewer"));
  ASSERT_TRUE(watch.StartConnectivity(ConnectivitySinkFor(flags)));
  ASSERT_TRUE(watch.StartUpdateCheck(L"1.2.3"));
  ASSERT_TRUE(watch.WaitUpdateDecided(kSafetyNetMs));
  const HWND dialog = watch.UpdateDialogWindow();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(IsWindowVisible(dialog));
  SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // the close button only hides it
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_TRUE(IsWindow(dialog));
  ShowWindow(dialog, SW_SHOWNA);
  ASSERT_TRUE(WaitFor([&] { return flags.Known(); }));
  watch.Stop();
  EXPECT_TRUE(watch.WaitThreadsEnded(kSafetyNetMs));  // both ended, whether within the stop wait or after
  EXPECT_FALSE(IsWindow(dialog));
}

// What the link clicks handed to the shell, and whether COM was running on the thread that did it.
struct OpenedLink {
  std::wstring url;
  bool comReady;
};
std::mutex g_openedLock;
std::vector<OpenedLink> g_opened;

void RecordOpen(HWND, const wchar_t* url) {
  // S_FALSE: the thread had started COM in the same model already; the extra start is undone.
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (SUCCEEDED(hr)) CoUninitialize();
  std::lock_guard<std::mutex> lock(g_openedLock);
  g_opened.push_back({url, hr == S_FALSE});
}

// Clicks every link of a SysLink as a person would: a point over each link is found with the control's
// hit test, and the button goes down and up there.
int ClickEveryLink(HWND link) {
  RECT client;
  GetClientRect(link, &client);
  std::map<int, POINT> points;  // link index -> a point over it
  for (LONG y = 1; y < client.bottom; y += 3) {
    for (LONG x = 1; x < client.right; x += 4) {
      LHITTESTINFO hit = {};
      hit.pt = {x, y};
      if (SendMessageW(link, LM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) && !points.count(hit.item.iLink)) {
        points[hit.item.iLink] = hit.pt;
      }
    }
  }
  for (const auto& [index, pt] : points) {
    SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
  }
  return static_cast<int>(points.size());
}

// Spoofed version files whose version carries a link to a program: the check leaves that file out, and
// a click on any link of the dialog opens only the program's own download page, on a thread with COM.
TEST(UpdateThread, ASpoofedVersionFileCannotPlantALinkThatStartsAProgram) {
  if (LoopbackSite("").empty()) GTEST_SKIP() << "needs the loopback server";
  InitAppFontsAndLanguage(nullptr);
  SetUrlOpener(RecordOpen);
  const struct {
    const char* mode;
    bool dialog;  // the viewer's file holds a plain newer version
  } cases[] = {{"hostilefirmware", true}, {"hostileviewer", false}};
  for (const auto& c : cases) {
    {
      std::lock_guard<std::mutex> lock(g_openedLock);
      g_opened.clear();
    }
    const CInetConnectionAsync::Config config = LoopbackConfig(c.mode);
    CInetConnectionAsync watch(config);
    ASSERT_TRUE(watch.StartUpdateCheck(L"1.2.3"));
    ASSERT_TRUE(watch.WaitUpdateDecided(kSafetyNetMs)) << c.mode;
    const HWND dialog = watch.UpdateDialogWindow();
    int clicked = 0;
    if (dialog) clicked = ClickEveryLink(GetDlgItem(dialog, IDC_UPDATE_LINK));
    EXPECT_EQ(dialog != nullptr, c.dialog) << c.mode;
    EXPECT_EQ(clicked, c.dialog ? 1 : 0) << c.mode;
    watch.Stop();
    EXPECT_TRUE(watch.WaitThreadsEnded(kSafetyNetMs)) << c.mode;
    std::lock_guard<std::mutex> lock(g_openedLock);
    std::set<std::wstring> opened;
    for (const OpenedLink& o : g_opened) {
      opened.insert(o.url);
      EXPECT_TRUE(o.comReady) << c.mode;
    }
    EXPECT_EQ(opened, c.dialog ? std::set<std::wstring>{config.update.viewerPage} : std::set<std::wstring>{})
        << c.mode;
  }
  SetUrlOpener(nullptr);
}

}  // namespace
