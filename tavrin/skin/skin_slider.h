// CSkinSliderCtrl: the image slider of the main window (seek bar and volume). It draws the played part
// of the bar, the remaining part and the thumb from four bitmaps into an off-screen buffer and copies
// it in one blit; it reports press, drag steps and release to its parent (kMsgSliderPress, Track,
// Release; wParam the control id, lParam the position under the mouse) and never moves its own thumb:
// the parent answers with Redraw at the position it accepts. A drag whose mouse capture is taken away,
// or whose slider is disabled, ends with a release message all the same (the owner's seek would stay
// paused and muted otherwise); only CancelDrag ends one without it.
//
// Threads: UI thread only (the window's thread).
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "platform/framework/wnd.h"
#include "tavrin/skin/offscreen_dc.h"

// Where the slider's parts go for a position (all pixels; see CSkinSliderCtrl::Draw).
struct SliderGeometry {
  int playedDstW;  // played bar: drawn at (0, 0) this wide ...
  int playedSrcW;  // ... from this much of its image's left part
  int restDstX;    // remaining bar: drawn from here ...
  int restDstW;
  int restSrcW;
  int thumbX;
};
// pos in [min, max] (clamped); clientW the window's width; barW and thumbW the images' widths.
SliderGeometry ComputeSliderGeometry(int pos, int min, int max, int clientW, int barW, int thumbW);

// The position under pixel x of a window `windowW` wide for the range [min, max], clamped to it;
// false (no position) when the range or the width is empty. Exact for any range and width.
bool SliderPositionFromPixel(int x, int windowW, int min, int max, int* pos);

class CSkinSliderCtrl : public CWnd {
 public:
  static constexpr int kBufferMinWidth = 1920;  // at least one full-HD screen wide
  static constexpr int kHitBand = 10;           // presses this far outside the ends still count
  static constexpr COLORREF kKeyColour = 0x000000;  // the images' transparent colour
  static constexpr COLORREF kBackColour = 0x000000;  // the default background behind the bars

  CSkinSliderCtrl() = default;
  ~CSkinSliderCtrl() override;

  // Creates the window (class without cursor, brush or icon; name "movie slider") as a child of
  // `parent` with id `id`. 0 when the parent's client area has no width.
  BOOL Create(UINT id, CWnd* parent);
  // The played bar, remaining bar, thumb and pressed thumb images (black transparent): decoded, with
  // the drawing surfaces made, when the slider is first drawn. FALSE when an image is missing from
  // the resources (the slider then draws what it has).
  BOOL LoadImages(UINT playedId, UINT restId, UINT thumbId, UINT thumbPressedId);
  // Whether the images LoadImages was given are decoded (at the first drawing).
  bool ImagesDecoded() const { return m_pendingImages[0] == 0 && m_hPlayed != nullptr; }
  // Sets the drawn position and draws it.
  void Redraw(int pos);
  // Ends a drag without a release message (the owner takes over) and gives up the mouse.
  void CancelDrag();
  // Enables or disables the slider's mouse handling; disabling during a drag ends it with a release.
  void SetEnabled(BOOL enabled);
  void SetRange(int min, int max) { m_nMin = min; m_nMax = max; }

  HBITMAP m_hThumb = nullptr;
  HBITMAP m_hThumbPressed = nullptr;
  HBITMAP m_hPlayed = nullptr;
  HBITMAP m_hRest = nullptr;
  CPoint m_ptPress;
  BOOL m_bDragging = FALSE;
  int m_nMin = 0;
  int m_nMax = 0;
  int m_nPos = 0;
  int m_nTrackPos = 0;
  int m_nID = 0;
  BOOL m_bEnabled = TRUE;  // when FALSE the slider ignores the mouse (a running drag ends, released)
  COLORREF m_crBack = kBackColour;  // shows through the bars' and thumb's transparent parts
  // Owner words: the seek logic's "jump" (a press seeks at once) and "hold" (a playback state change
  // is in progress) marks, kept with the slider they concern.
  int m_nJump = 0;
  int m_nHold = 0;

 protected:
  void Draw(CDC* dc);
  void DeleteImages();
  bool EnsureBuffer(HDC reference, int width);
  void PostToParent(UINT msg) const;
  void EndDragWithRelease();
  bool InHitBand(int x) const;

  void OnPaint();
  BOOL OnEraseBkgnd(CDC* dc);
  void OnLButtonDown(UINT flags, CPoint pt);
  void OnLButtonUp(UINT flags, CPoint pt);
  void OnMouseMove(UINT flags, CPoint pt);
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  void OnCaptureChanged(CWnd* newCapture);
  void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  CDC m_dcMem;
  COffScreenDC m_offscreen;
  SIZE m_sizeBar = {0, 0};
  SIZE m_sizeThumb = {0, 0};
  std::array<UINT, 4> m_pendingImages = {};  // LoadImages' ids until the first drawing decodes them
  void DecodePendingImages();
};
