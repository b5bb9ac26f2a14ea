// The window-creation hook binds only the window the framework asked for, temporary objects survive
// the idle work of a nested message loop, and a modal dialog whose window is destroyed without
// EndDialog ends its loop; the wait cursor nests.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

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

// A window that makes a child of its own while the system makes it (inside WM_CREATE), or refuses
// its creation.
class CMakerWnd : public CWnd {
 public:
  bool refuse = false;
  CWnd inner;
  bool innerMade = false;
  CWnd* boundAtCreate = nullptr;  // the object the window was bound to when WM_CREATE came

 protected:
  int OnCreate(LPCREATESTRUCT cs) {
    boundAtCreate = FromHandlePermanent(m_hWnd);
    if (refuse) return -1;
    innerMade = inner.CreateEx(0, L"STATIC", L"inner", WS_CHILD, RECT{0, 0, 5, 5}, this, 9) != FALSE;
    return CWnd::OnCreate(cs);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMakerWnd, CWnd)
  ON_WM_CREATE()
END_MESSAGE_MAP()

// A dialog that makes a child dialog from its WM_INITDIALOG.
class CMakerDialog : public CDialog {
 public:
  CMakerDialog() : CDialog(IDD_TEST_MODAL) {}
  CDialog child{IDD_TEST_CHILD};
  bool childMade = false;
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    childMade = child.Create(IDD_TEST_CHILD, this) != FALSE;
    return TRUE;
  }
};

// The hook is kept between creations: creations nested in WM_CREATE and WM_INITDIALOG bind both
// windows; a refused creation leaves nothing bound and the next creation still binds; a window made
// outside the framework's creations is never bound, however many creations came before it.
TEST(CreationHook, NestedRefusedAndForeignCreations) {
  CMakerWnd outer;
  ASSERT_TRUE(outer.CreateEx(0, L"STATIC", L"outer", WS_POPUP, RECT{0, 0, 50, 50}, nullptr, 0));
  EXPECT_EQ(outer.boundAtCreate, &outer);
  ASSERT_TRUE(outer.innerMade);
  EXPECT_EQ(CWnd::FromHandlePermanent(outer.inner.m_hWnd), &outer.inner);
  EXPECT_EQ(::GetParent(outer.inner.m_hWnd), outer.m_hWnd);

  CMakerDialog dialog;
  ASSERT_TRUE(dialog.Create(IDD_TEST_MODAL, nullptr));
  ASSERT_TRUE(dialog.childMade);
  EXPECT_EQ(CWnd::FromHandlePermanent(dialog.m_hWnd), &dialog);
  EXPECT_EQ(CWnd::FromHandlePermanent(dialog.child.m_hWnd), &dialog.child);

  CMakerWnd refused;
  refused.refuse = true;
  EXPECT_FALSE(refused.CreateEx(0, L"STATIC", L"refused", WS_POPUP, RECT{0, 0, 5, 5}, nullptr, 0));
  EXPECT_EQ(refused.boundAtCreate, &refused);  // bound before WM_CREATE, then let go
  EXPECT_EQ(refused.m_hWnd, nullptr);
  EXPECT_EQ(ThisThread().creating.wnd, nullptr);

  // Same class, parent, id and parameters as the request before it: only the framework's own call
  // binds.
  HWND foreign = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, outer.m_hWnd,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(9)), GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(foreign, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(foreign), nullptr);
  CWnd again;
  EXPECT_TRUE(again.CreateEx(0, L"STATIC", L"again", WS_CHILD, RECT{0, 0, 5, 5}, &outer, 10));
  EXPECT_EQ(CWnd::FromHandlePermanent(again.m_hWnd), &again);
  DestroyWindow(foreign);
  dialog.DestroyWindow();
}

// A worker thread's creations bind on that thread with a hook of its own; releasing the worker's
// state removes that hook (removing it again then fails) and leaves no state behind.
TEST(CreationHook, ASecondThreadBindsWithItsOwnHookAndReleasesIt) {
  CWnd mine;
  ASSERT_TRUE(mine.CreateEx(0, L"STATIC", L"", WS_POPUP, RECT{0, 0, 5, 5}, nullptr, 0));
  const HHOOK mainHook = ThisThread().creationHook;
  ASSERT_NE(mainHook, nullptr);
  const int statesBefore = quill::framework::LiveThreadStates();
  bool bound = false, removedAgain = true;
  HHOOK workerHook = nullptr;
  int statesAfterRelease = -1;
  std::thread worker([&] {
    CWnd wnd;
    if (wnd.CreateEx(0, L"STATIC", L"", WS_POPUP, RECT{0, 0, 5, 5}, nullptr, 0)) {
      bound = CWnd::FromHandlePermanent(wnd.m_hWnd) == &wnd;
    }
    workerHook = ThisThread().creationHook;
    wnd.DestroyWindow();
    quill::framework::ReleaseThisThreadState();
    statesAfterRelease = quill::framework::LiveThreadStates();
    removedAgain = workerHook && UnhookWindowsHookEx(workerHook);
  });
  worker.join();
  EXPECT_TRUE(bound);
  EXPECT_NE(workerHook, nullptr);
  EXPECT_NE(workerHook, mainHook);
  EXPECT_FALSE(removedAgain);
  EXPECT_EQ(statesAfterRelease, statesBefore);
  EXPECT_EQ(ThisThread().creationHook, mainHook);  // the main thread's hook stays for its next creations
}

// The hook's calls for anything but a creation make no state on a thread that has none.
TEST(CreationHook, OtherCallsMakeNoThreadState) {
  int before = -1, after = -1;
  std::thread worker([&] {
    before = quill::framework::LiveThreadStates();
    for (int code : {HCBT_ACTIVATE, HCBT_DESTROYWND, HCBT_SETFOCUS, HCBT_CREATEWND}) {
      CBT_CREATEWNDW cbt = {};
      quill::framework::CreationHookProc(code, 0, code == HCBT_CREATEWND ? reinterpret_cast<LPARAM>(&cbt) : 0);
    }
    after = quill::framework::LiveThreadStates();
  });
  worker.join();
  EXPECT_EQ(after, before);
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
