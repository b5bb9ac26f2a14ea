// The common controls as window objects: each member is one message to the control. Owner-drawn
// controls get their parent's WM_DRAWITEM through DrawItem (reflection, see wnd.h).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "platform/framework/gdi.h"
#include "platform/framework/wnd.h"

class CStatic : public CWnd {
 public:
  BOOL Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xffff);
};

class CButton : public CWnd {
 public:
  BOOL Create(LPCWSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
  void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
  UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  BOOL OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
};

class CEdit : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void SetSel(int start, int end) { SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end); }
  void SetReadOnly(BOOL readOnly = TRUE) { SendMessage(EM_SETREADONLY, readOnly); }
  void LimitText(int max) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(max)); }
};

class CProgressCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void SetRange32(int low, int high) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(low), high); }
  int SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos))); }
  int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
};

class CComboBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void ResetContent() { SendMessage(CB_RESETCONTENT); }
  int AddString(LPCWSTR text);
  int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
  void GetLBText(int index, CString& text) const;
};

// Tool tips of the windows of one parent. The parent's loop hands mouse messages to RelayEvent (from its
// PreTranslateMessage), or the tool is registered with TTF_SUBCLASS and needs no relaying.
class CToolTipCtrl : public CWnd {
 public:
  BOOL Create(CWnd* parent, DWORD style = 0);
  // A tool for the whole window (rect null, id 0), or for a rectangle of it under its own id.
  BOOL AddTool(CWnd* wnd, LPCWSTR text, LPCRECT rect = nullptr, UINT_PTR id = 0);
  void DelTool(CWnd* wnd, UINT_PTR id = 0);
  void UpdateTipText(LPCWSTR text, CWnd* wnd, UINT_PTR id = 0);
  CString GetText(CWnd* wnd, UINT_PTR id = 0) const;
  int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
  void RelayEvent(LPMSG msg) { if (msg) SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
  void Activate(BOOL active) { SendMessage(TTM_ACTIVATE, active); }
  void SetMaxTipWidth(int width) { SendMessage(TTM_SETMAXTIPWIDTH, 0, width); }
};

// An image list owned by the object (destroyed with it).
class CImageList {
 public:
  CImageList() = default;
  ~CImageList() { DeleteImageList(); }
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;

  HIMAGELIST m_hImageList = nullptr;
  HIMAGELIST GetSafeHandle() const { return m_hImageList; }
  operator HIMAGELIST() const { return m_hImageList; }
  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  int Add(CBitmap* bitmap, COLORREF mask);
  int Add(HBITMAP bitmap, COLORREF mask);
  int Add(HICON icon);
  int GetImageCount() const { return m_hImageList ? ImageList_GetImageCount(m_hImageList) : 0; }
  BOOL Draw(CDC* dc, int image, POINT pt, UINT style);
  BOOL DeleteImageList();
  HIMAGELIST Detach();
};

class CHeaderCtrl : public CWnd {
 public:
  int GetItemCount() const { return static_cast<int>(SendMessage(HDM_GETITEMCOUNT)); }
  BOOL GetItem(int index, HDITEMW* item) const;
  BOOL SetItem(int index, HDITEMW* item);
  BOOL GetItemRect(int index, LPRECT rect) const;
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  BOOL OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
};

class CListCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  BOOL CreateEx(DWORD exStyle, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  using CWnd::CreateEx;
  CHeaderCtrl* GetHeaderCtrl() const;
  DWORD SetExtendedStyle(DWORD exStyle);
  int InsertColumn(int col, LPCWSTR heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
  BOOL SetColumnWidth(int col, int cx);
  int GetColumnWidth(int col) const;
  HIMAGELIST SetImageList(CImageList* list, int which);
  HIMAGELIST SetImageList(HIMAGELIST list, int which);
  BOOL SetBkColor(COLORREF c);
  BOOL SetTextBkColor(COLORREF c);
  BOOL SetTextColor(COLORREF c);
  int GetItemCount() const;
  BOOL DeleteAllItems();
  BOOL DeleteItem(int item);
  int InsertItem(const LVITEMW* item);
  int InsertItem(int item, LPCWSTR text);
  int InsertItem(UINT mask, int item, LPCWSTR text, UINT state, UINT stateMask, int image, LPARAM param);
  BOOL SetItemText(int item, int subItem, LPCWSTR text);
  CString GetItemText(int item, int subItem) const;
  BOOL GetItem(LVITEMW* item) const;
  BOOL SetItem(const LVITEMW* item);
  DWORD_PTR GetItemData(int item) const;
  BOOL SetItemData(int item, DWORD_PTR data);
  BOOL GetItemRect(int item, LPRECT rect, UINT code) const;
  UINT GetItemState(int item, UINT mask) const;
  BOOL SetItemState(int item, UINT state, UINT mask);
  int SetSelectionMark(int item);
  int GetSelectionMark() const;
  BOOL EnsureVisible(int item, BOOL partialOk);
  int GetNextItem(int start, int flags) const;
  int GetTopIndex() const;
  int GetCountPerPage() const;
  int HitTest(LVHITTESTINFO* info) const;
  int HitTest(CPoint pt, UINT* flags = nullptr) const;
  BOOL SortItems(PFNLVCOMPARE compare, DWORD_PTR data);
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}
  BOOL OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
};

class CTreeCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  HIMAGELIST SetImageList(CImageList* list, int which);
  HTREEITEM InsertItem(LPTVINSERTSTRUCTW insert);
  HTREEITEM InsertItem(LPCWSTR text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
  HTREEITEM InsertItem(LPCWSTR text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT,
                       HTREEITEM after = TVI_LAST);
  BOOL DeleteItem(HTREEITEM item);
  BOOL DeleteAllItems();
  CString GetItemText(HTREEITEM item) const;
  BOOL SetItemText(HTREEITEM item, LPCWSTR text);
  HTREEITEM GetNextItem(HTREEITEM item, UINT code) const;
  HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
  HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
  HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
  HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
  BOOL SelectItem(HTREEITEM item);
  BOOL Expand(HTREEITEM item, UINT code);
  BOOL GetItem(TVITEMW* item) const;
  BOOL SetItem(TVITEMW* item);
  DWORD_PTR GetItemData(HTREEITEM item) const;
  BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
  BOOL GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const;
  UINT GetCount() const { return static_cast<UINT>(SendMessage(TVM_GETCOUNT)); }
  COLORREF SetBkColor(COLORREF c);
  COLORREF SetTextColor(COLORREF c);
};

// A menu. Objects bound to a menu (CreatePopupMenu, Attach) get the owner-drawn WM_DRAWITEM and
// WM_MEASUREITEM of their items through DrawItem and MeasureItem.
class CMenu {
 public:
  CMenu() = default;
  virtual ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  HMENU m_hMenu = nullptr;
  HMENU GetSafeHmenu() const { return m_hMenu; }
  operator HMENU() const { return m_hMenu; }
  BOOL CreatePopupMenu();
  BOOL CreateMenu();
  BOOL Attach(HMENU menu);
  HMENU Detach();
  BOOL DestroyMenu();
  BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr);
  BOOL InsertMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr);
  BOOL InsertMenuItem(UINT item, LPMENUITEMINFOW info, BOOL byPosition = FALSE);
  UINT EnableMenuItem(UINT item, UINT enable);
  UINT CheckMenuItem(UINT item, UINT check);
  int GetMenuString(UINT item, CString& text, UINT flags) const;
  int GetMenuItemCount() const;
  UINT GetMenuItemID(int position) const;
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect = nullptr);
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}
  static CMenu* FromHandlePermanent(HMENU menu);

  // Owner-drawn menu items of a window's WM_DRAWITEM / WM_MEASUREITEM (used by CWnd).
  static bool OfferDrawItem(LPDRAWITEMSTRUCT dis);
  static bool OfferMeasureItem(LPMEASUREITEMSTRUCT mis);
};
