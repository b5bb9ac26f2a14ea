// Drawing of the file list's rows and of its header items.
#include "tavrin/browser/file_list_ctrl.h"

#include "tavrin/skin/app_fonts.h"

namespace {

constexpr int kTextIndent = 4;
constexpr COLORREF kTextLight = 0xFFFFFF;
constexpr COLORREF kTextDark = 0x000000;
constexpr COLORREF kHeaderPen = 0xBEBEBE;
constexpr COLORREF kHeaderFailFill = 0xCCCCCC;
constexpr COLORREF kHeaderFrame = 0xAAAAAA;
constexpr int kHeaderTextChars = 260;

void FillSolid(HDC dc, const RECT& rc, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
}

void FrameSolid(HDC dc, const RECT& rc, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FrameRect(dc, &rc, brush);
  DeleteObject(brush);
}

}  // namespace

void CFileListCtrl::DrawItem(LPDRAWITEMSTRUCT dis) {
  RECT client;
  GetClientRect(&client);
  if (!dis || client.right - client.left == 0) return;
  HDC dc = dis->hDC;
  SetBkMode(dc, TRANSPARENT);
  if (ListView_GetBkColor(m_hWnd) != kBackColour) ListView_SetBkColor(m_hWnd, kBackColour);
  if (m_header.GetItemCount() <= 0) return;
  const int row = static_cast<int>(dis->itemID);
  m_item.iItem = row;
  m_item.iSubItem = 0;
  m_szItemText[0] = L'\0';
  GetItem(&m_item);
  RECT rc;
  if (!GetItemRect(row, &rc, LVIR_BOUNDS)) return;
  // The rows and the records change at different moments: a row without its record draws plain.
  const bool hasRecord = row >= 0 && static_cast<size_t>(row) < m_shownRecords.size();
  const bool eventRow = hasRecord && IsEventRow(m_shownRecords[static_cast<size_t>(row)]);
  RECT fill = rc;
  fill.left = 0;
  COLORREF text;
  if (row == m_nSelected) {
    FillSolid(dc, fill, eventRow ? kSelectedEventFill : kSelectedFill);
    text = kTextDark;
  } else {
    FillSolid(dc, fill, eventRow ? kEventFill : kBackColour);
    text = eventRow ? kTextDark : kTextLight;
  }
  RECT frame = rc;
  ++frame.right;
  ++frame.bottom;
  FrameSolid(dc, frame, kFrameColour);
  ::SetTextColor(dc, text);
  HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  RECT textRect = rc;
  textRect.left += kTextIndent;
  DrawTextW(dc, m_szItemText, -1, &textRect, DT_VCENTER | DT_SINGLELINE | DT_WORD_ELLIPSIS);
  if (oldFont) SelectObject(dc, oldFont);
}

void CFileListHeaderCtrl::DrawGradient(HDC dc, const RECT& rect) {
  const int h = rect.bottom - rect.top;
  const int band = HeaderGradientBand(h);
  for (int r = h; r > 0; r -= band) {
    const int g = HeaderGradientGrey(h, r);
    HBRUSH brush = CreateSolidBrush(RGB(g, g, g));
    HGDIOBJ old = SelectObject(dc, brush);
    PatBlt(dc, rect.left, rect.top + r, rect.right - rect.left, band, PATCOPY);
    SelectObject(dc, old);
    DeleteObject(brush);
  }
}

void CFileListHeaderCtrl::DrawItem(LPDRAWITEMSTRUCT dis) {
  if (!dis) return;
  HDC dc = dis->hDC;
  HPEN pen = CreatePen(PS_SOLID, 1, kHeaderPen);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  wchar_t text[kHeaderTextChars] = L"";
  HDITEMW item = {};
  item.mask = HDI_TEXT | HDI_FORMAT;
  item.pszText = text;
  item.cchTextMax = kHeaderTextChars;
  const int index = static_cast<int>(dis->itemID);
  if (!GetItem(index, &item)) {
    FillSolid(dc, dis->rcItem, kHeaderFailFill);
  } else {
    RECT rc;
    if (!GetItemRect(index, &rc)) rc = dis->rcItem;
    SetBkMode(dc, TRANSPARENT);
    DrawGradient(dc, rc);
    FrameSolid(dc, rc, kHeaderFrame);
    ::SetTextColor(dc, kTextLight);
    HGDIOBJ oldFont = g_hFont10 ? SelectObject(dc, g_hFont10) : nullptr;
    DrawTextW(dc, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_WORD_ELLIPSIS);
    if (oldFont) SelectObject(dc, oldFont);
  }
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}
