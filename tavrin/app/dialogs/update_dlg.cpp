// The update notice dialog.
#include "tavrin/app/dialogs/update_dlg.h"

#include "res/dialogs_res.h"
#include "tavrin/app/dialogs/dialog_placement.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/ui_texts.h"

namespace quill::app {
namespace {

constexpr unsigned kTextTitle = 108;
constexpr COLORREF kWhite = RGB(255, 255, 255);
// The link's place: 10 pixels in, from 30 pixels down to 80 above the bottom.
constexpr int kLinkLeft = 10, kLinkTop = 30, kLinkMarginX = 20, kLinkMarginY = 80;
constexpr int kCloseWidth = 100, kCloseHeight = 30, kCloseRight = 110, kCloseBottom = 40;

}  // namespace

BEGIN_MESSAGE_MAP(CUpdateDialog, CSkinDialog)
  ON_NOTIFY(NM_CLICK, IDC_UPDATE_LINK, OnLinkClick)
  ON_WM_CTLCOLOR()
  ON_WM_ERASEBKGND()
  ON_WM_PAINT()
END_MESSAGE_MAP()

CUpdateDialog::CUpdateDialog(std::wstring message, std::vector<std::wstring> pages)
    : CSkinDialog(IDD_UPDATE, nullptr), m_message(std::move(message)), pages_(std::move(pages)) {}

CUpdateDialog::~CUpdateDialog() {
  if (m_hWnd) DestroyWindow();
  if (white_) DeleteObject(white_);
}

BOOL CUpdateDialog::OnInitDialog() {
  CSkinDialog::OnInitDialog();
  if (!white_) white_ = CreateSolidBrush(kWhite);
  if (g_hFont9) SetFont(g_hFont9, FALSE);
  PlaceDialogOnMonitor(this, this, kWidth, kHeight);
  SetWindowText(UIText(kTextTitle));
  EnumChildWindows(m_hWnd, RepositionChildProc, reinterpret_cast<LPARAM>(m_hWnd));
  CRect client;
  GetClientRect(&client);
  const RECT linkRect = {kLinkLeft, kLinkTop, kLinkLeft + client.Width() - kLinkMarginX,
                         kLinkTop + client.Height() - kLinkMarginY};
  m_link.Create(m_message.c_str(), WS_VISIBLE | WS_TABSTOP, linkRect, this, IDC_UPDATE_LINK);
  if (g_hFont9) m_link.SetFont(g_hFont9, FALSE);
  if (CWnd* close = GetDlgItem(IDCANCEL)) {
    close->MoveWindow(client.right - kCloseRight, client.bottom - kCloseBottom, kCloseWidth, kCloseHeight, TRUE);
    if (g_hFont9) close->SetFont(g_hFont9, FALSE);
  }
  return TRUE;
}

void CUpdateDialog::OnCancel() {
  m_bClosed = TRUE;
  ShowWindow(SW_HIDE);
}

void CUpdateDialog::OnLinkClick(NMHDR* hdr, LRESULT* result) { OpenClickedLink(m_hWnd, hdr, result, pages_); }

HBRUSH CUpdateDialog::OnCtlColor(CDC* dc, CWnd* control, UINT ctlType) {
  if (control && control->m_hWnd == m_link.m_hWnd && dc) {
    dc->SetBkMode(TRANSPARENT);
    dc->SetBkColor(kWhite);
    return white_;
  }
  (void)ctlType;
  return reinterpret_cast<HBRUSH>(Default());
}

BOOL CUpdateDialog::OnEraseBkgnd(CDC* dc) {
  const BOOL erased = static_cast<BOOL>(Default());
  CRect client;
  GetClientRect(&client);
  client.bottom -= kButtonBand;
  if (dc && white_ && client.bottom > client.top) FillRect(dc->m_hDC, &client, white_);
  return erased;
}

}  // namespace quill::app
