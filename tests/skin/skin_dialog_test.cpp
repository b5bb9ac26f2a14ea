// The skinned dialog base: frame removal, dragging by the caption band (top-level and child dialogs),
// the caption strip, the close button, and the child placement callback of the template dialogs.
#include <windows.h>

#include <gtest/gtest.h>

#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/skin_dialog.h"
#include "tests/skin/skin_capture.h"
#include "tests/skin/skin_test_ids.h"

namespace {

constexpr UINT kCloseCommand = 77;

LPARAM Pt(int x, int y) { return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(y)); }

class CTestSkinDlg : public CSkinDialog {
 public:
  explicit CTestSkinDlg(UINT id) : CSkinDialog(id, nullptr) {}
  int m_nCloseCommands = 0;

 protected:
  void OnCloseCommand() { ++m_nCloseCommands; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestSkinDlg, CSkinDialog)
  ON_WM_PAINT()
  ON_COMMAND(kCloseCommand, OnCloseCommand)
END_MESSAGE_MAP()

void Mouse(HWND h, UINT msg, int x, int y) { SendMessageW(h, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, Pt(x, y)); }

RECT RectInParent(HWND h) {
  RECT rc = {};
  GetWindowRect(h, &rc);
  HWND parent = GetParent(h);
  if (parent && (GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
  }
  return rc;
}

class SkinDialogDrag : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dlg_.Create(IDD_TEST_HOST, nullptr));
    dlg_.MoveWindow(100, 100, 300, 200, TRUE);
    dlg_.ShowWindow(SW_SHOWNA);
    quill::test::PumpMessages(0);
  }
  CTestSkinDlg dlg_{IDD_TEST_HOST};
};

TEST_F(SkinDialogDrag, TheFrameIsRemoved) {
  EXPECT_EQ(dlg_.GetStyle() & WS_BORDER, 0u);
}

TEST_F(SkinDialogDrag, APressInTheCaptionBandDragsTheWindowWithTheMouse) {
  Mouse(dlg_.m_hWnd, WM_LBUTTONDOWN, 50, 19);
  EXPECT_TRUE(dlg_.m_bDragging);
  Mouse(dlg_.m_hWnd, WM_MOUSEMOVE, 80, 29);
  Mouse(dlg_.m_hWnd, WM_LBUTTONUP, 80, 29);
  RECT rc = RectInParent(dlg_.m_hWnd);
  EXPECT_EQ(rc.left, 130);
  EXPECT_EQ(rc.top, 110);
  EXPECT_EQ(rc.right - rc.left, 300);
  EXPECT_FALSE(dlg_.m_bDragging);
  EXPECT_NE(GetCapture(), dlg_.m_hWnd);
}

TEST_F(SkinDialogDrag, APressBelowTheBandOrOnAFixedDialogMovesNothing) {
  Mouse(dlg_.m_hWnd, WM_LBUTTONDOWN, 50, 20);
  Mouse(dlg_.m_hWnd, WM_MOUSEMOVE, 80, 50);
  Mouse(dlg_.m_hWnd, WM_LBUTTONUP, 80, 50);
  EXPECT_EQ(RectInParent(dlg_.m_hWnd).left, 100);
  dlg_.m_bMovable = FALSE;
  Mouse(dlg_.m_hWnd, WM_LBUTTONDOWN, 50, 5);
  Mouse(dlg_.m_hWnd, WM_MOUSEMOVE, 80, 50);
  Mouse(dlg_.m_hWnd, WM_LBUTTONUP, 80, 50);
  EXPECT_EQ(RectInParent(dlg_.m_hWnd).left, 100);
  EXPECT_EQ(RectInParent(dlg_.m_hWnd).top, 100);
}

TEST_F(SkinDialogDrag, LosingTheCaptureEndsTheDrag) {
  Mouse(dlg_.m_hWnd, WM_LBUTTONDOWN, 50, 10);
  ReleaseCapture();
  EXPECT_FALSE(dlg_.m_bDragging);
  Mouse(dlg_.m_hWnd, WM_MOUSEMOVE, 90, 60);
  EXPECT_EQ(RectInParent(dlg_.m_hWnd).left, 100);
}

// Regression: a child dialog (the map frame, the logo) jumped by its parent's screen position on the
// first drag step, because its screen rectangle was handed to MoveWindow as parent coordinates.
TEST(SkinDialogChildDrag, AChildDialogMovesByTheDragAndDoesNotJump) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), L"parent", WS_POPUP | WS_VISIBLE, 200, 150, 500, 400,
                              nullptr, nullptr));
  CTestSkinDlg child(IDD_TEST_CHILD);
  ASSERT_TRUE(child.Create(IDD_TEST_CHILD, &parent));
  child.MoveWindow(20, 30, 150, 100, TRUE);
  child.ShowWindow(SW_SHOWNA);
  Mouse(child.m_hWnd, WM_LBUTTONDOWN, 10, 5);
  Mouse(child.m_hWnd, WM_MOUSEMOVE, 40, 15);
  Mouse(child.m_hWnd, WM_LBUTTONUP, 40, 15);
  RECT rc = RectInParent(child.m_hWnd);
  EXPECT_EQ(rc.left, 50);
  EXPECT_EQ(rc.top, 40);
  EXPECT_EQ(rc.right - rc.left, 150);
}

TEST(SkinDragTarget, ConvertsToParentCoordinatesOnlyForChildren) {
  const RECT window = {300, 200, 400, 260};
  RECT top = SkinDragTarget(window, POINT{5, -3}, false, POINT{200, 150});
  EXPECT_EQ(top.left, 305);
  EXPECT_EQ(top.top, 197);
  RECT child = SkinDragTarget(window, POINT{5, -3}, true, POINT{200, 150});
  EXPECT_EQ(child.left, 105);
  EXPECT_EQ(child.top, 47);
  EXPECT_EQ(child.right - child.left, 100);
}

TEST_F(SkinDialogDrag, TheCaptionButtonSitsTopRightAndSendsItsCommand) {
  dlg_.CreateCaptionButton(kCloseCommand);
  ASSERT_NE(dlg_.m_btnCaption.m_hWnd, nullptr);
  RECT client = {};
  dlg_.GetClientRect(&client);
  RECT rc = RectInParent(dlg_.m_btnCaption.m_hWnd);
  EXPECT_EQ(rc.left, client.right - 20);
  EXPECT_EQ(rc.top, 4);
  EXPECT_EQ(rc.right, client.right - 7);
  EXPECT_EQ(rc.bottom, 16);
  EXPECT_EQ(dlg_.m_btnCaption.m_imageList.GetImageCount(), 4);
  EXPECT_FALSE(dlg_.m_btnCaption.m_bNotifyPress);
  Mouse(dlg_.m_btnCaption.m_hWnd, WM_LBUTTONDOWN, 5, 5);
  Mouse(dlg_.m_btnCaption.m_hWnd, WM_LBUTTONUP, 5, 5);
  quill::test::PumpMessages(0);
  EXPECT_EQ(dlg_.m_nCloseCommands, 1);
}

TEST_F(SkinDialogDrag, TheCaptionStripIsGreyWithTheWindowTextAndNothingBelow) {
  HDC screen = GetDC(nullptr);
  CDC dc;
  dc.Attach(CreateCompatibleDC(screen));
  HBITMAP surface = CreateCompatibleBitmap(screen, 300, 40);
  HGDIOBJ old = SelectObject(dc.m_hDC, surface);
  RECT all = {0, 0, 300, 40};
  HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
  FillRect(dc.m_hDC, &all, green);
  DeleteObject(green);
  dlg_.PaintBackground(&dc);
  quill::test::Pixels p = quill::test::CaptureDC(dc.m_hDC, 0, 0, 300, 40);
  SelectObject(dc.m_hDC, old);
  DeleteObject(surface);
  DeleteDC(dc.Detach());
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(p.At(250, 10), RGB(128, 128, 128));
  EXPECT_EQ(p.At(250, 19), RGB(128, 128, 128));
  EXPECT_EQ(p.At(250, 20), RGB(0, 128, 0));
  int textPixels = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 5; x < 200; ++x) textPixels += GetRValue(p.At(x, y)) > 200;
  }
  EXPECT_GT(textPixels, 10) << "the window text in light letters";
}

// Regression: children were moved to their screen position taken as dialog coordinates, so a dialog
// away from the screen's corner pushed them out of sight.
TEST(RepositionChildProc, KeepsTemplateChildrenWhereTheyAreWhereverTheDialogIs) {
  CTestSkinDlg dlg(IDD_TEST_PLACEMENT);
  ASSERT_TRUE(dlg.Create(IDD_TEST_PLACEMENT, nullptr));
  dlg.MoveWindow(300, 200, 400, 300, TRUE);
  HWND a = GetDlgItem(dlg.m_hWnd, 9101), b = GetDlgItem(dlg.m_hWnd, 9102);
  const RECT beforeA = RectInParent(a), beforeB = RectInParent(b);
  EnumChildWindows(dlg.m_hWnd, &RepositionChildProc, reinterpret_cast<LPARAM>(dlg.m_hWnd));
  const RECT afterA = RectInParent(a), afterB = RectInParent(b);
  EXPECT_TRUE(EqualRect(&beforeA, &afterA));
  EXPECT_TRUE(EqualRect(&beforeB, &afterB));
  EXPECT_TRUE(RepositionChildProc(a, reinterpret_cast<LPARAM>(b))) << "not a child of b: passed over";
}

}  // namespace
