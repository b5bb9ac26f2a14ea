// The video panes: CMovieStatic is a static control whose window is the video window of one player
// instance. It paints its background (black, a notice that its camera has no movie, or a repaint
// request to the player), tells single clicks from double clicks, and forwards the context menu, the
// clicks and the player's notifications to its owner (the main dialog). CBlankStatic only paints black.
//
// Threads: the UI thread, and the pane's inertia thread, which keeps the view turning after a quick
// drag. The drag state record (CMoment) and the view mode are shared by the two: every read or write of
// the record's fields takes m_momentLock (never held while calling into a player); the view mode is
// a word the UI thread writes and the inertia thread only reads. The inertia thread waits on m_hWake while the view is at rest.
// The inertia thread never calls a player itself: each coasting step is sent to the pane and turned on
// the UI thread (a slot holds the instance mutex across the presenter, whose present may wait for this
// window's thread). The stop waits for the thread while it lets such sends through.
#pragma once

#include <windows.h>

#include <atomic>

#include "platform/framework/controls.h"
#include "playcore/bytes/unique_handle.h"
#include "tavrin/app/main/small_windows.h"

// What a pane calls on the main dialog.
class IPaneOwner {
 public:
  virtual ~IPaneOwner() = default;
  virtual void ShowContextMenu(POINT screenPt, int pane) = 0;
  virtual void OnPaneClickZoom(int player, POINT clientPt) = 0;
  virtual void OnDialogDoubleClick(int player) = 0;
  virtual void OnEndOfMovie(WPARAM wp, int player) = 0;
  virtual void OnMovieReady(WPARAM wp, int player) = 0;
  // A filter graph notified the pane of player `player` (lParam) that events wait.
  virtual void OnGraphEvent(WPARAM wp, LPARAM player) = 0;
};

// What a pane paints, from the play states of the two players (0 when inactive).
enum class PanePaint { kBlack, kNothing, kRepaint, kNoMainMovie, kNoRearMovie };
PanePaint ChoosePanePaint(int pane, bool blank, bool active, int ownState, int state0, int state1,
                          bool repaintFlag);

// Turns the view of player `player` by a drag of (dx, dy) pixels in `pane` (its client width scales
// the angle; `zoom` is the pane's zoom factor, whose field of view sets the turn per pixel): 1 while
// the view turns, 0 when it stopped (the record's movement is then cleared). The panes and the
// controller pad call it. `viewMoved`, when given, says whether the player's view took the turn (a
// horizontal drag answers 1 even when the scene refused it): the panes count only those turns.
int RotateViewByDrag(CMoment* moment, HWND pane, int lockAxis, int player, int dx, int dy, float zoom,
                     bool* viewMoved = nullptr);

class CMovieStatic : public CStatic {
 public:
  static constexpr DWORD kStyle = 0x5000010B;  // child, visible, SS_NOTIFY | SS_OWNERDRAW
  static constexpr UINT_PTR kTimerDoubleClickBound = 200;
  static constexpr UINT_PTR kTimerSingleClick = 201;
  static constexpr UINT_PTR kTimerLatch = 202;
  static constexpr DWORD kHoverMs = 2000;
  static constexpr unsigned kTextNoMainMovie = 195;
  static constexpr unsigned kTextNoRearMovie = 196;
  static constexpr COLORREF kNoticeColour = 0x0000FF;

  CMovieStatic();
  ~CMovieStatic() override;

  // Makes the pane window as a child of `parent`.
  BOOL CreatePane(CWnd* parent, const RECT& rect, UINT id);
  // Keeps the record and (re)starts the inertia thread.
  void StartInertiaThread(CMoment* moment);
  void StopInertiaThread();
  void ResetDrag();
  // Clears `record` (the pane's drag record, which the controller pad and the main dialog also change)
  // under the pane's lock: the whole record, or only its movement (velocity and offset).
  void ZeroMoment(CMoment* record, bool movementOnly = false);
  // Whether the inertia thread is turning the view now (tests wait for it to come to rest).
  bool Coasting() const { return m_bCoasting.load(); }
  // The steps that turned the view, and whether it coasts, as properties of the pane window (value +
  // 1) for monitoring tools and the end-to-end tests.
  static constexpr const wchar_t* kPropTurns = L"QuillmereX.Turns";
  static constexpr const wchar_t* kPropCoasting = L"QuillmereX.Coasting";

  IPaneOwner* m_pOwner = nullptr;
  int m_nPlayer = -1;
  BOOL m_bEnabled = TRUE;
  BOOL m_bDragging = FALSE;
  BOOL m_bButtonUp = FALSE;
  BOOL m_bDblLatch = FALSE;
  BOOL m_bSuppressMove = FALSE;  // the next move does not turn the view (cleared by every move)
  UINT m_nDownFlags = 0;         // the key flags of the press and of the release
  UINT m_nUpFlags = 0;
  // Hover and leave reports for the pane (2 s hover); renewed on every move.
  TRACKMOUSEEVENT m_track = {sizeof(TRACKMOUSEEVENT), TME_HOVER | TME_LEAVE, nullptr, kHoverMs};
  POINT m_ptDown = {};
  POINT m_ptUp = {};
  POINT m_ptLast = {};
  HCURSOR m_hCursor = nullptr;  // loaded when the custom cursor is first wanted
  BOOL m_bCursorLoaded = FALSE;
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
  BOOL m_bCoastAtPress = FALSE;
  SRWLOCK m_momentLock = SRWLOCK_INIT;
  playcore::UniqueHandle m_hInertia;
  playcore::UniqueHandle m_hWake;  // auto-reset: a release that coasts, or the stop
  std::atomic<bool> m_bStop{false};
  std::atomic<bool> m_bCoasting{false};
  std::atomic<long> m_nTurns{0};
  void CountTurn(bool turned);

 protected:
  static unsigned __stdcall InertiaThreadMain(void* self);
  void InertiaLoop();
  void ZeroMoment();
  void OnSize(UINT type, int cx, int cy);
 public:
  // The player's picture and the scene's aspect follow the pane's size.
  void FitPictureToPane();
  // Fills the client area black (`dc` null: through the window's own DC).
  void FillBlack(CDC* dc);
 protected:
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
  LRESULT OnCoastStep(WPARAM wp, LPARAM lp);
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
