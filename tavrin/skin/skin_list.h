// CSkinListCtrl: a list view that shows the row under the mouse through its state image (1 a row's
// normal look, 2 its hover look; rows with other state images are left alone) and reports clicks to
// its parent with kMsgListClicked (lParam the clicked row, -1 when the click hit no row).
//
// Threads: UI thread only.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "platform/framework/controls.h"

class CSkinListCtrl : public CListCtrl {
 public:
  static constexpr UINT kStateNormal = 1;
  static constexpr UINT kStateHover = 2;

  CSkinListCtrl();
  ~CSkinListCtrl() override = default;

  // The state image index (1-based, 0 none) of a row.
  UINT GetStateImage(int item) const;
  void SetStateImage(int item, UINT image);

  TRACKMOUSEEVENT m_tme;
  int m_nClickedItem = -1;
  int m_nHotItem = -1;

 protected:
  // Moves the hover look to the row under `pt` (client coordinates; null: no row).
  void UpdateHot(const POINT* pt);
  void OnClick(NMHDR* hdr, LRESULT* result);
  void OnMouseMove(UINT flags, CPoint pt);
  void OnMouseHover(UINT flags, CPoint pt);
  void OnMouseLeave();
  DECLARE_MESSAGE_MAP()
};
