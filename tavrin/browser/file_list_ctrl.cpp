// The file list's window: columns, rows, scroll bars, sorting and the selection that opens a recording.
#include "tavrin/browser/file_list_ctrl.h"

#include "platform/framework/gdi.h"
#include "tavrin/browser/play_mutex_wait.h"
#include "tavrin/browser/recording_names.h"
#include "tavrin/skin/ui_texts.h"

#include <algorithm>

namespace {

constexpr UINT kTextFileNumber = 23;  // "ファイルNo."
constexpr UINT kTextTrigger = 31;     // "録画トリガー"
constexpr int kColumn0Width = 140;
constexpr int kColumn1Width = 50;
constexpr int kColumn0FinalWidth = 128;
constexpr DWORD kAddedStyle = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOLABELWRAP |
                              LVS_OWNERDRAWFIXED;
constexpr int kEmptyHorzMin = 300;
constexpr int kEmptyHorzMax = -1;

}  // namespace

BEGIN_MESSAGE_MAP(CFileListCtrl, CListCtrl)
  ON_WM_NCCALCSIZE()
  ON_NOTIFY_REFLECT(LVN_COLUMNCLICK, OnColumnClick)
  ON_WM_ERASEBKGND()
  ON_WM_LBUTTONDBLCLK()
  ON_NOTIFY_REFLECT(LVN_ITEMCHANGED, OnItemChanged)
END_MESSAGE_MAP()

CFileListCtrl::CFileListCtrl() {
  m_szItemText[0] = L'\0';
  m_item = {};
  m_item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
  m_item.stateMask = 0xF023;
  m_item.pszText = m_szItemText;
  m_item.cchTextMax = static_cast<int>(kRecordingPathChars);
}

CFileListCtrl::~CFileListCtrl() {
  // The window goes before the image list it shows.
  if (IsWindow()) DestroyWindow();
  if (m_hStateImages) ImageList_Destroy(m_hStateImages);
}

BOOL CFileListCtrl::PreCreateWindow(CREATESTRUCTW& cs) {
  cs.style = (cs.style & ~static_cast<DWORD>(LVS_ALIGNLEFT)) | kAddedStyle;
  return CListCtrl::PreCreateWindow(cs);
}

void CFileListCtrl::SetupColumns() {
  if (HWND header = ListView_GetHeader(m_hWnd); header && !m_header.m_hWnd) m_header.SubclassWindow(header);
  const UINT texts[2] = {kTextFileNumber, kTextTrigger};
  const int widths[2] = {kColumn0Width, kColumn1Width};
  for (int i = 0; i < 2; ++i) {
    InsertColumn(m_header.GetItemCount(), UIText(texts[i]), LVCFMT_LEFT, widths[i]);
    HDITEMW hd = {};
    hd.mask = HDI_FORMAT;
    if (m_header.GetItem(i, &hd)) {
      hd.fmt |= HDF_OWNERDRAW;
      m_header.SetItem(i, &hd);
    }
  }
  if (!m_hStateImages) m_hStateImages = ImageList_Create(1, kRowHeight, ILC_COLOR32, 0, 0);
  SetImageList(m_hStateImages, LVSIL_STATE);
  SetBkColor(RGB(255, 255, 255));
  SetColumnWidth(0, kColumn0FinalWidth);
}

void CFileListCtrl::MeasureItem(LPMEASUREITEMSTRUCT mis) {
  if (mis) mis->itemHeight = kRowHeight;
}

void CFileListCtrl::InsertRow(const sRECORDINGPAIR& record) {
  const int n = GetItemCount();
  const std::wstring text = FileListRowText(record);
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = n;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  item.iImage = 0;
  const int at = InsertItem(&item);
  if (at < 0) return;
  const wchar_t* name = record.szMainName[0] ? record.szMainName : record.szRearName;
  SetItemText(at, 1, GetTriggerText(name).c_str());
}

void CFileListCtrl::SetShownRecords(RecordingList rows) {
  // Without an owner (or once its mutex is gone at the close) there is no other reader.
  CPlayMutexLock lock(m_pMainDlg ? m_pMainDlg->PlayMutex() : nullptr);
  m_shownRecords.swap(rows);
}

void CFileListCtrl::RefillItems() {
  SetShownRecords(FilterRecords(m_records, m_bFilter));
  if (m_nSelected >= static_cast<int>(m_shownRecords.size())) m_nSelected = -1;
  SetRedraw(FALSE);
  if (GetItemCount() > 0) DeleteAllItems();
  // One allocation for all rows: a card of many thousand recordings fills without re-growing.
  SendMessage(LVM_SETITEMCOUNT, m_shownRecords.size(), LVSICF_NOINVALIDATEALL);
  for (const sRECORDINGPAIR& r : m_shownRecords) InsertRow(r);
  SetRedraw(TRUE);
  Invalidate();
  if (m_pfnRefilled) m_pfnRefilled(m_shownRecords);
}

void CFileListCtrl::SelectRow(int row) {
  if (row < 0 || row >= GetItemCount()) return;
  m_nSelected = row;
  const int old = GetNextItem(-1, LVNI_SELECTED);
  if (old >= 0) SetItemState(old, 0, LVIS_SELECTED | LVIS_FOCUSED);
  SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SetSelectionMark(row);
}

void CFileListCtrl::SortByColumn(int column) {
  m_nSortColumn = column;
  // A stable sort keeps rows with equal keys (recordings never played) in their listed order.
  std::stable_sort(m_records.begin(), m_records.end(),
                   [column](const sRECORDINGPAIR& a, const sRECORDINGPAIR& b) {
                     return FileListColumnLess(a, b, column);
                   });
  RefillItems();
  if (GetItemCount() > 0) SelectRow(0);
}

void CFileListCtrl::OnColumnClick(NMHDR* hdr, LRESULT* result) {
  SortByColumn(reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
  *result = 0;
}

void CFileListCtrl::HoldScrollBars(bool hold) {
  m_bScrollBarsHeld = hold;
  if (!hold && m_hWnd) {
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

void CFileListCtrl::OnNcCalcSize(BOOL calcValid, NCCALCSIZE_PARAMS* params) {
  // Showing a scroll bar recalculates the frame: answer that inner pass with the default alone.
  if (!m_bInNcCalcSize && !m_bScrollBarsHeld) {
    m_bInNcCalcSize = true;
    ::ShowScrollBar(m_hWnd, SB_VERT, TRUE);
    ::ShowScrollBar(m_hWnd, SB_HORZ, FALSE);
    const int count = GetItemCount();
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_DISABLENOSCROLL;
    si.nMin = count > 0 ? 0 : -1;
    si.nMax = count > 0 ? count : -1;
    ::SetScrollInfo(m_hWnd, SB_VERT, &si, FALSE);
    SCROLLINFO sh = {};
    sh.cbSize = sizeof sh;
    sh.fMask = SIF_RANGE;
    sh.nMin = kEmptyHorzMin;
    sh.nMax = kEmptyHorzMax;
    ::SetScrollInfo(m_hWnd, SB_HORZ, &sh, FALSE);
    m_bInNcCalcSize = false;
  }
  CWnd::OnNcCalcSize(calcValid, params);
}

BOOL CFileListCtrl::OnEraseBkgnd(CDC* dc) {
  RECT rc;
  GetClientRect(&rc);
  HBRUSH brush = CreateSolidBrush(kBackColour);
  FillRect(dc->GetSafeHdc(), &rc, brush);
  DeleteObject(brush);
  return TRUE;
}

void CFileListCtrl::OnLButtonDblClk(UINT flags, CPoint pt) {
  ::PostMessageW(::GetParent(m_hWnd), quill::browser::kMsgListDoubleClick, 0, 0);
  CWnd::OnLButtonDblClk(flags, pt);
}

void CFileListCtrl::OnItemChanged(NMHDR* hdr, LRESULT* result) {
  *result = 0;
  const auto* nm = reinterpret_cast<const NMLISTVIEW*>(hdr);
  if (!m_pMainDlg || !(nm->uChanged & LVIF_STATE) || !(nm->uNewState & LVIS_SELECTED)) return;
  // Only a change into the selected state opens; focus changes of a selected row do not.
  if (nm->uOldState & LVIS_SELECTED) return;
  OpenSelectedRow(nm->iItem);
}

void CFileListCtrl::OpenSelectedRow(int row) {
  CPlayMutexLock lock(m_pMainDlg->PlayMutex());
  if (!lock.owned()) return;  // opening without the lock would race the playback threads
  // While this thread waited, a worker holding the mutex may have deleted rows.
  if (row < 0 || row >= GetItemCount() || row >= static_cast<int>(m_shownRecords.size())) return;
  m_nSelected = row;
  const bool refiltered = m_pRefiltered && *m_pRefiltered;
  if (m_pRefiltered) *m_pRefiltered = FALSE;
  if (row == m_pMainDlg->CurrentIndex() && !refiltered) return;
  m_pMainDlg->ClearPlaybackDisplayFlags();
  m_pMainDlg->SetCurrentIndex(row);
  if (!m_pMainDlg->IsListEnd()) m_pMainDlg->SetPlayAfterOpen(true);
  if (m_pMainDlg->PrepareOpenCurrent(1, 1, 1) == 0) m_pMainDlg->SetPlayAfterOpen(false);
  if (!m_pMainDlg->IsListEnd() && !m_pMainDlg->IsDataSourceAtNormalSpeed()) m_pMainDlg->SetNormalRate();
}
