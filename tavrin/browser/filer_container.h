// CFilerContainerDlg: the browser pane of the main window: a read-only caption line with the current
// folder's path, the folder tree, the recording list, five trigger-filter check buttons and the count
// of listed recordings. The owner (the main dialog) creates it, lays it out, opens sources in it and
// drives it; the pane paints itself and hands the filter buttons' commands to the owner. Its member
// m_watch watches the open source and tells the owner when it disappears.
//
// Threads: UI thread only, except m_watch's own thread (movie_watch.h).
#pragma once

#include <windows.h>

#include <string>
#include <commctrl.h>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"
#include "tavrin/browser/browser_owner.h"
#include "tavrin/browser/file_list_ctrl.h"
#include "tavrin/browser/folder_tree_ctrl.h"
#include "tavrin/browser/movie_watch.h"
#include "tavrin/skin/resource_image.h"
#include "tavrin/skin/skin_button.h"

class CFilerContainerDlg : public CDialogEx {
 public:
  static constexpr UINT kTemplateId = 353;
  static constexpr UINT kCaptionId = 38500;
  static constexpr UINT kFilterFirstId = 38700;
  static constexpr int kFilterSize = 12;
  static constexpr COLORREF kFrameColour = 0xAAAAAA;
  static constexpr COLORREF kFillColour = 0x313131;
  // Source kinds of OpenSource.
  static constexpr int kSourceDrive = 1;
  static constexpr int kSourceFolder = 2;
  static constexpr int kSourceFile = 3;

  CFilerContainerDlg();
  ~CFilerContainerDlg() override;

  // Makes the children (the pane window itself is made with Create(kTemplateId, parent)); returns 1.
  int CreateChildren(IBrowserOwner* owner);
  // Before CreateChildren: the pane goes and its children are made where LayoutSideBySide(rc) will
  // put them, so that the first arrangement need not move every one of them (and re-fit the list)
  // once more.
  void ExpectSideBySide(const RECT& rc);
  void LayoutSideBySide(RECT* rc);
  void LayoutStacked(RECT* rc);
  void HideContainer(int);
  void FitListColumn();
  void OpenSource(CString path, int kind);
  int LoadFolder(HTREEITEM item, int second, BOOL noPaint);
  int SelectRootFolder();
  void SelectItem(int row, int flag);
  void SelectFirstItem();
  // Filter `index` (0..4 the buttons A, G, M, P, S; 5 the speed-camera and radar group) shows its
  // rows when `on`; other indices are ignored.
  void SetFilter(int index, BOOL on);
  // The five button filters (0..4) all shown or all hidden, with one refill of the list.
  void SetButtonFilters(BOOL on);
  const RecordingList& CollectSourceRecordings();
  // Where CollectSourceRecordings looks, read on the UI thread; its Collect then scans the disk on any
  // thread (a whole card takes a while, and the window keeps painting meanwhile).
  struct SourceScan {
    int kind = 0;
    std::wstring path;  // empty: nothing to scan
    RecordingList Collect() const;
  };
  SourceScan SourceToScan();
  void ClearAll();
  void DrawItemCount(CDC* dc);
  CString ReadFirmwareVersion();
  // Where the count line and the filter labels are painted (pane client coordinates).
  RECT ItemCountRect() const;
  RECT FilterLabelRect(int index) const;

  IBrowserOwner* m_pMainDlg = nullptr;
  CBrush m_frameBrush;
  CBrush m_fillBrush;
  CResourceImage* m_pSkin = nullptr;
  int m_nLayoutVariant = 0;
  CEdit m_editCaption;
  CFolderTreeCtrl m_tree;
  CFileListCtrl m_list;
  CMovieResource m_watch;
  CSkinButton m_btnFilter[kFilterButtonCount];
  RECT m_rcLayout = {};
  BOOL m_bHidden = FALSE;
  BOOL m_bPaneHidden = FALSE;
  BOOL m_bStacked = FALSE;
  CString m_strSource;
  int m_nSourceKind = 0;
  RecordingList m_collected;
  CString m_strFirmwareVersion;
  BOOL m_bQuietOpen = FALSE;
  BOOL m_bRefiltered = FALSE;

 protected:
  void OnPaint();
  BOOL OnEraseBkgnd(CDC*) { return TRUE; }
  void OnFilterButton(UINT id);
  void OnOK() override {}
  void OnCancel() override {}
  DECLARE_MESSAGE_MAP()

 private:
  // A filter's flags (its button's check and the list's flag), without the refill.
  void SetFilterFlag(int index, BOOL on);
  // The list refilled by the current flags, its first row selected, the count redrawn.
  void Refilter();
  void PlaceChildren(const RECT& tree, const RECT& list, const RECT& caption, POINT firstFilter,
                     bool stacked);
  // Where LayoutSideBySide(rc) puts the children, in the pane's client coordinates.
  struct ChildPlaces {
    RECT tree, list, caption;
    POINT firstFilter;
  };
  ChildPlaces SideBySidePlaces(const RECT& rc, int captionFontHeight) const;
  POINT FilterPosition(int index) const;
  void ShowChildren(int cmd);
  void DrawFilterLabels(HDC dc);
  void DrawSidePanel(HDC dc, const RECT& rc);
  int CaptionFontHeight();
  POINT m_ptFirstFilter = {};
  bool m_bFiltersPlaced = false;
  RECT m_rcBirth = {};  // the side-by-side layout the children are made for (empty: made at 0, 0)
  HTREEITEM m_hLoadedItem = nullptr;  // the tree item LoadFolder last loaded into the list
};
