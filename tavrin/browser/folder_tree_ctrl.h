// CFolderTreeCtrl: the browser pane's folder tree: the source folder (or the card's day folders) at the
// top and their folders below, drawn by the control itself in the dark skin, with a small composite mark
// beside each folder that shows which trigger groups its recordings have. An item's parameter is the
// folder's trigger filter mask (TriggerFilterBit), 0 for a folder without recordings. Selecting a folder
// tells the owner, which loads it into the file list.
//
// Threads: UI thread only.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "platform/framework/controls.h"
#include "tavrin/browser/browser_owner.h"

class CFolderTreeCtrl : public CTreeCtrl {
 public:
  static constexpr UINT kControlId = 38300;
  static constexpr COLORREF kBackColour = 0x151823;
  static constexpr COLORREF kSelectedFill = 0xFFCC00;
  static constexpr COLORREF kSelectedText = 0x202020;
  static constexpr int kMarkWidth = 20;
  static constexpr int kMarkHeight = 26;
  static constexpr int kMarkCount = 7;

  CFolderTreeCtrl();
  ~CFolderTreeCtrl() override;

  BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
  // Makes the 18 x 18 image list and attaches it; its size sets the items' text offset. The two folder
  // icons go into it with LoadFolderIcons, before the first item: reading them from the system's shell
  // library is a good part of the pane's creation, and a tree without items shows none.
  void CreateImageList();
  // Adds the two folder icons to the image list, once.
  void LoadFolderIcons();
  void SetRootPath(const CString& path) { m_strRoot = path; }
  // Makes the rows tall enough for the mark and for the text inside the inset selection fill (call
  // after the font is set).
  void FitItemHeight();
  // The folder of an item: the root, a backslash, and the texts from the top-level item down joined by
  // backslashes; for a null item the root and a backslash.
  CString GetItemPath(HTREEITEM item) const;
  // Deletes the child items of `item` (all items for a null item). Deleting the selected item makes the
  // tree select another one: that selection change is not passed on to the owner, who would load a
  // folder again in the middle of the delete.
  void DeleteChildren(HTREEITEM item);
  // Paints the mark of `mask` into the cached composite and copies it to `dc` at (x, y); nothing for 0.
  void DrawMark(HDC dc, int x, int y, LPARAM mask);

  CImageList m_hImageList;
  bool m_bIconsLoaded = false;
  CString m_strRoot;
  TVITEMW m_item;
  wchar_t m_szItemText[260];
  IBrowserOwner* m_pMainDlg = nullptr;

 protected:
  void OnCustomDraw(NMHDR* hdr, LRESULT* result);
  void OnSelChanged(NMHDR* hdr, LRESULT* result);
  BOOL OnEraseBkgnd(CDC*) { return TRUE; }
  void DrawItemStage(NMTVCUSTOMDRAW* cd);
  bool EnsureMarkSurfaces(HDC reference);
  DECLARE_MESSAGE_MAP()

  int m_nDeleting = 0;  // DeleteChildren is running: selection notices are not passed on
  CBitmap m_marks[kMarkCount];  // loaded with the first mark drawn
  bool m_bMarksLoaded = false;
  // The mark surfaces, made with the first mark drawn; a bitmap is selected into them only while a
  // mark is drawn, so each DC and bitmap is freed on its own.
  CDC m_markDC;       // each mark in turn
  CDC m_compositeDC;  // the 20 x 26 composite
  CBitmap m_composite;
};
