// The window-creation hook binds only the window the framework asked for, temporary objects survive
// the idle work of a nested message loop, and a modal dialog whose window is destroyed without
// EndDialog ends its loop; the wait cursor nests.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/framework/app.h"
#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"
#include "platform/framework/thread_state.h"
#include "tests/framework/framework_test_res.h"

namespace {

using quill::framework::CreationRequest;
using quill::framework::ThisThread;

HWND MakePlainWindow(LPCWSTR cls, HWND parent, DWORD style) {
  return CreateWindowExW(0, cls, L"", style, 0, 0, 50, 50, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The hook sees a window the system makes first (an input method's default window, a top-level
// "IME" window) before the requested one: only the requested one is bound.
TEST(CreationHook, BindsOnlyTheRequestedWindow) {
  HWND parent = MakePlainWindow(L"STATIC", nullptr, WS_POPUP);
  HWND intruder = MakePlainWindow(L"STATIC", nullptr, WS_POPUP);
  HWND target = MakePlainWindow(L"BUTTON", parent, WS_CHILD);
  ASSERT_TRUE(parent && intruder && target);
  CWnd wnd;
  const HMENU id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(7));
  const CreationRequest saved = ThisThread().creating;
  ThisThread().creating = {&wnd, L"BUTTON", parent, id, nullptr, false};

  struct Seen {
    HWND hwnd;
    CREATESTRUCTW cs;
  };
  Seen seen[] = {
      {intruder, {nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 0, static_cast<LONG>(WS_POPUP), L"Default IME", L"IME", 0}},
      {intruder, {nullptr, nullptr, nullptr, parent, 0, 0, 0, 0, WS_CHILD, L"", L"BUTTON", 0}},  // no id
      {intruder, {nullptr, nullptr, id, parent, 0, 0, 0, 0, WS_CHILD, L"", L"Static", 0}},
      // A program with version 6 of the common controls sees the class under its versioned name.
      {target, {nullptr, nullptr, id, parent, 0, 0, 0, 0, WS_CHILD, L"", L"6.0.2600.2982!Button", 0}},
  };
  const HWND expectedBinding[] = {nullptr, nullptr, nullptr, target};
  for (size_t i = 0; i < sizeof seen / sizeof seen[0]; ++i) {
    CBT_CREATEWNDW cbt = {&seen[i].cs, nullptr};
    quill::framework::CreationHookProc(HCBT_CREATEWND, reinterpret_cast<WPARAM>(seen[i].hwnd),
                                       reinterpret_cast<LPARAM>(&cbt));
    EXPECT_EQ(wnd.m_hWnd, expectedBinding[i]) << "window " << i;
  }
  EXPECT_EQ(ThisThread().creating.wnd, nullptr);  // consumed by the match
  ThisThread().creating = saved;
  wnd.DestroyWindow();
  DestroyWindow(intruder);
  DestroyWindow(parent);
}

// The same through the real calls: controls, a top-level window and a dialog are bound to their
// objects (a hook that bound nothing would leave them without their objects).
TEST(CreationHook, RealCreationsAreBound) {
  CWnd top;
  ASSERT_TRUE(top.CreateEx(0, L"STATIC", L"top", WS_POPUP, RECT{0, 0, 100, 100}, nullptr, 0));
  CButton button;
  CStatic label;
  EXPECT_TRUE(button.Create(L"b", WS_VISIBLE | BS_OWNERDRAW, RECT{0, 0, 10, 10}, &top, 1234));
  EXPECT_TRUE(label.Create(L"s", WS_VISIBLE, RECT{0, 0, 10, 10}, &top, 1235));
  CDialog child(IDD_TEST_CHILD, &top);
  EXPECT_TRUE(child.Create(IDD_TEST_CHILD, &top));
  for (CWnd* w : {static_cast<CWnd*>(&top), static_cast<CWnd*>(&button), static_cast<CWnd*>(&label),
                  static_cast<CWnd*>(&child)}) {
    ASSERT_NE(w->m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(w->m_hWnd), w);
  }
}

// A window whose handler holds a temporary object across a nested loop, in which a timer runs the
// application's idle work.
class CNestedLoopWnd : public CWnd {
 public:
  HWND other = nullptr;
  bool tempSurvived = false;
  int idleRuns = 0;

 protected:
  LRESULT OnRun(WPARAM, LPARAM) {
    CWnd* temp = CWnd::FromHandle(other);  // a temporary wrapper, held below
    SetTimer(1, 1);
    MSG msg;
    while (idleRuns == 0 && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    KillTimer(1);
    tempSurvived = ThisThread().tempWindows.count(other) == 1 && temp->m_hWnd == other;
    return 0;
  }
  void OnTimer(UINT_PTR) {
    AfxGetApp()->OnIdle(1);
    ++idleRuns;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNestedLoopWnd, CWnd)
  ON_MESSAGE(WM_APP + 50, OnRun)
  ON_WM_TIMER()
END_MESSAGE_MAP()

TEST(IdleWork, TemporariesSurviveANestedLoopAndGoAtTheOutermost) {
  CWinApp app;
  CNestedLoopWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, L"STATIC", L"", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
  wnd.other = MakePlainWindow(L"STATIC", nullptr, WS_POPUP);
  wnd.SendMessage(WM_APP + 50);
  EXPECT_EQ(wnd.idleRuns, 1);
  EXPECT_TRUE(wnd.tempSurvived);
  app.OnIdle(0);  // the outermost loop's idle work frees them
  EXPECT_EQ(ThisThread().tempWindows.count(wnd.other), 0u);
  DestroyWindow(wnd.other);
}

class CDestroyedDialog : public CDialog {
 public:
  CDestroyedDialog() : CDialog(IDD_TEST_MODAL) {}
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetTimer(1, 1);
    return TRUE;
  }

 protected:
  void OnTimer(UINT_PTR) {
    KillTimer(1);
    DestroyWindow();  // gone without EndDialog
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDestroyedDialog, CDialog)
  ON_WM_TIMER()
END_MESSAGE_MAP()

TEST(ModalDialog, DestroyedWithoutEndDialogEndsItsLoop) {
  CDestroyedDialog dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_TRUE(dlg.ModalWindowMade());
  EXPECT_FALSE(dlg.EndedByQuit());
}

}  // namespace

namespace {

TEST(WaitCursor, NestedBeginsNeedTheirEnds) {
  ASSERT_EQ(AfxWaitCursorDepth(), 0);
  {
    CWaitCursor outer;
    {
      CWaitCursor inner;
      EXPECT_EQ(AfxWaitCursorDepth(), 2);
    }
    EXPECT_EQ(AfxWaitCursorDepth(), 1);
  }
  AfxEndWaitCursor();  // one End too many: nothing to undo
  EXPECT_EQ(AfxWaitCursorDepth(), 0);
  AfxBeginWaitCursor();
  EXPECT_EQ(AfxWaitCursorDepth(), 1);
  AfxEndWaitCursor();
}

}  // namespace
