// Keeping windows on a monitor, free disk space and the version-text filter.
#include <gtest/gtest.h>

#include "tests/support/test_env.h"
#include "tavrin/skin/window_utils.h"

namespace {

class CPlainWnd : public CWnd {
 public:
  BOOL Make(const RECT& r, DWORD style = WS_POPUP, CWnd* parent = nullptr) {
    return CreateEx(0, AfxRegisterWndClass(0), L"", style, r, parent, 0);
  }
};

RECT WorkArea() {
  RECT work = {};
  POINT origin = {0, 0};
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &info);
  work = info.rcWork;
  return work;
}

CRect PlacedAfterKeep(const CRect& start, BOOL* moved) {
  CPlainWnd wnd;
  EXPECT_TRUE(wnd.Make(start));
  *moved = KeepWindowOnScreen(&wnd);
  CRect now;
  wnd.GetWindowRect(&now);
  return now;
}

TEST(KeepWindowOnScreen, AWindowHangingOverAnEdgeIsPushedBackAndOthersStay) {
  CRect w = WorkArea();
  ASSERT_GT(w.Width(), 400);
  struct Case {
    const char* name;
    CRect start;
    CRect expected;
    BOOL moved;
  } cases[] = {
      {"right quarter beyond the right edge", CRect(w.right - 150, w.top + 100, w.right + 50, w.top + 300),
       CRect(w.right - 200, w.top + 100, w.right, w.top + 300), TRUE},
      {"over the top-left corner", CRect(w.left - 30, w.top - 20, w.left + 170, w.top + 180),
       CRect(w.left, w.top, w.left + 200, w.top + 200), TRUE},
      {"below the bottom edge", CRect(w.left + 100, w.bottom - 50, w.left + 300, w.bottom + 50),
       CRect(w.left + 100, w.bottom - 100, w.left + 300, w.bottom), TRUE},
      {"over the bottom-left corner", CRect(w.left - 40, w.bottom - 60, w.left + 160, w.bottom + 40),
       CRect(w.left, w.bottom - 100, w.left + 200, w.bottom), TRUE},
      {"wholly inside", CRect(w.left + 10, w.top + 10, w.left + 210, w.top + 110),
       CRect(w.left + 10, w.top + 10, w.left + 210, w.top + 110), FALSE},
      {"wholly off every monitor", CRect(w.right + 500, w.top + 10, w.right + 700, w.top + 110),
       CRect(w.right + 500, w.top + 10, w.right + 700, w.top + 110), FALSE},
  };
  for (const Case& c : cases) {
    BOOL moved = FALSE;
    CRect now = PlacedAfterKeep(c.start, &moved);
    EXPECT_EQ(moved, c.moved) << c.name;
    EXPECT_EQ(now, c.expected) << c.name << ": " << now.left << "," << now.top << "," << now.right << ","
                               << now.bottom;
  }
}

// Two monitors side by side, 1000 x 800 each.
bool TwoMonitors(POINT pt, RECT* work) {
  *work = pt.x < 1000 ? RECT{0, 0, 1000, 800} : RECT{1000, 0, 2000, 800};
  return true;
}

TEST(KeepWindowOnScreen, AcrossTwoMonitorsAWindowIsPushedIntoTheMonitorOfItsOtherCorner) {
  quill::skin::SetWorkAreaLookup(&TwoMonitors);
  BOOL moved = FALSE;
  // Spanning both monitors with all corners inside: stays.
  EXPECT_EQ(PlacedAfterKeep(CRect(900, 100, 1100, 300), &moved), CRect(900, 100, 1100, 300));
  EXPECT_FALSE(moved);
  // Hanging below the right monitor: pushed up into it.
  EXPECT_EQ(PlacedAfterKeep(CRect(1200, 700, 1400, 900), &moved), CRect(1200, 600, 1400, 800));
  EXPECT_TRUE(moved);
  quill::skin::SetWorkAreaLookup(nullptr);
}

// Regression: a failed query returned whatever the outputs held.
TEST(DiskFree, AnUnreadableVolumeReportsZero) {
  EXPECT_EQ(GetDiskFreeBytes(L"K:\\"), 0u);
  EXPECT_EQ(GetDiskFreeBytes(L"\\\\nohost\\noshare\\"), 0u);
  EXPECT_EQ(GetDiskFreeBytes(L""), 0u);
  EXPECT_EQ(GetDiskFreeBytes(nullptr), 0u);
}

TEST(VersionText, KeepsUpToTheThirdDotAndDropsLetters) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"Ver 2.0.2.15", L" 2.0.2"}, {L"2.0.2", L"2.0.2"}, {L"1.2", L"1.2"},
      {L"V1.2.3.4", L"1.2.3"},      {L"", L""},           {L"VER:1.0.0a", L":1.0.0"},
  };
  for (const Case& c : cases) EXPECT_EQ(TrimVersionText(c.in), c.out) << CStringA(c.in).GetString();
}

}  // namespace
