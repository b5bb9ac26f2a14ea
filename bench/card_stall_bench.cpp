// The program of bench/card-stall.sh: the real main window opens a card of 10,000 recordings in one day
// folder, the day folder is clicked in the tree and a filter button is pressed. A thread sends the
// window a message every 10 ms and times each answer: the longest is the longest stretch in which the
// window did not answer. Beside each, the time the same folder takes to list (its scan alone). The
// card's files are no playable movies: the players' open answers "no movie" at once and the message
// about it is dropped, so that what is measured is the list and what its refill sets off.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "playcore/instances/player_instance.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/browser/browser_owner.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tests/app/run_main_dialog.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;

constexpr DWORD kPingIntervalMs = 10;
constexpr DWORD kSettleMs = 1000;  // pumping after an action: the work it left behind shows up too

// Sends WM_NULL to the window every kPingIntervalMs and keeps the longest answer time since Begin.
class StallWatch {
 public:
  explicit StallWatch(HWND window) : window_(window) {
    QueryPerformanceFrequency(&frequency_);
    thread_ = std::thread([this] { Run(); });
  }
  ~StallWatch() {
    stop_ = true;
    thread_.join();
  }
  StallWatch(const StallWatch&) = delete;
  StallWatch& operator=(const StallWatch&) = delete;
  void Begin() { longestUs_ = 0; }
  double LongestMs() const { return longestUs_.load() / 1000.0; }

 private:
  void Run() {
    while (!stop_) {
      LARGE_INTEGER a, b;
      QueryPerformanceCounter(&a);
      DWORD_PTR result = 0;
      SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
      QueryPerformanceCounter(&b);
      const long long us = (b.QuadPart - a.QuadPart) * 1000000 / frequency_.QuadPart;
      long long seen = longestUs_.load();
      while (us > seen && !longestUs_.compare_exchange_weak(seen, us)) {
      }
      Sleep(kPingIntervalMs);
    }
  }
  HWND window_;
  LARGE_INTEGER frequency_{};
  std::atomic<bool> stop_{false};
  std::atomic<long long> longestUs_{0};
  std::thread thread_;
};

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // A message box of a failed open is not the window's stall: it is answered at once.
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

DWORD ListMs(const std::wstring& folder) {
  const DWORD start = GetTickCount();
  RecordingList scanned;
  ScanRecordingFolders(folder.c_str(), nullptr, nullptr, scanned, nullptr, kScanFolderTree, true, nullptr, 0);
  return GetTickCount() - start;
}

int NoMovie(playcore::sPLAYERINSTANCE*, const wchar_t*) { return 0; }

class CRunDlg : public quill::test::CRunMainDlg<CRunDlg> {};

TEST(CardStall, TheWindowAnswersWhileAFullCardIsListed) {
  const char* cardDir = std::getenv("QUILL_LARGE_CARD");
  ASSERT_NE(cardDir, nullptr);
  const std::wstring card = quill::test::HostPathToWindows(std::string(cardDir) + "/card");
  const std::wstring day = card + L"\\20240101_001";
  quill::test::TempDir work;
  wchar_t saved[MAX_PATH] = L"";
  GetCurrentDirectoryW(MAX_PATH, saved);
  SetCurrentDirectoryW(work.path().c_str());
  WritePrivateProfileStringW(L"DISPLAY", L"MODELSELECT", L"1", (work.path() + L"Default_Folder.ini").c_str());
  OleInitialize(nullptr);
  Hooks().probeD3dx = [] { return true; };
  Hooks().mapVariant = [] { return driveviews::MapVariant::kInternetExplorer; };
  Hooks().showMessage = [](CWnd*, const wchar_t*, const wchar_t*) {};
  quill::skin::GdiplusSession gdiplus;
  double worst = 0;
  CRunDlg dlg;
  dlg.body = [&](CRunDlg& d) {
    for (playcore::sPLAYERFUNCS& f : playcore::g_PlayerFuncs) f.OpenMovie = &NoMovie;
    StallWatch watch(d.m_hWnd);
    Pump(200);
    struct Step {
      const char* name;
      std::function<void()> act;
    } steps[] = {
        {"open the card", [&] { d.m_browser.OpenSource(card.c_str(), CFilerContainerDlg::kSourceFolder); }},
        {"click the day folder",
         [&] { d.m_browser.m_tree.SelectItem(d.m_browser.m_tree.GetChildItem(d.m_browser.m_tree.GetRootItem())); }},
        {"click a filter", [&] { d.SendMessage(WM_COMMAND, quill::browser::kFilterCommandFirst + 1, 0); }},
    };
    for (const Step& step : steps) {
      watch.Begin();
      Pump(50);
      step.act();
      Pump(kSettleMs);
      const double longest = watch.LongestMs();
      worst = std::max(worst, longest);
      std::printf("%-22s longest unanswered stretch %7.1f ms; %d rows\n", step.name, longest,
                  d.m_browser.m_list.GetItemCount());
      std::fflush(stdout);
    }
    std::printf("the day folder of 10,000 recordings lists (scan alone) in %lu ms\n", ListMs(day));
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  Hooks() = StartupHooks{};
  OleUninitialize();
  SetCurrentDirectoryW(saved);
  std::printf("card-stall: %.0f\n", worst);
}

}  // namespace
