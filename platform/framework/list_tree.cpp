// List view and tree view controls.
#include "platform/framework/controls.h"

namespace {
constexpr int kItemTextMax = 520;  // the longest item text read back (paths and names)
}

BOOL CListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::CreateEx(0, WC_LISTVIEWW, L"", style | WS_CHILD, rect, parent, id);
}

BOOL CListCtrl::CreateEx(DWORD exStyle, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::CreateEx(exStyle, WC_LISTVIEWW, L"", style | WS_CHILD, rect, parent, id);
}

CHeaderCtrl* CListCtrl::GetHeaderCtrl() const {
  HWND header = reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER));
  CWnd* wnd = CWnd::FromHandlePermanent(header);
  // Only a bound header object is a CHeaderCtrl; others are not handed out as one.
  return dynamic_cast<CHeaderCtrl*>(wnd);
}

DWORD CListCtrl::SetExtendedStyle(DWORD exStyle) {
  return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(exStyle)));
}

int CListCtrl::InsertColumn(int col, LPCWSTR heading, int format, int width, int subItem) {
  LVCOLUMNW c = {};
  c.mask = LVCF_FMT | LVCF_TEXT;
  c.fmt = format;
  c.pszText = const_cast<LPWSTR>(heading ? heading : L"");
  if (width >= 0) { c.mask |= LVCF_WIDTH; c.cx = width; }
  if (subItem >= 0) { c.mask |= LVCF_SUBITEM; c.iSubItem = subItem; }
  return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&c)));
}

BOOL CListCtrl::SetColumnWidth(int col, int cx) {
  return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(col), MAKELPARAM(cx, 0)));
}
int CListCtrl::GetColumnWidth(int col) const {
  return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col)));
}
HIMAGELIST CListCtrl::SetImageList(CImageList* list, int which) {
  return SetImageList(list ? list->m_hImageList : nullptr, which);
}
HIMAGELIST CListCtrl::SetImageList(HIMAGELIST list, int which) {
  return reinterpret_cast<HIMAGELIST>(
      SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(list)));
}
BOOL CListCtrl::SetBkColor(COLORREF c) { return static_cast<BOOL>(SendMessage(LVM_SETBKCOLOR, 0, c)); }
BOOL CListCtrl::SetTextBkColor(COLORREF c) { return static_cast<BOOL>(SendMessage(LVM_SETTEXTBKCOLOR, 0, c)); }
BOOL CListCtrl::SetTextColor(COLORREF c) { return static_cast<BOOL>(SendMessage(LVM_SETTEXTCOLOR, 0, c)); }
int CListCtrl::GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
BOOL CListCtrl::DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
BOOL CListCtrl::DeleteItem(int item) {
  return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(item)));
}
int CListCtrl::InsertItem(const LVITEMW* item) {
  return item ? static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(item))) : -1;
}
int CListCtrl::InsertItem(int item, LPCWSTR text) {
  return InsertItem(LVIF_TEXT, item, text, 0, 0, 0, 0);
}
int CListCtrl::InsertItem(UINT mask, int item, LPCWSTR text, UINT state, UINT stateMask, int image,
                          LPARAM param) {
  LVITEMW it = {};
  it.mask = mask;
  it.iItem = item;
  it.pszText = const_cast<LPWSTR>(text ? text : L"");
  it.state = state;
  it.stateMask = stateMask;
  it.iImage = image;
  it.lParam = param;
  return InsertItem(&it);
}
BOOL CListCtrl::SetItemText(int item, int subItem, LPCWSTR text) {
  LVITEMW it = {};
  it.iSubItem = subItem;
  it.pszText = const_cast<LPWSTR>(text ? text : L"");
  return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it)));
}
CString CListCtrl::GetItemText(int item, int subItem) const {
  CString text;
  LVITEMW it = {};
  it.iSubItem = subItem;
  it.cchTextMax = kItemTextMax;
  it.pszText = text.GetBufferSetLength(kItemTextMax);
  int got = static_cast<int>(
      SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it)));
  text.ReleaseBuffer(got > 0 && got < kItemTextMax ? got : 0);
  return text;
}
BOOL CListCtrl::GetItem(LVITEMW* item) const {
  return item ? static_cast<BOOL>(SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(item))) : FALSE;
}
BOOL CListCtrl::SetItem(const LVITEMW* item) {
  return item ? static_cast<BOOL>(SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(item))) : FALSE;
}
DWORD_PTR CListCtrl::GetItemData(int item) const {
  LVITEMW it = {};
  it.mask = LVIF_PARAM;
  it.iItem = item;
  return GetItem(&it) ? static_cast<DWORD_PTR>(it.lParam) : 0;
}
BOOL CListCtrl::SetItemData(int item, DWORD_PTR data) {
  LVITEMW it = {};
  it.mask = LVIF_PARAM;
  it.iItem = item;
  it.lParam = static_cast<LPARAM>(data);
  return SetItem(&it);
}
BOOL CListCtrl::GetItemRect(int item, LPRECT rect, UINT code) const {
  if (!rect) return FALSE;
  rect->left = static_cast<LONG>(code);
  return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(rect)));
}
UINT CListCtrl::GetItemState(int item, UINT mask) const {
  return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(item), mask));
}
BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
  LVITEMW it = {};
  it.state = state;
  it.stateMask = mask;
  return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it)));
}
int CListCtrl::SetSelectionMark(int item) {
  return static_cast<int>(SendMessage(LVM_SETSELECTIONMARK, 0, item));
}
int CListCtrl::GetSelectionMark() const { return static_cast<int>(SendMessage(LVM_GETSELECTIONMARK)); }
BOOL CListCtrl::EnsureVisible(int item, BOOL partialOk) {
  return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), partialOk));
}
int CListCtrl::GetNextItem(int start, int flags) const {
  return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
}
int CListCtrl::GetTopIndex() const { return static_cast<int>(SendMessage(LVM_GETTOPINDEX)); }
int CListCtrl::GetCountPerPage() const { return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE)); }
int CListCtrl::HitTest(LVHITTESTINFO* info) const {
  return info ? static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(info))) : -1;
}
int CListCtrl::HitTest(CPoint pt, UINT* flags) const {
  LVHITTESTINFO info = {};
  info.pt = pt;
  int item = HitTest(&info);
  if (flags) *flags = info.flags;
  return item;
}
BOOL CListCtrl::SortItems(PFNLVCOMPARE compare, DWORD_PTR data) {
  return static_cast<BOOL>(SendMessage(LVM_SORTITEMS, data, reinterpret_cast<LPARAM>(compare)));
}
BOOL CListCtrl::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  if (CWnd::OnChildNotify(msg, wp, lp, result)) return TRUE;
  if (msg == WM_DRAWITEM) {
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lp));
    *result = TRUE;
    return TRUE;
  }
  if (msg == WM_MEASUREITEM) {
    MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lp));
    *result = TRUE;
    return TRUE;
  }
  return FALSE;
}

// --- CTreeCtrl ---

BOOL CTreeCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::CreateEx(0, WC_TREEVIEWW, L"", style | WS_CHILD, rect, parent, id);
}
HIMAGELIST CTreeCtrl::SetImageList(CImageList* list, int which) {
  return reinterpret_cast<HIMAGELIST>(SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(which),
                                                  reinterpret_cast<LPARAM>(list ? list->m_hImageList : nullptr)));
}
HTREEITEM CTreeCtrl::InsertItem(LPTVINSERTSTRUCTW insert) {
  return insert ? reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(insert)))
                : nullptr;
}
HTREEITEM CTreeCtrl::InsertItem(LPCWSTR text, HTREEITEM parent, HTREEITEM after) {
  TVINSERTSTRUCTW ins = {};
  ins.hParent = parent;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT;
  ins.item.pszText = const_cast<LPWSTR>(text ? text : L"");
  return InsertItem(&ins);
}
HTREEITEM CTreeCtrl::InsertItem(LPCWSTR text, int image, int selectedImage, HTREEITEM parent, HTREEITEM after) {
  TVINSERTSTRUCTW ins = {};
  ins.hParent = parent;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  ins.item.pszText = const_cast<LPWSTR>(text ? text : L"");
  ins.item.iImage = image;
  ins.item.iSelectedImage = selectedImage;
  return InsertItem(&ins);
}
BOOL CTreeCtrl::DeleteItem(HTREEITEM item) {
  return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)));
}
BOOL CTreeCtrl::DeleteAllItems() { return DeleteItem(TVI_ROOT); }
CString CTreeCtrl::GetItemText(HTREEITEM item) const {
  CString text;
  TVITEMW it = {};
  it.mask = TVIF_TEXT;
  it.hItem = item;
  it.cchTextMax = kItemTextMax;
  it.pszText = text.GetBufferSetLength(kItemTextMax);
  BOOL ok = GetItem(&it);
  text.ReleaseBuffer(-1);
  if (!ok) text.Empty();
  return text;
}
BOOL CTreeCtrl::SetItemText(HTREEITEM item, LPCWSTR text) {
  TVITEMW it = {};
  it.mask = TVIF_TEXT;
  it.hItem = item;
  it.pszText = const_cast<LPWSTR>(text ? text : L"");
  return SetItem(&it);
}
HTREEITEM CTreeCtrl::GetNextItem(HTREEITEM item, UINT code) const {
  return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
}
BOOL CTreeCtrl::SelectItem(HTREEITEM item) {
  return static_cast<BOOL>(SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)));
}
BOOL CTreeCtrl::Expand(HTREEITEM item, UINT code) {
  return static_cast<BOOL>(SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
}
BOOL CTreeCtrl::GetItem(TVITEMW* item) const {
  return item ? static_cast<BOOL>(SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(item))) : FALSE;
}
BOOL CTreeCtrl::SetItem(TVITEMW* item) {
  return item ? static_cast<BOOL>(SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(item))) : FALSE;
}
DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const {
  TVITEMW it = {};
  it.mask = TVIF_PARAM;
  it.hItem = item;
  return GetItem(&it) ? static_cast<DWORD_PTR>(it.lParam) : 0;
}
BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data) {
  TVITEMW it = {};
  it.mask = TVIF_PARAM;
  it.hItem = item;
  it.lParam = static_cast<LPARAM>(data);
  return SetItem(&it);
}
BOOL CTreeCtrl::GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const {
  if (!rect) return FALSE;
  *reinterpret_cast<HTREEITEM*>(rect) = item;
  return static_cast<BOOL>(SendMessage(TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(rect)));
}
COLORREF CTreeCtrl::SetBkColor(COLORREF c) { return static_cast<COLORREF>(SendMessage(TVM_SETBKCOLOR, 0, c)); }
COLORREF CTreeCtrl::SetTextColor(COLORREF c) { return static_cast<COLORREF>(SendMessage(TVM_SETTEXTCOLOR, 0, c)); }
