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
    ::FillRect(dc, &fill, CBrush(eventRow ? kSelectedEventFill : kSelectedFill));
    text = kTextDark;
  } else {
    ::FillRect(dc, &fill, CBrush(eventRow ? kEventFill : kBackColour));
    text = eventRow ? kTextDark : kTextLight;
  }
  RECT frame = rc;
  ++frame.right;
  ++frame.bottom;
  ::FrameRect(dc, &frame, CBrush(kFrameColour));
  ::SetTextColor(dc, text);
  const CDCSelect font(dc, reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
  RECT textRect = rc;
  textRect.left += kTextIndent;
  DrawTextW(dc, m_szItemText, -1, &textRect, DT_VCENTER | DT_SINGLELINE | DT_WORD_ELLIPSIS);
}

void CFileListHeaderCtrl::DrawGradient(HDC dc, const RECT& rect) {
  const int h = rect.bottom - rect.top;
  const int band = HeaderGradientBand(h);
  for (int r = h; r > 0; r -= band) {
    const int g = HeaderGradientGrey(h, r);
    const CBrush brush(RGB(g, g, g));
    const CDCSelect select(dc, brush);
    PatBlt(dc, rect.left, rect.top + r, rect.right - rect.left, band, PATCOPY);
  }
}

void CFileListHeaderCtrl::DrawItem(LPDRAWITEMSTRUCT dis) {
  if (!dis) return;
  HDC dc = dis->hDC;
  const CPen pen(PS_SOLID, 1, kHeaderPen);
  const CDCSelect selectPen(dc, pen);
  wchar_t text[kHeaderTextChars] = L"";
  HDITEMW item = {};
  item.mask = HDI_TEXT | HDI_FORMAT;
  item.pszText = text;
  item.cchTextMax = kHeaderTextChars;
  const int index = static_cast<int>(dis->itemID);
  if (!GetItem(index, &item)) {
    ::FillRect(dc, &dis->rcItem, CBrush(kHeaderFailFill));
  } else {
    RECT rc;
    if (!GetItemRect(index, &rc)) rc = dis->rcItem;
    SetBkMode(dc, TRANSPARENT);
    DrawGradient(dc, rc);
    ::FrameRect(dc, &rc, CBrush(kHeaderFrame));
    ::SetTextColor(dc, kTextLight);
    const CDCSelect font(dc, g_hFont10);
    DrawTextW(dc, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_WORD_ELLIPSIS);
  }
}
