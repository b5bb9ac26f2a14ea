// The source selection dialog: rows, drive list, browsing, the choice and its storage.
#include "tavrin/app/dialogs/source_dlg.h"

#include <shlwapi.h>

#include <vector>

#include "platform/framework/program_file.h"
#include "res/dialogs_res.h"
#include "tavrin/app/dialogs/dialog_placement.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/msg_box.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/ui_texts.h"

namespace quill::app {
namespace {

constexpr wchar_t kSection[] = L"SOURCE";
constexpr unsigned kTextFolderTitle = 104, kTextFile = 131, kTextFolder = 132, kTextTitle = 133, kTextSd = 134;
constexpr wchar_t kMovieMask[] = L"*.mp4";
constexpr wchar_t kMovieFilter[] = L"Movie Files(*.mp4)\0*.mp4\0All Files(*.*)\0*.*\0";
constexpr int kImageSize = 12;

// Row geometry (client pixels): the choice box, the field and the "..." button of each row.
constexpr int kRowTop = 45, kRowStep = 50, kRowHeight = 24;
constexpr int kChoiceLeft = 20, kChoiceWidth = 110;
constexpr int kFieldLeft = 140, kFieldRight = 480, kBrowseLeft = 488, kBrowseRight = 520;
constexpr int kDropHeight = 200;
constexpr int kButtonWidth = 90, kButtonHeight = 28, kButtonBottom = 12, kButtonGap = 10;

constexpr UINT kRowIds[3] = {IDC_SOURCE_SD, IDC_SOURCE_FOLDER, IDC_SOURCE_FILE};
constexpr unsigned kRowTexts[3] = {kTextSd, kTextFolder, kTextFile};

constexpr wchar_t kNotStoredText[] =
    L"参照先を設定ファイルに保存できませんでした。設定ファイルに書き込めるか確かめてください。";
constexpr wchar_t kErrorCaption[] = L"ERROR";

OpenFileFn g_openFile = GetOpenFileNameW;

void ShowSourceError(HWND owner, const wchar_t* text) {
  CMsgBox(CWnd::FromHandle(owner)).Show(text, kErrorCaption, CMsgBox::kTypeOk);
}

SourceErrorFn g_sourceError = ShowSourceError;

CString ProgramFolder() {
  std::wstring path = quill::framework::ProgramFilePath();
  if (path.empty()) return CString();
  PathRemoveFileSpecW(path.data());
  return CString(path.c_str());
}

CString WindowText(const CWnd& w) {
  const int n = w.GetWindowTextLength();
  std::vector<wchar_t> text(static_cast<size_t>(n) + 1, L'\0');
  w.GetWindowText(text.data(), n + 1);
  return CString(text.data());
}

RECT RowRect(int row, int left, int right) {
  const int top = kRowTop + row * kRowStep;
  return RECT{left, top, right, top + kRowHeight};
}

}  // namespace

SourceKind SourceKindOfSelect(const CString& select) {
  if (select == L"FOLDER") return kSourceFolder;
  if (select == L"FILE") return kSourceFile;
  return kSourceSd;
}

bool SourceChoiceComplete(SourceKind kind, bool driveSelected, const CString& folder, const CString& file) {
  switch (kind) {
    case kSourceSd: return driveSelected;
    case kSourceFolder: return !folder.IsEmpty();
    case kSourceFile: return !file.IsEmpty();
  }
  return false;
}

CString FileBrowseInitialName(const CString& folder) {
  if (folder.IsEmpty()) return CString(kMovieMask);
  CString name = folder;
  if (name[name.GetLength() - 1] != L'\\') name += L'\\';
  name += kMovieMask;
  return name.GetLength() < MAX_PATH ? name : CString(kMovieMask);
}

bool WriteSourceChoice(SourceKind kind, const CString& drive, const CString& folder, const CString& file) {
  switch (kind) {
    case kSourceSd: return WriteIni(kSection, L"SELECT", L"SD") && WriteIni(kSection, L"SD", drive);
    case kSourceFolder: return WriteIni(kSection, L"SELECT", L"FOLDER") && WriteIni(kSection, L"FOLDER", folder);
    case kSourceFile: return WriteIni(kSection, L"SELECT", L"FILE") && WriteIni(kSection, L"FILE", file);
  }
  return false;
}

void SetOpenFileFunction(OpenFileFn fn) { g_openFile = fn ? fn : GetOpenFileNameW; }

void SetSourceErrorFunction(SourceErrorFn fn) { g_sourceError = fn ? fn : ShowSourceError; }

void CTextSkinButton::DrawItem(LPDRAWITEMSTRUCT dis) {
  if (!dis) return;
  const bool down = (dis->itemState & ODS_SELECTED) != 0;
  const bool disabled = (dis->itemState & ODS_DISABLED) != 0;
  HBRUSH face = CreateSolidBrush(down ? RGB(0x3d, 0x9b, 0xff) : RGB(0x2a, 0x2e, 0x36));
  FillRect(dis->hDC, &dis->rcItem, face);
  DeleteObject(face);
  HBRUSH frame = CreateSolidBrush(RGB(0xb8, 0xc0, 0xcc));
  FrameRect(dis->hDC, &dis->rcItem, frame);
  DeleteObject(frame);
  wchar_t text[16] = {};
  ::GetWindowTextW(m_hWnd, text, 16);
  SetBkMode(dis->hDC, TRANSPARENT);
  SetTextColor(dis->hDC, disabled ? RGB(0x70, 0x76, 0x80) : RGB(0xf0, 0xf0, 0xf0));
  RECT rc = dis->rcItem;
  DrawTextW(dis->hDC, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

BEGIN_MESSAGE_MAP(CSourceOpenDlg, CSkinDialog)
  ON_COMMAND(IDC_SOURCE_FOLDER_BROWSE, OnBrowseFolder)
  ON_COMMAND(IDC_SOURCE_FILE_BROWSE, OnBrowseFile)
  ON_COMMAND_RANGE(IDC_SOURCE_SD, IDC_SOURCE_FILE, OnChooseKind)
  ON_CBN_SELCHANGE(IDC_SOURCE_DRIVES, OnDriveChange)
  ON_EN_CHANGE(IDC_SOURCE_FOLDER_EDIT, OnEditChange)
  ON_EN_CHANGE(IDC_SOURCE_FILE_EDIT, OnEditChange)
  ON_COMMAND(IDC_SOURCE_CLOSE, OnCaptionClose)
  ON_WM_PAINT()
END_MESSAGE_MAP()

CSourceOpenDlg::CSourceOpenDlg(CWnd* parent) : CSkinDialog(IDD_SOURCE_OPEN, parent) {}

BOOL CSourceOpenDlg::OnInitDialog() {
  CSkinDialog::OnInitDialog();
  PlaceDialogOnMonitor(this, this, kWidth, kHeight);
  if (g_hFont10) SetFont(g_hFont10, FALSE);
  SetWindowText(UIText(kTextTitle));
  EnumChildWindows(m_hWnd, RepositionChildProc, reinterpret_cast<LPARAM>(m_hWnd));
  CRect client;
  GetClientRect(&client);
  const int buttonTop = client.bottom - kButtonBottom - kButtonHeight;
  const int okLeft = client.right - 2 * (kButtonWidth + kButtonGap);
  if (CWnd* ok = GetDlgItem(IDOK)) {
    ok->MoveWindow(okLeft, buttonTop, kButtonWidth, kButtonHeight, TRUE);
    if (g_hFont10) ok->SetFont(g_hFont10, FALSE);
  }
  if (CWnd* cancel = GetDlgItem(IDCANCEL)) {
    cancel->MoveWindow(okLeft + kButtonWidth + kButtonGap, buttonTop, kButtonWidth, kButtonHeight, TRUE);
    if (g_hFont10) cancel->SetFont(g_hFont10, FALSE);
  }
  CreateRows();
  CreateCaptionButton(IDC_SOURCE_CLOSE);
  FillDrives();

  // Each edit's change notice reads both edits back: set them from copies of the stored values.
  const CString folder = ReadIni(kSection, L"FOLDER");
  const CString file = ReadIni(kSection, L"FILE");
  m_strDrive = ReadIni(kSection, L"SD");
  m_edFolder.SetWindowText(folder);
  m_edFile.SetWindowText(file);
  OnChooseKind(kRowIds[SourceKindOfSelect(ReadIni(kSection, L"SELECT")) - 1]);
  return TRUE;
}

void CSourceOpenDlg::CreateRows() {
  for (int row = 0; row < 3; ++row) {
    CSkinCheckButton& box = m_choice[row];
    box.m_nImageWidth = kImageSize;
    box.m_nImageHeight = kImageSize;
    box.m_crText = RGB(0x20, 0x20, 0x20);
    box.Create(UIText(kRowTexts[row]), WS_CHILD | WS_VISIBLE | BS_OWNERDRAW,
               RowRect(row, kChoiceLeft, kChoiceLeft + kChoiceWidth), this, kRowIds[row]);
    box.SetImages(IDB_CHOICE_BOX);
    if (g_hFont10) box.SetFont(g_hFont10, FALSE);
  }
  RECT list = RowRect(0, kFieldLeft, kFieldRight);
  list.bottom = list.top + kDropHeight;
  m_cbDrives.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, list, this,
                    IDC_SOURCE_DRIVES);
  const DWORD editStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
  m_edFolder.Create(editStyle, RowRect(1, kFieldLeft, kFieldRight), this, IDC_SOURCE_FOLDER_EDIT);
  m_edFile.Create(editStyle, RowRect(2, kFieldLeft, kFieldRight), this, IDC_SOURCE_FILE_EDIT);
  m_btnFolder.Create(L"...", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RowRect(1, kBrowseLeft, kBrowseRight), this,
                     IDC_SOURCE_FOLDER_BROWSE);
  m_btnFile.Create(L"...", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RowRect(2, kBrowseLeft, kBrowseRight), this,
                   IDC_SOURCE_FILE_BROWSE);
  if (g_hFont10) {
    for (CWnd* w : {static_cast<CWnd*>(&m_cbDrives), static_cast<CWnd*>(&m_edFolder),
                    static_cast<CWnd*>(&m_edFile), static_cast<CWnd*>(&m_btnFolder),
                    static_cast<CWnd*>(&m_btnFile)}) {
      w->SetFont(g_hFont10, FALSE);
    }
  }
}

void CSourceOpenDlg::FillDrives() {
  m_cbDrives.ResetContent();
  CStringArray drives;
  const int last = GetRemovableDrives(drives);
  for (int i = 0; i < drives.GetSize(); ++i) m_cbDrives.AddString(drives[i]);
  if (last >= 0) m_cbDrives.SetCurSel(last);
}

void CSourceOpenDlg::UpdateOk() {
  m_strFolder = WindowText(m_edFolder);
  m_strFile = WindowText(m_edFile);
  const bool complete = SourceChoiceComplete(m_nKind, m_cbDrives.GetCurSel() >= 0, m_strFolder, m_strFile);
  if (CWnd* ok = GetDlgItem(IDOK)) ok->EnableWindow(complete ? TRUE : FALSE);
}

void CSourceOpenDlg::OnChooseKind(UINT id) {
  m_nKind = static_cast<SourceKind>(id - IDC_SOURCE_SD + 1);
  UpdateOk();
  for (int row = 0; row < 3; ++row) {
    m_choice[row].m_bChecked = (kRowIds[row] == id) ? TRUE : FALSE;
    m_choice[row].RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
}

void CSourceOpenDlg::OnBrowseFolder() {
  const CString folder = GetFolderFromIniOrBrowse(this, kSection, L"FOLDER", UIText(kTextFolderTitle));
  if (folder.IsEmpty()) return;
  m_strFolder = folder;
  m_edFolder.SetWindowText(folder);
  OnChooseKind(IDC_SOURCE_FOLDER);
}

void CSourceOpenDlg::OnBrowseFile() {
  std::vector<wchar_t> name(MAX_PATH, L'\0');
  lstrcpynW(name.data(), FileBrowseInitialName(ProgramFolder()), MAX_PATH);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = m_hWnd;
  ofn.lpstrFilter = kMovieFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  if (!g_openFile(&ofn)) return;
  name[MAX_PATH - 1] = L'\0';
  m_strFile = name.data();
  m_edFile.SetWindowText(m_strFile);
  OnChooseKind(IDC_SOURCE_FILE);
}

void CSourceOpenDlg::OnDriveChange() {
  const int sel = m_cbDrives.GetCurSel();
  if (sel < 0) return;
  m_cbDrives.GetLBText(sel, m_strDrive);
  OnChooseKind(IDC_SOURCE_SD);
}

void CSourceOpenDlg::OnEditChange() {
  if (m_edFolder.m_hWnd && m_edFile.m_hWnd) UpdateOk();
}

CString CSourceOpenDlg::ChosenSourcePath() const {
  switch (m_nKind) {
    case kSourceSd: {
      CString drive = m_strDrive;
      drive.TrimRight(L'\\');
      return drive;
    }
    case kSourceFolder: return m_strFolder;
    case kSourceFile: return m_strFile;
  }
  return CString();
}

void CSourceOpenDlg::OnOK() {
  const int sel = m_cbDrives.GetCurSel();
  if (sel >= 0) m_cbDrives.GetLBText(sel, m_strDrive);
  m_strFolder = WindowText(m_edFolder);
  m_strFile = WindowText(m_edFile);
  if (!SourceChoiceComplete(m_nKind, sel >= 0, m_strFolder, m_strFile)) return;
  // A choice that is not stored would be lost at the next start: the user is told and the dialog stays.
  if (!WriteSourceChoice(m_nKind, m_strDrive, m_strFolder, m_strFile)) {
    g_sourceError(m_hWnd, kNotStoredText);
    return;
  }
  EndDialog(IDOK);
}

}  // namespace quill::app
