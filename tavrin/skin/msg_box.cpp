// CMsgBox and its dialog CMsgDlg: measuring, layout by type, painting and the answers.
#include "tavrin/skin/msg_box.h"

#include <algorithm>

#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/ui_texts.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
// Margins around the text: the text box is the text plus these; the dialog adds the button band.
constexpr int kTextBoxExtraW = 80;
constexpr int kTextBoxExtraH = 60;
constexpr int kButtonBandH = 80;
constexpr int kTextLeft = 40;
constexpr int kTextTop = 30;
constexpr int kButtonW = 100;
constexpr int kButtonH = 30;
constexpr int kButtonRight = 115;   // the slot's left edge from the dialog's right edge
constexpr int kButtonBottom = 45;   // the slot's top edge from the dialog's bottom edge
constexpr int kButtonGap = 15;
constexpr int kWhiteBandBottom = 60;  // the bottom band keeps the dialog colour
// UI texts of the buttons.
constexpr unsigned kTextYes = 191, kTextNo = 192, kTextOk = 193, kTextCancel = 194;

bool TwoButtons(UINT type) { return type == CMsgBox::kTypeOkCancel || type == CMsgBox::kTypeYesNo; }

}  // namespace

MsgBoxLayout ComputeMsgBoxLayout(SIZE textSize, UINT type) {
  MsgBoxLayout out = {};
  const int boxW = textSize.cx + kTextBoxExtraW;
  const int boxH = textSize.cy + kTextBoxExtraH;
  out.dialog = SIZE{boxW, boxH + kButtonBandH};
  out.text = RECT{kTextLeft, kTextTop, kTextLeft + boxW - kTextLeft, kTextTop + boxH - kTextTop};
  const RECT slot = {out.dialog.cx - kButtonRight, out.dialog.cy - kButtonBottom,
                     out.dialog.cx - kButtonRight + kButtonW, out.dialog.cy - kButtonBottom + kButtonH};
  if (TwoButtons(type)) {
    out.cancelButton = slot;
    out.okButton = slot;
    OffsetRect(&out.okButton, -(kButtonW + kButtonGap), 0);
    out.showOk = out.showCancel = true;
  } else {
    // Type 0, and any unknown type, so that such a box can still be answered.
    out.okButton = slot;
    out.showOk = true;
  }
  return out;
}

POINT PlaceMsgBox(const RECT& ownerRect, bool iconic, SIZE size, const RECT& workArea) {
  const RECT& centreOn = iconic ? workArea : ownerRect;
  LONG x = centreOn.left + ((centreOn.right - centreOn.left) - size.cx) / 2;
  LONG y = centreOn.top + ((centreOn.bottom - centreOn.top) - size.cy) / 2;
  // Right and bottom edges first, so that a box larger than the area keeps its top-left corner in it.
  x = std::max(std::min(x, workArea.right - size.cx), workArea.left);
  y = std::max(std::min(y, workArea.bottom - size.cy), workArea.top);
  return POINT{x, y};
}

BEGIN_MESSAGE_MAP(CMsgDlg, CSkinDialog)
  ON_WM_PAINT()
  ON_WM_ERASEBKGND()
  ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CMsgDlg::CMsgDlg(const wchar_t* text, const wchar_t* caption, UINT type, CWnd* owner)
    : CSkinDialog(kTemplateId, owner),
      m_pszText(text ? text : L""),
      m_pszCaption(caption ? caption : L""),
      m_nType(type),
      m_pOwner(owner) {}

CMsgDlg::~CMsgDlg() {
  if (m_hWhiteBrush) ::DeleteObject(m_hWhiteBrush);
}

SIZE CMsgDlg::MeasureText() {
  SIZE total = {0, 0};
  CClientDC dc(this);
  CDCSave saved(dc.m_hDC);
  // The static shows the text in the 10-point font: measure with the same font.
  if (g_hFont10) ::SelectObject(dc.m_hDC, g_hFont10);
  const wchar_t* line = m_pszText;
  for (;;) {
    const wchar_t* end = line;
    while (*end && *end != L'\n') ++end;
    int len = static_cast<int>(end - line);
    if (len > 0 && line[len - 1] == L'\r') --len;
    SIZE size = {0, 0};
    if (len > 0) {
      ::GetTextExtentPoint32W(dc.m_hDC, line, len, &size);
    } else {
      ::GetTextExtentPoint32W(dc.m_hDC, L" ", 1, &size);  // an empty line still takes its height
      size.cx = 0;
    }
    total.cx = std::max(total.cx, size.cx);
    total.cy += size.cy;
    if (!*end) break;
    line = end + 1;
  }
  return total;
}

BOOL CMsgDlg::OnInitDialog() {
  CSkinDialog::OnInitDialog();
  m_hWhiteBrush = ::CreateSolidBrush(kWhite);
  HWND text = ::GetDlgItem(m_hWnd, kTextId);
  HWND ok = ::GetDlgItem(m_hWnd, IDOK);
  HWND cancel = ::GetDlgItem(m_hWnd, IDCANCEL);
  for (HWND h : {m_hWnd, text, ok, cancel}) {
    if (h) ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(g_hFont10), TRUE);
  }
  SetWindowText(m_pszCaption);
  if (text) ::SetWindowTextW(text, m_pszText);
  if (!m_pOwner) m_pOwner = CWnd::GetDesktopWindow();

  const MsgBoxLayout layout = ComputeMsgBoxLayout(MeasureText(), m_nType);
  CRect ownerRect;
  m_pOwner->GetWindowRect(&ownerRect);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  RECT work = ownerRect;
  if (GetMonitorInfoW(MonitorFromWindow(m_pOwner->m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
    work = monitor.rcWork;
  }
  const POINT at = PlaceMsgBox(ownerRect, m_pOwner->IsIconic() != FALSE, layout.dialog, work);
  MoveWindow(at.x, at.y, layout.dialog.cx, layout.dialog.cy, TRUE);
  if (text) {
    const RECT& r = layout.text;
    ::MoveWindow(text, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  const bool yesNo = m_nType == CMsgBox::kTypeYesNo;
  if (ok) {
    const RECT& r = layout.okButton;
    ::MoveWindow(ok, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    ::SetWindowTextW(ok, UIText(yesNo ? kTextYes : kTextOk));
    ::ShowWindow(ok, layout.showOk ? SW_SHOW : SW_HIDE);
  }
  if (cancel) {
    const RECT& r = layout.cancelButton;
    if (layout.showCancel) ::MoveWindow(cancel, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    ::SetWindowTextW(cancel, UIText(yesNo ? kTextNo : kTextCancel));
    ::ShowWindow(cancel, layout.showCancel ? SW_SHOW : SW_HIDE);
  }
  return TRUE;
}

BOOL CMsgDlg::OnEraseBkgnd(CDC* dc) {
  Default();
  if (!dc || !m_hWhiteBrush) return TRUE;
  CRect rc;
  GetClientRect(&rc);
  rc.bottom = std::max<LONG>(rc.top, rc.bottom - kWhiteBandBottom);
  ::FillRect(dc->m_hDC, &rc, m_hWhiteBrush);
  return TRUE;
}

HBRUSH CMsgDlg::OnCtlColor(CDC* dc, CWnd* control, UINT ctlType) {
  if (control && dc && control->GetDlgCtrlID() == kTextId && m_hWhiteBrush) {
    dc->SetBkMode(TRANSPARENT);
    dc->SetBkColor(kWhite);
    return m_hWhiteBrush;
  }
  return CWnd::OnCtlColor(dc, control, ctlType);
}

void CMsgDlg::OnOK() { EndDialog(m_nType == CMsgBox::kTypeYesNo ? IDYES : IDOK); }

void CMsgDlg::OnCancel() { EndDialog(m_nType == CMsgBox::kTypeYesNo ? IDNO : IDCANCEL); }

INT_PTR CMsgBox::Show(const wchar_t* text, const wchar_t* caption, UINT type) {
  CMsgDlg dlg(text, caption, type, m_pOwner);
  INT_PTR result = dlg.DoModal();
  if (dlg.ModalWindowMade()) {
    if (result != -1) return result;
    return type == kTypeYesNo ? IDNO : IDCANCEL;  // no answer: never the affirmative one
  }
  // No template in the program (or no window could be made): ask through the system instead, so
  // the question is never lost and the caller gets an answer of the same kind.
  UINT style = type == kTypeYesNo ? MB_YESNO : type == kTypeOkCancel ? MB_OKCANCEL : MB_OK;
  return MessageBoxW(HwndOf(m_pOwner), text ? text : L"", caption ? caption : L"", style);
}
