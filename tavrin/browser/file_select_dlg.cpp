// The file selection dialog: set-up by mode, rows, totals and limits, OK, colours.
#include "tavrin/browser/file_select_dlg.h"

#include "platform/imports/system_library.h"
#include "res/browser_res.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/msg_box.h"
#include "tavrin/skin/skin_messages.h"
#include "tavrin/skin/ui_texts.h"
#include "tavrin/skin/window_utils.h"

#include <cwchar>

namespace {

constexpr UINT kCheckBoxBitmap = 217;
constexpr int kCheckFace = 12;
constexpr uint64_t kBytesPerMb = 1048576;
constexpr UINT kTextColumns[3] = {50, 164, 165};
constexpr int kColumnWidths[3] = {220, 90, 90};
constexpr UINT kOptionTexts[CFileSelectDlg::kOptionCount] = {56, 55, 177, 178, 170};
constexpr UINT kOptionIds[CFileSelectDlg::kOptionCount] = {IDC_FILESEL_SHOW_ALL, IDC_FILESEL_SELECT_ALL,
                                                           IDC_FILESEL_MAIN_CAMERA, IDC_FILESEL_REAR_CAMERA,
                                                           IDC_FILESEL_UPLOAD};
constexpr UINT kTextOver1500 = 105;
constexpr UINT kTextSizeOver = 139;
constexpr UINT kTextCountOver = 142;
constexpr UINT kTextDelete = 47, kTextBackup = 43, kTextSave = 53, kTextJoin = 44, kTextNext = 45;
constexpr int kOptionHeight = 20;
constexpr int kOptionWidth = 160;
constexpr int kTotalLabelRight = 130, kTotalLabelBottom = 70, kTotalLabelWidth = 120, kTotalLabelHeight = 20;
constexpr COLORREF kOverColour = RGB(255, 0, 0);
constexpr COLORREF kChosenText = 0xFF00FF;
constexpr COLORREF kChosenBack = 0x00FFFF;

// Bytes of a file as shown and totalled: a folder row has no size.
uint64_t ShownBytes(uint64_t size) { return size == kFolderRowSize ? 0 : size; }

bool HasMp4Extension(const sRECORDINGPAIR& r) {
  const wchar_t* path = r.szMainPath[0] ? r.szMainPath : r.szRearPath;
  const wchar_t* dot = wcsrchr(path, L'.');
  return dot && _wcsnicmp(dot, L".MP4", 4) == 0;
}

}  // namespace

BEGIN_MESSAGE_MAP(CFileSelectDlg, CSkinDialog)
  ON_COMMAND_RANGE(IDC_FILESEL_SHOW_ALL, IDC_FILESEL_UPLOAD, OnCheckCommand)
  ON_COMMAND(CFileSelectDlg::kCloseCommand, OnCloseCommand)
  ON_WM_CTLCOLOR()
  ON_NOTIFY(NM_CUSTOMDRAW, IDC_FILESEL_LIST, OnListCustomDraw)
  ON_WM_PAINT()
  ON_WM_TIMER()
  ON_MESSAGE(quill::skin::kMsgListClicked, OnListClicked)
END_MESSAGE_MAP()

CFileSelectDlg::CFileSelectDlg(CWnd* parent) : CSkinDialog(kTemplateId, parent) {
  m_showMessage = [this](const wchar_t* text, const wchar_t* caption, UINT type) {
    // Before DoModal this dialog has no window yet: the box is owned by the window that asked for the
    // selection, so it is placed over it and holds it while it waits.
    return CMsgBox(m_hWnd ? static_cast<CWnd*>(this) : m_pParentWnd).Show(text, caption, type);
  };
}

CFileSelectDlg::~CFileSelectDlg() {
  if (IsWindow()) DestroyWindow();
}

INT_PTR CFileSelectDlg::Message(UINT textId, const wchar_t* caption, UINT type) {
  return m_showMessage ? m_showMessage(UIText(textId), caption, type) : IDOK;
}

int CFileSelectDlg::SetRecordings(const RecordingList& records) {
  const size_t n = records.size() < kMaxCandidates ? records.size() : kMaxCandidates;
  m_records.assign(records.begin(), records.begin() + static_cast<ptrdiff_t>(n));
  if (records.size() > kMaxCandidates) Message(kTextOver1500, L"ERROR", 0);
  return 1;
}

void CFileSelectDlg::SetAllRecordings(const RecordingList& records) {
  const size_t n = records.size() < kMaxCandidates ? records.size() : kMaxCandidates;
  m_allRecords.assign(records.begin(), records.begin() + static_cast<ptrdiff_t>(n));
}

BOOL CFileSelectDlg::OnInitDialog() {
  CSkinDialog::OnInitDialog();
  CreateCaptionButton(kCloseCommand);
  PlaceOnOwnerMonitor();
  EnumChildWindows(m_hWnd, RepositionChildProc, reinterpret_cast<LPARAM>(m_hWnd));
  m_list.SubclassDlgItem(IDC_FILESEL_LIST, this);
  for (int i = 0; i < 3; ++i) m_list.InsertColumn(i, UIText(kTextColumns[i]), LVCFMT_LEFT, kColumnWidths[i]);
  // The row states' faces: the check box's unchecked, hover and checked images as states 1, 2 and 3.
  m_stateImages.Create(kCheckFace, kCheckFace, ILC_COLOR32 | ILC_MASK, 0, 4);
  CBitmap faces;
  if (faces.LoadBitmap(kCheckBoxBitmap)) m_stateImages.Add(&faces, RGB(0, 0, 0));
  m_list.SetImageList(&m_stateImages, LVSIL_STATE);
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  HMODULE d3dx = quill::imports::LoadSystemLibrary(L"d3dx9_41.dll");
  m_bUploadAvailable = d3dx != nullptr;
  if (d3dx) FreeLibrary(d3dx);
  CreateOptionButtons();
  ApplyMode();
  FillRows(m_chkOption[kShowAll].m_bChecked);
  UpdateTotals();
  return TRUE;
}

void CFileSelectDlg::PlaceOnOwnerMonitor() {
  HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
  RECT work;
  if (!GetMonitorWorkRect(owner ? CWnd::FromHandle(owner) : this, &work)) return;
  RECT rc;
  GetWindowRect(&rc);
  const RECT at = CentredIn(work, rc.right - rc.left, rc.bottom - rc.top);
  SetWindowPos(nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CFileSelectDlg::CreateOptionButtons() {
  RECT list;
  m_list.GetWindowRect(&list);
  ScreenToClient(&list);
  for (int i = 0; i < kOptionCount; ++i) {
    CSkinCheckButton& c = m_chkOption[i];
    c.m_nImageWidth = kCheckFace;
    c.m_nImageHeight = kCheckFace;
    const int x = list.left + (i % 2) * kOptionWidth;
    const int y = list.bottom + 6 + (i / 2) * kOptionHeight;
    c.Create(UIText(kOptionTexts[i]), WS_CHILD | WS_VISIBLE | BS_OWNERDRAW,
             CRect(x, y, x + kOptionWidth - 4, y + kOptionHeight), this, kOptionIds[i]);
    c.SetImages(kCheckBoxBitmap);
    c.SetFont(GetFont());
  }
}

void CFileSelectDlg::ApplyMode() {
  CWnd* ok = GetDlgItem(IDOK);
  CWnd* rearLabel = GetDlgItem(IDC_FILESEL_TOTAL_REAR);
  if (m_nMode == kModeDelete) {
    SetWindowText(UIText(kTextDelete));
    if (ok) ok->SetWindowText(UIText(kTextDelete));
    for (int i : {kMainCamera, kRearCamera, kUpload}) m_chkOption[i].ShowWindow(SW_HIDE);
    if (rearLabel) rearLabel->ShowWindow(SW_HIDE);
    RECT rc;
    GetClientRect(&rc);
    if (CWnd* total = GetDlgItem(IDC_FILESEL_TOTAL_MAIN)) {
      total->MoveWindow(rc.right - kTotalLabelRight, rc.bottom - kTotalLabelBottom, kTotalLabelWidth,
                        kTotalLabelHeight);
    }
  } else if (m_nMode == kModeBackup) {
    SetWindowText(UIText(kTextBackup));
    if (ok) ok->SetWindowText(UIText(kTextSave));
    for (int i : {kMainCamera, kRearCamera}) m_chkOption[i].ShowWindow(SW_HIDE);
  } else {
    SetWindowText(UIText(kTextJoin));
    if (ok) ok->SetWindowText(UIText(kTextNext));
    m_chkOption[kShowAll].ShowWindow(SW_HIDE);
    m_chkOption[kMainCamera].m_bChecked = TRUE;
    m_chkOption[kRearCamera].m_bChecked = TRUE;
    m_nCamera = 3;
    if (!m_bUploadAvailable) m_chkOption[kUpload].EnableWindow(FALSE);
  }
  if (ok && m_nMode != kModeBackup) ok->EnableWindow(FALSE);
}

void CFileSelectDlg::FillRows(BOOL showAll) {
  // "Show all" offers every recording of the source when the caller gave them, else the list's own.
  const RecordingList& source = showAll && !m_allRecords.empty() ? m_allRecords : m_records;
  m_list.SetRedraw(FALSE);
  m_shown.clear();
  m_list.DeleteAllItems();
  for (const sRECORDINGPAIR& r : source) {
    if (m_nMode == kModeJoin && !HasMp4Extension(r)) continue;
    m_shown.push_back(r);  // its selection flag (rows a join marked) is kept: the rows are drawn by it
    const int row = RowCount() - 1;
    CString text;
    text.Format(L"%s", RecordingKey(r));
    m_list.InsertItem(row, text);
    text.Format(L"%llu MB", ShownBytes(r.uMainSize) / kBytesPerMb);
    m_list.SetItemText(row, 1, text);
    text.Format(L"%llu MB", ShownBytes(r.uRearSize) / kBytesPerMb);
    m_list.SetItemText(row, 2, text);
    m_list.SetStateImage(row, kStateNotChosen);
  }
  // The rows are new: no anchor or run from the old ones survives.
  m_run = ChoiceRun();
  m_chkOption[kSelectAll].m_bChecked = FALSE;
  if (m_chkOption[kSelectAll].IsWindow()) m_chkOption[kSelectAll].Invalidate(FALSE);
  m_list.SetRedraw(TRUE);
  m_list.Invalidate();
}

UINT CFileSelectDlg::RowState(int row) const { return m_list.GetStateImage(row); }

bool CFileSelectDlg::IsChoosable(int row) const {
  if (row < 0 || row >= RowCount()) return false;
  if (m_nMode != kModeJoin) return true;
  const sRECORDINGPAIR& r = m_shown[static_cast<size_t>(row)];
  if (m_nCamera == 0) return false;
  if ((m_nCamera & 1) && ShownBytes(r.uMainSize) == 0) return false;
  if ((m_nCamera & 2) && ShownBytes(r.uRearSize) == 0) return false;
  return true;
}

void CFileSelectDlg::UpdateTotals() {
  uint64_t mainBytes = 0, rearBytes = 0;
  int mainFiles = 0, rearFiles = 0;
  for (int row = 0; row < RowCount(); ++row) {
    // The dialog's own choice is the row's state image; the record's selection flag is not touched.
    if (RowState(row) != kStateChosen) continue;
    const sRECORDINGPAIR& r = m_shown[static_cast<size_t>(row)];
    mainBytes += ShownBytes(r.uMainSize);
    rearBytes += ShownBytes(r.uRearSize);
    if (ShownBytes(r.uMainSize) != 0) ++mainFiles;
    if (ShownBytes(r.uRearSize) != 0) ++rearFiles;
  }
  m_uMainTotalMb = mainBytes / kBytesPerMb;
  m_uRearTotalMb = rearBytes / kBytesPerMb;
  CString text;
  bool okEnabled;
  if (m_nMode == kModeDelete) {
    text.Format(L"%I64d MB", static_cast<long long>((mainBytes + rearBytes) / kBytesPerMb));
    SetDlgItemText(IDC_FILESEL_TOTAL_MAIN, text);
    okEnabled = mainFiles + rearFiles > 0;
  } else {
    text.Format(L"%I64d MB", static_cast<long long>(m_uMainTotalMb));
    SetDlgItemText(IDC_FILESEL_TOTAL_MAIN, text);
    text.Format(L"%I64d MB", static_cast<long long>(m_uRearTotalMb));
    SetDlgItemText(IDC_FILESEL_TOTAL_REAR, text);
    m_bMainSizeOver = m_uMainTotalMb > kSizeLimitMb;
    m_bRearSizeOver = m_uRearTotalMb > kSizeLimitMb;
    m_bMainCountOver = mainFiles >= kCountLimit;
    m_bRearCountOver = rearFiles >= kCountLimit;
    switch (m_nCamera) {
      case 1: okEnabled = mainFiles > 0; break;
      case 2: okEnabled = rearFiles > 0; break;
      case 3: okEnabled = mainFiles > 0 && rearFiles > 0; break;
      default: okEnabled = mainFiles > 0 || rearFiles > 0; break;
    }
  }
  if (CWnd* ok = GetDlgItem(IDOK)) ok->EnableWindow(okEnabled);
  for (UINT id : {IDC_FILESEL_TOTAL_MAIN, IDC_FILESEL_TOTAL_REAR}) {
    if (CWnd* label = GetDlgItem(static_cast<int>(id))) label->Invalidate();
  }
}

void CFileSelectDlg::OnOK() {
  if (m_bMainSizeOver || m_bRearSizeOver) {
    Message(kTextSizeOver, L"ERROR", 0);
    return;
  }
  if (m_bMainCountOver || m_bRearCountOver) {
    Message(kTextCountOver, L"ERROR", 0);
    return;
  }
  m_chosen.clear();
  for (int row = 0; row < RowCount(); ++row) {
    if (RowState(row) != kStateChosen) continue;
    m_chosen.push_back(m_shown[static_cast<size_t>(row)]);
  }
  EndDialog(IDOK);
}

void CFileSelectDlg::OnCloseCommand() { EndDialog(IDCANCEL); }

HBRUSH CFileSelectDlg::OnCtlColor(CDC* dc, CWnd* control, UINT ctlType) {
  const int id = control ? control->GetDlgCtrlID() : 0;
  if (id == IDC_FILESEL_TOTAL_MAIN || id == IDC_FILESEL_TOTAL_REAR) {
    const BOOL over = id == IDC_FILESEL_TOTAL_MAIN ? m_bMainSizeOver : m_bRearSizeOver;
    dc->SetTextColor(over ? kOverColour : RGB(0, 0, 0));
    dc->SetBkColor(GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
  }
  return CSkinDialog::OnCtlColor(dc, control, ctlType);
}

void CFileSelectDlg::OnListCustomDraw(NMHDR* hdr, LRESULT* result) {
  auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
  *result = CDRF_DODEFAULT;
  if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
    *result = CDRF_NOTIFYITEMDRAW;
  } else if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && m_nMode == kModeJoin) {
    // Rows and records may briefly differ in number while the rows are rebuilt.
    const size_t row = static_cast<size_t>(cd->nmcd.dwItemSpec);
    if (row < m_shown.size() && m_shown[row].nSelected == 1) {
      cd->clrText = kChosenText;
      cd->clrTextBk = kChosenBack;
    }
  }
}
