// Combo boxes and tool tips.
#include "platform/framework/controls.h"

namespace {

constexpr int kTipTextMax = 260;  // the longest tool tip text read back

// A tool of `owner`: the whole window when id is 0, else a rectangle of it under that id.
TTTOOLINFOW ToolOf(HWND owner, UINT_PTR id) {
  TTTOOLINFOW ti = {};
  ti.cbSize = sizeof ti;
  if (id == 0) {
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = GetParent(owner) ? GetParent(owner) : owner;
    ti.uId = reinterpret_cast<UINT_PTR>(owner);
  } else {
    ti.hwnd = owner;
    ti.uId = id;
  }
  return ti;
}

}  // namespace

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::CreateEx(0, WC_COMBOBOXW, L"", style | WS_CHILD, rect, parent, id);
}

int CComboBox::AddString(LPCWSTR text) {
  return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : L"")));
}

void CComboBox::GetLBText(int index, CString& text) const {
  text.Empty();
  int length = static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index)));
  if (length <= 0) return;  // CB_ERR or an empty item
  int got = static_cast<int>(SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(text.GetBufferSetLength(length + 1))));
  text.ReleaseBuffer(got > 0 && got <= length ? got : 0);
}

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
  return CWnd::CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | style,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, HwndOf(parent), nullptr);
}

BOOL CToolTipCtrl::AddTool(CWnd* wnd, LPCWSTR text, LPCRECT rect, UINT_PTR id) {
  if (!HwndOf(wnd)) return FALSE;
  TTTOOLINFOW ti = ToolOf(wnd->m_hWnd, rect ? id : 0);
  ti.uFlags |= TTF_SUBCLASS;
  if (rect) ti.rect = *rect;
  ti.lpszText = const_cast<LPWSTR>(text ? text : L"");
  return static_cast<BOOL>(SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::DelTool(CWnd* wnd, UINT_PTR id) {
  if (!HwndOf(wnd)) return;
  TTTOOLINFOW ti = ToolOf(wnd->m_hWnd, id);
  SendMessage(TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::UpdateTipText(LPCWSTR text, CWnd* wnd, UINT_PTR id) {
  if (!HwndOf(wnd)) return;
  TTTOOLINFOW ti = ToolOf(wnd->m_hWnd, id);
  ti.lpszText = const_cast<LPWSTR>(text ? text : L"");
  SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

CString CToolTipCtrl::GetText(CWnd* wnd, UINT_PTR id) const {
  CString text;
  if (!HwndOf(wnd)) return text;
  TTTOOLINFOW ti = ToolOf(wnd->m_hWnd, id);
  ti.lpszText = text.GetBufferSetLength(kTipTextMax);
  text.GetBuffer()[0] = L'\0';
  SendMessage(TTM_GETTEXTW, kTipTextMax, reinterpret_cast<LPARAM>(&ti));
  text.ReleaseBuffer(-1);
  return text;
}
