// CConvertDlg: before an upload conversion the user draws the areas the converted movie must hide on a
// live preview of the recording, and chooses whether the sound is removed. The preview is the
// converter run without writing, over and over, by a worker of the dialog; the mouse actions on the
// preview pane go to the same converter, which keeps the area list.
//
// Use (on the thread that runs the command; it pumps while the dialog is up):
//   CConvertDlg dlg(parent, sourcePath);
//   if (dlg.DoModal() == IDOK || dlg.m_bAccepted) { areas = dlg.m_masks; removeAudio = dlg.m_bRemoveAudio; }
//
// Threads: the dialog and the pane run on the dialog's thread. CPreviewWorker's thread only calls
// RunPreview; Cancel comes from the dialog's thread. The job outlives the worker (it is released
// only after the worker was joined), so no call reaches a freed job.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/controls.h"
#include "platform/framework/gdi.h"
#include "playcore/bytes/unique_handle.h"
#include "tavrin/app/dialogs/source_dlg.h"
#include "tavrin/skin/skin_button.h"
#include "tavrin/skin/skin_dialog.h"

namespace quill::app {

// The converter as the dialog uses it; tests give a fake.
class IPreviewJob {
 public:
  virtual ~IPreviewJob() = default;
  // One preview pass over the source: 0 reached its end, 1 failed, 2 cancelled.
  virtual int RunPreview(const std::wstring& source) = 0;
  // Stops the running pass and every later one; any thread.
  virtual void Cancel() = 0;
  // A mouse action of the preview pane (1 down, 2 move, 3 up, 4 undo, 5 delete all).
  virtual void MouseAction(int action, int x, int y) = 0;
  virtual std::vector<RECT> Masks() const = 0;
  // The next frame the preview presents (bottom-up 1920 x 960 BGRA, outlines and band included);
  // false when none came within `waitMs`. Any thread but the pane's.
  virtual bool CaptureFrame(std::vector<uint8_t>* /*bgra*/, DWORD /*waitMs*/) { return false; }
};

// Makes the job for a preview pane window; null when it cannot be made.
using PreviewJobFactory = std::function<std::unique_ptr<IPreviewJob>(HWND pane)>;
// The real converter's preview.
std::unique_ptr<IPreviewJob> MakeConverterPreview(HWND pane);

// The button-up point kept inside a pane of width x height.
POINT ClampToPane(POINT pt, int width, int height);
// "Delete all" and "undo" are usable while there is an area.
inline bool MaskButtonsEnabled(const std::vector<RECT>& masks) { return !masks.empty(); }

// Runs preview passes until stopped. A pass that fails ends the loop (the dialog stays usable with a
// still pane); a pass that reached the end starts again after a short pause.
class CPreviewWorker {
 public:
  CPreviewWorker();
  ~CPreviewWorker();
  CPreviewWorker(const CPreviewWorker&) = delete;
  CPreviewWorker& operator=(const CPreviewWorker&) = delete;

  bool Start(IPreviewJob* job, const std::wstring& source);
  // Sets the stop flag, cancels the job and waits for the thread while dispatching this thread's
  // messages (the job presents into a window of this thread). Safe to call again or without a start;
  // a call made by a message dispatched during that wait returns at once (the worker may still run:
  // see stopping()).
  void Stop();
  bool stopping() const { return stopping_; }
  bool running() const { return thread_.valid(); }
  // Whether the loop ended on its own (a failed pass) within `ms`; for tests.
  bool WaitLoopEnded(DWORD ms) const { return thread_ && WaitForSingleObject(thread_.get(), ms) == WAIT_OBJECT_0; }
  int passes() const { return passes_.load(); }

 private:
  static DWORD WINAPI ThreadProc(void* self);
  IPreviewJob* job_ = nullptr;
  std::wstring source_;
  playcore::UniqueHandle thread_;
  playcore::UniqueHandle stopEvent_;
  std::atomic<bool> stop_{false};
  std::atomic<int> passes_{0};
  bool stopping_ = false;  // the stopping thread is waiting in Stop
};

class CConvertMovieStatic : public CStatic {
 public:
  IPreviewJob* m_pJob = nullptr;  // null once the dialog released the converter
  BOOL m_bDragging = FALSE;

 protected:
  void OnLButtonDown(UINT flags, CPoint pt);
  void OnLButtonUp(UINT flags, CPoint pt);
  void OnMouseMove(UINT flags, CPoint pt);
  DECLARE_MESSAGE_MAP()
};

class CConvertDlg : public CSkinDialog {
 public:
  static constexpr int kWidth = 1009;
  static constexpr int kHeight = 600;
  static constexpr int kPaneLeft = 1;
  static constexpr int kPaneTop = 20;
  static constexpr int kPaneWidth = 1000;
  static constexpr int kPaneHeight = 500;

  // `factory` null: the real converter.
  CConvertDlg(CWnd* parent, const std::wstring& source, PreviewJobFactory factory = nullptr);
  ~CConvertDlg() override;

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  std::wstring m_source;
  std::vector<RECT> m_masks;  // the dialog's copy of the areas
  BOOL m_bAccepted = FALSE;
  BOOL m_bRemoveAudio = FALSE;
  CConvertMovieStatic m_preview;
  CTextSkinButton m_btnOk, m_btnCancel, m_btnDeleteAll, m_btnUndo;
  CSkinCheckButton m_chkRemoveAudio;

  // For tests: the worker's passes so far.
  int PreviewPasses() const { return m_worker.passes(); }
  bool PreviewRunning() const { return m_worker.running(); }
  bool PreviewLoopEnded(DWORD ms) const { return m_worker.WaitLoopEnded(ms); }

 protected:
  void StopWorker();
  void RefreshAreas();
  void OnCaptionClose();
  void OnDeleteAll();
  void OnUndo();
  void OnToggleAudio(UINT id);
  void OnDestroy();
  LRESULT OnAreasChanged(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  PreviewJobFactory m_factory;
  std::unique_ptr<IPreviewJob> m_job;
  CPreviewWorker m_worker;
  CPen m_pen;
  CBrush m_brush;
};

}  // namespace quill::app
