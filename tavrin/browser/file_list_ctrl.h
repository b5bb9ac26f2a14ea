// CFileListCtrl: the browser pane's list of recordings, one row per record of the current folder that
// passes the trigger filters, drawn by the control itself (dark rows with white text, event recordings
// light with black text). Selecting a row makes it the main window's current entry and starts opening
// it. CFileListHeaderCtrl draws the column headers with a grey gradient.
//
// Threads: UI thread, except m_shownRecords, which the owner's open workers read under the owner's
// playback mutex: it is replaced only under that mutex (SetShownRecords). The selection handler holds
// the mutex while it changes the current index and starts the open; it waits for it delivering sent
// messages (play_mutex_wait.h).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "platform/framework/controls.h"
#include "tavrin/browser/browser_owner.h"
#include "tavrin/browser/file_list_rows.h"
#include "tavrin/browser/recording_pair.h"

class CFileListHeaderCtrl : public CHeaderCtrl {
 public:
  void DrawItem(LPDRAWITEMSTRUCT dis) override;
  // Paints the gradient of a header item into `rect`.
  static void DrawGradient(HDC dc, const RECT& rect);
};

class CFileListCtrl : public CListCtrl {
 public:
  static constexpr UINT kControlId = 1001;
  static constexpr int kRowHeight = 20;
  static constexpr COLORREF kBackColour = 0x151823;
  static constexpr COLORREF kEventFill = 0xCCFFFF;
  static constexpr COLORREF kSelectedFill = 0xB2B2B2;
  static constexpr COLORREF kSelectedEventFill = 0x8EB2B2;
  static constexpr COLORREF kFrameColour = 0x888888;

  CFileListCtrl();
  ~CFileListCtrl() override;

  BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
  void DrawItem(LPDRAWITEMSTRUCT dis) override;
  void MeasureItem(LPMEASUREITEMSTRUCT mis) override;

  void SetupColumns();
  // Filters m_records into m_shownRecords, rebuilds the rows and hands the kept records to
  // m_pfnRefilled (the main window has their GPS data read for the map's whole-list track).
  void RefillItems();
  // Replaces the shown records under the owner's playback mutex: the main window's open workers read
  // them under it from their own threads.
  void SetShownRecords(RecordingList rows);
  void InsertRow(const sRECORDINGPAIR& record);
  // Sorts m_records by `column` (always ascending), refills and selects row 0.
  void SortByColumn(int column);
  // Moves the highlight, the selection and the focus to `row` (no range check beyond the row count).
  void SelectRow(int row);

  RecordingList m_records;
  RecordingList m_shownRecords;
  int m_nSelected = -1;
  HIMAGELIST m_hStateImages = nullptr;
  CFileListHeaderCtrl m_header;
  BOOL m_bFilter[kFileListFilterCount] = {FALSE, FALSE, FALSE, FALSE, FALSE, TRUE};
  LVITEMW m_item;
  wchar_t m_szItemText[kRecordingPathChars];
  IBrowserOwner* m_pMainDlg = nullptr;
  // The browser pane's re-open request flag; read and cleared by the selection handler.
  BOOL* m_pRefiltered = nullptr;
  int m_nSortColumn = -1;
  std::function<void(const RecordingList& shown)> m_pfnRefilled;
  // While held (from before the window is made until its font and columns are set), a frame
  // calculation leaves the scroll bars to the list: each step of that set-up recalculates the frame,
  // the list hides the vertical bar and the frame calculation shows it again, a few dozen times. The
  // release applies the scroll bars once.
  void HoldScrollBars(bool hold);

 protected:
  void OnNcCalcSize(BOOL calcValid, NCCALCSIZE_PARAMS* params);
  BOOL OnEraseBkgnd(CDC* dc);
  void OnLButtonDblClk(UINT flags, CPoint pt);
  void OnColumnClick(NMHDR* hdr, LRESULT* result);
  void OnItemChanged(NMHDR* hdr, LRESULT* result);
  void OpenSelectedRow(int row);
  DECLARE_MESSAGE_MAP()

 private:
  bool m_bInNcCalcSize = false;
  bool m_bScrollBarsHeld = false;
};
