// CSkinListCtrl: hover rows through state images and click reports.
#include "tavrin/skin/skin_list.h"

#include "tavrin/skin/skin_messages.h"

namespace {
constexpr DWORD kHoverTimeMs = 1;
constexpr int kStateImageShift = 12;  // LVIS_STATEIMAGEMASK holds the index in bits 12..15
}  // namespace

BEGIN_MESSAGE_MAP(CSkinListCtrl, CListCtrl)
  ON_NOTIFY_REFLECT(NM_CLICK, OnClick)
  ON_WM_MOUSEMOVE()
  ON_WM_MOUSEHOVER()
  ON_WM_MOUSELEAVE()
END_MESSAGE_MAP()

CSkinListCtrl::CSkinListCtrl() {
  m_tme = {};
  m_tme.cbSize = sizeof(TRACKMOUSEEVENT);
  m_tme.dwFlags = TME_HOVER | TME_LEAVE;
  m_tme.dwHoverTime = kHoverTimeMs;
}

UINT CSkinListCtrl::GetStateImage(int item) const {
  return (GetItemState(item, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> kStateImageShift;
}

void CSkinListCtrl::SetStateImage(int item, UINT image) {
  SetItemState(item, INDEXTOSTATEIMAGEMASK(image), LVIS_STATEIMAGEMASK);
}

void CSkinListCtrl::UpdateHot(const POINT* pt) {
  const int count = GetItemCount();
  if (m_nHotItem >= 0 && m_nHotItem < count && GetStateImage(m_nHotItem) == kStateHover) {
    SetStateImage(m_nHotItem, kStateNormal);
  }
  m_nHotItem = pt ? HitTest(CPoint(*pt)) : -1;
  if (m_nHotItem >= 0 && GetStateImage(m_nHotItem) == kStateNormal) SetStateImage(m_nHotItem, kStateHover);
}

void CSkinListCtrl::OnMouseMove(UINT flags, CPoint pt) {
  m_tme.hwndTrack = m_hWnd;
  TrackMouseEvent(&m_tme);
  UpdateHot(&pt);
  CWnd::OnMouseMove(flags, pt);
}

void CSkinListCtrl::OnMouseHover(UINT flags, CPoint pt) {
  UpdateHot(&pt);
  CWnd::OnMouseHover(flags, pt);
}

void CSkinListCtrl::OnMouseLeave() {
  UpdateHot(nullptr);
  CWnd::OnMouseLeave();
}

void CSkinListCtrl::OnClick(NMHDR* hdr, LRESULT* result) {
  auto* activate = reinterpret_cast<NMITEMACTIVATE*>(hdr);
  m_nClickedItem = HitTest(CPoint(activate->ptAction));
  m_nHotItem = -1;
  ::PostMessageW(::GetParent(m_hWnd), quill::skin::kMsgListClicked, 0, activate->iItem);
  *result = 0;
}
