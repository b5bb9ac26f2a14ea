// The main window's commands as pure rules: the arrangements' geometry, the click zoom, the display
// power notification, the context menu's items, greying and checks, the pad's layout and steps, and the
// finish message of a tool.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tavrin/app/main/context_menu.h"
#include "tavrin/app/main/controller_pad.h"
#include "tavrin/app/main/layout_geometry.h"
#include "tavrin/app/tools/tool_finish.h"
#include "tavrin/app/main/main_dlg.h"

namespace {

using namespace quill::app;

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(CommandGeometry, PanesTipsAndVisibilityByArrangement) {
  const RECT work = {0, 0, 1920, 1040};
  struct Case {
    const char* name;
    int step, mode;
    bool full;
    RECT pane;
    unsigned tip;
    bool graph, info, browser, pad, captions, step2Tools;
  } cases[] = {
      {"step 0", 0, 3, false, {7, 26, 739, 437}, 8, true, true, true, true, true, true},
      {"step 0 wide band", 0, 4, false, {7, 71, 1113, 393}, 8, true, true, true, true, true, true},
      {"step 1", 1, 3, false, {7, 26, 873, 517}, 7, false, true, true, false, true, true},
      {"step 2", 2, 3, false, {7, 26, 1113, 652}, 18, false, false, false, false, true, false},
      {"full screen", 1, 3, true, {0, 0, 1920, 1040}, 7, false, false, false, false, false, false},
      {"full screen wide band", 0, 4, true, {0, 240, 1920, 799}, 8, false, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    const RECT r = PrimaryPaneRect(c.step, c.mode, c.full, work);
    EXPECT_TRUE(SameRect(r, c.pane)) << c.name << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    EXPECT_EQ(SizeStepTipText(c.step), c.tip) << c.name;
    const Visibility v = VisibilityFor(c.step, c.full);
    EXPECT_EQ(v.graph, c.graph) << c.name;
    EXPECT_EQ(v.info, c.info) << c.name;
    EXPECT_EQ(v.browser, c.browser) << c.name;
    EXPECT_EQ(v.pad, c.pad) << c.name;
    EXPECT_EQ(v.captionButtons, c.captions) << c.name;
    EXPECT_EQ(v.SnapshotEtc, c.step2Tools) << c.name;
    if (!c.full) {
      // The button row (its top 35 pixels above the dialog's bottom edge) stays below the pane and the
      // seek bar.
      const SIZE size = DialogSizeFor(c.step);
      EXPECT_GE(size.cy - 35, PrimaryPaneRect(c.step, 3, false, work).bottom + 2 + 10) << c.name;
    }
  }
  EXPECT_EQ(NextSizeStep(0), 1);
  EXPECT_EQ(NextSizeStep(1), 2);
  EXPECT_EQ(NextSizeStep(2), 0);
  const RECT browser = BrowserRectStep0(PrimaryPaneRect(0, 4, false, work), 4, 661);
  EXPECT_TRUE(SameRect(browser, RECT{739, 438, 1113, 621}));
  EXPECT_TRUE(SameRect(BrowserRectStep0(PrimaryPaneRect(0, 3, false, work), 3, 661), RECT{739, 27, 1113, 621}));
}

// Every piece of each size step, by the layout's figures (pane sizes; seek bar 10 high; info panel and
// pad 120 high; 1120 x 700; the button row 35 above the bottom) and this program's places for the rest
// (the graph down to the button row: its 80-pixel background and the marks' letters written from 75 to
// about 94), and no two pieces of a step overlapping.
TEST(CommandGeometry, EachStepPlacesItsPiecesApart) {
  const RECT none = {0, 0, 0, 0};
  const struct {
    int step;
    SIZE dialog;
    RECT pane, seek, info, pad, graph, lap, volume, browser;
    int infoLayout, buttonTop;
  } cases[] = {
      {0, {1120, 700}, {7, 26, 739, 437}, {7, 439, 739, 449}, {7, 449, 599, 569}, {599, 449, 739, 569},
       {7, 569, 739, 663}, {7, 665, 207, 697}, {1003, 675, 1113, 687}, {739, 27, 1113, 660}, 0, 665},
      {1, {1120, 700}, {7, 26, 873, 517}, {7, 519, 873, 529}, {7, 529, 873, 649}, none, none, none,
       {1003, 675, 1113, 687}, {873, 27, 1113, 660}, 1, 665},
      {2, {1120, 701}, {7, 26, 1113, 652}, {7, 654, 1113, 664}, none, none, none, none, {1003, 676, 1113, 688}, none,
       2, 666},
  };
  for (const auto& c : cases) {
    const StepLayout l = LayoutForStep(c.step);
    EXPECT_EQ(l.dialog.cx, c.dialog.cx) << c.step;
    EXPECT_EQ(l.dialog.cy, c.dialog.cy) << c.step;
    const std::pair<const char*, std::pair<RECT, RECT>> pieces[] = {
        {"pane", {l.pane, c.pane}},   {"seek", {l.seekBar, c.seek}}, {"info", {l.info, c.info}},
        {"pad", {l.pad, c.pad}},      {"graph", {l.graph, c.graph}}, {"lap", {l.lapTime, c.lap}},
        {"volume", {l.volume, c.volume}}, {"browser", {l.browser, c.browser}},
    };
    for (const auto& p : pieces) {
      EXPECT_TRUE(SameRect(p.second.first, p.second.second)) << c.step << " " << p.first;
    }
    EXPECT_EQ(l.infoLayout, c.infoLayout) << c.step;
    EXPECT_EQ(l.buttonTop, c.buttonTop) << c.step;
    EXPECT_EQ(l.buttonTop, l.dialog.cy - 35) << c.step;
    // The pieces and the button row (its 18 buttons 34 apart, 30 more before 38013; at step 0 after
    // the lap-time strip).
    const int rowLeft = c.step == 0 ? 207 : 7;
    EXPECT_EQ(l.buttonLeft, rowLeft) << c.step;
    const RECT row = {rowLeft, l.buttonTop, rowLeft + 17 * 34 + 30 + 32, l.buttonTop + 32};
    const RECT all[] = {l.pane, l.seekBar, l.info, l.pad, l.graph, l.lapTime, l.volume, l.browser, row};
    for (size_t i = 0; i < 9; ++i) {
      for (size_t j = i + 1; j < 9; ++j) EXPECT_FALSE(Overlap(all[i], all[j])) << c.step << ": " << i << " and " << j;
    }
  }
}

// The button row closes up over hidden buttons and buttons without a window, with the gap before
// 38013; the caption buttons stand at the top right. The main dialog creates its buttons at these
// places and the arrangements move only what differs.
TEST(CommandGeometry, TheButtonRowClosesUpOverHiddenAndMissingButtons) {
  int ids[18];
  for (int i = 0; i < 18; ++i) ids[i] = 38000 + i;
  const struct {
    const char* what;
    int step;
    int missing;  // a button without a window, or -1
    std::vector<int> shown;  // the shown buttons' commands, left to right
    int firstLeft, sourceLeft;  // the row's first button and 38013 (-1: hidden)
  } cases[] = {
      {"step 0", 0, -1, {}, 207, 207 + 13 * 34 + 30},
      {"step 1", 1, -1, {}, 7, 7 + 13 * 34 + 30},
      {"step 2 hides six", 2, -1, {38000, 38001, 38002, 38003, 38004, 38005, 38008, 38009, 38010, 38011, 38012, 38017}, 7, -1},
      {"step 0 without 38001", 0, 1, {}, 207, 207 + 12 * 34 + 30},
  };
  for (const auto& c : cases) {
    int row[18];
    std::copy(ids, ids + 18, row);
    if (c.missing >= 0) row[c.missing] = 0;
    const StepLayout l = LayoutForStep(c.step);
    ButtonPlace places[18];
    ToolRowPlaces(l, VisibilityFor(c.step, false), row, 18, places);
    std::vector<int> shown;
    int x = c.firstLeft;
    for (int i = 0; i < 18; ++i) {
      if (!places[i].shown) continue;
      shown.push_back(38000 + i);
      if (38000 + i == 38013) {
        EXPECT_EQ(places[i].rect.left, c.sourceLeft) << c.what;
        x += 30;
      }
      EXPECT_TRUE(SameRect(places[i].rect, RECT{x, l.buttonTop, x + 32, l.buttonTop + 32})) << c.what << " " << 38000 + i;
      x += 34;
    }
    if (!c.shown.empty()) {
      EXPECT_EQ(shown, c.shown) << c.what;
    } else {
      EXPECT_EQ(shown.size(), c.missing >= 0 ? 17u : 18u) << c.what;
    }
    if (c.missing >= 0) {
      EXPECT_FALSE(places[c.missing].shown) << c.what;
    }
  }
  // Full screen shows no button.
  ButtonPlace places[18];
  ToolRowPlaces(LayoutForStep(0), VisibilityFor(0, true), ids, 18, places);
  for (const ButtonPlace& p : places) EXPECT_FALSE(p.shown);
  ButtonPlace captions[3];
  CaptionPlaces(LayoutForStep(0), VisibilityFor(0, false), captions);
  EXPECT_TRUE(SameRect(captions[0].rect, RECT{1017, 4, 1063, 22}));  // close: 57 from the right edge
  EXPECT_TRUE(SameRect(captions[1].rect, RECT{989, 4, 1015, 22}));
  EXPECT_TRUE(SameRect(captions[2].rect, RECT{961, 4, 987, 22}));
  EXPECT_TRUE(captions[0].shown && captions[1].shown && captions[2].shown);
}

TEST(CommandGeometry, AWindowIsKeptInsideTheWorkArea) {
  const RECT work = {0, 0, 1366, 728};  // a 768-pixel screen with a 40-pixel task bar
  const struct {
    POINT at;
    SIZE size;
    POINT want;
  } cases[] = {
      {{123, 0}, {1120, 701}, {123, 0}},
      {{123, 100}, {1120, 701}, {123, 27}},    // its bottom would pass the work area's
      {{500, 10}, {1120, 700}, {246, 10}},     // its right edge likewise
      {{-40, -5}, {1120, 700}, {0, 0}},
      {{10, 10}, {1500, 900}, {0, 0}},         // larger than the area: the top-left corner shows
  };
  for (const auto& c : cases) {
    const POINT p = KeepInside(c.at, c.size, work);
    EXPECT_EQ(p.x, c.want.x) << c.at.x << "," << c.at.y;
    EXPECT_EQ(p.y, c.want.y) << c.at.x << "," << c.at.y;
  }
  const RECT band = InfoBandRect(RECT{0, 0, 1120, 701});
  EXPECT_TRUE(SameRect(band, RECT{545, 671, 1000, 701}));
}

TEST(CommandGeometry, MovieFrameWithoutBrowserWidthKeepsItsScale) {
  const MovieFrameGeometry g = ComputeMovieFrame(1280, 720, 0, 0);
  EXPECT_GT(g.frame.cx, 0);
  EXPECT_LT(g.frame.cx, 4000);
  EXPECT_EQ(g.pane.top, 20);
}

TEST(CommandGeometry, ClickZoomGrowsKeepsThePointAndResetsAfterThree) {
  ClickZoom z;
  const POINT p = {200, 100};
  ASSERT_TRUE(ApplyClickZoom(&z, p));
  EXPECT_FLOAT_EQ(z.factor, 2.0f);
  EXPECT_FLOAT_EQ(z.originX, 200 - 200 * 1.0f / 2);
  EXPECT_FLOAT_EQ(z.originY, 100 - 100 * 1.0f / 2);
  const float ox = z.originX;
  ASSERT_TRUE(ApplyClickZoom(&z, p));
  EXPECT_FLOAT_EQ(z.factor, 3.0f);
  EXPECT_FLOAT_EQ(z.originX, 200 - (200 * 2.0f + ox) / 3);
  EXPECT_FALSE(ApplyClickZoom(&z, p));
  EXPECT_FLOAT_EQ(z.factor, 1.0f);
  EXPECT_FLOAT_EQ(z.originX, 0.0f);
}

TEST(CommandGeometry, OnlyADisplayOnNotificationOfTheDisplayCounts) {
  POWERBROADCAST_SETTING s = {};
  s.PowerSetting = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};  // monitor power
  s.DataLength = 1;
  s.Data[0] = 1;
  EXPECT_TRUE(IsDisplayOnSetting(&s));
  s.PowerSetting.Data4[7] ^= 1;  // another setting
  EXPECT_FALSE(IsDisplayOnSetting(&s));
  EXPECT_FALSE(IsDisplayOnSetting(nullptr));
}

// The items of a built menu: id (0 for a separator), greyed, checked.
struct Item {
  UINT id;
  bool grey;
  bool check;
};
std::vector<Item> ReadMenu(HMENU menu) {
  std::vector<Item> items;
  const int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE;
    GetMenuItemInfoW(menu, i, TRUE, &info);
    const bool sep = (info.fType & MFT_SEPARATOR) != 0;
    items.push_back({sep ? 0u : info.wID, !sep && (info.fState & MFS_GRAYED) != 0, (info.fState & MFS_CHECKED) != 0});
  }
  return items;
}

TEST(ContextMenu, ItemsGreyingAndChecksByState) {
  MenuState stopped0;
  stopped0.playState = 1;
  stopped0.flip = true;
  stopped0.rearMovieOpen = true;
  MenuState stopped1 = stopped0;
  stopped1.pane = 1;
  stopped1.mirror = true;
  stopped1.flip = false;
  MenuState playingFast = stopped0;
  playingFast.playState = 2;
  playingFast.speedCode = 1;  // the fastest of edition 2
  MenuState pausedSlow = stopped0;
  pausedSlow.playState = 3;
  pausedSlow.speedCode = -2;
  pausedSlow.edition = 1;
  pausedSlow.viewMode = 4;
  MenuState playingSlowFull = playingFast;
  playingSlowFull.speedCode = -2;
  playingSlowFull.fullScreen = true;
  playingSlowFull.rearMovieOpen = false;
  MenuState closed;
  MenuState closedStep2;
  closedStep2.sizeStep = 2;
  MenuState stoppedStep2 = stopped0;
  stoppedStep2.sizeStep = 2;
  // Spelled as id[:g][:c] per position; 0 is a separator.
  struct Case {
    const char* name;
    MenuState s;
    std::vector<Item> items;
    UINT width;
  } cases[] = {
      {"closed: the source item only", closed, {{38013, false, false}}, 100},
      {"closed at size step 2: nothing", closedStep2, {}, 100},
      {"stopped, main pane: no mirror",
       stopped0,
       {{38002, 0, 0}, {0, 0, 0}, {38009, 0, 0}, {38202, 0, 1}, {38203, 1, 0}, {38201, 0, 0}, {0, 0, 0}, {38006, 0, 0},
        {38015, 0, 0}, {0, 0, 0}, {38013, 0, 0}},
       100},
      {"stopped, rear pane: no display mode, flip or reset",
       stopped1,
       {{38002, 0, 0}, {0, 0, 0}, {38009, 1, 0}, {38202, 1, 0}, {38203, 0, 1}, {38201, 1, 0}, {0, 0, 0}, {38006, 0, 0},
        {38015, 0, 0}, {0, 0, 0}, {38013, 0, 0}},
       100},
      {"stopped at size step 2: no source item",
       stoppedStep2,
       {{38002, 0, 0}, {0, 0, 0}, {38009, 0, 0}, {38202, 0, 1}, {38203, 1, 0}, {38201, 0, 0}, {0, 0, 0}, {38006, 0, 0},
        {38015, 0, 0}},
       100},
      {"playing at the edition's top speed: fast grey",
       playingFast,
       {{38002, 0, 0}, {38000, 0, 0}, {38004, 1, 0}, {38003, 0, 0}, {0, 0, 0}, {38009, 0, 0}, {38202, 0, 1},
        {38203, 1, 0}, {38201, 0, 0}, {0, 0, 0}, {38006, 0, 0}, {38015, 0, 0}, {0, 0, 0}, {38013, 0, 0}},
       100},
      {"paused: fast and slow grey, reset grey outside mode 3",
       pausedSlow,
       {{38002, 0, 0}, {38000, 0, 0}, {38004, 1, 0}, {38003, 1, 0}, {0, 0, 0}, {38009, 0, 0}, {38202, 0, 1},
        {38203, 1, 0}, {38201, 1, 0}, {0, 0, 0}, {38006, 0, 0}, {38015, 0, 0}, {0, 0, 0}, {38013, 0, 0}},
       100},
      {"playing slow in full screen: wide, ends with the display switch",
       playingSlowFull,
       {{38002, 0, 0}, {38000, 0, 0}, {38004, 0, 0}, {38003, 1, 0}, {0, 0, 0}, {38009, 0, 0}, {38202, 0, 1},
        {38203, 1, 0}, {38201, 0, 0}, {0, 0, 0}, {38017, 1, 0}},
       220},
  };
  for (const Case& c : cases) {
    CMovieMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    BuildContextMenu(menu, c.s);
    const std::vector<Item> got = ReadMenu(menu.m_hMenu);
    ASSERT_EQ(got.size(), c.items.size()) << c.name;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].id, c.items[i].id) << c.name << " at " << i;
      EXPECT_EQ(got[i].grey, c.items[i].grey) << c.name << " at " << i;
      EXPECT_EQ(got[i].check, c.items[i].check) << c.name << " at " << i;
    }
    MEASUREITEMSTRUCT mis = {};
    menu.MeasureItem(&mis);
    EXPECT_EQ(mis.itemWidth, c.width) << c.name;
    // Each item's data is its position: the drawing reads its text from there.
    for (int i = 0; i < static_cast<int>(got.size()); ++i) {
      if (!got[i].id) continue;
      MENUITEMINFOW info = {};
      info.cbSize = sizeof info;
      info.fMask = MIIM_DATA;
      GetMenuItemInfoW(menu.m_hMenu, i, TRUE, &info);
      EXPECT_EQ(info.dwItemData, static_cast<ULONG_PTR>(i)) << c.name;
    }
  }
}

TEST(ContextMenu, ASelectedGreyItemIsDrawnLightBlueWithGreyText) {
  MenuState s;
  s.playState = 1;
  s.pane = 1;
  CMovieMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  BuildContextMenu(menu, s);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 120, 20);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bmp);
  DRAWITEMSTRUCT dis = {};
  dis.CtlType = ODT_MENU;
  dis.itemAction = ODA_SELECT;
  dis.itemState = ODS_SELECTED | ODS_GRAYED;
  dis.hDC = dc;
  dis.rcItem = RECT{0, 0, 120, 20};
  dis.itemData = 2;  // "表示モード切替", grey on the rear pane
  menu.DrawItem(&dis);
  EXPECT_EQ(GetPixel(dc, 2, 2), COLORREF(0xFFC3C3));
  EXPECT_EQ(GetTextColor(dc), COLORREF(0x7F7F7F));
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
}

TEST(ControllerPad, LayoutStepsAndEnabledButtons) {
  struct Place {
    int id, x, y;
  } places[] = {{kPadUp, 54, 6}, {kPadLeft, 16, 44}, {kPadRight, 92, 44}, {kPadDown, 54, 82}, {kPadReset, 54, 44}};
  for (const Place& p : places) {
    const POINT got = PadButtonPlace(p.id, 140, 120);
    EXPECT_EQ(got.x, p.x) << p.id;
    EXPECT_EQ(got.y, p.y) << p.id;
  }
  EXPECT_EQ(PadStep(kPadUp).y, 30);
  EXPECT_EQ(PadStep(kPadLeft).x, 30);
  EXPECT_EQ(PadStep(kPadRight).x, -30);
  EXPECT_EQ(PadStep(kPadDown).y, -30);
  EXPECT_EQ(PadStep(kPadReset).x, 0);
  struct Mode {
    int mode;
    std::vector<int> enabled;
  } modes[] = {{3, {28, 29, 30, 31, 32}}, {4, {29, 30}}, {5, {}}, {1, {}}, {2, {}}};
  for (const Mode& m : modes) {
    for (int id = kPadUp; id <= kPadReset; ++id) {
      const bool want = std::find(m.enabled.begin(), m.enabled.end(), id) != m.enabled.end();
      EXPECT_EQ(PadButtonEnabled(id, m.mode), want) << "mode " << m.mode << " button " << id;
    }
  }
}

TEST(ToolFrame, OnlyASucceededToolSaysItIsDone) {
  EXPECT_EQ(ToolFinishText(true), 48u);
  EXPECT_EQ(ToolFinishText(false), 0u);
}

}  // namespace
