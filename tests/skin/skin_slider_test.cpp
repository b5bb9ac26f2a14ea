// The image slider: pixel-to-position and drawing geometry, and the press, drag and release messages it
// posts for real mouse messages on the test dialog's seek bar (18,000 positions on 600 pixels).
#include <windows.h>

#include <gtest/gtest.h>

#include "res/resource.h"
#include "tavrin/skin/skin_messages.h"
#include "tavrin/skin/skin_slider.h"
#include "tests/skin/skin_capture.h"
#include "tests/skin/skin_test_host.h"

namespace {

using quill::test::CTestHostDlg;
using quill::test::Notification;
using quill::test::SharedHost;
namespace sk = quill::skin;

LPARAM Pt(int x, int y) { return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(y)); }

struct PixelCase {
  int x, width, min, max;
  bool ok;
  int pos;
};

TEST(SliderPositionFromPixel, MapsPixelsToPositionsForRangesWiderAndNarrowerThanTheBar) {
  const PixelCase cases[] = {
      {300, 600, 0, 17999, true, 9000},   // the seek bar: more positions than pixels (integer steps gave none)
      {1, 600, 0, 17999, true, 30},
      {599, 600, 0, 17999, true, 17970},
      {-5, 600, 0, 17999, true, 0},       // left of the bar, inside the band: clamped to the minimum
      {605, 600, 0, 17999, true, 17999},  // right of it: the maximum
      {200, 400, 0, 99, true, 50},
      {150, 300, 0, 65535, true, 32768},  // the volume slider
      {10, 0, 0, 99, false, 0},           // no width
      {10, 400, 5, 4, false, 0},          // empty range
  };
  for (const PixelCase& c : cases) {
    int pos = -1;
    EXPECT_EQ(SliderPositionFromPixel(c.x, c.width, c.min, c.max, &pos), c.ok) << c.x << "/" << c.max;
    if (c.ok) {
      EXPECT_EQ(pos, c.pos) << c.x << "/" << c.max;
    }
  }
}

TEST(SliderGeometry, HalfwayFillsHalfTheBarAndPlacesTheThumbByTheFreeWidth) {
  SliderGeometry g = ComputeSliderGeometry(50, 0, 99, 400, 256, 14);
  EXPECT_EQ(g.playedDstW, 200);
  EXPECT_EQ(g.playedSrcW, 128);
  EXPECT_EQ(g.restDstX, 201);
  EXPECT_EQ(g.restDstW, 201);
  EXPECT_EQ(g.restSrcW, 128);
  EXPECT_EQ(g.thumbX, 50 * (400 - 14) / 100);
}

// Regression: pos x (width - thumb) overflowed 32 bits for movies of more than about a million frames.
TEST(SliderGeometry, LongMoviesAndOutOfRangePositionsStayOnTheBar) {
  SliderGeometry g = ComputeSliderGeometry(2000000, 0, 2999999, 1920, 14, 14);
  EXPECT_EQ(g.thumbX, static_cast<int>(2000000.0 * 1906 / 3000000));
  for (int pos : {-5, 100, 1 << 30}) {
    SliderGeometry h = ComputeSliderGeometry(pos, 0, 99, 400, 256, 14);
    EXPECT_GE(h.playedDstW, 0) << pos;
    EXPECT_LE(h.playedDstW, 400) << pos;
    EXPECT_GE(h.restSrcW, 0) << pos;
    EXPECT_GE(h.thumbX, 0) << pos;
    EXPECT_LE(h.thumbX, 400 - 14) << pos;
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
  Notification Note(UINT msg, int pos) const { return {msg, CTestHostDlg::kSeekId, pos}; }

  CTestHostDlg& host_ = SharedHost();
  CSkinSliderCtrl& seek_ = host_.m_seek;
};

TEST_F(SeekBar, PressDragAndReleasePostTheirPositions) {
  Send(WM_LBUTTONDOWN, 300);
  EXPECT_EQ(::GetCapture(), seek_.m_hWnd);
  Send(WM_MOUSEMOVE, 450);
  Send(WM_MOUSEMOVE, -5);
  Send(WM_MOUSEMOVE, -10);  // outside the 10-pixel band: no step
  Send(WM_MOUSEMOVE, 605);
  Send(WM_LBUTTONUP, 605);
  const std::vector<Notification> expected = {
      Note(sk::kMsgSliderPress, 9000), Note(sk::kMsgSliderTrack, 13500), Note(sk::kMsgSliderTrack, 0),
      Note(sk::kMsgSliderTrack, 17999), Note(sk::kMsgSliderRelease, 17999)};
  EXPECT_EQ(host_.TakeNotifications(), expected);
  EXPECT_NE(::GetCapture(), seek_.m_hWnd);
  EXPECT_FALSE(seek_.m_bDragging);
}

TEST_F(SeekBar, APressOutsideTheBandStartsNoDrag) {
  Send(WM_LBUTTONDOWN, -10);
  Send(WM_MOUSEMOVE, 100);
  Send(WM_LBUTTONUP, 100);
  EXPECT_TRUE(host_.TakeNotifications().empty());
  Send(WM_LBUTTONDOWN, -5);
  Send(WM_LBUTTONUP, -5);
  EXPECT_EQ(host_.TakeNotifications(),
            (std::vector<Notification>{Note(sk::kMsgSliderPress, 0), Note(sk::kMsgSliderRelease, 0)}));
}

TEST_F(SeekBar, ADisabledSliderPostsNothingAndADisabledDragEnds) {
  seek_.m_bEnabled = FALSE;
  Send(WM_LBUTTONDOWN, 300);
  Send(WM_MOUSEMOVE, 320);
  Send(WM_LBUTTONUP, 320);
  EXPECT_TRUE(host_.TakeNotifications().empty());
  seek_.m_bEnabled = TRUE;
  Send(WM_LBUTTONDOWN, 300);
  seek_.m_bEnabled = FALSE;
  Send(WM_MOUSEMOVE, 330);
  EXPECT_FALSE(seek_.m_bDragging);
  EXPECT_NE(::GetCapture(), seek_.m_hWnd);
  EXPECT_EQ(host_.TakeNotifications(), (std::vector<Notification>{Note(sk::kMsgSliderPress, 9000),
                                                                   Note(sk::kMsgSliderRelease, 9000)}));
}

// Regression: a drag whose capture was taken away never posted its release, which left the owner's
// seek paused and muted.
TEST_F(SeekBar, LosingTheCaptureDuringADragPostsTheReleaseOnce) {
  Send(WM_LBUTTONDOWN, 300);
  Send(WM_MOUSEMOVE, 360);
  ::ReleaseCapture();
  Send(WM_LBUTTONUP, 360);  // a stray release afterwards changes nothing
  EXPECT_EQ(host_.TakeNotifications(),
            (std::vector<Notification>{Note(sk::kMsgSliderPress, 9000), Note(sk::kMsgSliderTrack, 10800),
                                       Note(sk::kMsgSliderRelease, 10800)}));
  EXPECT_FALSE(seek_.m_bDragging);
  // Another window taking the capture ends the drag the same way.
  Send(WM_LBUTTONDOWN, 60);
  ::SetCapture(host_.m_list.m_hWnd);
  ::ReleaseCapture();
  EXPECT_EQ(host_.TakeNotifications(),
            (std::vector<Notification>{Note(sk::kMsgSliderPress, 1800), Note(sk::kMsgSliderRelease, 1800)}));
}

TEST_F(SeekBar, CancelDragEndsTheDragWithoutARelease) {
  Send(WM_LBUTTONDOWN, 300);
  seek_.CancelDrag();
  EXPECT_FALSE(seek_.m_bDragging);
  EXPECT_NE(::GetCapture(), seek_.m_hWnd);
  EXPECT_EQ(host_.TakeNotifications(), (std::vector<Notification>{Note(sk::kMsgSliderPress, 9000)}));
}

bool Bluish(COLORREF c) { return GetBValue(c) > GetRValue(c) + 60; }
bool Greyish(COLORREF c) { return std::abs(GetBValue(c) - GetRValue(c)) < 30 && GetRValue(c) > 40; }

TEST(SliderDrawing, HalfOfARangeOfHundredFillsHalfTheBarWithThePlayedImage) {
  CSkinSliderCtrl& slider = SharedHost().m_edgeSlider;  // 0..99, 400 pixels
  slider.Redraw(50);
  CClientDC dc(&slider);
  quill::test::Pixels p = quill::test::CaptureDC(dc.m_hDC, 0, 0, 400, 16);
  const int track = 8;
  EXPECT_TRUE(Bluish(p.At(10, track)));
  EXPECT_TRUE(Bluish(p.At(185, track)));
  EXPECT_TRUE(Greyish(p.At(215, track)));
  EXPECT_TRUE(Greyish(p.At(390, track)));
  EXPECT_EQ(p.At(100, 0), CTestHostDlg::kBack) << "above the track: the background";
  // The thumb sits at 50 x (400 - 14) / 100 = 193 and is light.
  EXPECT_GT(GetRValue(p.At(196, track)), 150);
}

// Regression: the off-screen buffer was 1920 pixels wide whatever the slider's width.
TEST(SliderDrawing, ASliderWiderThanTheBufferIsPaintedToItsRightEnd) {
  CTestHostDlg& host = SharedHost();
  CSkinSliderCtrl wide;
  ASSERT_TRUE(wide.Create(38199, &host));
  wide.MoveWindow(0, 300, 2400, 16, FALSE);
  wide.ShowWindow(SW_HIDE);
  wide.LoadImages(IDB_SKIN_SEEK_PLAYED, IDB_SKIN_SEEK_REST, IDB_SKIN_SEEK_THUMB, IDB_SKIN_SEEK_THUMB_PRESSED);
  wide.SetRange(0, 99);
  wide.m_nPos = 50;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP surface = CreateCompatibleBitmap(screen, 2400, 16);
  HGDIOBJ old = SelectObject(mem, surface);
  ::SendMessageW(wide.m_hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), 0);
  quill::test::Pixels p = quill::test::CaptureDC(mem, 0, 0, 2400, 16);
  SelectObject(mem, old);
  DeleteObject(surface);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(Bluish(p.At(1000, 8)));
  EXPECT_TRUE(Greyish(p.At(2300, 8)));
  EXPECT_TRUE(Greyish(p.At(2395, 8)));
}

}  // namespace
