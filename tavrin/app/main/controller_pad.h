// The controller pad: a child dialog with five skinned press-notifying buttons (up, left, right, down,
// reset). While a direction is held, a worker turns the current pane's view by 30 pixels of drag every
// 30 ms; while reset is held it resets the view at the same pace.
//
// Threads and locks: every step runs on the UI thread. The worker only paces a hold: it waits on m_wake
// (no polling while idle), and while a button is held it posts one kPadStepDue every period, never more
// than one at a time. The command, the press number and the pending flag are under m_lock; the worker
// never calls the players and never waits for the UI thread, so a player call that sends to a window
// cannot deadlock with it. A due step of an earlier press (released since) is dropped, so no step
// follows a release. The press runs the first step itself, so a press is never lost however quickly it
// is released. StopWorker (called before the players are released) joins the worker and drops any due
// step still queued.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"
#include "tavrin/skin/skin_button.h"

class CMoment;
class CResourceImage;
class CMovieStatic;

// Turns the view of player `player` by a drag of (dx, dy) pixels (the pane's drag rotation).
int RotateViewByDrag(CMoment* moment, CMovieStatic* pane, int axisLock, int player, int dx, int dy, float zoom);

namespace quill::app {

// The pad's buttons and their place in a client area of w x h pixels (32 x 32 buttons).
enum PadButton : int { kPadUp = 28, kPadLeft = 29, kPadRight = 30, kPadDown = 31, kPadReset = 32 };
constexpr int kPadButtonCount = 5;
POINT PadButtonPlace(int id, int w, int h);
// The drag step of a direction command (0, 0 for any other).
POINT PadStep(int command);
// Which buttons a view mode enables: all in mode 3, left and right in mode 4, none otherwise.
bool PadButtonEnabled(int id, int viewMode);

class CControllerDlg : public CDialogEx {
 public:
  static constexpr UINT kTemplateId = 355;
  static constexpr int kStepPixels = 30;
  static constexpr DWORD kStepMs = 30;
  using RotateFn = int (*)(CMoment*, CMovieStatic*, int, int, int, int, float);
  using ResetFn = void (*)(int player);

  CControllerDlg() : CDialogEx(kTemplateId) {}
  ~CControllerDlg() override;

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  void OnOK() override {}
  void OnCancel() override {}

  // Starts the worker (idle until a press); StopWorker ends and joins it (a held button stops).
  void StartWorker();
  void StopWorker();
  // The current pane's view mode: which buttons are enabled; a mode without buttons ends a command.
  // Set before the window is made, its buttons are made in that mode's state.
  void SetMode(int viewMode);
  int Mode() const { return m_nMode; }
  // Resets the current pane's view: slot 32, slot 36, a repaint, slot 32 again.
  void ResetView(int player);
  // The pane and drag record the pad turns (set by the main dialog, UI thread).
  void SetTarget(CMovieStatic* pane, CMoment* moment, int player);
  int Command();

  // Press and release (the buttons' messages; public for the main dialog and tests).
  void Press(int command);
  void Release();

  CSkinButton m_button[kPadButtonCount];
  CToolTipCtrl m_toolTip;
  RotateFn m_pRotate = &RotateViewByDrag;
  ResetFn m_pReset = nullptr;  // null: the players' own reset
  float m_fZoom = 1.0f;
  BOOL m_bResetDone = FALSE;
  BOOL m_bLayoutDone = FALSE;
  CResourceImage* m_pSkin = nullptr;  // its controller background picture (the main dialog's images)
  static constexpr UINT kBackgroundId = 366;

 protected:
  LRESULT OnPressed(WPARAM, LPARAM lp);
  LRESULT OnReleased(WPARAM, LPARAM);
  LRESULT OnStepDue(WPARAM press, LPARAM command);
  BOOL OnEraseBkgnd(CDC* dc);
  DECLARE_MESSAGE_MAP()

 private:
  void Run();
  void StepNow(int command);  // one step of `command` (UI thread)
  void ZeroTarget();          // clears the target's drag record under its pane's lock
  void ApplyCamera();

  std::mutex m_lock;
  std::condition_variable m_wake;
  std::thread m_worker;
  bool m_stop = false;
  bool m_stepPending = false;  // a kPadStepDue is queued
  int m_command = 0;
  unsigned m_press = 0;        // counts presses and releases
  HWND m_hTarget = nullptr;    // the pad's window, for the worker's posts
  CMovieStatic* m_pPane = nullptr;
  CMoment* m_pMoment = nullptr;
  int m_nPlayer = 0;
  int m_nMode = -1;            // the last mode set (UI thread)
};

}  // namespace quill::app
