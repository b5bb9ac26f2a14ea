// CSkinDialog: the base of the program's borderless dialogs. It removes the frame, paints a caption
// strip with the window text, lets the user drag the window by its top 20 pixels (top-level and child
// dialogs alike) and can add a small close button at the top right.
//
// Threads: the thread that runs or created the dialog.
#pragma once

#include <windows.h>

#include "platform/framework/dialog.h"
#include "tavrin/skin/skin_button.h"

// The window rectangle a drag moves to: `windowRect` (screen coordinates) offset by `delta`, expressed
// in the coordinates MoveWindow takes: the parent's client coordinates for a child window (parentOrigin
// = the parent's client origin on the screen), screen coordinates otherwise.
RECT SkinDragTarget(const RECT& windowRect, POINT delta, bool isChild, POINT parentOrigin);

class CSkinDialog : public CDialog {
 public:
  static constexpr int kCaptionHeight = 20;     // the strip painted and the band that drags
  static constexpr UINT kCaptionBitmap = 352;   // the close button's four faces
  static constexpr int kCaptionButtonWidth = 13;
  static constexpr int kCaptionButtonHeight = 12;
  static constexpr COLORREF kCaptionTextColour = 0xF0ECE8;  // light text on the grey strip

  explicit CSkinDialog(UINT templateId = 0, CWnd* parent = nullptr) : CDialog(templateId, parent) {}
  ~CSkinDialog() override = default;

  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  // Makes the close button at (r - 20, 4)-(r - 7, 16); its click sends WM_COMMAND `id` to the dialog.
  void CreateCaptionButton(UINT id);
  // Paints the caption strip: the top 20 pixels of the client area in grey with the window text.
  void PaintBackground(CDC* dc);

  CSkinButton m_btnCaption;
  int m_nDragX = 0;  // where the drag began, client coordinates
  int m_nDragY = 0;
  BOOL m_bDragging = FALSE;
  BOOL m_bMovable = TRUE;  // a derived dialog that clears it cannot be dragged
  // Set before Create by a top-level dialog that is made hidden: the focus its OnInitDialog asks for
  // is given at its first activation instead (the control the system would have chosen then).
  // Giving it at once activated the hidden window, and the process's first activation (the input
  // method's set-up among it) then ran before the main window could show.
  BOOL m_bFocusAtFirstActivation = FALSE;

 protected:
  BOOL m_bFocusPending = FALSE;  // the default focus waits for the first activation
  // The shared skinned paint: derived dialogs put ON_WM_PAINT() in their maps.
  void OnPaint();
  void OnLButtonDown(UINT flags, CPoint pt);
  void OnLButtonUp(UINT flags, CPoint pt);
  void OnMouseMove(UINT flags, CPoint pt);
  void OnCaptureChanged(CWnd* newCapture);
  DECLARE_MESSAGE_MAP()
};
