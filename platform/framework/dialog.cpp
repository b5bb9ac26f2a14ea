// CDialog: creation from a template, the modal loop, modeless dialogs and data exchange.
#include "platform/framework/dialog.h"

#include "platform/framework/thread_state.h"

namespace {

// The dialog's messages reach the object through its bound procedure first; this procedure only sees
// what the object passes on, and leaves all of it to the system's dialog handling.
INT_PTR CALLBACK PassThroughDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Skips one sz_Or_Ord field of a template; returns the field's value (a name or an atom; null when
// empty) and moves `at` past it.
LPCWSTR ReadSzOrOrd(const WORD*& at) {
  if (*at == 0) {
    ++at;
    return nullptr;
  }
  if (*at == 0xFFFF) {
    LPCWSTR atom = MAKEINTATOM(at[1]);
    at += 2;
    return atom;
  }
  LPCWSTR name = reinterpret_cast<LPCWSTR>(at);
  at += lstrlenW(name) + 1;
  return name;
}

// The window class a template names (null: the system's dialog class).
LPCWSTR TemplateClassName(LPCDLGTEMPLATEW tmpl) {
  const WORD* at = reinterpret_cast<const WORD*>(tmpl);
  if (at[0] == 1 && at[1] == 0xFFFF) {
    at += 13;  // DLGTEMPLATEEX: dlgVer, signature, helpID(2), exStyle(2), style(2), cDlgItems, x, y, cx, cy
  } else {
    at += 9;   // DLGTEMPLATE: style(2), exStyle(2), cdit, x, y, cx, cy
  }
  ReadSzOrOrd(at);  // menu
  return ReadSzOrOrd(at);
}

}  // namespace

bool WalkPreTranslateTree(MSG* msg) {
  DWORD thread = GetCurrentThreadId();
  for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
    if (GetWindowThreadProcessId(h, nullptr) != thread) break;
    CWnd* wnd = CWnd::FromHandlePermanent(h);
    if (wnd && wnd->PreTranslateMessage(msg)) return true;
  }
  return false;
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (!dx || !dx->m_pDlgWnd || control.m_hWnd) return;
  HWND item = ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id);
  if (item) control.SubclassWindow(item);
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
  if (!dx || !dx->m_pDlgWnd) return;
  HWND item = ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id);
  if (!item) return;
  if (dx->m_bSaveAndValidate) {
    CWnd::FromHandle(item)->GetWindowText(value);
  } else {
    ::SetWindowTextW(item, value);
  }
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  QUILL_MSG_ENTRY(WM_INITDIALOG, 0, 0, 0, return self_->HandleInitDialog(wp_, lp_);)
  ON_COMMAND(IDOK, OnOK)
  ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

bool CDialog::CreateFromTemplate(HWND owner) {
  HINSTANCE module = AfxGetResourceHandle();
  HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(m_nIDTemplate), reinterpret_cast<LPCWSTR>(RT_DIALOG));
  HGLOBAL loaded = res ? LoadResource(module, res) : nullptr;
  auto* tmpl = loaded ? static_cast<LPCDLGTEMPLATEW>(LockResource(loaded)) : nullptr;
  if (!tmpl || m_hWnd) return false;
  // The creation hook binds this object to the dialog window before its first message; without it
  // no dialog is made.
  if (!quill::framework::EnsureCreationHook()) return false;
  auto& state = quill::framework::ThisThread();
  const quill::framework::CreationRequest outer = state.creating;
  state.creating = {this, TemplateClassName(tmpl), owner, nullptr, nullptr, true};
  HWND created = CreateDialogIndirectParamW(module, tmpl, owner, &PassThroughDialogProc,
                                            reinterpret_cast<LPARAM>(this));
  state.creating = outer;
  if (!created) {
    if (m_hWnd) UnsubclassWindow();
    return false;
  }
  return true;
}

INT_PTR CDialog::DoModal() {
  HWND owner = HwndOf(m_pParentWnd);
  if (owner) owner = GetAncestor(owner, GA_ROOT);
  m_modal = true;
  m_endModal = false;
  m_madeModal = false;
  m_quitModal = false;
  m_result = -1;
  // The owner is disabled before the dialog exists, as the system's own modal dialogs do, so no click
  // reaches it in between. It may belong to another thread: EnableWindow works across threads.
  bool disabledOwner = owner && ::IsWindowEnabled(owner) && !::EnableWindow(owner, FALSE);
  if (!CreateFromTemplate(owner)) {
    if (disabledOwner) ::EnableWindow(owner, TRUE);
    m_modal = false;
    return -1;
  }
  m_madeModal = true;
  if (!m_endModal) ShowWindow(SW_SHOWNORMAL);
  if (m_focusAfterShow) {
    m_focusAfterShow = false;
    if (!m_endModal && m_hWnd) GiveDefaultFocus();
  }
  MSG msg;
  while (!m_endModal) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      m_quitModal = true;
      PostQuitMessage(static_cast<int>(msg.wParam));  // the outer loop must see it too
      break;
    }
    if (!WalkPreTranslateTree(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  m_endModal = true;  // the window's destruction below is the loop's own
  // Enable the owner before the dialog goes, so the system gives it the activation back.
  if (disabledOwner) ::EnableWindow(owner, TRUE);
  if (m_hWnd) {
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    DestroyWindow();
  }
  m_modal = false;
  return m_result;
}

void CDialog::PostNcDestroy() {
  if (!m_modal || m_endModal) return;
  // Destroyed under the running loop: end it, and wake it in case it waits for a message.
  m_endModal = true;
  if (m_result == -1) m_result = IDCANCEL;
  ::PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  if (templateId) m_nIDTemplate = templateId;
  if (parent) m_pParentWnd = parent;
  m_modal = false;
  return CreateFromTemplate(HwndOf(m_pParentWnd)) ? TRUE : FALSE;
}

void CDialog::EndDialog(int result) {
  m_result = result;
  if (m_modal) {
    m_endModal = true;
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the loop if it is waiting
  } else {
    ShowWindow(SW_HIDE);  // a modeless dialog stays, hidden, until it is destroyed
  }
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
  UpdateData(FALSE);
  const BOOL wantsFocus = OnInitDialog();
  // DoModal shows a modal dialog right after its creation. The default focus the system gives for
  // TRUE would activate the still hidden window, and a process's first activation (the input
  // method's set-up among it, 15-25 ms under Wine here) would then run before anything shows:
  // DoModal gives the same focus once the window shows instead.
  if (wantsFocus && m_modal && !m_endModal && m_hWnd && !::IsWindowVisible(m_hWnd)) {
    m_focusAfterShow = true;
    return FALSE;
  }
  return wantsFocus;
}

void CDialog::GiveDefaultFocus() {
  const HWND focus = ::GetFocus();
  if (focus && focus != m_hWnd && ::IsChild(m_hWnd, focus)) return;  // the activation chose already
  // As the system chooses after WM_INITDIALOG: the first tab stop, else the first control.
  HWND first = ::GetNextDlgTabItem(m_hWnd, nullptr, FALSE);
  if (!first) first = ::GetNextDlgGroupItem(m_hWnd, nullptr, FALSE);
  if (first) {
    if (::SendMessageW(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) ::SendMessageW(first, EM_SETSEL, 0, -1);
    ::SetFocus(first);
  } else if (!(GetStyle() & WS_CHILD)) {
    ::SetFocus(m_hWnd);
  }
}

BOOL CDialog::OnInitDialog() { return TRUE; }

void CDialog::OnOK() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (!m_hWnd) return FALSE;
  if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)) return FALSE;
  // A child dialog's navigation belongs to its top-level dialog.
  HWND root = (GetStyle() & WS_CHILD) ? GetAncestor(m_hWnd, GA_ROOT) : m_hWnd;
  return ::IsDialogMessageW(root, msg);
}
