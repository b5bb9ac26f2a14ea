// The first-run model question as it shows: its caption button, its question clear of the two buttons,
// and a picture of it (<build>/test-output/app/model_dialog.png) for a person to look at. It runs as its
// own process, so that the dialog is the process's first window, the one Wine draws on the test display.
#include <gtest/gtest.h>

#include <windows.h>

#include "tavrin/app/main/small_windows.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tests/skin/skin_capture.h"

namespace {

using namespace quill::test;

RECT ChildPlace(HWND dialog, int id) {
  RECT r = {};
  HWND child = GetDlgItem(dialog, id);
  if (!child) return r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(ModelDialog, HasItsCaptionButtonAndKeepsTheQuestionClearOfTheButtons) {
  InitAppFontsAndLanguage(nullptr);
  CModelSelectDlg dlg;
  ASSERT_TRUE(dlg.Create(CModelSelectDlg::kTemplateId, nullptr));
  // The caption button: command 22, at the caption strip's right end.
  ASSERT_NE(dlg.m_btnCaption.m_hWnd, nullptr);
  EXPECT_EQ(dlg.m_btnCaption.GetDlgCtrlID(), 22);
  RECT client;
  dlg.GetClientRect(&client);
  const RECT close = ChildPlace(dlg.m_hWnd, 22);
  EXPECT_EQ(close.right, client.right - 7);
  EXPECT_EQ(close.top, 4);
  // The question's rectangle shares no pixel with either button and stays inside the window.
  const RECT question = ChildPlace(dlg.m_hWnd, 1019);
  for (int id : {IDOK, IDCANCEL}) {
    const RECT button = ChildPlace(dlg.m_hWnd, id);
    RECT both;
    EXPECT_FALSE(IntersectRect(&both, &question, &button)) << id;
  }
  EXPECT_LE(question.right, client.right);
  EXPECT_LE(question.bottom, client.bottom);
  RedrawWindow(dlg.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const Pixels shot = CaptureWindow(dlg.m_hWnd);
  ASSERT_FALSE(shot.empty());
  const std::wstring out = OutputDir("app");
  if (!out.empty()) {
    quill::skin::GdiplusSession gdiplus;
    EXPECT_TRUE(SavePng(shot, out + L"model_dialog.png"));
  }
  dlg.DestroyWindow();
}

}  // namespace
