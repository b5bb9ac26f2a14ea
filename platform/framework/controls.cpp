// Buttons, statics, edits, progress bars, image lists, headers and menus.
#include "platform/framework/controls.h"

#include <mutex>
#include <unordered_map>

#include "platform/framework/thread_state.h"

BOOL CStatic::Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::CreateEx(0, L"STATIC", text, style | WS_CHILD, rect, parent, id);
}

BOOL CButton::Create(LPCWSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::CreateEx(0, L"BUTTON", caption, style | WS_CHILD, rect, parent, id);
}

BOOL CButton::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  if (msg == WM_DRAWITEM) {
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lp));
    *result = TRUE;
    return TRUE;
  }
  return CWnd::OnChildNotify(msg, wp, lp, result);
}

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::CreateEx(0, L"EDIT", L"", style | WS_CHILD, rect, parent, id);
}

BOOL CProgressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::CreateEx(0, PROGRESS_CLASSW, L"", style | WS_CHILD, rect, parent, id);
}

// --- CImageList ---

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
  if (m_hImageList) return FALSE;
  m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
  return m_hImageList != nullptr;
}

int CImageList::Add(CBitmap* bitmap, COLORREF mask) {
  return bitmap ? Add(static_cast<HBITMAP>(bitmap->m_hObject), mask) : -1;
}

int CImageList::Add(HBITMAP bitmap, COLORREF mask) {
  return m_hImageList && bitmap ? ImageList_AddMasked(m_hImageList, bitmap, mask) : -1;
}

int CImageList::Add(HICON icon) { return m_hImageList && icon ? ImageList_AddIcon(m_hImageList, icon) : -1; }

BOOL CImageList::Draw(CDC* dc, int image, POINT pt, UINT style) {
  return m_hImageList && dc ? ImageList_Draw(m_hImageList, image, dc->m_hDC, pt.x, pt.y, style) : FALSE;
}

BOOL CImageList::DeleteImageList() {
  if (!m_hImageList) return FALSE;
  BOOL ok = ImageList_Destroy(m_hImageList);
  m_hImageList = nullptr;
  return ok;
}

HIMAGELIST CImageList::Detach() {
  HIMAGELIST h = m_hImageList;
  m_hImageList = nullptr;
  return h;
}

// --- CHeaderCtrl ---

BOOL CHeaderCtrl::GetItem(int index, HDITEMW* item) const {
  return item ? static_cast<BOOL>(SendMessage(HDM_GETITEMW, static_cast<WPARAM>(index),
                                              reinterpret_cast<LPARAM>(item)))
              : FALSE;
}

BOOL CHeaderCtrl::SetItem(int index, HDITEMW* item) {
  return item ? static_cast<BOOL>(SendMessage(HDM_SETITEMW, static_cast<WPARAM>(index),
                                              reinterpret_cast<LPARAM>(item)))
              : FALSE;
}

BOOL CHeaderCtrl::GetItemRect(int index, LPRECT rect) const {
  return static_cast<BOOL>(
      SendMessage(HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)));
}

BOOL CHeaderCtrl::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  if (msg == WM_DRAWITEM) {
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lp));
    *result = TRUE;
    return TRUE;
  }
  return CWnd::OnChildNotify(msg, wp, lp, result);
}

// --- CMenu ---

namespace {

// Menu objects by handle, for owner-drawn items. Guarded by g_menuLock.
std::mutex g_menuLock;
std::unordered_map<HMENU, CMenu*>& MenuMap() {
  static auto* map = new std::unordered_map<HMENU, CMenu*>();
  return *map;
}

void MapMenu(HMENU menu, CMenu* object) {
  std::lock_guard<std::mutex> lock(g_menuLock);
  if (object) MenuMap()[menu] = object;
  else MenuMap().erase(menu);
}

}  // namespace

CMenu::~CMenu() { DestroyMenu(); }

CMenu* CMenu::FromHandlePermanent(HMENU menu) {
  std::lock_guard<std::mutex> lock(g_menuLock);
  auto it = MenuMap().find(menu);
  return it == MenuMap().end() ? nullptr : it->second;
}

BOOL CMenu::CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
BOOL CMenu::CreateMenu() { return Attach(::CreateMenu()); }

BOOL CMenu::Attach(HMENU menu) {
  if (m_hMenu || !menu) return FALSE;
  m_hMenu = menu;
  MapMenu(menu, this);
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU h = m_hMenu;
  if (h) MapMenu(h, nullptr);
  m_hMenu = nullptr;
  return h;
}

BOOL CMenu::DestroyMenu() {
  HMENU h = Detach();
  return h ? ::DestroyMenu(h) : FALSE;
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, LPCWSTR text) {
  return m_hMenu ? ::AppendMenuW(m_hMenu, flags, id, text) : FALSE;
}
BOOL CMenu::InsertMenu(UINT position, UINT flags, UINT_PTR id, LPCWSTR text) {
  return m_hMenu ? ::InsertMenuW(m_hMenu, position, flags, id, text) : FALSE;
}
BOOL CMenu::InsertMenuItem(UINT item, LPMENUITEMINFOW info, BOOL byPosition) {
  return m_hMenu && info ? ::InsertMenuItemW(m_hMenu, item, byPosition, info) : FALSE;
}
UINT CMenu::EnableMenuItem(UINT item, UINT enable) {
  return m_hMenu ? static_cast<UINT>(::EnableMenuItem(m_hMenu, item, enable)) : static_cast<UINT>(-1);
}
UINT CMenu::CheckMenuItem(UINT item, UINT check) {
  return m_hMenu ? ::CheckMenuItem(m_hMenu, item, check) : static_cast<UINT>(-1);
}
int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const {
  text.Empty();
  if (!m_hMenu) return 0;
  int length = ::GetMenuStringW(m_hMenu, item, nullptr, 0, flags);
  if (length <= 0) return 0;
  int got = ::GetMenuStringW(m_hMenu, item, text.GetBufferSetLength(length + 1), length + 1, flags);
  text.ReleaseBuffer(got > 0 ? got : 0);
  return text.GetLength();
}
int CMenu::GetMenuItemCount() const { return m_hMenu ? ::GetMenuItemCount(m_hMenu) : -1; }
UINT CMenu::GetMenuItemID(int position) const {
  return m_hMenu ? ::GetMenuItemID(m_hMenu, position) : static_cast<UINT>(-1);
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect) {
  if (!m_hMenu) return FALSE;
  // Items are measured while the menu is tracked; the measuring message names no menu.
  auto& state = quill::framework::ThisThread();
  CMenu* outer = state.trackingMenu;
  state.trackingMenu = this;
  BOOL result = ::TrackPopupMenu(m_hMenu, flags, x, y, 0, HwndOf(owner), rect);
  state.trackingMenu = outer;
  return result;
}

bool CMenu::OfferDrawItem(LPDRAWITEMSTRUCT dis) {
  CMenu* menu = FromHandlePermanent(reinterpret_cast<HMENU>(dis->hwndItem));
  if (!menu) return false;
  menu->DrawItem(dis);
  return true;
}

bool CMenu::OfferMeasureItem(LPMEASUREITEMSTRUCT mis) {
  CMenu* menu = quill::framework::ThisThread().trackingMenu;
  if (!menu) return false;
  menu->MeasureItem(mis);
  return true;
}
