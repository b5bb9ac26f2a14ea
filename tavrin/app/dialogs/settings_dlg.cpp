// The settings dialog: its controls, the option toggle, the link and the format command.
#include "tavrin/app/dialogs/settings_dlg.h"

#include <cstring>

#include "res/dialogs_res.h"
#include "tavrin/app/dialogs/dialog_placement.h"
#include "tavrin/app/web/web_addresses.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/ui_texts.h"

namespace quill::app {
namespace {

constexpr unsigned kTextTitle = 124, kTextParkingShock = 126, kTextVersionGroup = 128, kTextGraphGroup = 129;
constexpr unsigned kTextViewerGroup = 185, kTextEditions = 210, kTextCurrentViewer = 211;
constexpr UINT kCheckBitmap = 217;  // four 12 x 12 check-box faces
constexpr int kCheckImageSize = 12;
constexpr wchar_t kNoticeForm[] = L"Copyright (C) %s Quillmere project. All rights reserved.";
constexpr DWORD kGroupStyle = WS_CHILD | WS_VISIBLE | BS_GROUPBOX;
constexpr DWORD kStaticStyle = WS_CHILD | WS_VISIBLE | SS_LEFT;

}  // namespace

std::wstring SettingsVersionText(const wchar_t* version, const char* buildDate) {
  std::wstring year;
  if (buildDate) {
    const char* blank = std::strrchr(buildDate, ' ');
    for (const char* p = blank ? blank + 1 : buildDate; *p; ++p) year += static_cast<wchar_t>(*p);
  }
  wchar_t notice[128];
  _snwprintf(notice, 127, kNoticeForm, year.c_str());
  notice[127] = L'\0';
  return std::wstring(L"version ") + (version ? version : L"") + L"\r\n" + notice;
}

BEGIN_MESSAGE_MAP(CSettingDlg, CSkinDialog)
  ON_COMMAND(IDC_SETTINGS_PARKING_SHOCK, OnToggleParkingShock)
  ON_NOTIFY(NM_CLICK, IDC_SETTINGS_LINK, OnLinkClick)
  ON_COMMAND(IDC_SETTINGS_FORMAT, OnFormatCard)
  ON_COMMAND(IDC_SETTINGS_CLOSE, OnCaptionClose)
  ON_WM_CTLCOLOR()
  ON_WM_PAINT()
END_MESSAGE_MAP()

// Made hidden at the start: its link takes the focus when the dialog is first activated.
CSettingDlg::CSettingDlg(CWnd* parent) : CSkinDialog(IDD_SETTINGS, parent) { m_bFocusAtFirstActivation = TRUE; }

BOOL CSettingDlg::CreateHidden(CWnd* parent) {
  owner_ = parent ? parent->m_hWnd : nullptr;
  m_pParentWnd = parent;
  return Create(IDD_SETTINGS, parent);
}

void CSettingDlg::Show() {
  if (!m_hWnd) return;
  PlaceDialogOnMonitor(this, m_pParentWnd ? m_pParentWnd : this, kWidth, kHeight);
  ShowWindow(SW_SHOW);
}

BOOL CSettingDlg::OnInitDialog() {
  CSkinDialog::OnInitDialog();
  if (!owner_ && m_pParentWnd) owner_ = m_pParentWnd->m_hWnd;
  if (g_hFont10) SetFont(g_hFont10, FALSE);
  SetWindowText(UIText(kTextTitle));
  const int cx = GetSystemMetrics(SM_CXDLGFRAME);

  m_grpGraph.Create(UIText(kTextGraphGroup), kGroupStyle, CRect(10, 30, (355 - cx) * 2, 100), this, 0xffff);
  m_chkParkingShock.m_nImageWidth = kCheckImageSize;
  m_chkParkingShock.m_nImageHeight = kCheckImageSize;
  m_chkParkingShock.Create(UIText(kTextParkingShock), WS_CHILD | BS_OWNERDRAW, CRect(kSettingsLayoutRect), this,
                           IDC_SETTINGS_PARKING_SHOCK);
  m_chkParkingShock.SetImages(kCheckBitmap);
  m_chkParkingShock.m_bChecked = TRUE;
  m_chkParkingShock.ShowWindow(SW_SHOW);

  PlaceDialogOnMonitor(this, m_pParentWnd ? m_pParentWnd : this, kWidth, kHeight);

  m_grpViewer.Create(UIText(kTextViewerGroup), kGroupStyle, CRect(10, 110, (355 - cx) * 2, 350), this, 0xffff);
  CString description = UIText(kTextEditions);
  description += L"\r\n";
  description += UIText(kTextCurrentViewer);
  description += kProgramName;
  // The text keeps inside its group box, so the box's frame and the version box below stay visible.
  CRect textRect(15, 140, (355 - cx) * 2 - 5, 345);
  m_stDescription.Create(description, kStaticStyle, textRect, this);
  const std::wstring url = ViewerPageUrl();
  const std::wstring markup = L"<a href=\"" + url + L"\">" + url + L"</a>";
  CRect linkRect(textRect.left, textRect.top + 100, textRect.right, textRect.top + 115);
  m_link.Create(markup.c_str(), WS_VISIBLE | WS_TABSTOP, linkRect, this, IDC_SETTINGS_LINK);

  m_grpVersion.Create(UIText(kTextVersionGroup), kGroupStyle, CRect(10, 360, 10 + (350 - cx) * 2, 460), this,
                      0xffff);
  m_stVersion.Create(SettingsVersionText(kProgramVersion, __DATE__).c_str(), kStaticStyle,
                     CRect(20, 380, (350 - cx) * 2, 450), this, IDC_SETTINGS_VERSION);
  if (g_hFont10) {
    for (CWnd* w : {static_cast<CWnd*>(&m_grpGraph), static_cast<CWnd*>(&m_chkParkingShock),
                    static_cast<CWnd*>(&m_grpViewer), static_cast<CWnd*>(&m_stDescription),
                    static_cast<CWnd*>(&m_grpVersion), static_cast<CWnd*>(&m_stVersion)}) {
      w->SetFont(g_hFont10, FALSE);
    }
  }
  if (g_hFont9) m_link.SetFont(g_hFont9, FALSE);
  CreateCaptionButton(IDC_SETTINGS_CLOSE);
  return TRUE;
}

void CSettingDlg::OnToggleParkingShock() {
  m_chkParkingShock.m_bChecked = !m_chkParkingShock.m_bChecked;
  m_chkParkingShock.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  if (owner_) ::PostMessageW(owner_, kSettingChangedMessage, kOptionParkingShock, m_chkParkingShock.m_bChecked ? 1 : 0);
}

// The group boxes and texts sit on the dialog's face colour: a group box fills its inside with the brush
// it is given, and without one it was seen to come out black under Wine.
HBRUSH CSettingDlg::OnCtlColor(CDC* dc, CWnd*, UINT) {
  if (dc) {
    dc->SetBkMode(TRANSPARENT);
    dc->SetBkColor(GetSysColor(COLOR_BTNFACE));
  }
  return GetSysColorBrush(COLOR_BTNFACE);
}

void CSettingDlg::OnLinkClick(NMHDR* hdr, LRESULT* result) { OpenClickedLink(m_hWnd, hdr, result); }

void CSettingDlg::OnFormatCard() {
  CString drive;
  if (m_cbDrives.m_hWnd) {
    const int sel = m_cbDrives.GetCurSel();
    if (sel >= 0) m_cbDrives.GetLBText(sel, drive);
  }
  lastFormat_ = FormatCard(drive.GetString(), hasFormatEnv_ ? formatEnv_ : SystemFormatEnvironment(m_hWnd));
}

}  // namespace quill::app
