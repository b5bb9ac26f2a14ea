// The browser pane showing an SD card with day folders and every trigger, on a drive typed as
// removable: captured from the screen, saved under the build folder for a person to look at, and
// compared with the reference kept beside the tests.
#include "tests/browser/browser_host.h"
#include "tests/names/card_fixture.h"
#include "tests/skin/removable_drive.h"
#include "tests/skin/skin_capture.h"
#include "tests/support/test_env.h"
#include "tavrin/skin/gdi_drawing.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace quill::test;

constexpr int kTolerance = 24;
constexpr double kMaxDifferentShare = 0.02;

TEST(BrowserScreenshot, ACardWithEveryTriggerLooksLikeTheReference) {
  if (!RunningUnderWine()) GTEST_SKIP() << "needs Wine's mount manager";
  quill::skin::GdiplusSession gdiplus;  // for the PNG files
  TempDir dir;
  const std::wstring card = dir.path() + L"card";
  ASSERT_TRUE(WriteCard(card, EveryTriggerCard()));
  ScopedRemovableDrive drive(L't', card);
  ASSERT_TRUE(drive.ok());
  PaneStage stage;
  stage.pane->OpenSource(L"T:", CFilerContainerDlg::kSourceDrive);
  ASSERT_EQ(stage.pane->m_list.GetItemCount(), 10);
  stage.pane->SelectItem(2, FALSE);  // a manual recording, selected
  PumpMessages(0);
  Host().RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const Pixels shot = CaptureWindow(Host().m_hWnd);
  ASSERT_FALSE(shot.empty());
  const std::wstring out = OutputDir("browser");
  if (!out.empty()) {
    EXPECT_TRUE(SavePng(shot, out + L"browser_pane.png"));
  }

  // Pixels the drawing fixes: dark rows, light event rows, the selected event row, the tree's fill.
  CFileListCtrl& list = stage.pane->m_list;
  RECT listRect;
  list.GetWindowRect(&listRect);
  auto rowColour = [&](int row) {
    RECT rc;
    list.GetItemRect(row, &rc, LVIR_BOUNDS);
    return shot.At(listRect.left + rc.right - 8, listRect.top + (rc.top + rc.bottom) / 2);
  };
  EXPECT_LE(ColourDistance(rowColour(0), CFileListCtrl::kBackColour), 8);        // A
  EXPECT_LE(ColourDistance(rowColour(1), CFileListCtrl::kEventFill), 8);         // G
  EXPECT_LE(ColourDistance(rowColour(2), CFileListCtrl::kSelectedEventFill), 8); // M, selected
  EXPECT_LE(ColourDistance(rowColour(3), CFileListCtrl::kBackColour), 8);        // P
  RECT row0;
  list.GetItemRect(0, &row0, LVIR_BOUNDS);
  EXPECT_EQ(row0.bottom - row0.top, CFileListCtrl::kRowHeight);

  Pixels reference;
  ASSERT_TRUE(LoadPng(ReferenceDir("browser") + L"browser_pane.png", &reference))
      << "no reference picture: look at test-output/browser/browser_pane.png and, when it is right, "
         "copy it to tests/browser/reference/";
  const int differ = CountDifferentPixels(shot, reference, kTolerance);
  ASSERT_GE(differ, 0) << "the capture and the reference differ in size";
  EXPECT_LE(differ, static_cast<int>(shot.width * shot.height * kMaxDifferentShare))
      << differ << " pixels differ from the reference";
}

}  // namespace

namespace {

// Regression: a pane taller than the side-panel picture stretches the picture's whole height; no band
// is taken from outside it.
TEST(BrowserScreenshot, AHiddenPaneShowsTheSidePanelPictureOverItsWholeHeight) {
  quill::skin::GdiplusSession gdiplus;
  ASSERT_TRUE(gdiplus.ok());
  CResourceImage skin;
  skin.Load(&Host());
  HBITMAP panel = skin.Bitmap(214);
  ASSERT_NE(panel, nullptr);
  {
    PaneStage stage;
    stage.pane->m_pSkin = &skin;
    stage.pane->m_bHidden = TRUE;
    RECT rc = {0, 0, 374, 700};  // taller than the picture's 634 rows
    stage.pane->LayoutSideBySide(&rc);
    PumpMessages(0);
    Host().RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    const Pixels shot = CaptureWindow(Host().m_hWnd);
    ASSERT_FALSE(shot.empty());
    // Near the top and the bottom the picture's own frame shows, not black from outside the picture.
    for (int y : {6, 350, 692}) {
      EXPECT_GT(ColourDistance(shot.At(187, y), RGB(0, 0, 0)), 8) << "row " << y;
      EXPECT_GT(ColourDistance(shot.At(187, y), CFilerContainerDlg::kFillColour), 2) << "row " << y;
    }
    EXPECT_FALSE(stage.pane->m_list.IsWindowVisible());
  }
  skin.Unload();
}

}  // namespace
