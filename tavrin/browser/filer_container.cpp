// The browser pane's children, layouts and painting.
#include "tavrin/browser/filer_container.h"

#include "platform/framework/gdi.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/ui_texts.h"

#include <algorithm>

namespace {

constexpr UINT kCheckBoxBitmap = 217;
constexpr int kFilterSpacing = 60;  // at creation without an expected layout; the layouts move them
constexpr UINT kFilterLabelTexts[kFilterButtonCount] = {26, 29, 27, 28, 141};
constexpr UINT kCountFormat = 37;  // "%d個"
constexpr int kColumnMargin = 51;
constexpr int kSideOffsets[kFilterButtonCount] = {0, 45, 90, 172, 217};
constexpr int kStackedOffsets[kFilterButtonCount] = {0, 82, 152, 0, 82};
constexpr int kStackedLineStep = 12;
constexpr int kLabelWidth = 80;
constexpr int kLabelHeight = 16;
constexpr int kCountHeight = 16;
constexpr int kSidePanelIds[2] = {214, 215};

// The first filter label's offset from its button in each variant (the button's own offsets differ).
constexpr POINT kLabelFromButton[2] = {{16, -3}, {13, -3}};

}  // namespace

BEGIN_MESSAGE_MAP(CFilerContainerDlg, CDialogEx)
  ON_WM_PAINT()
  ON_WM_ERASEBKGND()
  ON_COMMAND_RANGE(quill::browser::kFilterCommandFirst, quill::browser::kFilterCommandLast, OnFilterButton)
END_MESSAGE_MAP()

CFilerContainerDlg::CFilerContainerDlg()
    : CDialogEx(kTemplateId, nullptr), m_frameBrush(kFrameColour), m_fillBrush(kFillColour) {
  m_list.m_pRefiltered = &m_bRefiltered;
}

CFilerContainerDlg::~CFilerContainerDlg() {
  // The children go with the pane's window, before the brushes they never use.
  if (IsWindow()) DestroyWindow();
}

int CFilerContainerDlg::CreateChildren(IBrowserOwner* owner) {
  m_pMainDlg = owner;
  m_tree.m_pMainDlg = owner;
  m_list.m_pMainDlg = owner;
  m_watch.SetOwner(owner ? owner->OwnerWindow() : nullptr);
  const RECT none = {0, 0, 0, 0};
  const bool placed = m_rcBirth.right > m_rcBirth.left;
  const ChildPlaces at = placed ? SideBySidePlaces(m_rcBirth, CaptionFontHeight()) : ChildPlaces{none, none, none, {}};
  m_tree.Create(WS_CHILD | WS_VISIBLE, at.tree, this, CFolderTreeCtrl::kControlId);
  m_tree.CreateImageList();
  m_tree.SetFont(g_hFont13);
  m_tree.FitItemHeight();
  m_list.HoldScrollBars(true);
  m_list.CreateEx(WS_EX_CONTROLPARENT, WS_CHILD | WS_VISIBLE | LVS_NOCOLUMNHEADER, at.list, this,
                  CFileListCtrl::kControlId);
  m_list.SetFont(g_hFont13);
  m_list.SetupColumns();
  m_list.HoldScrollBars(false);
  m_editCaption.Create(WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, at.caption, this, kCaptionId);
  m_editCaption.SetFont(g_hFont10);
  for (int i = 0; i < kFilterButtonCount; ++i) {
    CSkinButton& b = m_btnFilter[i];
    b.m_bNotifyPress = FALSE;
    b.m_nImageWidth = kFilterSize;
    b.m_nImageHeight = kFilterSize;
    const POINT p = placed ? POINT{at.firstFilter.x + kSideOffsets[i], at.firstFilter.y} : POINT{i * kFilterSpacing, 0};
    b.Create(L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(p.x, p.y, p.x + kFilterSize, p.y + kFilterSize), this,
             kFilterFirstId + static_cast<UINT>(i));
    b.SetImages(kCheckBoxBitmap);
    b.SetFont(g_hFont10);
    b.ShowWindow(SW_SHOW);
  }
  // All five groups start shown: one refill for the five (each refill redoes the whole list).
  SetButtonFilters(TRUE);
  m_bRefiltered = FALSE;
  return 1;
}

int CFilerContainerDlg::CaptionFontHeight() {
  TEXTMETRICW tm = {};
  CClientDC dc(this);
  const CDCSelect font(dc, g_hFont10);
  GetTextMetricsW(dc, &tm);
  return tm.tmHeight;
}

POINT CFilerContainerDlg::FilterPosition(int index) const {
  POINT p = m_ptFirstFilter;
  if (m_bStacked) {
    p.x += kStackedOffsets[index];
    if (index >= 3) p.y += kStackedLineStep;
  } else {
    p.x += kSideOffsets[index];
  }
  return p;
}

void CFilerContainerDlg::PlaceChildren(const RECT& tree, const RECT& list, const RECT& caption,
                                       POINT firstFilter, bool stacked) {
  m_tree.MoveWindow(&tree);
  m_list.MoveWindow(&list);
  m_editCaption.MoveWindow(&caption);
  m_bStacked = stacked;
  m_bFiltersPlaced = m_nLayoutVariant == 0 || m_nLayoutVariant == 1;
  m_ptFirstFilter = firstFilter;
  if (m_bFiltersPlaced) {
    for (int i = 0; i < kFilterButtonCount; ++i) {
      const POINT p = FilterPosition(i);
      m_btnFilter[i].MoveWindow(p.x, p.y, kFilterSize, kFilterSize);
    }
  }
  FitListColumn();
  ShowChildren(m_bHidden ? SW_HIDE : SW_SHOW);
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  if (!m_bPaneHidden) ShowWindow(SW_SHOW);
}

void CFilerContainerDlg::ExpectSideBySide(const RECT& rc) {
  m_rcBirth = rc;
  if (m_hWnd && rc.right > rc.left) MoveWindow(&rc, FALSE);
}

CFilerContainerDlg::ChildPlaces CFilerContainerDlg::SideBySidePlaces(const RECT& rc, int captionFontHeight) const {
  const int h = rc.bottom - rc.top;
  return ChildPlaces{RECT{5, 50, 5 + 195, 50 + h - 55}, RECT{205, 50, 205 + 164, 50 + h - 55},
                     RECT{5, 6, 5 + 304, 6 + 7 + captionFontHeight},
                     m_nLayoutVariant == 1 ? POINT{16, 352} : POINT{6, 33}};
}

void CFilerContainerDlg::LayoutSideBySide(RECT* rc) {
  if (!rc || rc->right - rc->left <= 0) return;
  m_rcLayout = *rc;
  m_nLayoutVariant = 0;  // the filter row on the line under the caption
  MoveWindow(rc);
  const ChildPlaces at = SideBySidePlaces(*rc, CaptionFontHeight());
  PlaceChildren(at.tree, at.list, at.caption, at.firstFilter, false);
}

void CFilerContainerDlg::LayoutStacked(RECT* rc) {
  if (!rc || rc->right - rc->left <= 0) return;
  m_rcLayout = *rc;
  // The filter rows between the tree and the list: the caption line has no room for them.
  m_nLayoutVariant = 1;
  MoveWindow(rc);
  const int w = rc->right - rc->left;
  const int h = rc->bottom - rc->top;
  const int fontHeight = CaptionFontHeight();
  const POINT first = m_nLayoutVariant == 1 ? POINT{5, 349} : POINT{-5, 30};
  PlaceChildren(CRect(5, 55, 5 + w - 10, 55 + 283), CRect(5, 389, 5 + w - 10, 389 + std::max(0, h - 394)),
                CRect(5, 43 - fontHeight, 5 + w - 10, 43 - fontHeight + 7 + fontHeight), first, true);
}

void CFilerContainerDlg::HideContainer(int) {
  ShowChildren(m_bHidden ? SW_HIDE : SW_SHOW);
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ShowWindow(SW_HIDE);
}

void CFilerContainerDlg::ShowChildren(int cmd) {
  m_tree.ShowWindow(cmd);
  m_list.ShowWindow(cmd);
  m_editCaption.ShowWindow(cmd);
  for (CSkinButton& b : m_btnFilter) b.ShowWindow(cmd);
}

void CFilerContainerDlg::FitListColumn() {
  RECT rc;
  m_list.GetClientRect(&rc);
  m_list.SetColumnWidth(0, std::max(0, static_cast<int>(rc.right - rc.left) - kColumnMargin));
}

void CFilerContainerDlg::OnFilterButton(UINT id) {
  // The buttons are the pane's children: their commands go on to the owner, which acts on them.
  if (m_pMainDlg) m_pMainDlg->OnFilterCommand(static_cast<int>(id - quill::browser::kFilterCommandFirst));
}

RECT CFilerContainerDlg::ItemCountRect() const {
  RECT list;
  m_list.GetWindowRect(&list);
  ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&list), 2);
  return RECT{list.left, list.top - kCountHeight - 2, list.right, list.top - 2};
}

RECT CFilerContainerDlg::FilterLabelRect(int index) const {
  const int variant = m_nLayoutVariant == 1 ? 1 : 0;
  const POINT button = FilterPosition(index);
  const int left = button.x + kLabelFromButton[variant].x;
  const int top = button.y + kLabelFromButton[variant].y;
  return RECT{left, top, left + kLabelWidth, top + kLabelHeight};
}

void CFilerContainerDlg::DrawItemCount(CDC* dc) {
  if (!dc || !m_list.IsWindow()) return;
  HDC h = dc->GetSafeHdc();
  RECT rc = ItemCountRect();
  FillRect(h, &rc, m_fillBrush);
  CString text;
  text.Format(UIText(kCountFormat), m_list.GetItemCount());
  SetTextColor(h, RGB(255, 255, 255));
  SetBkMode(h, TRANSPARENT);
  const CDCSelect font(h, g_hFont10);
  DrawTextW(h, text, -1, &rc, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
}

void CFilerContainerDlg::DrawFilterLabels(HDC dc) {
  if (!m_bFiltersPlaced) return;
  ::SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  const CDCSelect font(dc, g_hFont10);
  for (int i = 0; i < kFilterButtonCount; ++i) {
    RECT rc = FilterLabelRect(i);
    DrawTextW(dc, UIText(kFilterLabelTexts[i]), -1, &rc, 0);
  }
}

void CFilerContainerDlg::DrawSidePanel(HDC dc, const RECT& rc) {
  HBITMAP image = m_pSkin ? m_pSkin->Bitmap(kSidePanelIds[m_nLayoutVariant == 1 ? 1 : 0]) : nullptr;
  BITMAP bm = {};
  if (!image || !GetObjectW(image, sizeof bm, &bm) || bm.bmHeight <= 0) return;
  CDC mem;
  if (!mem.CreateCompatibleDC(CDC::FromHandle(dc))) return;
  const CDCSelect select(mem, image);
  // A pane taller than the picture takes the picture's whole height: the band stays inside it.
  const int height = std::min(static_cast<int>(rc.bottom - rc.top), static_cast<int>(bm.bmHeight));
  const int top = (bm.bmHeight - height) / 2;
  StretchBlt(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, mem, 0, top, bm.bmWidth, height,
             SRCCOPY);
}

void CFilerContainerDlg::OnPaint() {
  CPaintDC dc(this);
  RECT rc;
  GetClientRect(&rc);
  if ((m_nLayoutVariant != 0 && m_nLayoutVariant != 1) || rc.right - rc.left <= 0) {
    DrawItemCount(&dc);
    return;
  }
  HDC h = dc.GetSafeHdc();
  FillRect(h, &rc, m_fillBrush);
  FrameRect(h, &rc, m_frameBrush);
  if (m_bHidden) {
    DrawSidePanel(h, rc);
    return;
  }
  DrawItemCount(&dc);
  DrawFilterLabels(h);
}
