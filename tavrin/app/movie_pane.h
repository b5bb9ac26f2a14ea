// The video panes: CMovieStatic is a static control whose window is the video window of one player
// instance. It paints its background (black, a notice that its camera has no movie, or a repaint
// request to the player), tells single clicks from double clicks, and forwards the context menu, the
// clicks and the player's notifications to its owner (the main dialog). CBlankStatic only paints black.
//
// Threads: UI thread. The drag rotation and its inertia thread come with the playback work; the drag
// state record (CMoment) is shared with them and with the controller pad.
#pragma once

#include <windows.h>

#include "platform/framework/controls.h"
#include "tavrin/app/small_windows.h"

// What a pane calls on the main dialog.
class IPaneOwner {
 public:
  virtual ~IPaneOwner() = default;
  virtual void ShowContextMenu(POINT screenPt, int pane) = 0;
  virtual void OnPaneClickZoom(int player, POINT clientPt) = 0;
  virtual void OnDialogDoubleClick(int player) = 0;
  virtual void OnEndOfMovie(WPARAM wp, int player) = 0;
  virtual void OnMovieReady(WPARAM wp, int player) = 0;
  virtual void OnGraphEvent(WPARAM wp, LPARAM lp) = 0;
};

// What a pane paints, from the play states of the two players (0 when inactive).
enum class PanePaint { kBlack, kNothing, kRepaint, kNoMainMovie, kNoRearMovie };
PanePaint ChoosePanePaint(int pane, bool blank, bool active, int ownState, int state0, int state1,
                          bool repaintFlag);

class CMovieStatic : public CStatic {
 public:
  static constexpr DWORD kStyle = 0x5000010B;  // child, visible, SS_NOTIFY | SS_OWNERDRAW
  static constexpr UINT_PTR kTimerDoubleClickBound = 200;
  static constexpr UINT_PTR kTimerSingleClick = 201;
  static constexpr UINT_PTR kTimerLatch = 202;
  static constexpr unsigned kTextNoMainMovie = 195;
  static constexpr unsigned kTextNoRearMovie = 196;
  static constexpr COLORREF kNoticeColour = 0x0000FF;

  CMovieStatic();
  ~CMovieStatic() override;

  // Makes the pane window as a child of `parent`.
  BOOL CreatePane(CWnd* parent, const RECT& rect, UINT id);
  // The drag rotation's thread comes with the playback work; the record is kept for it now.
  void StartInertiaThread(CMoment* moment) { m_pMoment = moment; }
  void ResetDrag();

  IPaneOwner* m_pOwner = nullptr;
  int m_nPlayer = -1;
  BOOL m_bEnabled = TRUE;
  BOOL m_bDragging = FALSE;
  BOOL m_bButtonUp = FALSE;
  BOOL m_bDblLatch = FALSE;
  POINT m_ptDown = {};
  POINT m_ptUp = {};
  POINT m_ptLast = {};
  HCURSOR m_hCursor = nullptr;
  BOOL m_bCustomCursor = FALSE;
  BOOL m_bBlank = FALSE;
  BOOL m_bRepaint = FALSE;
  float m_fZoom = 1.0f;
  BOOL m_bFlip = FALSE;
  BOOL m_bMirror = FALSE;
  int m_nViewMode = 3;
  BOOL m_bD3dx = FALSE;
  BOOL m_bZoomMode = FALSE;
  CResourceImage* m_pSkin = nullptr;
  CMoment* m_pMoment = nullptr;

 protected:
  void FillBlack(CDC* dc);
  void DrawNotice(CDC* dc, unsigned textIndex);
  BOOL OnEraseBkgnd(CDC* dc);
  void OnLButtonDown(UINT flags, CPoint pt);
  void OnLButtonUp(UINT flags, CPoint pt);
  void OnLButtonDblClk(UINT flags, CPoint pt);
  void OnMouseMove(UINT flags, CPoint pt);
  void OnTimer(UINT_PTR id);
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  void OnContextMenu(CWnd* wnd, CPoint pt);
  LRESULT OnGraphEventMsg(WPARAM wp, LPARAM lp);
  LRESULT OnPlayerPaused(WPARAM, LPARAM) { return 0; }
  LRESULT OnPlayerEnded(WPARAM wp, LPARAM lp);
  LRESULT OnPlayerReady(WPARAM wp, LPARAM lp);
  DECLARE_MESSAGE_MAP()
};

class CBlankStatic : public CStatic {
 protected:
  BOOL OnEraseBkgnd(CDC* dc);
  DECLARE_MESSAGE_MAP()
};
