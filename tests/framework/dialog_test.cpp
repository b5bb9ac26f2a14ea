// Dialogs from templates: modal runs on the UI thread and on a worker owned by a UI-thread window, the
// keyboard through the modal loop, notify results reaching a template control, subclassing of a
// template control, and a modeless child dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"
#include "platform/framework/thread.h"
#include "tests/framework/framework_test_res.h"

namespace {

constexpr UINT_PTR kEndTimer = 1;
constexpr UINT kEndTimerMs = 50;
constexpr UINT kMsgFromStatic = WM_APP + 20;

// The static of the template, bound through DDX_Control: its messages reach this object.
class CClickStatic : public CStatic {
 public:
  int clicks = 0;
  int custom = 0;

 protected:
  void OnLButtonDown(UINT, CPoint) { ++clicks; }
  LRESULT OnCustom(WPARAM wp, LPARAM) { ++custom; return static_cast<LRESULT>(wp) * 2; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CClickStatic, CStatic)
  ON_WM_LBUTTONDOWN()
  ON_MESSAGE(kMsgFromStatic, OnCustom)
END_MESSAGE_MAP()

// The test dialog ends itself with `endWith` from a timer, or waits for the test to end it.
class CTestDialog : public CDialog {
 public:
  explicit CTestDialog(CWnd* parent = nullptr) : CDialog(IDD_TEST_MODAL, parent) {}
  int endWith = 0;          // 0: do not end from the timer
  bool postEscape = false;  // end by an Escape key press through the modal loop instead
  bool ownerDisabledWhileRunning = false;
  DWORD ownerOfDialog = 0;
  int itemPrepaints = 0;
  int prepaints = 0;
  CClickStatic label;
  CListCtrl list;

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, IDC_TEST_STATIC, label);
    DDX_Control(dx, IDC_TEST_LIST, list);
    DDX_Text(dx, IDC_TEST_OWNERDRAW, buttonText);
  }

 public:
  CString buttonText = L"初期値";

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    ownerDisabledWhileRunning = owner && !::IsWindowEnabled(owner);
    list.InsertColumn(0, L"ファイル名", LVCFMT_LEFT, 120);
    list.InsertItem(0, L"001_120000A_M.MP4");
    list.InsertItem(1, L"001_120100G_M.MP4");
    SetTimer(kEndTimer, kEndTimerMs);
    return TRUE;
  }
  void OnTimer(UINT_PTR id) {
    if (id != kEndTimer) return;
    KillTimer(kEndTimer);
    if (postEscape) {
      ::PostMessageW(::GetFocus() ? ::GetFocus() : m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
    } else if (endWith) {
      EndDialog(endWith);
    }
  }
  // The list asks whether to be told about each item: the answer must reach it.
  void OnListCustomDraw(NMHDR* hdr, LRESULT* result) {
    auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
    if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
      ++prepaints;
      *result = CDRF_NOTIFYITEMDRAW;
    } else if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
      ++itemPrepaints;
      *result = CDRF_DODEFAULT;
    }
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestDialog, CDialog)
  ON_WM_TIMER()
  ON_NOTIFY(NM_CUSTOMDRAW, IDC_TEST_LIST, OnListCustomDraw)
END_MESSAGE_MAP()

class CChildDialog : public CDialog {
 public:
  int clicks = 0;

 protected:
  void OnChildButton() { ++clicks; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CChildDialog, CDialog)
  ON_BN_CLICKED(IDC_TEST_CHILD_BUTTON, OnChildButton)
END_MESSAGE_MAP()

class COwnerWnd : public CWnd {
 public:
  BOOL Make() {
    return CreateEx(0, AfxRegisterWndClass(0, nullptr, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))),
                    L"所有者", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(50, 50, 450, 350), nullptr, 0);
  }
};

// Pumps the calling thread's messages until the handle is signalled or the time is up.
bool PumpUntil(HANDLE h, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    DWORD left = timeoutMs - (GetTickCount() - start);
    if (GetTickCount() - start >= timeoutMs) return false;
    DWORD r = MsgWaitForMultipleObjects(1, &h, FALSE, left, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
    if (r != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

TEST(ModalDialog, EscapeGoesThroughTheModalLoopAndCancels) {
  CTestDialog dlg;
  dlg.postEscape = true;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

struct WorkerRun {
  COwnerWnd* owner;
  std::atomic<INT_PTR> result{0};
  std::atomic<bool> ownerDisabled{false};
};

UINT __cdecl RunDialogOnWorker(LPVOID param) {
  auto* run = static_cast<WorkerRun*>(param);
  CTestDialog dlg(run->owner);
  dlg.endWith = 77;
  run->result = dlg.DoModal();
  run->ownerDisabled = dlg.ownerDisabledWhileRunning;
  return 0;
}

TEST(ModalDialog, RunsOnAWorkerWithAnOwnerOfTheUiThreadAndGivesTheOwnerBack) {
  COwnerWnd owner;
  ASSERT_TRUE(owner.Make());
  WorkerRun run;
  run.owner = &owner;
  CWinThread* worker = AfxBeginThread(&RunDialogOnWorker, &run, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(worker, nullptr);
  worker->m_bAutoDelete = FALSE;
  worker->ResumeThread();
  // The UI thread keeps pumping: the worker's dialog disables and enables this thread's window.
  ASSERT_TRUE(PumpUntil(worker->m_hThread, 20000)) << "the worker's dialog did not end";
  delete worker;
  EXPECT_EQ(run.result.load(), 77);
  EXPECT_TRUE(run.ownerDisabled.load());
  EXPECT_TRUE(owner.IsWindowEnabled());
}

TEST(ModalDialog, ANotifyResultOfTheDialogReachesTheListControl) {
  CTestDialog dlg;
  dlg.endWith = IDOK;
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_GE(dlg.prepaints, 1);
  EXPECT_GE(dlg.itemPrepaints, 2) << "the list only asks per item when it got CDRF_NOTIFYITEMDRAW";
}

TEST(ModelessDialog, ATemplateControlBoundByDdxControlGetsItsMessages) {
  CTestDialog dlg;
  ASSERT_TRUE(dlg.Create(IDD_TEST_MODAL));
  ASSERT_NE(dlg.label.m_hWnd, nullptr);
  EXPECT_EQ(dlg.label.m_hWnd, ::GetDlgItem(dlg.m_hWnd, IDC_TEST_STATIC));
  EXPECT_EQ(CWnd::FromHandlePermanent(dlg.label.m_hWnd), &dlg.label);
  ::SendMessageW(dlg.label.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  EXPECT_EQ(::SendMessageW(dlg.label.m_hWnd, kMsgFromStatic, 21, 0), 42);
  EXPECT_EQ(dlg.label.clicks, 1);
  CString text;
  dlg.label.GetWindowText(text);
  EXPECT_EQ(text, L"再生");  // the template's UTF-8 text came through

  // The text exchange filled the control at initialisation and reads it back on request.
  EXPECT_EQ(CWnd::FromHandle(::GetDlgItem(dlg.m_hWnd, IDC_TEST_OWNERDRAW))->GetWindowTextLength(), 3);
  ::SetDlgItemTextW(dlg.m_hWnd, IDC_TEST_OWNERDRAW, L"変更後");
  ASSERT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_EQ(dlg.buttonText, L"変更後");
  EXPECT_EQ(dlg.label.m_hWnd, ::GetDlgItem(dlg.m_hWnd, IDC_TEST_STATIC)) << "bound once, not again";
  dlg.DestroyWindow();
}

TEST(ModelessDialog, AChildDialogFromATemplateLivesInsideItsParent) {
  COwnerWnd parent;
  ASSERT_TRUE(parent.Make());
  CChildDialog child;
  ASSERT_TRUE(child.Create(IDD_TEST_CHILD, &parent));
  EXPECT_TRUE(child.GetStyle() & WS_CHILD);
  EXPECT_EQ(::GetParent(child.m_hWnd), parent.m_hWnd);
  EXPECT_TRUE(child.IsWindowVisible());
  HWND button = ::GetDlgItem(child.m_hWnd, IDC_TEST_CHILD_BUTTON);
  ASSERT_NE(button, nullptr);
  ::SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(child.clicks, 1);
  child.EndDialog(IDCANCEL);  // a modeless dialog is only hidden
  EXPECT_TRUE(::IsWindow(child.m_hWnd));
  EXPECT_FALSE(child.IsWindowVisible());
}

}  // namespace

namespace {

constexpr UINT kCheckFocus = WM_APP + 30;

// A modal dialog that records its activations and, once its loop runs, where the focus is.
class CFocusDialog : public CDialog {
 public:
  CFocusDialog() : CDialog(IDD_TEST_MODAL) {}
  UINT focusControl = 0;      // 0: OnInitDialog returns TRUE (the default focus); else it sets this
  int activations = 0;
  bool activatedHidden = false;
  int focusedId = -1;

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    PostMessage(kCheckFocus);
    if (!focusControl) return TRUE;
    ::SetFocus(::GetDlgItem(m_hWnd, static_cast<int>(focusControl)));
    return FALSE;
  }

 protected:
  LRESULT OnActivateMessage(WPARAM wp, LPARAM lp) {
    if (LOWORD(wp) != WA_INACTIVE) {
      ++activations;
      if (!IsWindowVisible()) activatedHidden = true;
    }
    return DefWindowProc(WM_ACTIVATE, wp, lp);
  }
  LRESULT OnCheckFocus(WPARAM, LPARAM) {
    const HWND focus = ::GetFocus();
    focusedId = focus && ::IsChild(m_hWnd, focus) ? ::GetDlgCtrlID(focus) : 0;
    EndDialog(IDOK);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFocusDialog, CDialog)
  ON_MESSAGE(WM_ACTIVATE, OnActivateMessage)
  ON_MESSAGE(kCheckFocus, OnCheckFocus)
END_MESSAGE_MAP()

// The default focus a modal dialog's OnInitDialog asks for lands where the system puts it (the first
// tab stop), but only once the window shows: giving it at once activated the hidden window, and a
// process's first activation then ran before anything showed. A focus the dialog sets itself stays.
TEST(ModalDialog, TheDefaultFocusComesWithTheShowAndAChosenFocusStays) {
  const struct {
    UINT focusControl;
    int expectedFocus;
  } cases[] = {
      {0, IDC_TEST_LIST},  // TRUE: the first tab stop
      {IDC_TEST_OWNERDRAW, IDC_TEST_OWNERDRAW},
  };
  for (const auto& c : cases) {
    CFocusDialog dlg;
    dlg.focusControl = c.focusControl;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.focusedId, c.expectedFocus) << "focus set by the dialog: " << c.focusControl;
    EXPECT_GE(dlg.activations, 1) << c.focusControl;
    if (!c.focusControl) {
      EXPECT_FALSE(dlg.activatedHidden);
    }
  }
}

}  // namespace
