// The folder tree's window: item paths, custom drawing with the trigger marks, selection to the owner.
#include "tavrin/browser/folder_tree_ctrl.h"

#include "res/browser_res.h"

#include <shellapi.h>

namespace {

constexpr DWORD kAddedStyle = TVS_SHOWSELALWAYS | TVS_FULLROWSELECT | TVS_NOHSCROLL;
constexpr int kIconSize = 18;
constexpr int kShellFolderIcons[2] = {3, 19};
constexpr int kItemInset = 3;
constexpr int kMarkOrigin = 4;  // where the marks stand in the composite
constexpr int kMarkLeft = 2;    // where the composite stands in the item
constexpr int kMarkTopOffset = 2;
constexpr int kTextMinLeft = 24;  // text starts right of the mark
constexpr COLORREF kTextLight = 0xFFFFFF;
constexpr COLORREF kTransparent = 0xFFFFFF;

// The marks in drawing order with the mask bit each stands for (the base has none: drawn for any mask).
struct MarkSpec {
  UINT id;
  LPARAM bit;
  int width;
};
constexpr MarkSpec kMarks[CFolderTreeCtrl::kMarkCount] = {
    {IDB_TREE_MARK_BASE, 0, 14},          {IDB_TREE_MARK_MANUAL, 2, 14},
    {IDB_TREE_MARK_SHOCK, 4, 14},         {IDB_TREE_MARK_PARKING, 8, 14},
    {IDB_TREE_MARK_PARKING_SHOCK, 16, 14}, {IDB_TREE_MARK_SPEED_CAMERA, 32, 21},
    {IDB_TREE_MARK_RADAR, 64, 21},
};
constexpr int kMarkHeightPx = 14;

}  // namespace

BEGIN_MESSAGE_MAP(CFolderTreeCtrl, CTreeCtrl)
  ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnCustomDraw)
  ON_NOTIFY_REFLECT(TVN_SELCHANGEDW, OnSelChanged)
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CFolderTreeCtrl::CFolderTreeCtrl() {
  m_szItemText[0] = L'\0';
  m_item = {};
  m_item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
  m_item.pszText = m_szItemText;
  m_item.cchTextMax = 260;
}

CFolderTreeCtrl::~CFolderTreeCtrl() {
  if (IsWindow()) DestroyWindow();
}

BOOL CFolderTreeCtrl::PreCreateWindow(CREATESTRUCTW& cs) {
  cs.style |= kAddedStyle;
  return CTreeCtrl::PreCreateWindow(cs);
}

void CFolderTreeCtrl::CreateImageList() {
  if (!m_hImageList.GetSafeHandle()) m_hImageList.Create(kIconSize, kIconSize, ILC_COLOR32 | ILC_MASK, 4, 0);
  SetImageList(&m_hImageList, TVSIL_NORMAL);
}

void CFolderTreeCtrl::LoadFolderIcons() {
  if (m_bIconsLoaded || !m_hImageList.GetSafeHandle()) return;
  m_bIconsLoaded = true;
  for (int index : kShellFolderIcons) {
    HICON icon = ExtractIconW(AfxGetInstanceHandle(), L"shell32.dll", static_cast<UINT>(index));
    // ExtractIcon answers 1 for "not an icon file": only real handles go into the list.
    if (icon && reinterpret_cast<UINT_PTR>(icon) != 1) {
      m_hImageList.Add(icon);
      DestroyIcon(icon);
    }
  }
}

void CFolderTreeCtrl::FitItemHeight() {
  HDC dc = ::GetDC(m_hWnd);
  HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  if (old) SelectObject(dc, old);
  ::ReleaseDC(m_hWnd, dc);
  const int forText = tm.tmHeight + 2 * kItemInset + 2;
  const int forMark = kMarkHeight + kMarkTopOffset;
  SendMessage(TVM_SETITEMHEIGHT, static_cast<WPARAM>(forText > forMark ? forText : forMark));
}

CString CFolderTreeCtrl::GetItemPath(HTREEITEM item) const {
  CString root = m_strRoot;
  while (!root.IsEmpty() && root[root.GetLength() - 1] == L'\\') root = root.Left(root.GetLength() - 1);
  if (!item) return root + L"\\";
  CString path;
  for (HTREEITEM at = item; at; at = GetParentItem(at)) {
    path = path.IsEmpty() ? GetItemText(at) : GetItemText(at) + L"\\" + path;
  }
  return root.IsEmpty() ? path : root + L"\\" + path;
}

void CFolderTreeCtrl::DeleteChildren(HTREEITEM item) {
  ++m_nDeleting;
  if (!item) {
    DeleteAllItems();
  } else {
    for (HTREEITEM child = GetChildItem(item); child;) {
      HTREEITEM next = GetNextSiblingItem(child);
      DeleteItem(child);
      child = next;
    }
  }
  --m_nDeleting;
}

void CFolderTreeCtrl::OnSelChanged(NMHDR* hdr, LRESULT* result) {
  *result = 0;
  if (m_nDeleting == 0 && m_pMainDlg) m_pMainDlg->OnFolderSelChanged(hdr, result);
}

void CFolderTreeCtrl::OnCustomDraw(NMHDR* hdr, LRESULT* result) {
  auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(hdr);
  switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: {
      RECT rc;
      GetClientRect(&rc);
      ::FillRect(cd->nmcd.hdc, &rc, CBrush(kBackColour));
      *result = CDRF_NOTIFYITEMDRAW;
      return;
    }
    case CDDS_ITEMPREPAINT:
      if (!m_hImageList.GetSafeHandle()) break;
      DrawItemStage(cd);
      *result = CDRF_SKIPDEFAULT;  // the item is drawn completely here
      return;
    default: break;
  }
  *result = CDRF_DODEFAULT;
}

void CFolderTreeCtrl::DrawItemStage(NMTVCUSTOMDRAW* cd) {
  HDC dc = cd->nmcd.hdc;
  HTREEITEM hItem = reinterpret_cast<HTREEITEM>(cd->nmcd.dwItemSpec);
  m_item.hItem = hItem;
  m_szItemText[0] = L'\0';
  if (!GetItem(&m_item)) return;
  RECT rc = cd->nmcd.rc;
  InflateRect(&rc, -kItemInset, -kItemInset);
  const bool selected = (m_item.state & TVIS_SELECTED) != 0;
  ::FillRect(dc, &rc, CBrush(selected ? kSelectedFill : kBackColour));
  if (selected) DrawFocusRect(dc, &rc);
  ::SetTextColor(dc, selected ? kSelectedText : kTextLight);
  SetBkMode(dc, TRANSPARENT);
  HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  RECT text;
  if (!GetItemRect(hItem, &text, TRUE)) text = rc;
  text.top = cd->nmcd.rc.top;
  text.bottom = cd->nmcd.rc.bottom;
  if (text.left < kTextMinLeft) text.left = kTextMinLeft;
  RECT measure = text;
  DrawTextW(dc, m_szItemText, -1, &measure, DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
  text.right = text.left + (measure.right - measure.left);
  DrawTextW(dc, m_szItemText, -1, &text, DT_SINGLELINE | DT_VCENTER);
  if (oldFont) SelectObject(dc, oldFont);
  if (m_item.lParam != 0) DrawMark(dc, kMarkLeft, cd->nmcd.rc.top + kMarkTopOffset, m_item.lParam);
}

bool CFolderTreeCtrl::EnsureMarkSurfaces(HDC reference) {
  if (m_composite.GetSafeHandle()) return true;
  // The mark bitmaps are loaded when the first mark is drawn (the start-up has no use for them).
  if (!m_bMarksLoaded) {
    m_bMarksLoaded = true;
    for (int i = 0; i < kMarkCount; ++i) m_marks[i].LoadBitmap(kMarks[i].id);
  }
  CDC* target = CDC::FromHandle(reference);  // the composite bitmap takes the window DC's format
  if (!m_markDC.GetSafeHdc() && !m_markDC.CreateCompatibleDC(target)) return false;
  if (!m_compositeDC.GetSafeHdc() && !m_compositeDC.CreateCompatibleDC(target)) return false;
  return m_composite.CreateCompatibleBitmap(target, kMarkWidth, kMarkHeight) != FALSE;
}

void CFolderTreeCtrl::DrawMark(HDC dc, int x, int y, LPARAM mask) {
  if (mask == 0 || !EnsureMarkSurfaces(dc)) return;
  const CDCSelect composite(m_compositeDC, m_composite);
  const RECT all = {0, 0, kMarkWidth, kMarkHeight};
  ::FillRect(m_compositeDC, &all, CBrush(kTransparent));
  for (const MarkSpec& spec : kMarks) {
    const size_t i = static_cast<size_t>(&spec - kMarks);
    if ((spec.bit != 0 && !(mask & spec.bit)) || !m_marks[i].GetSafeHandle()) continue;
    const CDCSelect mark(m_markDC, m_marks[i]);
    const int w = spec.width < kMarkWidth - kMarkOrigin ? spec.width : kMarkWidth - kMarkOrigin;
    TransparentBlt(m_compositeDC, kMarkOrigin, kMarkOrigin, w, kMarkHeightPx, m_markDC, 0, 0, w,
                   kMarkHeightPx, kTransparent);
  }
  TransparentBlt(dc, x, y, kMarkWidth, kMarkHeight, m_compositeDC, 0, 0, kMarkWidth, kMarkHeight,
                 kTransparent);
}
