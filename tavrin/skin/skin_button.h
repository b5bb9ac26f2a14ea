// The skinned push button and check button: owner-drawn buttons that draw one of four images of an
// image list (0 normal, 1 hover, 2 pressed or checked, 3 disabled). A press-notifying CSkinButton posts
// kMsgButtonPressed on the press and exactly one kMsgButtonReleased when the press ends, by a release or
// by losing the mouse capture (a message box, Alt+Tab, the button being disabled). The keyboard never
// presses a skinned button.
//
// Threads: UI thread only (the window's thread).
#pragma once

#include <windows.h>

#include "platform/framework/controls.h"

// The image index of an owner-draw item state: grayed 1, disabled 3, selected/checked/pressed 2,
// hovered 1, else 0.
int SkinButtonImageIndex(UINT itemState, BOOL pressed, BOOL hover);

class CSkinButton : public CButton {
 public:
  static constexpr int kImageCount = 4;
  static constexpr int kImageNormal = 0, kImageHover = 1, kImagePressed = 2, kImageDisabled = 3;

  CSkinButton();
  ~CSkinButton() override = default;

  // Takes bitmap `bitmapId` (the four images side by side, black transparent) as the faces, each
  // m_nImageWidth x m_nImageHeight as they are now. The image list is built from it when the button is
  // first drawn (most faces are not drawn before the window shows, some never), once per call. A
  // bitmap that is not among the resources, or that does not load when drawn, keeps the previous images.
  void SetImages(UINT bitmapId);
  // The bitmap of the last SetImages whose image list is not built yet, or 0.
  UINT PendingImages() const { return m_nPendingBitmap; }

  BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
  void DrawItem(LPDRAWITEMSTRUCT dis) override;

  CImageList m_imageList;
  int m_nImageWidth = 0;
  int m_nImageHeight = 0;
  TRACKMOUSEEVENT m_tme;
  BOOL m_bLoading = FALSE;
  BOOL m_bPressed = FALSE;      // held on a press-notifying button (for CSkinCheckButton: checked)
  BOOL m_bNotifyPress = FALSE;  // post the press and release messages to the parent
  UINT m_nNotifyValue = 0;      // their lParam
  BOOL m_bDown = FALSE;         // between the press and its end
  BOOL m_bHover = FALSE;        // the mouse rests on the button: the hover image survives repaints

 protected:
  // Draws image `index`, building the pending faces first.
  void DrawImage(CDC* dc, int index, int x, int y, int w, int h);
  void TrackMouse();
  // Ends a held press-notifying press once: posts the release, clears the flags, redraws.
  void EndPress(bool releaseCapture);

  void OnMouseMove(UINT flags, CPoint pt);
  void OnMouseHover(UINT flags, CPoint pt);
  void OnMouseLeave();
  void OnKeyDown(UINT, UINT, UINT) {}
  void OnKeyUp(UINT, UINT, UINT) {}
  void OnLButtonDown(UINT flags, CPoint pt);
  void OnLButtonDblClk(UINT flags, CPoint pt);
  void OnLButtonUp(UINT flags, CPoint pt);
  void OnCaptureChanged(CWnd* newCapture);
  void OnCancelMode();
  void OnEnable(BOOL enable);
  DECLARE_MESSAGE_MAP()

 private:
  void BuildPendingImages();

  UINT m_nPendingBitmap = 0;
  int m_nPendingWidth = 0;
  int m_nPendingHeight = 0;
};

// A check box: the 12 x 12 box image at (0, 4) and the window text 16 pixels to the right. The owner
// sets and clears m_bChecked (the same member as the button's pressed flag).
class CSkinCheckButton : public CSkinButton {
 public:
  static constexpr int kBoxSize = 12;
  static constexpr int kBoxTop = 4;
  static constexpr int kTextIndent = 16;

  CSkinCheckButton();
  void DrawItem(LPDRAWITEMSTRUCT dis) override;
  BOOL& m_bChecked;
  COLORREF m_crText = CLR_INVALID;  // the text colour; CLR_INVALID keeps the DC's
  COLORREF m_crTextDisabled = RGB(0x70, 0x76, 0x80);  // the text colour while disabled (with m_crText)

 protected:
  static bool InBox(CPoint pt);
  void OnMouseMove(UINT flags, CPoint pt);
  void OnMouseHover(UINT flags, CPoint pt);
  void OnMouseLeave();
  DECLARE_MESSAGE_MAP()
};
