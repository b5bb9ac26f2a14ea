// The skinned buttons, progress bar and sliders on the test dialog, driven by real mouse and
// keyboard messages, and the whole dialog compared with its reference picture.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "res/resource.h"
#include "tavrin/skin/skin_messages.h"
#include "tavrin/skin/skin_slider.h"
#include "tests/skin/skin_capture.h"
#include "tests/skin/skin_test_host.h"

namespace {

using quill::test::CTestHostDlg;
using quill::test::Notification;
using quill::test::SharedHost;
using Notes = std::vector<Notification>;
namespace sk = quill::skin;

LPARAM Pt(int x, int y) { return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(y)); }

void Mouse(CWnd& wnd, UINT msg, int x, int y) {
  ::SendMessageW(wnd.m_hWnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, Pt(x, y));
}

TEST(SkinButtonImageIndex, PicksNormalHoverPressedOrDisabled) {
  const struct {
    UINT state;
    BOOL pressed, hover;
    int image;
  } cases[] = {
      {0, FALSE, FALSE, 0},           {ODS_SELECTED, FALSE, FALSE, 2},  {ODS_CHECKED, FALSE, FALSE, 2},
      {0, TRUE, FALSE, 2},            {ODS_DISABLED, FALSE, FALSE, 3},  {ODS_DISABLED | ODS_SELECTED, TRUE, FALSE, 3},
      {ODS_GRAYED, FALSE, FALSE, 1},  {0, FALSE, TRUE, 1},              {0, TRUE, TRUE, 2},
      {ODS_FOCUS, FALSE, FALSE, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SkinButtonImageIndex(c.state, c.pressed, c.hover), c.image) << c.state << c.pressed << c.hover;
  }
}

class NotifyButton : public ::testing::Test {
 protected:
  void SetUp() override { host_.TakeNotifications(); }
  void TearDown() override {
    button_.EnableWindow(TRUE);
    if (::GetCapture() == button_.m_hWnd) ::ReleaseCapture();
    button_.m_bDown = button_.m_bPressed = FALSE;
    host_.TakeNotifications();
  }
  Notes PressRelease(int times) const {
    Notes notes;
    for (int i = 0; i < times; ++i) {
      notes.push_back({sk::kMsgButtonPressed, 0, CTestHostDlg::kNotifyButtonId});
      notes.push_back({sk::kMsgButtonReleased, 0, CTestHostDlg::kNotifyButtonId});
    }
    return notes;
  }
  CTestHostDlg& host_ = SharedHost();
  CSkinButton& button_ = host_.m_notifyButton;
};

TEST_F(NotifyButton, PostsOnePressAndOneReleasePerClickEvenWhenReleasedOutside) {
  Mouse(button_, WM_LBUTTONDOWN, 5, 5);
  EXPECT_EQ(::GetCapture(), button_.m_hWnd);
  Mouse(button_, WM_MOUSEMOVE, 200, 5);
  Mouse(button_, WM_LBUTTONUP, 200, 5);
  Mouse(button_, WM_LBUTTONDBLCLK, 5, 5);  // a quick second click is a second press
  Mouse(button_, WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(host_.TakeNotifications(), PressRelease(2));
  EXPECT_FALSE(button_.m_bPressed);
  EXPECT_NE(::GetCapture(), button_.m_hWnd);
}

// Regression: a held button whose capture was taken away (a message box, Alt+Tab, disabling) never
// posted its release, and the controller pad kept turning the view.
TEST_F(NotifyButton, LosingTheCaptureWhileHeldPostsTheReleaseOnce) {
  Mouse(button_, WM_LBUTTONDOWN, 5, 5);
  ::ReleaseCapture();
  Mouse(button_, WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(host_.TakeNotifications(), PressRelease(1));
  EXPECT_FALSE(button_.m_bDown);
  Mouse(button_, WM_LBUTTONDOWN, 5, 5);
  button_.EnableWindow(FALSE);
  EXPECT_EQ(host_.TakeNotifications(), PressRelease(1));
  EXPECT_FALSE(button_.m_bPressed);
}

TEST(SkinButton, ClicksButNeverKeysPressIt) {
  CTestHostDlg& host = SharedHost();
  CSkinButton& button = host.m_buttons[0];
  host.TakeNotifications();
  button.SetFocus();
  for (UINT key : {static_cast<UINT>(VK_SPACE), static_cast<UINT>(VK_RETURN)}) {
    ::SendMessageW(button.m_hWnd, WM_KEYDOWN, key, 0);
    ::SendMessageW(button.m_hWnd, WM_CHAR, key, 0);
    ::SendMessageW(button.m_hWnd, WM_KEYUP, key, 0xC0000001);
  }
  EXPECT_TRUE(host.TakeNotifications().empty());
  Mouse(button, WM_LBUTTONDOWN, 5, 5);
  Mouse(button, WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(host.TakeNotifications(), (Notes{{WM_COMMAND, CTestHostDlg::kButtonIds[0], 0}}));
}

// A change of state is drawn at the next paint, not inside EnableWindow (where the system's button
// would draw it, only to be drawn again at the paint its enabler asks for); no change asks for none.
TEST(SkinButton, AChangeOfStateIsDrawnAtTheNextPaintOnly) {
  CTestHostDlg& host = SharedHost();
  CSkinButton& button = host.m_buttons[0];
  ASSERT_TRUE(button.IsWindowEnabled());
  const struct {
    BOOL enable;
    bool pending;
  } steps[] = {{FALSE, true}, {FALSE, false}, {TRUE, true}, {TRUE, false}};
  for (const auto& step : steps) {
    button.UpdateWindow();
    button.EnableWindow(step.enable);
    RECT dirty = {};
    EXPECT_EQ(step.pending, ::GetUpdateRect(button.m_hWnd, &dirty, FALSE) != FALSE) << "enable " << step.enable;
    button.UpdateWindow();
    EXPECT_FALSE(::GetUpdateRect(button.m_hWnd, &dirty, FALSE)) << "painted by the next paint";
    EXPECT_EQ(step.enable, button.IsWindowEnabled());
  }
}

TEST(SkinProgressBar, FilledWidthFollowsThePositionAndNeverLeavesTheBar) {
  const struct {
    int width, min, max, pos, filled;
  } cases[] = {{300, 0, 100, 50, 150}, {300, 0, 100, 100, 300}, {300, 0, 0, 0, 0}, {300, 0, 100, 150, 300},
               {300, 0, 100, -5, 0},   {300, 10, 5, 7, 0},       {0, 0, 100, 50, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(ProgressFilledWidth(c.width, c.min, c.max, c.pos), c.filled) << c.pos << "/" << c.max;
  }
}

// The bar's pixels at `pos`, drawn into a memory surface of the bar's size.
std::vector<COLORREF> BarPixels(CSkinProgressBarCtrl& bar, int pos) {
  RECT rc;
  ::GetClientRect(bar.m_hWnd, &rc);
  HDC screen = ::GetDC(bar.m_hWnd);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, rc.right, rc.bottom);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  bar.m_nPos = pos;
  ::SendMessageW(bar.m_hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), 0);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < rc.bottom; ++y) {
    for (int x = 0; x < rc.right; ++x) pixels.push_back(::GetPixel(mem, x, y));
  }
  ::SelectObject(mem, old);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  ::ReleaseDC(bar.m_hWnd, screen);
  return pixels;
}

// Regression: a long job's last step reported a position past the end and the bar showed "101 %".
TEST(SkinProgressBar, PositionsPastTheEndsLookLikeTheEnds) {
  CSkinProgressBarCtrl& bar = SharedHost().m_progress;
  const int savedMin = bar.m_nMin, savedMax = bar.m_nMax, savedPos = bar.m_nPos;
  bar.m_nMin = 0;
  bar.m_nMax = 100;
  const struct { int past, end; } cases[] = {{101, 100}, {130, 100}, {-1, 0}};
  for (const auto& c : cases) EXPECT_TRUE(BarPixels(bar, c.past) == BarPixels(bar, c.end)) << c.past;
  EXPECT_FALSE(BarPixels(bar, 99) == BarPixels(bar, 100));  // the text does change inside the range
  bar.m_nMin = savedMin;
  bar.m_nMax = savedMax;
  bar.m_nPos = savedPos;
  bar.Invalidate();
}

// Regression: integer steps of width / range gave no position at all on the seek bar (more positions
// than pixels), and pixels outside the bar were not clamped.
TEST(SliderPositionFromPixel, MapsPixelsToPositionsForRangesWiderAndNarrowerThanTheBar) {
  const struct {
    int x, width, min, max;
    bool ok;
    int pos;
  } cases[] = {
      {300, 600, 0, 17999, true, 9000}, {1, 600, 0, 17999, true, 30},      {599, 600, 0, 17999, true, 17970},
      {-5, 600, 0, 17999, true, 0},     {605, 600, 0, 17999, true, 17999}, {200, 400, 0, 99, true, 50},
      {150, 300, 0, 65535, true, 32768}, {10, 0, 0, 99, false, 0},         {10, 400, 5, 4, false, 0},
  };
  for (const auto& c : cases) {
    int pos = -1;
    EXPECT_EQ(SliderPositionFromPixel(c.x, c.width, c.min, c.max, &pos), c.ok) << c.x << "/" << c.max;
    if (c.ok) { EXPECT_EQ(pos, c.pos) << c.x << "/" << c.max; }
  }
}

// Regression: pos x (width - thumb) overflowed 32 bits for movies of more than about a million frames.
TEST(SliderGeometry, LongMoviesAndOutOfRangePositionsStayOnTheBar) {
  SliderGeometry half = ComputeSliderGeometry(50, 0, 99, 400, 256, 14);
  EXPECT_EQ(half.playedDstW, 200);
  EXPECT_EQ(half.playedSrcW, 128);
  EXPECT_EQ(half.thumbX, 50 * (400 - 14) / 100);
  EXPECT_EQ(ComputeSliderGeometry(2000000, 0, 2999999, 1920, 14, 14).thumbX,
            static_cast<int>(2000000.0 * 1906 / 3000000));
  for (int pos : {-5, 100, 1 << 30}) {
    SliderGeometry g = ComputeSliderGeometry(pos, 0, 99, 400, 256, 14);
    EXPECT_TRUE(g.playedDstW >= 0 && g.playedDstW <= 400 && g.restSrcW >= 0) << pos;
    EXPECT_TRUE(g.thumbX >= 0 && g.thumbX <= 400 - 14) << pos;
  }
  EXPECT_EQ(ComputeSliderGeometry(0, 0, -1, 400, 256, 14).thumbX, 0);  // empty range: no division
}

class SeekBar : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.TakeNotifications();
    seek_.m_bEnabled = TRUE;
    seek_.m_bDragging = FALSE;
  }
  void TearDown() override {
    seek_.m_bEnabled = TRUE;
    seek_.CancelDrag();
    host_.TakeNotifications();
  }
  void Send(UINT msg, int x) { ::SendMessageW(seek_.m_hWnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, Pt(x, 8)); }
  Notification Press(int pos) const { return {sk::kMsgSliderPress, CTestHostDlg::kSeekId, pos}; }
  Notification Track(int pos) const { return {sk::kMsgSliderTrack, CTestHostDlg::kSeekId, pos}; }
  Notification Release(int pos) const { return {sk::kMsgSliderRelease, CTestHostDlg::kSeekId, pos}; }
  CTestHostDlg& host_ = SharedHost();
  CSkinSliderCtrl& seek_ = host_.m_seek;
};

TEST_F(SeekBar, PressDragAndReleasePostTheirPositionsWithinTheBand) {
  Send(WM_LBUTTONDOWN, -10);  // outside the 10-pixel band: no drag
  Send(WM_MOUSEMOVE, 100);
  Send(WM_LBUTTONUP, 100);
  EXPECT_TRUE(host_.TakeNotifications().empty());
  Send(WM_LBUTTONDOWN, 300);
  EXPECT_EQ(::GetCapture(), seek_.m_hWnd);
  Send(WM_MOUSEMOVE, 450);
  Send(WM_MOUSEMOVE, -5);
  Send(WM_MOUSEMOVE, -10);  // outside the band: no step
  Send(WM_MOUSEMOVE, 605);
  Send(WM_LBUTTONUP, 605);
  EXPECT_EQ(host_.TakeNotifications(), (Notes{Press(9000), Track(13500), Track(0), Track(17999), Release(17999)}));
  EXPECT_NE(::GetCapture(), seek_.m_hWnd);
  EXPECT_FALSE(seek_.m_bDragging);
}

TEST_F(SeekBar, ADisabledSliderPostsNothing) {
  seek_.m_bEnabled = FALSE;
  Send(WM_LBUTTONDOWN, 300);
  Send(WM_MOUSEMOVE, 320);
  Send(WM_LBUTTONUP, 320);
  EXPECT_TRUE(host_.TakeNotifications().empty());
  seek_.m_bEnabled = TRUE;
}

// Every way a started drag ends but the owner's own cancel posts exactly one release at the last
// position, so the owner's seek never stays paused and muted. Regressions: a drag whose capture was
// taken away, and one ended by disabling the slider, never posted their release.
struct DragEnd {
  const char* how;
  std::function<void(CSkinSliderCtrl&)> end;
  bool released;
};

void SendTo(CSkinSliderCtrl& s, UINT msg, int x) {
  ::SendMessageW(s.m_hWnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, Pt(x, 8));
}

const DragEnd kDragEnds[] = {
    {"capture lost", [](CSkinSliderCtrl&) { ::ReleaseCapture(); }, true},
    {"capture taken by another window", [](CSkinSliderCtrl&) { ::SetCapture(SharedHost().m_list.m_hWnd); }, true},
    {"disabled", [](CSkinSliderCtrl& s) { s.SetEnabled(FALSE); }, true},
    {"disabled, then moved", [](CSkinSliderCtrl& s) {
       s.m_bEnabled = FALSE;
       SendTo(s, WM_MOUSEMOVE, 330);
     }, true},
    {"disabled, then let go", [](CSkinSliderCtrl& s) {
       s.m_bEnabled = FALSE;
       SendTo(s, WM_LBUTTONUP, 330);
     }, true},
    {"disabled, capture lost", [](CSkinSliderCtrl& s) {
       s.m_bEnabled = FALSE;
       ::ReleaseCapture();
     }, true},
    {"cancelled by the owner", [](CSkinSliderCtrl& s) { s.CancelDrag(); }, false},
};

TEST_F(SeekBar, EveryDragEndButTheOwnersCancelPostsOneRelease) {
  for (const DragEnd& e : kDragEnds) {
    SCOPED_TRACE(e.how);
    seek_.SetEnabled(TRUE);
    Send(WM_LBUTTONDOWN, 300);
    Send(WM_MOUSEMOVE, 360);
    ASSERT_TRUE(seek_.m_bDragging);
    e.end(seek_);
    ::ReleaseCapture();
    Send(WM_LBUTTONUP, 360);  // a stray release afterwards changes nothing
    EXPECT_FALSE(seek_.m_bDragging);
    Notes expected = {Press(9000), Track(10800)};
    if (e.released) expected.push_back(Release(10800));
    EXPECT_EQ(host_.TakeNotifications(), expected);
  }
}

// What the slider draws when erased into an off-screen bitmap of `width` x 16.
quill::test::Pixels EraseIntoBitmap(const CSkinSliderCtrl& slider, int width) {
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP surface = CreateCompatibleBitmap(screen, width, 16);
  HGDIOBJ old = SelectObject(mem, surface);
  ::SendMessageW(slider.m_hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), 0);
  quill::test::Pixels p = quill::test::CaptureDC(mem, 0, 0, width, 16);
  SelectObject(mem, old);
  DeleteObject(surface);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return p;
}

// Regression: the off-screen buffer was 1920 pixels wide whatever the slider's width.
TEST(SliderDrawing, ASliderWiderThanTheBufferIsPaintedToItsRightEnd) {
  CSkinSliderCtrl wide;
  ASSERT_TRUE(wide.Create(38199, &SharedHost()));
  wide.MoveWindow(0, 300, 2400, 16, FALSE);
  wide.ShowWindow(SW_HIDE);
  wide.LoadImages(IDB_SKIN_SEEK_PLAYED, IDB_SKIN_SEEK_REST, IDB_SKIN_SEEK_THUMB, IDB_SKIN_SEEK_THUMB_PRESSED);
  wide.SetRange(0, 99);
  wide.m_nPos = 50;
  const quill::test::Pixels p = EraseIntoBitmap(wide, 2400);
  auto bluish = [](COLORREF c) { return GetBValue(c) > GetRValue(c) + 60; };
  auto greyish = [](COLORREF c) { return std::abs(GetBValue(c) - GetRValue(c)) < 30 && GetRValue(c) > 40; };
  EXPECT_TRUE(bluish(p.At(1000, 8)));
  EXPECT_TRUE(greyish(p.At(2300, 8)));
  EXPECT_TRUE(greyish(p.At(2395, 8)));
}

// A slider that does not show (as during the start-up, before the main window shows) is not drawn by
// Redraw; the erase that shows it draws the position Redraw was given.
TEST(SliderDrawing, AHiddenSliderDrawsItsNewPositionWhenErased) {
  CSkinSliderCtrl slider;
  ASSERT_TRUE(slider.Create(38198, &SharedHost()));
  slider.MoveWindow(0, 300, 2400, 16, FALSE);
  slider.ShowWindow(SW_HIDE);
  slider.LoadImages(IDB_SKIN_SEEK_PLAYED, IDB_SKIN_SEEK_REST, IDB_SKIN_SEEK_THUMB, IDB_SKIN_SEEK_THUMB_PRESSED);
  slider.SetRange(0, 99);
  slider.m_nPos = 50;
  slider.Redraw(10);
  EXPECT_EQ(slider.m_nPos, 10);
  const quill::test::Pixels p = EraseIntoBitmap(slider, 2400);
  auto bluish = [](COLORREF c) { return GetBValue(c) > GetRValue(c) + 60; };
  EXPECT_TRUE(bluish(p.At(100, 8))) << "played up to 10 of 99";
  EXPECT_FALSE(bluish(p.At(1000, 8))) << "the rest after it";
}

// LoadImages only looks the images up: they are decoded when the slider is first drawn (a slider
// hidden through the start-up costs it nothing), and one missing from the resources is reported.
TEST(SliderDrawing, TheImagesAreDecodedAtTheFirstDrawingAndAMissingOneIsReported) {
  struct Case {
    const char* name;
    UINT thumb;
    BOOL loaded;
  } cases[] = {{"all there", IDB_SKIN_SEEK_THUMB, TRUE}, {"thumb missing", 1, FALSE}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CSkinSliderCtrl slider;
    ASSERT_TRUE(slider.Create(38197, &SharedHost()));
    slider.MoveWindow(0, 300, 400, 16, FALSE);
    slider.ShowWindow(SW_HIDE);
    EXPECT_EQ(slider.LoadImages(IDB_SKIN_SEEK_PLAYED, IDB_SKIN_SEEK_REST, c.thumb, IDB_SKIN_SEEK_THUMB_PRESSED), c.loaded);
    slider.SetRange(0, 99);
    slider.Redraw(10);  // hidden: not drawn
    EXPECT_FALSE(slider.ImagesDecoded());
    const quill::test::Pixels p = EraseIntoBitmap(slider, 400);
    EXPECT_TRUE(slider.ImagesDecoded());
    auto bluish = [](COLORREF col) { return GetBValue(col) > GetRValue(col) + 60; };
    EXPECT_TRUE(bluish(p.At(20, 8))) << "the played bar, drawn from the images decoded then";
  }
}

// A button's faces are built when it is first drawn, once, from its last SetImages; a bitmap that is
// not among the resources keeps the faces it has.
TEST(SkinButton, FacesAreBuiltAtTheFirstDrawOnceAndKeptForAMissingBitmap) {
  CTestHostDlg& host = SharedHost();
  CSkinButton button;
  button.m_nImageWidth = 13;
  button.m_nImageHeight = 12;
  ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 300, 13, 312), &host, 1190));
  button.SetImages(IDB_SKIN_CHECK_BOX);
  button.SetImages(IDB_SKIN_CAPTION_CLOSE);  // the last call's bitmap, at the size of that call, is built
  button.m_nImageWidth = 26;
  EXPECT_EQ(button.PendingImages(), static_cast<UINT>(IDB_SKIN_CAPTION_CLOSE));
  EXPECT_EQ(button.m_imageList.m_hImageList, nullptr) << "built before anything drew the button";
  button.UpdateWindow();
  EXPECT_EQ(button.PendingImages(), 0u);
  const HIMAGELIST built = button.m_imageList.m_hImageList;
  ASSERT_NE(built, nullptr);
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(built, &cx, &cy));
  EXPECT_EQ(cx, 13);
  EXPECT_EQ(cy, 12);
  EXPECT_EQ(ImageList_GetImageCount(built), CSkinButton::kImageCount);
  ::RedrawWindow(button.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(button.m_imageList.m_hImageList, built) << "built again by a later draw";
  button.SetImages(0x7FF0);  // no such bitmap
  EXPECT_EQ(button.PendingImages(), 0u);
  ::RedrawWindow(button.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(button.m_imageList.m_hImageList, built);
  button.DestroyWindow();
}

// The dialog with every control in its showcase state, saved as test output for a person to look at
// and compared with tests/skin/reference/controls.png (a small share may differ, for font rendering).
TEST(SkinScreenshot, TheControlsInEveryStateLookAsTheReference) {
  CTestHostDlg& host = SharedHost();
  host.ApplyShowcaseStates();
  ::RedrawWindow(host.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  quill::test::Pixels shot = quill::test::CaptureWindow(host.m_hWnd);
  ASSERT_EQ(shot.width, CTestHostDlg::kWidth);
  ASSERT_EQ(shot.height, CTestHostDlg::kHeight);
  ASSERT_FALSE(quill::test::OutputDir().empty());
  EXPECT_TRUE(quill::test::SavePng(shot, quill::test::OutputDir() + L"controls.png"));
  quill::test::Pixels reference;
  ASSERT_TRUE(quill::test::LoadPng(quill::test::ReferenceDir() + L"controls.png", &reference))
      << "no reference: look at test-output/skin/controls.png and, when right, copy it to tests/skin/reference/";
  const int differing = quill::test::CountDifferentPixels(shot, reference, 48);
  ASSERT_GE(differing, 0) << "the capture and the reference differ in size";
  EXPECT_LE(differing, shot.width * shot.height / 50) << differing << " pixels differ from the reference";
}

}  // namespace
