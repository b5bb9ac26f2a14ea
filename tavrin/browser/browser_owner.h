// The main window as the browser sees it: the few members of the main dialog that the file list, the
// folder tree and the browser pane read or call. The main dialog implements this interface; tests use a
// fake. Every call is made on the UI thread, except where a comment says otherwise.
#pragma once

#include "platform/framework/private_messages.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/framework/cstring.h"

// Private messages and commands the browser sends or forwards to the main window.
namespace quill::browser {
constexpr UINT kMsgListDoubleClick = quill::msg::kListDoubleClick;  // wParam 0, lParam 0: a row of the file list
constexpr UINT kMsgSourceVanished = quill::msg::kSourceVanished;  // wParam 0, lParam 0: the watched source is gone
constexpr UINT kFilterCommandFirst = 38700;          // commands 38700..38705 set the six filters
constexpr UINT kFilterCommandLast = 38705;
}  // namespace quill::browser

class IBrowserOwner {
 public:
  virtual ~IBrowserOwner() = default;

  // The window that receives the browser's posted messages and the filter commands.
  virtual HWND OwnerWindow() = 0;
  // The playback mutex that guards the current index, the open workers and play-state changes.
  virtual HANDLE PlayMutex() = 0;

  virtual int CurrentIndex() = 0;
  virtual void SetCurrentIndex(int index) = 0;
  // The list has ended: selecting a row opens it without starting playback.
  virtual bool IsListEnd() = 0;
  virtual void SetPlayAfterOpen(bool play) = 0;
  // Clears the two playback display flags before a new entry is opened.
  virtual void ClearPlaybackDisplayFlags() = 0;
  // Starts opening the current entry; 0 when it could not be started.
  virtual int PrepareOpenCurrent(int a, int b, int c) = 0;
  // The data-source player instance is active and plays at normal speed (speed code 1).
  virtual bool IsDataSourceAtNormalSpeed() = 0;
  // Normal speed on every active player instance.
  virtual void SetNormalRate() = 0;

  // The folder tree's selection changed (TVN_SELCHANGED with its header); loads the folder.
  virtual void OnFolderSelChanged(NMHDR* hdr, LRESULT* result) = 0;
  // A filter button (index 0..4) or the sixth filter command (index 5) was used: the owner decides
  // the new state and calls CFilerContainerDlg::SetFilter, as for its commands 38700..38705.
  virtual void OnFilterCommand(int index) = 0;
  // The recorder's firmware version carried by the recording at `path` (its two numbers, the build
  // number held as text and the suffix): false when the data-source instance is not active or the
  // recording holds no version.
  virtual bool ReadRecorderVersion(const wchar_t* path, int& major, int& minor, CString& build,
                                   CString& suffix) = 0;
};
