// The skinned buttons, check buttons, list control and progress bar on the test dialog, driven by real
// mouse and keyboard messages; what they draw is read back from their windows.
#include <windows.h>

#include <gtest/gtest.h>

#include "res/resource.h"
#include "tavrin/skin/skin_messages.h"
#include "tests/skin/skin_capture.h"
#include "tests/skin/skin_test_host.h"

namespace {

using quill::test::CTestHostDlg;
using quill::test::Notification;
using quill::test::SharedHost;
namespace sk = quill::skin;

LPARAM Pt(int x, int y) { return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(y)); }

void Mouse(CWnd& wnd, UINT msg, int x, int y) {
  ::SendMessageW(wnd.m_hWnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, Pt(x, y));
}

struct IndexCase {
  UINT state;
  BOOL pressed;
  BOOL hover;
  int image;
};

TEST(SkinButtonImageIndex, PicksNormalHoverPressedOrDisabled) {
  const IndexCase cases[] = {
      {0, FALSE, FALSE, 0},           {ODS_SELECTED, FALSE, FALSE, 2},
      {ODS_CHECKED, FALSE, FALSE, 2}, {0, TRUE, FALSE, 2},
      {ODS_DISABLED, FALSE, FALSE, 3}, {ODS_DISABLED | ODS_SELECTED, TRUE, FALSE, 3},
      {ODS_GRAYED, FALSE, FALSE, 1},  {0, FALSE, TRUE, 1},
      {0, TRUE, TRUE, 2},             {ODS_FOCUS, FALSE, FALSE, 0},
  };
  for (const IndexCase& c : cases) {
    EXPECT_EQ(SkinButtonImageIndex(c.state, c.pressed, c.hover), c.image) << c.state << c.pressed << c.hover;
  }
}

// The face colour of each state of the caption-close faces (normal, hover, pressed, disabled).
const COLORREF kFaceFill[4] = {RGB(0x3A, 0x40, 0x4C), RGB(0xD9, 0x45, 0x3B), RGB(0x9C, 0x2A, 0x22),
                               RGB(0x2A, 0x2E, 0x36)};

TEST(SkinButton, EachStateShowsItsOwnFace) {
  CTestHostDlg& host = SharedHost();
  host.ApplyShowcaseStates();
  for (int i = 0; i < 4; ++i) {
    quill::test::Pixels p = quill::test::CaptureWindow(host.m_buttons[i].m_hWnd);
    ASSERT_FALSE(p.empty());
    EXPECT_LT(quill::test::ColourDistance(p.At(1, 6), kFaceFill[i]), 8) << "state " << i;
  }
}

TEST(SkinButton, HoverShowsTheHoverFaceUntilTheMouseLeaves) {
  CTestHostDlg& host = SharedHost();
  host.ApplyShowcaseStates();
  CSkinButton& button = host.m_buttons[0];
  ::SendMessageW(button.m_hWnd, WM_MOUSEHOVER, 0, Pt(5, 5));
  EXPECT_LT(quill::test::ColourDistance(quill::test::CaptureWindow(button.m_hWnd).At(1, 6), kFaceFill[1]), 8);
  button.Invalidate(FALSE);
  button.UpdateWindow();  // a repaint keeps the hover face while the mouse rests on the button
  EXPECT_LT(quill::test::ColourDistance(quill::test::CaptureWindow(button.m_hWnd).At(1, 6), kFaceFill[1]), 8);
  ::SendMessageW(button.m_hWnd, WM_MOUSELEAVE, 0, 0);
  EXPECT_LT(quill::test::ColourDistance(quill::test::CaptureWindow(button.m_hWnd).At(1, 6), kFaceFill[0]), 8);
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
  Notification Pressed() const { return {sk::kMsgButtonPressed, 0, CTestHostDlg::kNotifyButtonId}; }
  Notification Released() const { return {sk::kMsgButtonReleased, 0, CTestHostDlg::kNotifyButtonId}; }

  CTestHostDlg& host_ = SharedHost();
  CSkinButton& button_ = host_.m_notifyButton;
};

TEST_F(NotifyButton, PostsOnePressAndOneReleaseEvenWhenReleasedOutside) {
  Mouse(button_, WM_LBUTTONDOWN, 5, 5);
  EXPECT_TRUE(button_.m_bPressed);
  EXPECT_EQ(::GetCapture(), button_.m_hWnd);
  Mouse(button_, WM_MOUSEMOVE, 200, 5);
  Mouse(button_, WM_LBUTTONUP, 200, 5);
  EXPECT_EQ(host_.TakeNotifications(), (std::vector<Notification>{Pressed(), Released()}));
  EXPECT_FALSE(button_.m_bPressed);
  EXPECT_NE(::GetCapture(), button_.m_hWnd);
}

// Regression: a held button whose capture was taken away (a message box, Alt+Tab, disabling) never
// posted its release, and the controller pad kept turning the view.
TEST_F(NotifyButton, LosingTheCaptureWhileHeldPostsTheReleaseOnce) {
  Mouse(button_, WM_LBUTTONDOWN, 5, 5);
  ::ReleaseCapture();
  Mouse(button_, WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(host_.TakeNotifications(), (std::vector<Notification>{Pressed(), Released()}));
  EXPECT_FALSE(button_.m_bPressed);
  EXPECT_FALSE(button_.m_bDown);

  Mouse(button_, WM_LBUTTONDOWN, 5, 5);
  button_.EnableWindow(FALSE);
  EXPECT_EQ(host_.TakeNotifications(), (std::vector<Notification>{Pressed(), Released()}));
  EXPECT_FALSE(button_.m_bPressed);
}

TEST_F(NotifyButton, AQuickSecondClickIsASecondPress) {
  Mouse(button_, WM_LBUTTONDOWN, 5, 5);
  Mouse(button_, WM_LBUTTONUP, 5, 5);
  Mouse(button_, WM_LBUTTONDBLCLK, 5, 5);
  Mouse(button_, WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(host_.TakeNotifications(), (std::vector<Notification>{Pressed(), Released(), Pressed(), Released()}));
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
  EXPECT_EQ(host.TakeNotifications(),
            (std::vector<Notification>{{WM_COMMAND, CTestHostDlg::kButtonIds[0], 0}}));
}

TEST(SkinButton, ABitmapThatDoesNotLoadKeepsTheImages) {
  CSkinButton& button = SharedHost().m_buttons[0];
  ASSERT_EQ(button.m_imageList.GetImageCount(), 4);
  HIMAGELIST before = button.m_imageList.m_hImageList;
  button.SetImages(4242);
  EXPECT_EQ(button.m_imageList.m_hImageList, before);
  EXPECT_EQ(button.m_imageList.GetImageCount(), 4);
}

TEST(SkinCheckButton, DrawsTheBoxBelowTheTopAndTheTextSixteenPixelsRight) {
  CTestHostDlg& host = SharedHost();
  host.ApplyShowcaseStates();
  quill::test::Pixels unchecked = quill::test::CaptureWindow(host.m_checks[0].m_hWnd);
  quill::test::Pixels checked = quill::test::CaptureWindow(host.m_checks[2].m_hWnd);
  // The box spans (0, 4)-(12, 16): its border is light, the row above it is background.
  EXPECT_LT(quill::test::ColourDistance(unchecked.At(0, 10), RGB(0xB8, 0xC0, 0xCC)), 8);
  EXPECT_EQ(unchecked.At(5, 2), CTestHostDlg::kBack);
  EXPECT_LT(quill::test::ColourDistance(checked.At(2, 6), RGB(0x3D, 0x9B, 0xFF)), 8);
  int textPixels = 0;
  for (int y = 0; y < unchecked.height; ++y) {
    for (int x = 12; x < 16; ++x) EXPECT_EQ(unchecked.At(x, y), CTestHostDlg::kBack) << x << "," << y;
    for (int x = 16; x < unchecked.width; ++x) textPixels += GetRValue(unchecked.At(x, y)) > 150;
  }
  EXPECT_GT(textPixels, 10) << "the label is drawn in the light text colour";
}

TEST(SkinCheckButton, HoverInsideTheBoxShowsTheHoverFaceUnlessChecked) {
  CTestHostDlg& host = SharedHost();
  host.ApplyShowcaseStates();
  CSkinCheckButton& check = host.m_checks[0];
  ::SendMessageW(check.m_hWnd, WM_MOUSEHOVER, 0, Pt(5, 8));
  quill::test::Pixels p = quill::test::CaptureWindow(check.m_hWnd);
  EXPECT_LT(quill::test::ColourDistance(p.At(0, 10), RGB(0x6F, 0xB6, 0xFF)), 8);
  CSkinCheckButton& checked = host.m_checks[2];
  ::SendMessageW(checked.m_hWnd, WM_MOUSEHOVER, 0, Pt(5, 8));
  EXPECT_FALSE(checked.m_bHover);
  host.ApplyShowcaseStates();
}

class SkinList : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 4; ++i) list_.SetStateImage(i, i == 2 ? 3 : CSkinListCtrl::kStateNormal);
    list_.m_nHotItem = -1;
    host_.TakeNotifications();
  }
  void TearDown() override { host_.ApplyShowcaseStates(); }
  CPoint RowCentre(int row) const {
    CRect rc;
    list_.GetItemRect(row, &rc, LVIR_BOUNDS);
    return rc.CenterPoint();
  }
  std::vector<UINT> States() const {
    std::vector<UINT> out;
    for (int i = 0; i < list_.GetItemCount(); ++i) out.push_back(list_.GetStateImage(i));
    return out;
  }

  CTestHostDlg& host_ = SharedHost();
  CSkinListCtrl& list_ = host_.m_list;
};

TEST_F(SkinList, TheHoverLookFollowsTheMouseFromRowToRow) {
  CPoint row0 = RowCentre(0), row1 = RowCentre(1), row2 = RowCentre(2);
  Mouse(list_, WM_MOUSEMOVE, row0.x, row0.y);
  EXPECT_EQ(States(), (std::vector<UINT>{2, 1, 3, 1}));
  Mouse(list_, WM_MOUSEMOVE, row1.x, row1.y);
  EXPECT_EQ(States(), (std::vector<UINT>{1, 2, 3, 1}));
  Mouse(list_, WM_MOUSEMOVE, row2.x, row2.y);  // a chosen row keeps its look
  EXPECT_EQ(States(), (std::vector<UINT>{1, 1, 3, 1}));
  Mouse(list_, WM_MOUSEMOVE, row1.x, row1.y);
  ::SendMessageW(list_.m_hWnd, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(States(), (std::vector<UINT>{1, 1, 3, 1}));
}

TEST_F(SkinList, ClicksReportTheRowOrMinusOneBelowTheLastRow) {
  CPoint row1 = RowCentre(1);
  Mouse(list_, WM_LBUTTONDOWN, row1.x, row1.y);
  Mouse(list_, WM_LBUTTONUP, row1.x, row1.y);
  CRect last;
  list_.GetItemRect(3, &last, LVIR_BOUNDS);
  Mouse(list_, WM_LBUTTONDOWN, 40, last.bottom + 15);
  Mouse(list_, WM_LBUTTONUP, 40, last.bottom + 15);
  std::vector<Notification> notes;
  quill::test::PumpUntil([&] {
    for (const Notification& n : host_.TakeNotifications()) notes.push_back(n);
    return notes.size() >= 2;
  }, 2000);
  EXPECT_EQ(notes, (std::vector<Notification>{{sk::kMsgListClicked, 0, 1}, {sk::kMsgListClicked, 0, -1}}));
  EXPECT_EQ(list_.m_nHotItem, -1);
}

struct FillCase {
  int width, min, max, pos, filled;
};

TEST(SkinProgressBar, FilledWidthFollowsThePositionAndNeverLeavesTheBar) {
  const FillCase cases[] = {{300, 0, 100, 50, 150}, {300, 0, 100, 100, 300}, {300, 0, 0, 0, 0},
                            {300, 0, 100, 150, 300}, {300, 0, 100, -5, 0},   {300, 10, 5, 7, 0},
                            {0, 0, 100, 50, 0}};
  for (const FillCase& c : cases) {
    EXPECT_EQ(ProgressFilledWidth(c.width, c.min, c.max, c.pos), c.filled) << c.pos << "/" << c.max;
  }
}

TEST(SkinProgressBar, HalfwayIsBlueThenWhiteWithTheDigitsInTheOppositeColour) {
  CTestHostDlg& host = SharedHost();
  host.ApplyShowcaseStates();
  quill::test::Pixels p = quill::test::CaptureWindow(host.m_progress.m_hWnd);
  ASSERT_EQ(p.width, 300);
  EXPECT_EQ(p.At(20, 11), RGB(0, 0, 255));
  EXPECT_EQ(p.At(280, 11), RGB(255, 255, 255));
  int whiteOnBlue = 0, blueOnWhite = 0;
  for (int y = 2; y < 20; ++y) {
    for (int x = 100; x < 150; ++x) whiteOnBlue += GetRValue(p.At(x, y)) > 128;
    for (int x = 150; x < 200; ++x) blueOnWhite += GetRValue(p.At(x, y)) < 128;
  }
  EXPECT_GT(whiteOnBlue, 5);
  EXPECT_GT(blueOnWhite, 5);
}

}  // namespace
